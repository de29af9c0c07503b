// Which phonemes take part in one frame: the one sounding at the frame's time and its neighbours
// within reach of the rules. Read by the articulator's frame loop.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/articulation/articulator_rules.h"
#include "engine/articulation/frame_mixture.h"

// One phoneme of the track as the frame loop sees it.
struct ArticulatedPhoneme {
    int32_t start;  // ms
    int32_t end;    // ms
    double share;   // share of the code against the rest position: value / 100, at most 1
    const ArticulatorRule* rule;  // null when no rule names the code
    MixtureCode code;
};

// Indices into the phoneme list.
struct FrameCandidates {
    int current = -1;         // the last phoneme in list order with start <= t < end
    std::vector<int> before;  // start in [t - maxAttack, t], not sounding; list order
    std::vector<int> after;   // start in (t, t + maxRelease]; list order

    void clear() {
        current = -1;
        before.clear();
        after.clear();
    }
};

// The definition of the candidates: one scan from the first phoneme, stopping at the first one
// that starts past t + maxRelease. A frame loop over it is quadratic in the track's length, so the
// articulator uses the cursor below; this scan is what the cursor is checked and measured against.
void ScanFrameCandidates(const std::vector<ArticulatedPhoneme>& phonemes, int t, int maxAttack,
                         int maxRelease, FrameCandidates& out);

// The same candidates for a list in start order and frame times that never decrease, keeping the
// window of reachable phonemes between calls so each phoneme is entered and left once. Phonemes
// that started before the window but still sound (long or overlapping ones) are kept aside so
// the sounding phoneme is found exactly as the full scan finds it.
class CFrameCandidateCursor {
public:
    CFrameCandidateCursor(const std::vector<ArticulatedPhoneme>& phonemes, int maxAttack, int maxRelease);

    void Collect(int t, FrameCandidates& out);

private:
    const std::vector<ArticulatedPhoneme>& phonemes_;
    int64_t maxAttack_;
    int64_t maxRelease_;
    size_t first_ = 0;  // first phoneme that starts at or after t - maxAttack
    size_t next_ = 0;   // first phoneme that starts after t + maxRelease
    std::vector<int> sounding_;  // before first_, still sounding when last looked at; list order
};

// Whether the phonemes are in start order (the cursor needs it; the articulator sorts a track that
// is not).
bool PhonemesInStartOrder(const std::vector<ArticulatedPhoneme>& phonemes);
