// How a file reader's samples are stored (integer widths, floats, companded bytes, byte order)
// and their conversion to the engine's 16-bit samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class SampleCoding {
    kUnsigned8,  // offset binary, handed on as the engine's 8-bit samples
    kSigned16,
    kSigned24,
    kSigned32,
    kFloat32,  // full scale at +-1.0
    kFloat64,
    kALaw,
    kMuLaw,
};

struct StoredSamples {
    SampleCoding coding = SampleCoding::kSigned16;
    bool bigEndian = false;

    unsigned BytesPerSample() const;
    // True when the samples need converting; otherwise they are read as they are stored.
    bool Converts() const;
    // The sample width the engine sees: 8 for unsigned bytes, else 16.
    unsigned OutputBits() const { return coding == SampleCoding::kUnsigned8 ? 8u : 16u; }
    // Turns count stored samples into signed 16-bit ones (wider integers keep their top 16 bits,
    // floats are scaled and clamped, NaN is silence). in and out must not overlap.
    void ConvertTo16(const unsigned char* in, size_t count, int16_t* out) const;
};

// One Read of a file reader: up to *frames whole frames of the data stored from byte pos (counted
// from the first sample) up to byte total, pulled through read(destination, bytes), which gives
// the count read or -1. Converted frames pass through raw. *frames gets the frames delivered;
// false when read gives -1.
template <class ReadBytes>
bool ReadStoredFrames(const StoredSamples& stored, unsigned channels, uint64_t pos, uint64_t total,
                      std::vector<unsigned char>& raw, void* buffer, unsigned* frames, ReadBytes read) {
    const uint64_t frameBytes = static_cast<uint64_t>(stored.BytesPerSample()) * channels;
    uint64_t want = pos < total ? (total - pos) / frameBytes : 0;
    if (want > *frames) want = *frames;
    *frames = 0;
    if (want == 0) return true;
    const bool converts = stored.Converts();
    unsigned char* into = static_cast<unsigned char*>(buffer);
    if (converts) {
        raw.resize(static_cast<size_t>(want * frameBytes));
        into = raw.data();
    }
    const long got = read(into, static_cast<long>(want * frameBytes));
    if (got < 0) return false;
    *frames = static_cast<unsigned>(static_cast<uint64_t>(got) / frameBytes);
    if (converts)
        stored.ConvertTo16(raw.data(), static_cast<size_t>(*frames) * channels,
                           static_cast<int16_t*>(buffer));
    return true;
}
