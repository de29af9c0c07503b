// Per-frame state likelihoods in the log domain, scaled by the frame's best state.
#include "engine/recognition/frame_likelihoods.h"

#include <algorithm>
#include <cmath>

#include "engine/recognition/acoustic_hmm.h"

bool CFrameLikelihoods::Init(const CAccousticHMM& model) {
    stateCount_ = model.StateCount();
    dim_ = model.features.numFeatures;
    if (stateCount_ <= 0 || dim_ <= 0 || model.models.size() < static_cast<size_t>(model.numModels)) {
        return false;
    }
    means_.clear();
    precisions_.clear();
    logConst_.clear();
    firstMixture_.assign(1, 0);
    for (int g = 0; g < stateCount_; ++g) {
        const AccModel& m = model.models[static_cast<size_t>(g / model.numStates)];
        if (static_cast<int>(m.states.size()) > g % model.numStates) {
            for (const AccMixture& mix : m.states[static_cast<size_t>(g % model.numStates)].mixtures) {
                const double c = mix.weight * mix.gConst;
                // A mixture that adds nothing to the sum is left out.
                if (!(c > 0.0) || !std::isfinite(c) || !mix.mean || !mix.precision) continue;
                logConst_.push_back(std::log(c));
                for (int d = 0; d < dim_; ++d) {
                    means_.push_back(mix.mean[d]);
                    precisions_.push_back(mix.precision[d]);
                }
            }
        }
        firstMixture_.push_back(static_cast<int32_t>(logConst_.size()));
    }
    terms_.assign(logConst_.size(), 0.0);
    x_.assign(static_cast<size_t>(dim_), 0.0);
    scaled_.assign(static_cast<size_t>(stateCount_), 0.0);
    logScaled_.assign(static_cast<size_t>(stateCount_), kNoLog);
    return true;
}

void CFrameLikelihoods::Compute(const float* x) {
    for (int d = 0; d < dim_; ++d) x_[static_cast<size_t>(d)] = x[d];
    const double* xv = x_.data();
    const size_t mixtures = logConst_.size();
    const double* mean = means_.data();
    const double* precision = precisions_.data();
    for (size_t k = 0; k < mixtures; ++k, mean += dim_, precision += dim_) {
        // Four partial sums keep the loop free of one long dependency chain.
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        int d = 0;
        for (; d + 4 <= dim_; d += 4) {
            const double a0 = xv[d] - mean[d], a1 = xv[d + 1] - mean[d + 1];
            const double a2 = xv[d + 2] - mean[d + 2], a3 = xv[d + 3] - mean[d + 3];
            s0 += precision[d] * a0 * a0;
            s1 += precision[d + 1] * a1 * a1;
            s2 += precision[d + 2] * a2 * a2;
            s3 += precision[d + 3] * a3 * a3;
        }
        for (; d < dim_; ++d) {
            const double a = xv[d] - mean[d];
            s0 += precision[d] * a * a;
        }
        terms_[k] = logConst_[k] - 0.5 * ((s0 + s1) + (s2 + s3));
    }
    logBest_ = kNoLog;
    for (int g = 0; g < stateCount_; ++g) {
        const int32_t a = firstMixture_[static_cast<size_t>(g)];
        const int32_t b = firstMixture_[static_cast<size_t>(g) + 1];
        double top = kNoLog;
        for (int32_t k = a; k < b; ++k) top = std::max(top, terms_[static_cast<size_t>(k)]);
        double value = kNoLog;
        if (a < b && std::isfinite(top)) {
            double sum = 0.0;
            for (int32_t k = a; k < b; ++k) {
                const double rel = terms_[static_cast<size_t>(k)] - top;
                // Beyond e^-60 a mixture no longer changes the double sum.
                if (rel > -60.0) sum += std::exp(rel);
            }
            value = top + std::log(sum);
        }
        logScaled_[static_cast<size_t>(g)] = value;
        if (value > logBest_) logBest_ = value;
    }
    for (int g = 0; g < stateCount_; ++g) {
        double& v = logScaled_[static_cast<size_t>(g)];
        if (v <= kNoLog) {
            scaled_[static_cast<size_t>(g)] = 0.0;
            continue;
        }
        v -= logBest_;
        scaled_[static_cast<size_t>(g)] = std::exp(v);
    }
}

void CFrameLikelihoods::ScaleTo(double reference, double* out) const {
    for (int g = 0; g < stateCount_; ++g) {
        const double v = logScaled_[static_cast<size_t>(g)];
        out[g] = v <= kNoLog ? 0.0 : std::exp(v - reference);
    }
}
