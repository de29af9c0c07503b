// One HMM state of a segment's recognition lattice and its weighted predecessors. Built by the
// text-based recogniser from a script, searched by the lattice Viterbi searches.
#pragma once

#include <cstdint>

struct LatticePred {
    int32_t node;
    float weight;  // a probability, or its natural logarithm once converted for the pruned search
};

// Allocated from the segment's block pool with room for predCount pairs right behind it.
// Node k of a lattice is state (k mod S) of phone k div S; model 0 is the silence model.
struct LatticeNode {
    // Unsigned: a first state may take up to 60,000 entries plus its self-loop.
    uint16_t predCount;
    uint8_t model;
    uint8_t unused;

    LatticePred* Preds() { return reinterpret_cast<LatticePred*>(this + 1); }
    const LatticePred* Preds() const { return reinterpret_cast<const LatticePred*>(this + 1); }
    static int BytesFor(int predCount) {
        return static_cast<int>(sizeof(LatticeNode) + sizeof(LatticePred) * predCount);
    }
};
static_assert(sizeof(LatticeNode) % alignof(LatticePred) == 0, "pairs follow the header");
