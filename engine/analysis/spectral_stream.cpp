// Feature frames: window, transform, filterbank, cepstra, energy, differences and the ring.
#include "engine/analysis/spectral_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/sdk_log.h"
#include "engine/audio/pcm_stream.h"
#include "platform/fp_guard.h"

CSpectralStream::CSpectralStream() = default;

CSpectralStream::~CSpectralStream() {
    CFuncTrace trace("CSpectralStream::~CSpectralStream");
    Stop();
    ReleaseSource();
    bands.RemoveAll();
}

void CSpectralStream::ReleaseSource() {
    if (source) source->Release();
    source = nullptr;
}

int CSpectralStream::Init(CPCMStream* src, unsigned chan, int size, int overlap) {
    CFuncTrace trace("CSpectralStream::Init");
    if (src == nullptr) return kErrInvalidArgument;
    src->AddRef();
    ReleaseSource();
    source = src;
    channel = chan;
    minEnergy = 1e33f;
    maxEnergy = 0.0f;
    rate = static_cast<float>(source->GetRate()) / 65536.0f;
    windowSize = size;
    const int32_t log2 = IsPowerOfTwoLog2(size);
    if (log2 < 0 || size > kMaxFeatureWindow || overlap < 0 || overlap >= size) {
        return kErrInvalidArgument;
    }
    log2Size = log2;
    windowOverlap = overlap;
    hop = size - overlap;
    try {
        window.assign(static_cast<size_t>(size), 0.0f);
        samples.assign(static_cast<size_t>(size) * 3 + 8192, 0.0f);
    } catch (const std::bad_alloc&) {
        window.clear();
        samples.clear();
        return kErrOutOfMemory;
    }
    // Hamming window with the single-precision constants 25/46 and 21/46.
    const float a = 0.54347825f;
    const float b = 0.45652175f;
    const double pi = 4.0 * std::atan(1.0);
    for (int i = 0; i < size; ++i) {
        window[i] = a - b * static_cast<float>(std::cos(2.0 * pi * i / (size - 1)));
    }
    std::memset(meanSpectrum, 0, sizeof(meanSpectrum));
    needFill = 1;
    meanDone = 0;
    previousSample = 0.0f;
    filterbankRate = -1.0f;
    return 0;
}

int CSpectralStream::Init2(CPCMStream* src, unsigned chan, const CFeatureConfig* config) {
    CFuncTrace trace("CSpectralStream::Init2");
    if (config == nullptr) return kErrInvalidArgument;
    const int rc = Init(src, chan, config->windowSize, config->windowOverlap);
    if (rc != 0) return rc;
    if (config->bands.count > 0) {
        bands.RemoveAll();
        bands.growBy = config->bands.count;
        if (!bands.Reserve(config->bands.count)) return kErrOutOfMemory;
        for (int i = 0; i < config->bands.count; ++i) bands.Append(config->bands.data[i]);
    }
    numFeatures = config->numFeatures;
    num_cep = config->num_cep;
    flags = config->flags;
    appendEnergy = (numFeatures % 2 == 1 && numFeatures != 39) ? 0 : 1;
    needFill = 1;
    meanDone = 0;
    previousSample = 0.0f;
    if (num_cep < 1 || num_cep + 1 > kMaxCepstralVector || numFeatures < 1 ||
        numFeatures > kMaxFeatureCount) {
        return kErrInvalidArgument;
    }
    return 0;
}

int CSpectralStream::Restart() {
    CFuncTrace trace("CSpectralStream::Restart");
    previousSample = 0.0f;
    needFill = 1;
    meanDone = 0;
    vectorLength = 0;
    ringCount = 0;
    minEnergy = 1e33f;
    maxEnergy = 0.0f;
    if (source == nullptr) return kErrInvalidArgument;
    rate = static_cast<float>(source->GetRate()) / 65536.0f;
    return source->Start();
}

int CSpectralStream::Stop() {
    CFuncTrace trace("CSpectralStream::Stop");
    window.clear();
    window.shrink_to_fit();
    samples.clear();
    samples.shrink_to_fit();
    spectrum.clear();
    spectrum.shrink_to_fit();
    std::memset(ring, 0, sizeof(ring));
    std::memset(ringEnergy, 0, sizeof(ringEnergy));
    vectorLength = 0;
    return 0;
}

unsigned CSpectralStream::GetFrameCount() {
    if (source == nullptr || hop <= 0) return 0;
    return std::min(maxFrames, source->GetFrameCount() / static_cast<unsigned>(hop));
}

void CSpectralStream::GetWindow(int* size, int* overlap) {
    if (size) *size = windowSize;
    if (overlap) *overlap = windowOverlap;
}

float CSpectralStream::GetSampleRate() {
    return source ? static_cast<float>(source->GetRate()) / 65536.0f : 0.0f;
}

