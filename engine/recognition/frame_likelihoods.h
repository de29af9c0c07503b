// The acoustic likelihoods of every model state for one feature frame, computed once per frame
// and state and scaled by the frame's best, so the searches never meet a likelihood that
// underflows. Used by the lattice searches and the textless searches.
#pragma once

#include <cstdint>
#include <vector>

class CAccousticHMM;

// One search at a time; no lock.
class CFrameLikelihoods {
public:
    // Takes the model's mixtures apart into flat tables. False when the model has no states or
    // no features.
    bool Init(const CAccousticHMM& model);

    // Computes every state's likelihood of the feature vector x (numFeatures values).
    void Compute(const float* x);

    // The state's likelihood divided by the frame's best: 1 for the best state, 0 only for a state
    // without usable mixtures. The same factor for every state of a frame, so paths compare as
    // they would with the plain likelihoods.
    double Scaled(int globalState) const { return scaled_[globalState]; }
    // Natural logarithm of Scaled; kNoLog for a state without usable mixtures.
    double LogScaled(int globalState) const { return logScaled_[globalState]; }
    // Natural logarithm of the plain likelihood of the frame's best state.
    double LogBest() const { return logBest_; }
    // out[g] = the likelihood of state g divided by exp (reference) for every state, where
    // reference is a LogScaled value (the searches pass the best state they can reach, so that
    // at least one of them is exactly 1).
    void ScaleTo(double reference, double* out) const;
    int StateCount() const { return stateCount_; }

    static constexpr double kNoLog = -1e300;

private:
    int stateCount_ = 0;
    int dim_ = 0;
    // Per mixture, state after state: means and precisions (dim each) and ln (weight x gConst).
    std::vector<double> means_;
    std::vector<double> precisions_;
    std::vector<double> logConst_;
    std::vector<int32_t> firstMixture_;  // stateCount + 1 offsets into the mixture tables
    std::vector<double> terms_;
    std::vector<double> x_;
    std::vector<double> scaled_;
    std::vector<double> logScaled_;
    double logBest_ = kNoLog;
};
