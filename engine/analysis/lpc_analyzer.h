// Linear-prediction analysis of one block of samples (autocorrelation, Levinson-Durbin, log-area
// ratios, residual); drawn by the LPC channels of the timeline and used by the spectral data source.
#pragma once

// Stateless; any thread. Allocates nothing: the working arrays are fixed-size locals.
class CLpcAnalyzer {
public:
    static constexpr int kMaxOrder = 29;

    virtual ~CLpcAnalyzer() = default;

    // Analyses x[0 .. n-1] at the given order. Each output may be null and is then skipped:
    // residual n values; predictor and reflection order + 1 values (coefficient i at index i, index 0
    // written as 0); logAreaRatios order values (ratio i at index i - 1). x[t] is predicted as the
    // sum of a[j] x[t - j]. Returns 0; 3 for an order above kMaxOrder, 2 for a negative order or
    // block length or a null block (nothing is written then).
    virtual int Analyze(const float* x, int n, int order, float* residual, float* predictor,
                        float* reflection, float* logAreaRatios);
};
