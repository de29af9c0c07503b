// Smoothing of the articulator's frame mixtures: every run of closed phonemes gets a frame that
// shows the lips shut, and each code's weight curve may only rise or fall so fast. Runs inside a
// whole-track generation, between the frame loop and the making of the keys.
#include "engine/articulation/phoneme_mixture_articulator.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <cstring>
#include <string_view>

#include "model/phn_marker.h"

void CPhonemeMixtureArticulator::SmoothFrames(const std::vector<phn_marker>& phonemes) {
    EnforceClosures(phonemes, 2);
    LimitEnvelopeSlopes(slopeLimit_);
}

namespace {

// A run of closed phonemes, in frames relative to the first stored frame (end exclusive).
struct ClosureSegment {
    std::set<MixtureCode> codes;
    int64_t startFrame;
    int64_t endFrame;
    int64_t bestFrame = -1;
    double bestScore = 0.0;
};

}  // namespace

void CPhonemeMixtureArticulator::EnforceClosures(const std::vector<phn_marker>& phonemes, int frames) {
    const float frameMs = FrameMs();
    // The stored frames start at the generation's first frame, not at the timeline's frame 0.
    std::vector<ClosureSegment> segments;
    for (const phn_marker& p : phonemes) {
        if (rules_.closedSet.count(p.label) == 0) continue;
        const int64_t sF = NearestFrame(p.start, frameMs) - firstFrame_;
        const int64_t eF = NearestFrame(p.end, frameMs) - firstFrame_;
        if (!segments.empty() && segments.back().endFrame >= sF) {
            segments.back().endFrame = eF;
            segments.back().codes.insert(PackMixtureCode(p.label));
        } else {
            segments.push_back(ClosureSegment{{PackMixtureCode(p.label)}, sF, eF});
        }
    }

    // Choosing: the frame of each run where a closed code and the rest position show most. A run
    // that already shows a closed code with one other code in three frames needs no help.
    const int64_t n = static_cast<int64_t>(frames_.size());
    std::vector<ClosureSegment> chosen;
    for (ClosureSegment& segment : segments) {
        segment.startFrame = std::clamp<int64_t>(segment.startFrame, 0, n);
        segment.endFrame = std::clamp<int64_t>(segment.endFrame, 0, n);
        int clean = 0;
        for (int64_t i = segment.startFrame; i < segment.endFrame; ++i) {
            const FrameMixture& frame = frames_[static_cast<size_t>(i)];
            float closedWeight = 0.0f;
            bool found = false;
            for (MixtureCode code : segment.codes) {
                const float* w = frame.find(code);
                if (w != nullptr && *w > 0.0f && (!found || *w > closedWeight)) {
                    closedWeight = *w;
                    found = true;
                }
            }
            if (found && frame.size() == 2) ++clean;
            const double score = static_cast<double>(closedWeight) + frame.weight(kRestCode);
            if (score > segment.bestScore) {
                segment.bestScore = score;
                segment.bestFrame = i;
            }
            if (clean == 3) break;
        }
        if (clean < 3 && segment.bestFrame != -1) chosen.push_back(segment);
    }

    // Clearing: the best frame and its neighbours inside the run keep only the closed codes and
    // the rest position.
    for (const ClosureSegment& segment : chosen) {
        std::vector<int64_t> cleared{segment.bestFrame};
        int64_t lo = segment.bestFrame - 1;
        int64_t hi = segment.bestFrame + 1;
        bool added = true;
        do {
            const size_t before = cleared.size();
            if (lo >= 0 && lo >= segment.startFrame) cleared.push_back(lo--);
            if (hi < n && hi < segment.endFrame) cleared.push_back(hi++);
            added = cleared.size() > before;
        } while (cleared.size() < static_cast<size_t>(std::max(frames, 0)) && added);

        for (int64_t i : cleared) {
            FrameMixture& frame = frames_[static_cast<size_t>(i)];
            for (FrameMixture::Entry& e : frame.entries()) {
                if (e.code != kRestCode && segment.codes.count(e.code) == 0) e.weight = 0.0f;
            }
            frame.normalise();
        }
    }
}

void CPhonemeMixtureArticulator::LimitEnvelopeSlopes(float limit) {
    KeysFromFrames(0);
    MakeEnvelopes(false);

    for (EnvelopeRecord& record : envelopes_) {
        const std::string label(record.label);
        if (label == "x" || rules_.closedSet.count(label) != 0) continue;
        envelope_point* points = record.points;
        const int64_t passes = 3 * int64_t{record.count};
        for (int64_t pass = 0; pass < passes; ++pass) {
            float largest = 0.0f;
            for (int32_t k = 0; k + 1 < record.count; ++k) {
                const float a = points[k].value;
                const float b = points[k + 1].value;
                float correction = 0.0f;
                if (a + limit < b) {
                    points[k + 1].value = a + limit;
                    correction = b - (a + limit);
                } else if (b + limit < a) {
                    points[k].value = b + limit;
                    correction = a - (b + limit);
                }
                largest = std::max(largest, correction);
            }
            if (!(largest > 0.0f)) break;
        }
    }

    FramesFromEnvelopes();
    ClearEnvelopes();
}

void CPhonemeMixtureArticulator::FramesFromEnvelopes() {
    keys_.clear();
    const float frameMs = FrameMs();
    // Frame numbers of a point: the one its start falls in, and those its span runs over.
    struct Touch {
        int64_t frame;
        MixtureCode code;
        float value;
        bool assign;
    };
    std::vector<Touch> touches;
    int64_t maxF = 0;
    int64_t minF = 0x7FFFFFF;
    for (const EnvelopeRecord& record : envelopes_) {
        const MixtureCode code = PackMixtureCode(std::string_view(record.label, strnlen(record.label, 2)));
        for (int32_t k = 0; k < record.count; ++k) {
            const envelope_point& point = record.points[k];
            const int64_t f = NearestFrame(point.base, frameMs);
            touches.push_back(Touch{f, code, point.value, false});
            const int64_t m =
                static_cast<int64_t>(static_cast<float>(int64_t{point.time} - point.base) / frameMs);
            int64_t last = f;
            for (int64_t j = 1; j < m; ++j) {
                const int64_t into = FrameEdgeMs(j, frameMs);
                last = static_cast<int64_t>(static_cast<float>(point.base + into) / frameMs);
                touches.push_back(Touch{last, code, point.value, true});
            }
            maxF = std::max(maxF, last);
            minF = std::min(minF, last);
        }
    }

    // Frames before the timeline's start cannot be stored.
    const int64_t from = std::max<int64_t>(minF, 0);
    std::vector<FrameMixture> built(static_cast<size_t>(maxF + 1));
    for (const Touch& touch : touches) {
        if (touch.frame < from || touch.frame > maxF) continue;
        FrameMixture& mixture = built[static_cast<size_t>(touch.frame)];
        if (touch.assign) {
            mixture.set(touch.code, touch.value);
        } else {
            mixture.add(touch.code, touch.value);
        }
    }

    // Whatever the envelopes leave unclaimed goes to the rest position.
    frames_.assign(static_cast<size_t>(maxF + 1), FrameMixture());
    for (int64_t i = from; i <= maxF; ++i) {
        FrameMixture& frame = frames_[static_cast<size_t>(i)];
        frame = std::move(built[static_cast<size_t>(i)]);
        double sum = 0.0;
        for (const FrameMixture::Entry& e : frame.entries()) sum += e.weight;
        if (sum < 1.0) frame.add(kRestCode, 1.0 - sum);
        frame.normalise();
    }
}
