// The best hypotheses of one frame and their compact frame records.
#include "engine/util/nbest_list.h"

#include <cstddef>

#include "engine/util/mem_alloc.h"

CNBestList::~CNBestList() { MemFree(entries); }

bool CNBestList::Init(int newCapacity) {
    MemFree(entries);
    entries = nullptr;
    capacity = 0;
    Reset();
    if (newCapacity < 0) return false;
    entries = static_cast<NBestEntry*>(MemAlloc(sizeof(NBestEntry) * static_cast<std::size_t>(newCapacity) + 1, 0));
    if (!entries) return false;
    capacity = newCapacity;
    return true;
}

void CNBestList::Reset() {
    count = 0;
    best = -1e10;
    bestIndex = -1;
    worst = 1e10;
    worstIndex = -1;
}

void CNBestList::Insert(int node, int pred, double score) {
    if (count < capacity) {
        const int i = count;
        entries[i] = {node, pred, score};
        if (score < worst) {
            worst = score;
            worstIndex = i;
        }
        if (score > best) {
            best = score;
            bestIndex = i;
        }
        ++count;
    } else if (count > 0 && score > worst) {
        entries[worstIndex] = {node, pred, score};
        if (score > best) {
            best = score;
            bestIndex = worstIndex;
        }
        RecomputeWorst();
    }
}

void CNBestList::RecomputeWorst() {
    worst = 1e10;
    worstIndex = -1;
    for (int i = 0; i < count; ++i) {
        if (entries[i].score < worst) {
            worst = entries[i].score;
            worstIndex = i;
        }
    }
}

void CNBestList::Prune(double threshold) {
    if (!(threshold < 0.0)) return;
    for (int i = 0; i < count; ++i)
        if (entries[i].score - best < threshold) entries[i].node = -1;
}

FrameRecord* MakeFrameRecord(int base, const CNBestList& list, double* scores) {
    int live = 0;
    for (int i = 0; i < list.count; ++i)
        if (list.entries[i].node != -1) ++live;
    const std::size_t bytes = sizeof(FrameRecord) + sizeof(BackpointerPair) * static_cast<std::size_t>(live);
    auto* record = static_cast<FrameRecord*>(MemAlloc(bytes, 0));
    if (!record) return nullptr;
    record->base = base;
    record->pairs = reinterpret_cast<BackpointerPair*>(record + 1);
    int k = 0;
    for (int i = 0; i < list.count; ++i) {
        const NBestEntry& e = list.entries[i];
        if (e.node == -1) continue;
        scores[e.node] = e.score;
        record->pairs[k++] = {static_cast<std::uint16_t>(e.node - base), static_cast<std::uint16_t>(e.pred - base)};
    }
    record->count = static_cast<std::uint16_t>(k);
    return record;
}

void FreeFrameRecord(FrameRecord* record) { MemFree(record); }

bool ApplyFrameRecord(const FrameRecord& record, int* row, int rowLength) {
    bool inside = true;
    for (int i = 0; i < record.count; ++i) {
        const BackpointerPair& p = record.pairs[i];
        if (p.node >= rowLength) {
            inside = false;
            continue;
        }
        row[p.node] = record.base + p.pred;
    }
    return inside;
}
