// In-place real FFT of the feature pipeline and the display analysis; the spectral stream and the
// spectral data source transform each analysis window through it.
#pragma once

// The transform keeps no tables: twiddle factors come from a trigonometric recurrence started once
// per stage, so the numbers are those the acoustic models were trained with. One thread at a time.
class CFFT {
public:
    virtual ~CFFT() = default;

    // Real FFT of n floats (n a power of two, at least 4) in place. The result is packed: element 0
    // holds the DC term, element 1 the Nyquist term, elements 2k and 2k + 1 the real and imaginary
    // parts of bin k for 0 < k < n / 2. Returns false (data untouched) for another n.
    bool RealTransform(float* data, int n) const;

    // The complex transform of n complex values (2n floats, re/im interleaved), n a power of two.
    static void ComplexTransform(float* data, int n);
};
