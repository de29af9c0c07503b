// In-place radix-2 FFT with the real-input split step.
#include "engine/analysis/fft.h"

#include <cmath>
#include <utility>

namespace {

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace

void CFFT::ComplexTransform(float* data, int n) {
    const int len = 2 * n;
    // Bit-reversal permutation of the complex values.
    for (int i = 0, j = 0; i < len; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        int m = n;
        while (m >= 2 && j >= m) {
            j -= m;
            m >>= 1;
        }
        j += m;
    }
    // Butterflies; the twiddle factor advances by w <- w + w (-2 sin^2(theta/2)) + i w sin(theta).
    for (int span = 2; span < len; span <<= 1) {
        const int step = span << 1;
        const double theta = 6.28318530717959 / span;
        const double s = std::sin(0.5 * theta);
        const double wpr = -2.0 * s * s;
        const double wpi = std::sin(theta);
        double wr = 1.0;
        double wi = 0.0;
        for (int m = 0; m < span; m += 2) {
            for (int i = m; i < len; i += step) {
                const int j = i + span;
                const float tr = static_cast<float>(wr * data[j] - wi * data[j + 1]);
                const float ti = static_cast<float>(wr * data[j + 1] + wi * data[j]);
                data[j] = data[i] - tr;
                data[j + 1] = data[i + 1] - ti;
                data[i] += tr;
                data[i + 1] += ti;
            }
            const double t = wr;
            wr = t * wpr - wi * wpi + wr;
            wi = wi * wpr + t * wpi + wi;
        }
    }
}

bool CFFT::RealTransform(float* data, int n) const {
    if (data == nullptr || n < 4 || !IsPowerOfTwo(n)) return false;
    const int half = n >> 1;
    ComplexTransform(data, half);
    // Split step: separates the transforms of the even and the odd samples.
    const double theta = 3.141592653589793 / half;
    const float c1 = 0.5f;
    const float c2 = -0.5f;
    const double s = std::sin(0.5 * theta);
    const double wpr = -2.0 * s * s;
    const double wpi = std::sin(theta);
    double wr = 1.0 + wpr;
    double wi = wpi;
    for (int i = 1; i < (n >> 2); ++i) {
        const int i1 = 2 * i;
        const int i2 = i1 + 1;
        const int i3 = n - i1;
        const int i4 = i3 + 1;
        const float h1r = c1 * (data[i1] + data[i3]);
        const float h1i = c1 * (data[i2] - data[i4]);
        const float h2r = -c2 * (data[i2] + data[i4]);
        const float h2i = c2 * (data[i1] - data[i3]);
        data[i1] = static_cast<float>(h1r + wr * h2r - wi * h2i);
        data[i2] = static_cast<float>(h1i + wr * h2i + wi * h2r);
        data[i3] = static_cast<float>(h1r - wr * h2r + wi * h2i);
        data[i4] = static_cast<float>(-h1i + wr * h2i + wi * h2r);
        const double t = wr;
        wr = t * wpr - wi * wpi + wr;
        wi = wi * wpr + t * wpi + wi;
    }
    const float h1r = data[0];
    data[0] = h1r + data[1];
    data[1] = h1r - data[1];
    return true;
}
