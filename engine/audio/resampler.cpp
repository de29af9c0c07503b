// Polyphase windowed-sinc resampler: filter design and the four filtering paths (copy,
// decimation, interpolation, general rational ratio).
#include "engine/audio/resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/api/sdk_log.h"

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
// Taps of each sub-filter when upsampling or keeping the rate.
constexpr int kUpsamplingTaps = 71;
// Overall gain of the filter: a little headroom against overshoot on full-scale input.
constexpr double kFilterGain = 0.9;
}  // namespace

int CResampler::Reset() {
    std::fill(history_.begin(), history_.end(), 0.0f);
    head_ = 0;
    decimationCount_ = 0;
    pendingIn_.clear();
    pendingInPos_ = 0;
    pendingOut_.clear();
    pendingOutPos_ = 0;
    return 0;
}

int CResampler::Instantiate(unsigned in, unsigned out, float cutoffFactor) {
    CFuncTrace trace("CResampler::Instantiate", "%d %d", static_cast<int>(in), static_cast<int>(out));
    inRate = in;
    outRate = out;
    outOverIn = in ? static_cast<float>(out) / static_cast<float>(in) : 1.0f;
    inOverOut = out ? static_cast<float>(in) / static_cast<float>(out) : 1.0f;
    decimation = interpolation = 1;
    if (in != 0 && out != 0) {
        const unsigned g = std::gcd(in, out);
        interpolation = out / g;
        decimation = in / g;
    }

    double cutoff = 1.0;
    if (in != 0 && out != 0 && out < in) {
        cutoff = static_cast<double>(static_cast<float>(out) * cutoffFactor / static_cast<float>(in));
        const double t = static_cast<double>(in) * kPi /
                         (static_cast<double>(1.0f - cutoffFactor) * static_cast<double>(out));
        taps = static_cast<int32_t>(t) | 1;
    } else {
        taps = kUpsamplingTaps;
    }
    if (taps < 1) taps = 1;
    phases = interpolation;
    coefficientCount = static_cast<uint32_t>(taps) * interpolation;

    const unsigned n = coefficientCount;
    coefficients_.assign(n, 0.0f);
    const double step = cutoff * kPi / interpolation;
    const int half = static_cast<int>(n / 2);
    for (unsigned i = 0; i < n; ++i) {
        const double x = (static_cast<int>(i) - half) * step;
        const double s = x == 0.0 ? 1.0 : std::sin(x) / x;
        const double w = static_cast<double>(kTwoPi) * i / n;
        const double window = 0.35875 - 0.48829 * std::cos(w) + 0.14128 * std::cos(2 * w) -
                              0.01168 * std::cos(3 * w);
        coefficients_[(i % interpolation) * taps + i / interpolation] =
            static_cast<float>(s * (window * cutoff) * kFilterGain);
    }
    history_.assign(2 * static_cast<size_t>(taps), 0.0f);
    outTime = inTime = 0.0;
    outIndex = inIndex = consumed = 0;
    Reset();
    return 0;
}

inline void CResampler::Push(float x) {
    head_ = head_ == 0 ? taps - 1 : head_ - 1;
    history_[head_] = x;
    history_[head_ + taps] = x;
}

inline float CResampler::Dot(unsigned phase) const {
    const float* h = history_.data() + head_;
    const float* c = coefficients_.data() + static_cast<size_t>(phase) * taps;
    // Four running sums let the products overlap instead of waiting on one chain of adds.
    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    int j = 0;
    for (; j + 4 <= taps; j += 4) {
        s0 += h[j] * c[j];
        s1 += h[j + 1] * c[j + 1];
        s2 += h[j + 2] * c[j + 2];
        s3 += h[j + 3] * c[j + 3];
    }
    for (; j < taps; ++j) s0 += h[j] * c[j];
    return (s0 + s1) + (s2 + s3);
}

