// The feature settings an acoustic model carries (its "taef" chunk): sample rate, pre-emphasis,
// window, filterbank bands, cepstra and layout. The spectral stream computes features from them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>

#include "engine/analysis/spectral_helpers.h"
#include "engine/util/t_array.h"

// Option bits of CFeatureConfig::flags.
constexpr int32_t kFeatureFlagKeepLastCepstrum = 4;  // 35-or-more layout keeps one more static
constexpr int32_t kFeatureFlagSpectralMean = 8;      // whole-file mean-spectrum pass first

// One owner at a time; no lock.
class CFeatureConfig {
public:
    CFeatureConfig();
    CFeatureConfig(const CFeatureConfig& other);
    CFeatureConfig& operator=(const CFeatureConfig& other);
    virtual ~CFeatureConfig() = default;

    // Reads the chunk at the cursor: the tag "taef" and a 16-bit version (0 or 1), or, without the
    // tag, an old chunk of version 0 that starts with the sample rate and has no flags. Returns the
    // success of the last value read; false for a version above 1 or a band count that is negative
    // or larger than the bytes remaining could hold.
    virtual bool Read(const unsigned char** cursor, unsigned* remaining);
    // Writes the chunk with version 1; false when a write fails.
    virtual bool Write(FILE* file) const;
    // The text dump used by the model's dump ("feat", one "name: value" line per field).
    void Dump(std::ostream& out) const;

    // Replaces the bands by copies of count records.
    bool SetBands(const FeatureBand* records, int32_t count);
    // Milliseconds from one frame's start to the next's: the window minus its overlap.
    double FramePeriodMs() const { return (windowSize - windowOverlap) / samplerate * 1000.0; }

    float samplerate = 16000.0f;
    float preemphasis = 0.0f;
    int32_t windowSize = 512;
    int32_t windowOverlap = 352;
    int32_t numBands = 0;
    TArray<FeatureBand> bands{4};
    int32_t num_cep = 8;
    int32_t numFeatures = 15;
    int32_t flags = 0;
};

// The chunk's tag "taef" as the little-endian 32-bit value the file holds.
constexpr int32_t kFeatureChunkTag = 't' | ('a' << 8) | ('e' << 16) | ('f' << 24);

// The two standard feature layouts: 38 features (12 cepstra from 23 mel-spaced bands between 69
// and 7839 Hz, with first and second differences and the energy terms, flags 4) and 15 features
// (8 cepstra from 24 bands between 70 and 8000 Hz, with two-frame differences). Both at 16 kHz,
// pre-emphasis 0.2, window 512, overlap 352. False for any other count.
bool MakeStandardFeatureConfig(int32_t numFeatures, CFeatureConfig* out);
