// Display analysis: dB columns, cepstral pitch, LPC envelopes, band levels and the noise gate.
#include "engine/analysis/spectral_data_source.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/api/entry_point.h"
#include "engine/api/progress.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/util/mem_alloc.h"
#include "platform/fp_guard.h"

namespace {

const float kTwoPi = 8.0f * std::atan(1.0f);
const float kPi = 4.0f * std::atan(1.0f);

bool ValidBlock(int32_t n) { return n >= 4 && IsPowerOfTwoLog2(n) > 0; }

}  // namespace

CSpectralDataSource::~CSpectralDataSource() { Clear(); }

void CSpectralDataSource::Destroy() { delete this; }

void CSpectralDataSource::Clear() {
    for (int i = 0; i < columns.count; ++i) MemFree(columns.data[i]);
    columns.RemoveAll();
}

short* CSpectralDataSource::GetFrameAt(int32_t sample, int32_t* frameStart) {
    if (columns.count == 0 || !(frameStep > 0.0f)) return nullptr;
    const int32_t i = static_cast<int32_t>(sample / frameStep);
    if (i < 0 || i >= columns.count) return nullptr;
    if (frameStart) *frameStart = static_cast<int32_t>(i * frameStep);
    return columns.data[i];
}

bool CSpectralDataSource::PrepareTables(int32_t n) {
    if (!ValidBlock(n)) return false;
    if (n == tableSize) return true;
    window.assign(static_cast<size_t>(n), 0.0f);
    work.assign(static_cast<size_t>(n), 0.0f);
    for (int32_t i = 0; i < n; ++i) {
        window[i] = 0.54f - 0.46f * std::cos(kTwoPi * static_cast<float>(i) / static_cast<float>(n - 1));
    }
    tableSize = n;
    return true;
}

void CSpectralDataSource::Transform(const short* samples, int32_t n) {
    for (int32_t i = 0; i < n; ++i) work[i] = samples[i] * window[i];
    transform.RealTransform(work.data(), n);
}

const float* CSpectralDataSource::Cosines(CosineTable& table, int32_t h, float step) {
    if (table.size != h) {
        table.values.assign(static_cast<size_t>(h) * h, 0.0f);
        for (int32_t j = 1; j < h; ++j) {
            for (int32_t i = 0; i < h; ++i) {
                table.values[static_cast<size_t>(j) * h + i] =
                    std::cos((static_cast<float>(i) + 0.5f) * static_cast<float>(j) * step);
            }
        }
        table.size = h;
    }
    return table.values.data();
}

float CSpectralDataSource::ComputeDbColumn(short* s, int32_t n, bool estimatePitch,
                                           int32_t* pitchOut) {
    if (pitchOut) *pitchOut = -1;
    if (s == nullptr || !PrepareTables(n)) return 0.0f;
    CFloatingPointGuard guard;
    Transform(s, n);
    const int32_t h = n / 2;
    const double h2 = static_cast<double>(h) * h;
    levels.resize(static_cast<size_t>(h) + 1);
    double total = 0.0;
    for (int32_t k = 0; k <= h; ++k) {
        const double re = k == h ? work[1] : work[2 * k];
        const double im = (k == 0 || k == h) ? 0.0 : work[2 * k + 1];
        const double power = re * re + im * im;
        total += power;
        const double p = power / h2;
        levels[k] = p >= 1.0 ? static_cast<float>(20.0 * std::log10(p)) : 0.0f;
        s[k] = static_cast<short>(std::min(2.0f * levels[k], 255.0f));
    }
    if (gateOn && gateSize == n) {
        for (int32_t k = 0; k < h; ++k) {
            if (s[k] <= gateLevels[k]) s[k] = 0;
        }
    }
    const double rms = std::sqrt(total);
    const float level = rms > 1.0 ? static_cast<float>(20.0 * std::log10(rms)) : 0.0f;

    if (estimatePitch) {
        const float* m = Cosines(columnCosines, h, kPi / static_cast<float>(h));
        cepstrum.assign(static_cast<size_t>(h), 0.0f);
        float best = 0.0f;
        float lowest = 0.0f;
        int32_t pitch = -1;
        bool first = true;
        for (int32_t j = 1; j < h; ++j) {
            double sum = 0.0;
            const float* row = m + static_cast<size_t>(j) * h;
            for (int32_t i = 0; i < h; ++i) sum += static_cast<double>(row[i]) * levels[i];
            float c = static_cast<float>(std::fabs(sum));
            if (j <= h / 20) c = 0.0f;
            cepstrum[j] = c;
            if (first || c < lowest) lowest = c;
            if (c > best) {
                best = c;
                pitch = j;
            }
            first = false;
        }
        const float range = best - lowest;
        const float scale = range > 255.0f ? 255.0f / range : 1.0f;
        for (int32_t j = 1; j < h; ++j) {
            s[h - 1 - j] = static_cast<short>((cepstrum[j] - lowest) * scale);
        }
        if (h - 10 > 40) {
            int32_t bestSum = 0;
            for (int32_t t = 30; t + 10 < h - 10; ++t) {
                int32_t sum = 0;
                for (int32_t i = t; i < t + 20; ++i) sum += s[i];
                if (sum > bestSum) {
                    bestSum = sum;
                    pitch = t + 10;
                }
            }
        }
        if (pitchOut) *pitchOut = pitch;
    }
    return level;
}