unsigned CResampler::Filter(float* out, const float* in, unsigned inCount, unsigned maxOut) {
    if (taps <= 0) return 0;  // not instantiated

    unsigned made = 0;
    // Outputs made by an earlier call that did not fit its caller's buffer come first.
    while (made < maxOut && pendingOutPos_ < pendingOut_.size()) out[made++] = pendingOut_[pendingOutPos_++];
    if (pendingOutPos_ == pendingOut_.size()) {
        pendingOut_.clear();
        pendingOutPos_ = 0;
    }

    // Inputs held over go before the new ones.
    const float* src = in;
    unsigned count = inCount;
    const bool fromPending = pendingInPos_ < pendingIn_.size();
    if (fromPending) {
        pendingIn_.erase(pendingIn_.begin(), pendingIn_.begin() + static_cast<long>(pendingInPos_));
        pendingInPos_ = 0;
        if (inCount) pendingIn_.insert(pendingIn_.end(), in, in + inCount);
        src = pendingIn_.data();
        count = static_cast<unsigned>(pendingIn_.size());
    }

    // Each path takes what fits the room left and reports in lastUsed_ how many inputs it took.
    float* dst = out + made;
    const unsigned room = maxOut - made;
    if (decimation == interpolation) made += FilterEqual(dst, src, count, room);
    else if (interpolation == 1) made += FilterDecimate(dst, src, count, room);
    else if (decimation == 1) made += FilterInterpolate(dst, src, count, room);
    else made += FilterGeneral(dst, src, count, room);
    const unsigned used = static_cast<unsigned>(lastUsed_);

    if (fromPending) {
        pendingInPos_ = used;
        if (pendingInPos_ == pendingIn_.size()) {
            pendingIn_.clear();
            pendingInPos_ = 0;
        }
    } else if (used < count) {
        pendingIn_.assign(src + used, src + count);
        pendingInPos_ = 0;
    }
    return made;
}

unsigned CResampler::FilterEqual(float* out, const float* in, unsigned inCount, unsigned maxOut) {
    const unsigned n = std::min(inCount, maxOut);
    std::copy(in, in + n, out);
    lastUsed_ = n;
    return n;
}

unsigned CResampler::FilterDecimate(float* out, const float* in, unsigned inCount, unsigned maxOut) {
    unsigned made = 0, i = 0;
    for (; i < inCount; ++i) {
        // The output phase follows the input count since the last reset, not the call, so the
        // result does not depend on how the input was split into reads.
        const bool emits = decimationCount_ % decimation == 0;
        if (emits && made == maxOut) break;
        Push(in[i]);
        ++decimationCount_;
        if (emits) out[made++] = Dot(0);
    }
    lastUsed_ = i;
    return made;
}

unsigned CResampler::FilterInterpolate(float* out, const float* in, unsigned inCount, unsigned maxOut) {
    unsigned made = 0, i = 0;
    for (; i < inCount && made < maxOut; ++i) {
        Push(in[i]);
        for (unsigned phase = 0; phase < interpolation; ++phase) {
            const float y = Dot(phase);
            // Every input makes L outputs; those beyond the caller's buffer wait for the next call.
            if (made < maxOut) out[made++] = y;
            else pendingOut_.push_back(y);
        }
    }
    lastUsed_ = i;
    return made;
}

unsigned CResampler::FilterGeneral(float* out, const float* in, unsigned inCount, unsigned maxOut) {
    unsigned made = 0, used = 0;
    const double inRateD = inRate, outRateD = outRate;
    const double phaseScale = static_cast<double>(interpolation - 1) * inRateD;
    while (used < inCount && made < maxOut) {
        outTime = outIndex / outRateD;
        const double pos = inRateD * outTime;
        inIndex = static_cast<uint32_t>(std::round(pos));
        inTime = inIndex / inRateD;
        if (inTime > outTime) {
            inIndex = static_cast<uint32_t>(pos);
            inTime = inIndex / inRateD;
        }
        long long phase = static_cast<long long>((outTime - inTime) * phaseScale);
        phase = std::clamp<long long>(phase, 0, interpolation - 1);

        unsigned n = inIndex > consumed ? inIndex - consumed : 0;
        n = std::min(n, inCount - used);
        for (unsigned k = 0; k < n; ++k) Push(in[used + k]);
        consumed += n;
        used += n;
        // The output is made only once the input after the chosen one has arrived; otherwise it
        // is made on the next call, from the inputs held over.
        if (used == inCount) break;
        out[made++] = Dot(static_cast<unsigned>(phase));
        ++outIndex;
    }
    lastUsed_ = used;
    return made;
}