void CSpectralStream::GetEnergyRange(float* min, float* max) {
    if (min) *min = minEnergy;
    if (max) *max = maxEnergy;
}

int CSpectralStream::ReadSamples(float* out, int count) {
    // A short read is padded with zeros: past the end the windows fill with silence.
    int got = 0;
    while (got < count) {
        unsigned frames = static_cast<unsigned>(count - got);
        const int rc = source->ReadChannelFloat(out + got, &frames, channel);
        if (rc != 0) return rc;
        if (frames == 0) break;
        got += static_cast<int>(std::min<unsigned>(frames, static_cast<unsigned>(count - got)));
    }
    std::fill(out + got, out + count, 0.0f);
    return 0;
}

int CSpectralStream::ReadHop() {
    if (source == nullptr || samples.empty()) return kErrInvalidArgument;
    if (needFill) {
        if (!meanDone) {
            const int rc = ComputeSpectralMean(progress);
            if (rc != 0) return rc;
        }
        const int rc = ReadSamples(samples.data() + hop, windowOverlap);
        if (rc != 0) return rc;
        needFill = 0;
    }
    std::memmove(samples.data(), samples.data() + hop, sizeof(float) * windowOverlap);
    return ReadSamples(samples.data() + windowOverlap, hop);
}

int CSpectralStream::FillFrame(float* out, float* energyDb) {
    const int rc = ReadHop();
    if (rc != 0) return rc;
    if (energyDb) {
        const float db = ComputeEnergyDb(samples.data() + windowOverlap / 2, &previousSample, hop);
        *energyDb = db > 0.0f ? db : 0.0f;
    }
    for (int i = 0; i < windowSize; ++i) out[i] = window[i] * samples[i];
    CFloatingPointGuard guard;
    fft.RealTransform(out, windowSize);
    return 0;
}

int CSpectralStream::ComputeFrame(float* out, int numCep, float* energy) {
    if (spectrum.empty()) {
        try {
            spectrum.assign(static_cast<size_t>(windowSize) * 2, 0.0f);
        } catch (const std::bad_alloc&) {
            return kErrOutOfMemory;
        }
    }
    float energyDb = 0.0f;
    const int rc = FillFrame(spectrum.data(), &energyDb);
    if (rc != 0) return rc;

    // Power spectrum in place: P[k] = |X[k]|^2 / N lands at index k (never ahead of what is still
    // to be read); the Nyquist term is taken out of index 1 first.
    const int n = windowSize;
    const int half = n / 2;
    float* s = spectrum.data();
    const float nyquist = s[1];
    double total = 0.0;
    const float dc = s[0];
    double mag = static_cast<double>(dc) * dc;
    total += mag;
    s[0] = static_cast<float>(mag / n);
    for (int k = 1; k < half; ++k) {
        const double re = s[2 * k];
        const double im = s[2 * k + 1];
        mag = re * re + im * im;
        total += mag;
        s[k] = static_cast<float>(mag / n);
    }
    mag = static_cast<double>(nyquist) * nyquist;
    total += mag;
    s[half] = static_cast<float>(mag / n);
    const double e = total / (static_cast<double>(half) * half);

    if (filterbankRate != rate || filterbank.BandCount() != bands.count) {
        filterbank.Build(half, rate, bands.data, bands.count);
        filterbankRate = rate;
        bandValues.assign(static_cast<size_t>(bands.count), 0.0f);
    }
    cosine.Build(bands.count, numCep);
    filterbank.Apply(s, bandValues.data());
    cosine.Apply(bandValues.data(), out);

    const float magnitude = static_cast<float>(std::sqrt(e));
    const float value = (options & kObservationEnergyInDb) ? energyDb : magnitude;
    if (energy) *energy = value;
    if (value > maxEnergy && magnitude < 10000.0f) maxEnergy = value;
    if (value < minEnergy) minEnergy = value;
    if (appendEnergy) out[numCep] = 0.05f * energyDb;
    return 0;
}

