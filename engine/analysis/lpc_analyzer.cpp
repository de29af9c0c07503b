// Linear-prediction analysis by the autocorrelation method.
#include "engine/analysis/lpc_analyzer.h"

#include <cmath>

#include "engine/api/error_messages.h"

int CLpcAnalyzer::Analyze(const float* x, int n, int order, float* residual, float* predictor,
                          float* reflection, float* logAreaRatios) {
    if (order > kMaxOrder) return kErrOutOfRange;
    if (order < 0 || n < 0 || (x == nullptr && n > 0)) return kErrInvalidArgument;

    float r[kMaxOrder + 1] = {};
    float a[kMaxOrder + 1] = {};
    float previous[kMaxOrder + 1] = {};
    float k[kMaxOrder + 1] = {};

    for (int lag = 0; lag <= order; ++lag) {
        double sum = 0.0;
        for (int i = 0; i + lag < n; ++i) sum += static_cast<double>(x[i]) * x[i + lag];
        r[lag] = static_cast<float>(sum);
    }

    if (r[0] != 0.0f) {
        float e = r[0];
        for (int i = 1; i <= order; ++i) {
            // A block predicted exactly by the lower orders leaves no error to divide by: the
            // higher coefficients stay 0.
            if (!(e > 0.0f)) break;
            double acc = 0.0;
            for (int j = 1; j < i; ++j) acc += static_cast<double>(previous[j]) * r[i - j];
            k[i] = static_cast<float>((r[i] - acc) / e);
            a[i] = k[i];
            for (int j = 1; j < i; ++j) a[j] = previous[j] - k[i] * previous[i - j];
            e = (1.0f - k[i] * k[i]) * e;
            for (int j = 1; j <= i; ++j) previous[j] = a[j];
        }
    }

    if (predictor) {
        predictor[0] = 0.0f;
        for (int i = 1; i <= order; ++i) predictor[i] = a[i];
    }
    if (reflection) {
        reflection[0] = 0.0f;
        for (int i = 1; i <= order; ++i) reflection[i] = k[i];
    }
    if (logAreaRatios) {
        for (int i = 1; i <= order; ++i) {
            logAreaRatios[i - 1] = static_cast<float>(std::log((1.0 - k[i]) / (1.0 + k[i])));
        }
    }
    if (residual) {
        for (int t = 0; t < n && t <= order; ++t) residual[t] = 0.0f;
        for (int t = order + 1; t < n; ++t) {
            double sum = 0.0;
            for (int j = 1; j <= order; ++j) sum += static_cast<double>(a[j]) * x[t - j];
            residual[t] = static_cast<float>(x[t] - sum);
        }
    }
    return 0;
}
