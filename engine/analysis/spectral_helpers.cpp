// Block energy, triangular filterbank, power-of-two test and cosine transform.
#include "engine/analysis/spectral_helpers.h"

#include <cmath>

float ComputeEnergyDb(const float* x, float* previous, int32_t n) {
    if (x == nullptr || previous == nullptr || n <= 0) return 0.5f;
    double e = 0.0;
    float prev = *previous;
    for (int32_t t = 0; t < n; ++t) {
        const double d = static_cast<double>(x[t]) - prev;
        e += d * d;
        prev = x[t];
    }
    *previous = x[n - 1];
    if (e < n) e = n;
    return static_cast<float>(10.0 * std::log10(e / n) + 0.5);
}

float TriangularBandWeight(float f, const FeatureBand& band) {
    if (f < band.low) return 0.0f;
    if (band.low < f && f < band.centre) return (f - band.low) / (band.centre - band.low);
    // A band whose centre is its top edge has no falling side; its low-edge bin weighs 0 rather
    // than dividing by zero.
    if (f < band.high && band.high != band.centre) {
        return (band.high - f) / (band.high - band.centre);
    }
    return 0.0f;
}

namespace {

// The bins a band covers: trunc(low / b) to trunc(high / b), kept inside 0 .. bins.
void BandBinRange(const FeatureBand& band, float binWidth, int32_t bins, int32_t* first,
                  int32_t* last) {
    double lo = std::trunc(static_cast<double>(band.low / binWidth));
    double hi = std::trunc(static_cast<double>(band.high / binWidth));
    // Kept inside 0 .. bins + 1 (an empty range past the top), also for NaN and infinite edges
    // from a rate of 0.
    if (!(lo >= 0.0)) lo = 0.0;
    if (lo > bins + 1.0) lo = bins + 1.0;
    if (!(hi <= bins)) hi = bins;
    *first = static_cast<int32_t>(lo);
    *last = hi < lo ? *first - 1 : static_cast<int32_t>(hi);
}

float BandValue(double s, double w) {
    if (w == 0.0) return 0.0f;
    const double ratio = s / w;
    return ratio >= 1.0 ? static_cast<float>(std::log10(ratio)) : 0.0f;
}

}  // namespace

void ApplyTriangularFilterbank(const float* spectrum, int32_t bins, float rate,
                               const FeatureBand* bands, int32_t count, float* out) {
    if (spectrum == nullptr || bands == nullptr || out == nullptr || bins <= 0) return;
    const float b = rate / (2.0f * static_cast<float>(bins));
    for (int32_t i = 0; i < count; ++i) {
        int32_t first = 0;
        int32_t last = -1;
        BandBinRange(bands[i], b, bins, &first, &last);
        double s = 0.0;
        double w = 0.0;
        for (int32_t k = first; k <= last; ++k) {
            const float weight = TriangularBandWeight(static_cast<float>(k) * b, bands[i]);
            s += static_cast<double>(weight) * spectrum[k];
            w += weight;
        }
        out[i] = BandValue(s, w);
    }
}

int32_t IsPowerOfTwoLog2(int32_t n) {
    if (n >= 2 && (n & (n - 1)) == 0) {
        int32_t log2 = 0;
        while ((1 << log2) < n) ++log2;
        return log2;
    }
    int64_t p = 2;
    while (p <= n) p <<= 1;
    return static_cast<int32_t>(-p);
}

void CTriangularFilterbank::Build(int32_t bins, float rate, const FeatureBand* bands,
                                  int32_t count) {
    first_.clear();
    offset_.assign(1, 0);
    weights_.clear();
    if (bins <= 0 || bands == nullptr || count <= 0) return;
    const float b = rate / (2.0f * static_cast<float>(bins));
    for (int32_t i = 0; i < count; ++i) {
        int32_t first = 0;
        int32_t last = -1;
        BandBinRange(bands[i], b, bins, &first, &last);
        first_.push_back(first);
        for (int32_t k = first; k <= last; ++k) {
            weights_.push_back(TriangularBandWeight(static_cast<float>(k) * b, bands[i]));
        }
        offset_.push_back(static_cast<int32_t>(weights_.size()));
    }
}

void CTriangularFilterbank::Apply(const float* spectrum, float* out) const {
    const int32_t count = BandCount();
    for (int32_t i = 0; i < count; ++i) {
        const float* w = weights_.data() + offset_[i];
        const float* x = spectrum + first_[i];
        const int32_t n = offset_[i + 1] - offset_[i];
        double s = 0.0;
        double sw = 0.0;
        for (int32_t k = 0; k < n; ++k) {
            s += static_cast<double>(w[k]) * x[k];
            sw += w[k];
        }
        out[i] = BandValue(s, sw);
    }
}

void CCosineTransform::Build(int32_t numIn, int32_t numOut) {
    if (built_ && numIn == numIn_ && numOut == numOut_) return;
    built_ = true;
    numIn_ = numIn > 0 ? numIn : 0;
    numOut_ = numOut > 0 ? numOut : 0;
    table_.assign(static_cast<size_t>(numIn_) * numOut_, 0.0f);
    const double pi = 4.0 * std::atan(1.0);
    for (int32_t k = 0; k < numOut_; ++k) {
        for (int32_t j = 0; j < numIn_; ++j) {
            table_[static_cast<size_t>(k) * numIn_ + j] =
                static_cast<float>(std::cos(pi * k * (j + 0.5) / numIn_));
        }
    }
}

void CCosineTransform::Apply(const float* x, float* c) const {
    for (int32_t k = 0; k < numOut_; ++k) {
        const float* row = table_.data() + static_cast<size_t>(k) * numIn_;
        double sum = 0.0;
        for (int32_t j = 0; j < numIn_; ++j) sum += static_cast<double>(row[j]) * x[j];
        c[k] = static_cast<float>(sum);
    }
}