int CSpectralStream::ReadFrameWithDifferences(float* out, int numCep, float* energy) {
    // The three levels are worked out in a vector of 3 D values and then packed; the caller's
    // buffer receives exactly numFeatures values.
    float work[3 * kMaxCepstralVector] = {};
    const int rc = ComputeFrame(work, numCep, energy);
    if (rc != 0) return rc;
    const int d = numCep + appendEnergy;
    if (d != vectorLength) {
        vectorLength = d;
        std::memset(previousLevels, 0, sizeof(previousLevels));
        std::memset(olderLevels, 0, sizeof(olderLevels));
        std::memcpy(previousLevels[0], work, sizeof(float) * d);
        std::memcpy(olderLevels[0], work, sizeof(float) * d);
    }
    // Each difference spans two frames: x[t] - x[t-2].
    for (int level = 0; level < 2; ++level) {
        float* current = work + level * d;
        float* next = work + (level + 1) * d;
        for (int i = 0; i < d; ++i) next[i] = current[i] - olderLevels[level][i];
        std::memcpy(olderLevels[level], previousLevels[level], sizeof(float) * d);
        std::memcpy(previousLevels[level], current, sizeof(float) * d);
    }

    float packed[kMaxFeatureCount] = {};
    const int keep = (flags & kFeatureFlagKeepLastCepstrum) ? numCep : numCep - 1;
    int pos = 0;
    for (int i = 1; i < keep; ++i) packed[pos++] = work[i];
    for (int i = 0; i < numCep; ++i) packed[pos++] = work[d + i];
    for (int i = 0; i < numCep; ++i) packed[pos++] = work[2 * d + i];
    if (appendEnergy) {
        packed[3 * d - 4] = work[numCep];
        packed[3 * d - 3] = work[d + numCep];
        packed[3 * d - 2] = work[2 * d + numCep];
    }
    std::memcpy(out, packed, sizeof(float) * numFeatures);
    return 0;
}

int CSpectralStream::ReadFrameFromRing(float* out, int numCep, float* energy) {
    if (numCep != vectorLength) {
        vectorLength = numCep;
        for (int slot = 0; slot < 5; ++slot) {
            const int rc = ComputeFrame(ring[slot], numCep, &ringEnergy[slot]);
            if (rc != 0) {
                vectorLength = 0;
                return rc;
            }
        }
        ringCount = 0;
    } else if (ringCount > 2) {
        std::memmove(ring[0], ring[1], sizeof(ring[0]) * 4);
        std::memmove(ringEnergy, ringEnergy + 1, sizeof(float) * 4);
        const int rc = ComputeFrame(ring[4], numCep, &ringEnergy[4]);
        if (rc != 0) return rc;
        // The newest frame also replaces slot 3: the models were trained on this sequence.
        std::memcpy(ring[3], ring[4], sizeof(ring[3]));
        ringEnergy[3] = ringEnergy[4];
    }

    float packed[kMaxFeatureCount] = {};
    if (appendEnergy) {
        packed[0] = ring[2][numCep];
        for (int i = 1; i < numCep; ++i) packed[i] = ring[2][i];
        for (int i = 0; i < numCep; ++i) packed[numCep + i] = ring[4][i] - ring[0][i];
    } else {
        for (int i = 1; i < numCep; ++i) packed[i - 1] = ring[2][i];
        for (int i = 0; i < numCep; ++i) packed[numCep - 1 + i] = ring[4][i] - ring[0][i];
    }
    std::memcpy(out, packed, sizeof(float) * numFeatures);
    if (energy) *energy = ringEnergy[2];
    ++ringCount;
    return 0;
}

int CSpectralStream::ReadFrame(float* features, float* energy) {
    if (features == nullptr || source == nullptr || samples.empty()) return kErrInvalidArgument;
    // The mean pass runs before the first frame, while no frame history exists yet, so the
    // restart it ends with cannot disturb a half-filled history.
    if (needFill && !meanDone) {
        const int rc = ComputeSpectralMean(progress);
        if (rc != 0) return rc;
    }
    float scratchEnergy = 0.0f;
    if (energy == nullptr) energy = &scratchEnergy;
    if (numFeatures < 35) return ReadFrameFromRing(features, num_cep, energy);
    return ReadFrameWithDifferences(features, num_cep, energy);
}

int CSpectralStream::ComputeSpectralMean(CProgress* sink) {
    if (!(flags & kFeatureFlagSpectralMean)) {
        meanDone = 1;
        return 0;
    }
    // Marked done before the pass: its own frame reads must not start it again.
    meanDone = 1;
    if (sink) sink->SetStatusText("Calculating Spectral Mean...");
    const unsigned count = GetFrameCount();
    const int half = windowSize / 2;
    std::vector<double> sum(static_cast<size_t>(half), 0.0);
    float vector[3 * kMaxCepstralVector];
    int rc = 0;
    for (unsigned frame = 0; frame < count; ++frame) {
        if (sink && frame % 1000 == 0 &&
            sink->Progress(static_cast<int>(frame), static_cast<int>(count))) {
            rc = kErrCancelled;
            break;
        }
        float energy = 0.0f;
        rc = ComputeFrame(vector, num_cep, &energy);
        if (rc != 0) break;
        for (int k = 0; k < half; ++k) sum[k] += spectrum[k] / static_cast<double>(count);
    }
    if (rc == 0) {
        for (int k = 0; k < half; ++k) meanSpectrum[k] = static_cast<float>(sum[k]);
        if (sink) sink->SetStatusText("Recognizing...");
        rc = Restart();
    }
    meanDone = 1;
    return rc;
}