void CSpectralDataSource::ComputeLpcEnvelope(float* a, int32_t n) {
    if (a == nullptr || !PrepareTables(n)) return;
    CFloatingPointGuard guard;
    std::copy(a, a + n, work.begin());
    transform.RealTransform(work.data(), n);
    const int32_t h = n / 2;
    const float nyquist = work[1];
    for (int32_t k = 0; k <= h; ++k) {
        const double re = (k == h ? nyquist : work[2 * k]) / static_cast<double>(h);
        const double im = (k == 0 || k == h) ? 0.0 : work[2 * k + 1] / static_cast<double>(h);
        const double m = std::sqrt(re * re + im * im);
        double v = m == 0.0 ? 0.0 : 4.0 / m;
        v = v >= 1.0 ? 60.0 * std::log10(v) : 0.0;
        a[k] = static_cast<float>(std::min(v, 255.0));
    }
}

void CSpectralDataSource::AverageSpectrum(int32_t n, short* out, IMemoryPCMStream* stream,
                                          CProgress* progress) {
    if (out == nullptr || stream == nullptr || !ValidBlock(n)) return;
    if (progress) progress->SetStatusText("Analyzing audio...");
    const int32_t h = n / 2;
    const int32_t length = stream->GetFrameCount();
    std::vector<double> sum(static_cast<size_t>(n), 0.0);
    int32_t columnsRead = 0;
    for (int32_t p = 0; p < length; p += h) {
        int32_t count = n;
        std::fill(out, out + n, 0);
        if (stream->ReadFrames16(out, p, &count, 1) != 0) break;
        ComputeDbColumn(out, n, false, nullptr);
        for (int32_t k = 0; k < h; ++k) sum[k] += out[k];
        ++columnsRead;
    }
    // The mean column: each column weighs the same.
    for (int32_t k = 0; k < h; ++k) {
        out[k] = columnsRead > 0 ? static_cast<short>(sum[k] / columnsRead) : 0;
    }
}

void CSpectralDataSource::SetNoiseGate(bool on, const short* reference, int32_t n) {
    gateOn = on && reference != nullptr && n > 0 && n <= kMaxNoiseGate;
    if (!gateOn) {
        gateSize = 0;
        return;
    }
    gateSize = n;
    for (int32_t i = 0; i < n; ++i) gateLevels[i] = reference[i];
}

bool CSpectralDataSource::EstimatePitch(short* s, int32_t n, int32_t* pitchOut) {
    if (pitchOut) *pitchOut = -1;
    if (s == nullptr || !PrepareTables(n)) return false;
    CFloatingPointGuard guard;
    Transform(s, n);
    const int32_t h = n / 2;
    levels.assign(static_cast<size_t>(h) + 1, 0.0f);
    for (int32_t k = 0; k < h; ++k) {
        const double re = work[2 * k];
        const double im = k == 0 ? 0.0 : work[2 * k + 1];
        const double power = re * re + im * im;
        levels[k] = power >= 1.0 ? std::trunc(static_cast<float>(20.0 * std::log10(power))) : 0.0f;
    }
    const float* m = Cosines(pitchCosines, h, kPi / static_cast<float>(n));
    double best = 0.0;
    int32_t pitch = -1;
    for (int32_t j = std::max(h / 10, 1); j < h; ++j) {
        const float* row = m + static_cast<size_t>(j) * h;
        double c = 0.0;
        for (int32_t i = 0; i < h; ++i) c += static_cast<double>(row[i]) * levels[i];
        if (c > best) {
            best = c;
            pitch = j;
        }
    }
    if (pitchOut) *pitchOut = pitch;
    return pitch >= 0;
}

int32_t CSpectralDataSource::ComputeBandLevels(short* s, const FeatureBand* bands, int32_t count,
                                               int32_t n, float rate) {
    if (s == nullptr || bands == nullptr || count <= 0 || !PrepareTables(n)) return 0;
    count = std::min({count, kMaxBandLevels, n});
    CFloatingPointGuard guard;
    Transform(s, n);
    const int32_t h = n / 2;
    const float nyquist = work[1];
    // Magnitudes in place: bin k lands at index k, never ahead of what is still to be read.
    for (int32_t k = 0; k <= h; ++k) {
        const double re = (k == h ? nyquist : work[2 * k]) / static_cast<double>(h);
        const double im = (k == 0 || k == h) ? 0.0 : work[2 * k + 1] / static_cast<double>(h);
        work[k] = static_cast<float>(std::sqrt(re * re + im * im));
    }
    float bandLevels[kMaxBandLevels];
    ApplyTriangularFilterbank(work.data(), h, rate, bands, count, bandLevels);
    for (int32_t i = 1; i < count; ++i) s[i] = static_cast<short>(20.0f * bandLevels[i]);
    return count;
}

int CSpectralDataSource::ComputeLpcError(const short* samples, int32_t n, float* residual,
                                         int32_t order) {
    if (samples == nullptr || n < 0) return 2;
    block.assign(samples, samples + n);
    CFloatingPointGuard guard;
    return lpc.Analyze(block.data(), n, order, residual, nullptr, nullptr, nullptr);
}

int CreateSpectralDataSource(ISpectralDataSource** out) {
    ClearOut(out);
    if (out == nullptr) return 2;
    *out = new (std::nothrow) CSpectralDataSource;
    return *out ? 0 : 1;
}
