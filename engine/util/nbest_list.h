// The best hypotheses of one search frame, bounded by a capacity, and the compact frame records
// of their backpointers that the backpointer store keeps.
#pragma once

#include <cstdint>

struct NBestEntry {
    std::int32_t node;  // -1 once pruned
    std::int32_t pred;
    double score;
};

// One thread at a time; no lock.
class CNBestList {
public:
    CNBestList() = default;
    CNBestList(const CNBestList&) = delete;
    CNBestList& operator=(const CNBestList&) = delete;
    ~CNBestList();

    // Allocates room for capacity entries and empties the list; false when memory runs out.
    bool Init(int capacity);
    void Reset();
    // Adds while there is room; when full, replaces the worst entry if score beats it.
    void Insert(int node, int pred, double score);
    void RecomputeWorst();
    // With a negative threshold, marks every entry scoring more than -threshold below the best as
    // pruned (node -1); 0 or above removes nothing.
    void Prune(double threshold);

    NBestEntry* entries = nullptr;
    int capacity = 0;
    int count = 0;
    int worstIndex = -1;
    double best = -1e10;
    int bestIndex = -1;
    double worst = 1e10;
};

// A pair of node and predecessor, both relative to the frame's base node.
struct BackpointerPair {
    std::uint16_t node;
    std::uint16_t pred;
};

// One frame's backpointers held in memory; the pairs live in the same allocation.
struct FrameRecord {
    std::int32_t base;
    std::uint16_t count;
    BackpointerPair* pairs;
};

// For every live entry of list, in order: scores[node] = its score, and a pair relative to base.
// The record is allocated with MemAlloc and freed with FreeFrameRecord; null when memory runs out.
FrameRecord* MakeFrameRecord(int base, const CNBestList& list, double* scores);
void FreeFrameRecord(FrameRecord* record);
// row[pair.node] = base + pair.pred for every pair whose node lies in [0, rowLength); false when a
// pair points outside the row (nothing is written for that pair).
bool ApplyFrameRecord(const FrameRecord& record, int* row, int rowLength);
