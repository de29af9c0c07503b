// Sample conversion of the file readers: wider integers, floats and companded bytes to 16 bits.
#include "engine/audio/stored_samples.h"

#include <cstring>

namespace {

int16_t FromALaw(unsigned char byte) {
    const unsigned a = byte ^ 0x55u;
    int t = static_cast<int>((a & 0x0F) << 4);
    const unsigned segment = (a & 0x70) >> 4;
    if (segment == 0) t += 8;
    else t = (t + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}

int16_t FromMuLaw(unsigned char byte) {
    const unsigned u = ~byte & 0xFFu;
    const int t = static_cast<int>(((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}

int16_t FromFloat(double v) {
    v *= 32768.0;
    if (!(v > -32768.0)) return v != v ? 0 : -32768;  // NaN reads as silence
    if (v >= 32767.0) return 32767;
    return static_cast<int16_t>(v);
}

// The stored bytes of one sample, least significant first.
uint64_t LoadUnsigned(const unsigned char* p, unsigned n, bool bigEndian) {
    uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i) v |= static_cast<uint64_t>(p[bigEndian ? n - 1 - i : i]) << (8 * i);
    return v;
}

}  // namespace

unsigned StoredSamples::BytesPerSample() const {
    switch (coding) {
    case SampleCoding::kSigned16: return 2;
    case SampleCoding::kSigned24: return 3;
    case SampleCoding::kSigned32:
    case SampleCoding::kFloat32: return 4;
    case SampleCoding::kFloat64: return 8;
    default: return 1;
    }
}

bool StoredSamples::Converts() const {
    if (coding == SampleCoding::kUnsigned8) return false;
    return coding != SampleCoding::kSigned16 || bigEndian;
}

void StoredSamples::ConvertTo16(const unsigned char* in, size_t count, int16_t* out) const {
    const unsigned n = BytesPerSample();
    for (size_t i = 0; i < count; ++i, in += n) {
        switch (coding) {
        case SampleCoding::kUnsigned8: out[i] = static_cast<int16_t>((*in - 128) * 256); break;
        case SampleCoding::kALaw: out[i] = FromALaw(*in); break;
        case SampleCoding::kMuLaw: out[i] = FromMuLaw(*in); break;
        case SampleCoding::kSigned16:
        case SampleCoding::kSigned24:
        case SampleCoding::kSigned32:
            // The top 16 bits: samples narrower than their container are stored left-justified.
            out[i] =
                static_cast<int16_t>(static_cast<uint16_t>(LoadUnsigned(in, n, bigEndian) >> (8 * (n - 2))));
            break;
        case SampleCoding::kFloat32: {
            const uint32_t bits = static_cast<uint32_t>(LoadUnsigned(in, 4, bigEndian));
            float f;
            std::memcpy(&f, &bits, 4);
            out[i] = FromFloat(f);
            break;
        }
        case SampleCoding::kFloat64: {
            const uint64_t bits = LoadUnsigned(in, 8, bigEndian);
            double d;
            std::memcpy(&d, &bits, 8);
            out[i] = FromFloat(d);
            break;
        }
        }
    }
}
