// The articulator: for every video frame, a mixture of the phoneme sounding and its neighbours
// within reach of their rules, optionally smoothed into slope-limited phoneme envelopes. Made by
// the document, fed with recognition results or a track's phonemes.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/articulator.h"
#include "engine/articulation/articulator_rules.h"
#include "engine/articulation/frame_mixture.h"

class app_sync_results;
class phn_marker;

// One thread at a time (the document's on the user-interface thread, a recognition run's copy on its
// worker); no lock. Owns every container it hands out.
class CPhonemeMixtureArticulator : public IArticulator {
public:
    CPhonemeMixtureArticulator();
    ~CPhonemeMixtureArticulator() override;
    CPhonemeMixtureArticulator(const CPhonemeMixtureArticulator&) = delete;
    CPhonemeMixtureArticulator& operator=(const CPhonemeMixtureArticulator&) = delete;

    int LoadArticulatorRules(const char* text, int length) override;
    int SetFrameRate(float framesPerSecond) override;
    void SetSlopeLimit(float limit) override;
    int SetLevel(int level) override;
    int GenerateArticulations2(ISyncResultsCollection* collection, int option, int start, int end) override;
    int GenerateArticulations(ISyncResultsCollection* collection, int option) override;
    ArticulationKey* KeysBegin() override;
    ArticulationKey* KeysEnd() override;
    void AppendKey(const ArticulationKey& key, bool clear) override;
    void Destroy() override;
    int SetFlags(uint32_t flags) override;
    void BuildEnvelopes() override;
    EnvelopeRecord* EnvelopesBegin() override;
    EnvelopeRecord* EnvelopesEnd() override;
    ArticulationKey* Quanitze(int start, int end, int maxCount) override;

    // Rebuilds the envelope records from the keys; merge joins neighbouring keys that give a code
    // the same weight into one point. Returns 0.
    virtual int MakeEnvelopes(bool merge);
    // Keys from the track's phonemes (see GenerateArticulations2); option is not used. Returns 0, or
    // the load error of the built-in rules when they are needed and do not load.
    virtual int GenerateArticulationFromSyncResults(const app_sync_results& track, int option, int start, int end);
    // Closures, then slope limiting, over the stored frames; leaves keys and envelopes empty.
    virtual void SmoothFrames(const app_sync_results& track);
    // For each run of closed phonemes of the track, clears the best frame of the run and up to
    // frames - 1 neighbours inside it down to the closed codes and the rest position.
    virtual void EnforceClosures(const app_sync_results& track, int frames);
    // Limits how much each envelope (but the rest position and the closed codes) may change from
    // one point to the next, then turns the envelopes back into frames.
    virtual void LimitEnvelopeSlopes(float limit);
    // Replaces the stored frames by those the envelope records describe.
    virtual void FramesFromEnvelopes();

    // The same operations on a bare phoneme list in start order.
    int GenerateFromPhonemes(const std::vector<phn_marker>& phonemes, int start, int end);
    void SmoothFrames(const std::vector<phn_marker>& phonemes);
    void EnforceClosures(const std::vector<phn_marker>& phonemes, int frames);

    // What a one-off generation with settings of its own saves first and puts back after.
    struct Settings {
        float frameRate;
        float frameRateOverride;
        int level;
        uint32_t flags;
    };
    Settings GetSettings() const { return {frameRate_, frameRateOverride_, level_, flags_}; }
    void RestoreSettings(const Settings& s) {
        frameRate_ = s.frameRate;
        frameRateOverride_ = s.frameRateOverride;
        level_ = s.level;
        flags_ = s.flags;
    }

    // Takes other's rules, settings and last frame mixture: a copy generates as the original
    // would, so a generation can run on another thread with a copy and hand its state back.
    void CopyStateFrom(const CPhonemeMixtureArticulator& other);

    float FrameRate() const { return frameRate_; }
    int Level() const { return level_; }
    uint32_t Flags() const { return flags_; }
    float SlopeLimit() const { return slopeLimit_; }
    const ArticulatorRules& Rules() const { return rules_; }
    const FrameMixture& PreviousMixture() const { return previousMixture_; }
    // The stored frame mixtures; frames[k] is frame FirstFrame() + k of the timeline.
    std::vector<FrameMixture>& Frames() { return frames_; }
    int FirstFrame() const { return firstFrame_; }
    const std::vector<ArticulationKey>& Keys() const { return keys_; }

private:
    float FrameMs() const { return 1000.0f / frameRate_; }
    void ClearEnvelopes();
    void KeysFromFrames(int64_t firstFrame);

    float frameRate_ = 20.0f;
    float frameRateOverride_ = 0.0f;
    int level_ = 10;
    float slopeLimit_ = 0.25f;
    FrameMixture previousMixture_;
    ArticulatorRules rules_;
    std::vector<ArticulationKey> keys_;
    ArticulationKey summaryKey_{};
    std::vector<EnvelopeRecord> envelopes_;
    std::vector<std::unique_ptr<envelope_point[]>> envelopePoints_;  // owns envelopes_[i].points
    std::vector<FrameMixture> frames_;
    int firstFrame_ = 0;  // timeline frame number of frames_[0]
    uint32_t flags_ = 0;
};

// Makes an articulator with an empty rule map and applies flags; 0, or 1 (out null) when it cannot
// be allocated.
int CreateArticulator(CPhonemeMixtureArticulator** out, uint32_t flags);
// Null is ignored.
void DestroyArticulator(CPhonemeMixtureArticulator* articulator);
