// Feature frames from a pre-emphasised PCM stream: Hamming window, real FFT, power spectrum,
// triangular filterbank, cosine transform, energy and frame differences; read by the recognisers.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/analysis/feature_config.h"
#include "engine/analysis/fft.h"
#include "engine/analysis/spectral_helpers.h"
#include "engine/util/t_array.h"

class CPCMStream;
class CProgress;

// Option bit of IObservationStream::SetOptions: the energy value is the decibel energy instead
// of the spectral magnitude.
constexpr int kObservationEnergyInDb = 2;

// The interface the recognisers read features through.
class IObservationStream {
public:
    virtual ~IObservationStream() = default;
    virtual unsigned GetFrameCount() = 0;
    // The next feature vector (exactly numFeatures floats are written) and its energy value.
    virtual int ReadFrame(float* features, float* energy) = 0;
    virtual void GetWindow(int* windowSize, int* windowOverlap) = 0;
    virtual float GetSampleRate() = 0;
    // The smallest and largest energy values delivered since the last start.
    virtual void GetEnergyRange(float* min, float* max) = 0;
    virtual void SetOptions(int options) = 0;
};

// Vectors hold at most this many values, so num_cep + 1 must not exceed it.
constexpr int kMaxCepstralVector = 20;
// The longest feature vector a configuration can ask for (statics and two levels of
// differences).
constexpr int kMaxFeatureCount = 3 * kMaxCepstralVector;
// The longest window: the mean spectrum holds half a window of bins.
constexpr int kMaxFeatureWindow = 4096;

// Created by the observation-stream factory and read frame by frame from the first, on one
// thread at a time; no lock. Holds one reference to its source.
class CSpectralStream : public IObservationStream {
public:
    CSpectralStream();
    ~CSpectralStream() override;
    CSpectralStream(const CSpectralStream&) = delete;
    CSpectralStream& operator=(const CSpectralStream&) = delete;

    unsigned GetFrameCount() override;
    int ReadFrame(float* features, float* energy) override;
    void GetWindow(int* windowSize, int* windowOverlap) override;
    float GetSampleRate() override;
    void GetEnergyRange(float* min, float* max) override;
    void SetOptions(int value) override { options = value; }

    // 0; 2 for a null source, a window size that is not a power of two (or above
    // kMaxFeatureWindow) or an overlap outside 0 .. windowSize - 1; 1 when memory runs out.
    virtual int Init(CPCMStream* source, unsigned channel, int windowSize, int windowOverlap);
    // Init with the configuration's window, then its bands and layout. Also 2 for a layout the
    // vectors cannot hold (num_cep outside 1 .. 19, numFeatures outside 1 .. 60).
    virtual int Init2(CPCMStream* source, unsigned channel, const CFeatureConfig* config);
    // Frees the buffers; the stream cannot be read afterwards.
    virtual int Stop();
    // Reads the next hop and leaves the windowed transform of the frame in out (N floats); the
    // decibel energy of the hop goes to energyDb when given.
    virtual int FillFrame(float* out, float* energyDb);
    // One frame's static vector: numCep cepstra, then the energy term when it is appended.
    virtual int ComputeFrame(float* out, int numCep, float* energy);
    virtual int ReadFrameWithDifferences(float* out, int numCep, float* energy);
    virtual int ReadFrameFromRing(float* out, int numCep, float* energy);
    // The whole-file mean power spectrum (only with flag 8); 5 when cancelled.
    virtual int ComputeSpectralMean(CProgress* progressSink);
    virtual int Restart();
    virtual void SetMaxFrames(unsigned count) { maxFrames = count; }
    virtual void SetProgress(CProgress* sink) { progress = sink; }
    virtual int ReadHop();

    int FeatureCount() const { return numFeatures; }
    const float* MeanSpectrum() const { return meanSpectrum; }

private:
    int ReadSamples(float* out, int count);
    void ReleaseSource();

    unsigned maxFrames = 0x7FFFFFFF;
    std::vector<float> window;
    int32_t windowSize = 512;
    int32_t log2Size = 9;
    int32_t windowOverlap = 256;
    int32_t hop = 256;
    std::vector<float> samples;
    CProgress* progress = nullptr;
    std::vector<float> spectrum;
    CPCMStream* source = nullptr;
    unsigned channel = 1;
    uint16_t needFill = 1;
    uint16_t meanDone = 0;
    float rate = 0.0f;
    CFFT fft;
    TArray<FeatureBand> bands{4};
    int32_t numFeatures = 15;
    int32_t flags = 0;
    int32_t options = 0;
    int32_t num_cep = 8;
    float ring[5][kMaxCepstralVector] = {};
    float ringEnergy[5] = {};
    float meanSpectrum[2048] = {};
    float minEnergy = 1e33f;
    float maxEnergy = 0.0f;
    float previousLevels[2][kMaxCepstralVector] = {};
    float olderLevels[2][kMaxCepstralVector] = {};
    int32_t vectorLength = 0;
    int32_t ringCount = 0;
    uint8_t appendEnergy = 1;
    float previousSample = 0.0f;

    // Worked out once per window size and rate, so a frame allocates and recomputes nothing.
    CTriangularFilterbank filterbank;
    float filterbankRate = -1.0f;
    CCosineTransform cosine;
    std::vector<float> bandValues;
};
