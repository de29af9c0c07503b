// Which phonemes take part in one frame: the full scan and the cursor that gives the same answer
// in one pass over a sorted track.
#include "engine/articulation/frame_candidates.h"

void ScanFrameCandidates(const std::vector<ArticulatedPhoneme>& phonemes, int t, int maxAttack,
                         int maxRelease, FrameCandidates& out) {
    out.clear();
    const int64_t time = t;
    for (size_t i = 0; i < phonemes.size(); ++i) {
        const ArticulatedPhoneme& p = phonemes[i];
        if (p.start <= time && time < p.end) {
            out.current = static_cast<int>(i);
        } else if (p.start < time - maxAttack) {
            continue;
        } else if (p.start <= time) {
            out.before.push_back(static_cast<int>(i));
        } else if (p.start <= time + maxRelease) {
            out.after.push_back(static_cast<int>(i));
        } else {
            break;
        }
    }
}

CFrameCandidateCursor::CFrameCandidateCursor(const std::vector<ArticulatedPhoneme>& phonemes, int maxAttack,
                                             int maxRelease)
    : phonemes_(phonemes), maxAttack_(maxAttack), maxRelease_(maxRelease) {}

void CFrameCandidateCursor::Collect(int t, FrameCandidates& out) {
    out.clear();
    const int64_t time = t;
    while (next_ < phonemes_.size() && phonemes_[next_].start <= time + maxRelease_) ++next_;
    while (first_ < next_ && phonemes_[first_].start < time - maxAttack_) {
        if (phonemes_[first_].end > time) sounding_.push_back(static_cast<int>(first_));
        ++first_;
    }
    // Everything kept aside started before t, so it sounds exactly while its end is after t,
    // and frame times never go back: once silent it stays out.
    size_t kept = 0;
    for (int i : sounding_) {
        if (phonemes_[i].end > time) {
            sounding_[kept++] = i;
            out.current = i;
        }
    }
    sounding_.resize(kept);
    for (size_t i = first_; i < next_; ++i) {
        const ArticulatedPhoneme& p = phonemes_[i];
        if (p.start <= time && time < p.end) {
            out.current = static_cast<int>(i);
        } else if (p.start <= time) {
            out.before.push_back(static_cast<int>(i));
        } else {
            out.after.push_back(static_cast<int>(i));
        }
    }
}

bool PhonemesInStartOrder(const std::vector<ArticulatedPhoneme>& phonemes) {
    for (size_t i = 1; i < phonemes.size(); ++i) {
        if (phonemes[i].start < phonemes[i - 1].start) return false;
    }
    return true;
}
