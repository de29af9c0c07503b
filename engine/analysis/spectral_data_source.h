// Spectral analysis for the timeline's spectrogram and LPC channels: dB columns with an optional
// pitch estimate, LPC envelopes, band levels, a noise gate and an averaged spectrum of a stream.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/analysis/fft.h"
#include "engine/analysis/lpc_analyzer.h"
#include "engine/analysis/spectral_helpers.h"
#include "engine/util/t_array.h"

class CProgress;
class IMemoryPCMStream;

// Block sizes n are powers of two of at least 4; an operation given another n does nothing.
class ISpectralDataSource {
public:
    virtual ~ISpectralDataSource() = default;
    virtual int32_t GetFrameCount() = 0;
    virtual float GetFrameStep() = 0;
    // Replaces samples[0 .. n/2] by display intensities 0 .. 255 (80 log10(|X| / (n/2)),
    // clamped); with estimatePitch also replaces entries 0 .. n/2 - 2 by the cepstrum, reversed, and
    // gives the pitch position (-1 when none). Returns the block's level in dB (0 when at most 1).
    virtual float ComputeDbColumn(short* samples, int32_t n, bool estimatePitch,
                                  int32_t* pitchOut) = 0;
    // Replaces coefficients[0 .. n/2] (an inverse filter 1, -a1, ...) by its spectral envelope on a
    // 0 .. 255 scale.
    virtual void ComputeLpcEnvelope(float* coefficients, int32_t n) = 0;
    // out[0 .. n/2 - 1]: the mean of the dB columns of blocks n samples long, every n/2 samples of
    // channel 1 of the stream. out holds n values.
    virtual void AverageSpectrum(int32_t n, short* out, IMemoryPCMStream* stream,
                                 CProgress* progress) = 0;
    // Intensities at or below the reference level of their bin become 0 in columns of size n.
    // The gate holds at most kMaxNoiseGate levels: a longer reference leaves the gate off.
    virtual void SetNoiseGate(bool on, const short* reference, int32_t n) = 0;
    virtual void Destroy() = 0;
};

constexpr int32_t kMaxNoiseGate = 2048;
constexpr int32_t kMaxBandLevels = 508;

// Used on the user-interface thread only; no lock. Tables are cached by block size.
class CSpectralDataSource : public ISpectralDataSource {
public:
    CSpectralDataSource() = default;
    ~CSpectralDataSource() override;
    CSpectralDataSource(const CSpectralDataSource&) = delete;
    CSpectralDataSource& operator=(const CSpectralDataSource&) = delete;

    int32_t GetFrameCount() override { return columns.count; }
    float GetFrameStep() override { return frameStep; }
    float ComputeDbColumn(short* samples, int32_t n, bool estimatePitch, int32_t* pitchOut) override;
    void ComputeLpcEnvelope(float* coefficients, int32_t n) override;
    void AverageSpectrum(int32_t n, short* out, IMemoryPCMStream* stream,
                         CProgress* progress) override;
    void SetNoiseGate(bool on, const short* reference, int32_t n) override;
    void Destroy() override;

    // The column cache: nothing fills it, so it stays empty.
    virtual void Clear();
    virtual int32_t GetBinCount() { return frameSize / 2; }
    virtual short* GetFrameAt(int32_t sample, int32_t* frameStart);
    // Cepstral pitch of the block: the index of the largest cepstral value from n/20 on
    // (-1 and false when none is positive).
    virtual bool EstimatePitch(short* samples, int32_t n, int32_t* pitchOut);
    // samples[i] = trunc(20 x level of band i) for i = 1 .. count - 1 (entry 0 is left as it was);
    // at most kMaxBandLevels bands and n entries. Returns the number of bands used.
    virtual int32_t ComputeBandLevels(short* samples, const FeatureBand* bands, int32_t count,
                                      int32_t n, float rate);
    // The LPC residual of the block at that order (CLpcAnalyzer's code).
    virtual int ComputeLpcError(const short* samples, int32_t n, float* residual, int32_t order);

private:
    struct CosineTable {
        int32_t size = 0;
        std::vector<float> values;  // rows j = 0 .. size-1 of size entries
    };
    bool PrepareTables(int32_t n);
    // Windows the samples into work and transforms them.
    void Transform(const short* samples, int32_t n);
    const float* Cosines(CosineTable& table, int32_t h, float step);

    TArray<short*> columns{256};
    float frameStep = 0.0f;
    int32_t frameSize = 0;
    std::vector<float> window;
    std::vector<float> work;
    int32_t tableSize = 0;
    CFFT transform;
    CosineTable columnCosines;  // factor pi / h (ComputeDbColumn)
    CosineTable pitchCosines;   // factor pi / n (EstimatePitch)
    int32_t gateSize = 0;
    bool gateOn = false;
    float gateLevels[kMaxNoiseGate] = {};
    std::vector<float> levels;    // per-bin dB values of the last column
    std::vector<float> cepstrum;
    std::vector<float> block;     // samples as floats for the LPC analysis
    CLpcAnalyzer lpc;
};

// 0, or 1 when memory runs out (then *out is null). Destroy the source with its Destroy.
int CreateSpectralDataSource(ISpectralDataSource** out);
