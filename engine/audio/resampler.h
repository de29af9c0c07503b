// Polyphase windowed-sinc sample-rate converter for one channel of floats; used by the
// resampled PCM stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Keeps its filter history between calls, so a signal fed in pieces of any size gives the same
// output as fed at once. One thread at a time.
class CResampler {
public:
    CResampler() = default;
    CResampler(const CResampler&) = delete;
    CResampler& operator=(const CResampler&) = delete;
    virtual ~CResampler() = default;

    // Clears the filter history and the samples held over between calls. The general path's
    // output and input counters run on, so its time base stays continuous over a restart.
    virtual int Reset();

    // Sets up the filter for inRate -> outRate (whole hertz). cutoffFactor (0 < f < 1) places
    // the low-pass edge at f x outRate / 2 when downsampling. Returns 0.
    int Instantiate(unsigned inRate, unsigned outRate, float cutoffFactor);

    // Feeds inCount inputs and writes at most maxOut outputs to out; returns the number
    // written. Inputs and outputs that do not fit this call are held for the next one.
    unsigned Filter(float* out, const float* in, unsigned inCount, unsigned maxOut);

    // Samples held over: inputs not yet filtered, outputs not yet handed out.
    unsigned PendingInputs() const { return static_cast<unsigned>(pendingIn_.size() - pendingInPos_); }
    unsigned PendingOutputs() const { return static_cast<unsigned>(pendingOut_.size() - pendingOutPos_); }

    unsigned Decimation() const { return decimation; }      // M = inRate / gcd
    unsigned Interpolation() const { return interpolation; }  // L = outRate / gcd
    int Taps() const { return taps; }
    float OutOverIn() const { return outOverIn; }
    float InOverOut() const { return inOverOut; }
    // Tap j of sub-filter phase.
    float Coefficient(unsigned phase, unsigned j) const { return coefficients_[phase * taps + j]; }

private:
    void Push(float x);
    float Dot(unsigned phase) const;
    unsigned FilterEqual(float* out, const float* in, unsigned inCount, unsigned maxOut);
    unsigned FilterDecimate(float* out, const float* in, unsigned inCount, unsigned maxOut);
    unsigned FilterInterpolate(float* out, const float* in, unsigned inCount, unsigned maxOut);
    unsigned FilterGeneral(float* out, const float* in, unsigned inCount, unsigned maxOut);

    uint32_t decimation = 1;
    uint32_t interpolation = 1;
    uint32_t inRate = 0;
    uint32_t outRate = 0;
    uint32_t phases = 1;
    uint32_t coefficientCount = 0;
    int32_t taps = 0;
    double outTime = 0.0;
    double inTime = 0.0;
    uint32_t outIndex = 0;
    uint32_t inIndex = 0;
    uint32_t consumed = 0;
    float outOverIn = 1.0f;
    float inOverOut = 1.0f;

    // History as a mirrored ring: the newest `taps` inputs are always contiguous at
    // history_[head_ .. head_ + taps), newest first, so each output is one straight dot product.
    std::vector<float> history_;
    unsigned head_ = 0;
    std::vector<float> coefficients_;  // phase by phase: entry phase x taps + j

    size_t lastUsed_ = 0;            // inputs the last path call took
    uint64_t decimationCount_ = 0;   // inputs seen by the decimation path since Reset
    std::vector<float> pendingIn_;   // inputs delivered but not yet filtered
    size_t pendingInPos_ = 0;
    std::vector<float> pendingOut_;  // outputs made but not yet handed out
    size_t pendingOutPos_ = 0;
};
