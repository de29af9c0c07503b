// Numeric helpers shared by the feature pipeline and the display analysis: block energy in
// decibels, the triangular filterbank, the power-of-two test and the unscaled cosine transform.
#pragma once

#include <cstdint>
#include <vector>

// One filterbank band as the feature configuration stores it: edges and centre in Hz, and a fourth
// value that is kept and written back but never read.
struct FeatureBand {
    float low;
    float centre;
    float high;
    float extra;
};

// E = sum of the squared first differences of x[0 .. n-1], with *previous as the sample before the
// first; *previous becomes x[n-1]. E is raised to at least n; the result is 10 log10(E / n) + 0.5.
float ComputeEnergyDb(const float* x, float* previous, int32_t n);

// The weight of the bin at frequency f in a band. A bin on a band's low edge takes the falling
// weight, not 0: the models were trained that way.
float TriangularBandWeight(float f, const FeatureBand& band);

// For each band: S = sum of weight x spectrum[k] over the bins it covers, W = sum of the weights;
// out = log10(S / W) when S / W >= 1, else 0. A band that covers no bin (W = 0) gives 0. Bin k lies
// at k x rate / (2 bins); spectrum holds bins + 1 values (bin `bins` is the Nyquist bin, reached
// only by a band whose top edge is above it).
void ApplyTriangularFilterbank(const float* spectrum, int32_t bins, float rate,
                               const FeatureBand* bands, int32_t count, float* out);

// log2(n) for a power of two of at least 2; otherwise the negative of the smallest power of two
// (at least 2) that exceeds n.
int32_t IsPowerOfTwoLog2(int32_t n);

// The filterbank with its bin ranges and weights worked out once, for the per-frame path. Gives the
// same values as ApplyTriangularFilterbank for the same arguments.
class CTriangularFilterbank {
public:
    void Build(int32_t bins, float rate, const FeatureBand* bands, int32_t count);
    void Apply(const float* spectrum, float* out) const;
    int32_t BandCount() const { return static_cast<int32_t>(first_.size()); }

private:
    std::vector<int32_t> first_;   // first bin of each band
    std::vector<int32_t> offset_;  // start of each band's weights in weights_; one extra entry
    std::vector<float> weights_;
};

// Unscaled cosine transform: c[k] = sum_j x[j] cos(pi k (j + 0.5) / M), k = 0 .. numOut-1, so c[0]
// is the plain sum of the M inputs. The table is built once per size.
class CCosineTransform {
public:
    void Build(int32_t numIn, int32_t numOut);
    void Apply(const float* x, float* c) const;
    int32_t InputCount() const { return numIn_; }
    int32_t OutputCount() const { return numOut_; }

private:
    int32_t numIn_ = 0;
    int32_t numOut_ = 0;
    bool built_ = false;
    std::vector<float> table_;  // numOut rows of numIn cosines
};
