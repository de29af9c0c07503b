// Test support for the audio tests: temporary folders, WAV and NIST files built byte by byte,
// generated signals and a small spectrum and correlation toolkit.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/audio/pcm_stream.h"

namespace audio_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "murmurex_audio_XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void PutU16(std::vector<unsigned char>& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void PutU32(std::vector<unsigned char>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
inline void PutTag(std::vector<unsigned char>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(tag[i]));
}

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        unsigned char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

// The parts of a WAVE file; tests change single fields to make malformed files.
struct WavSpec {
    unsigned formatTag = 1;
    unsigned channels = 1;
    uint32_t rate = 16000;
    unsigned bits = 16;
    int blockAlign = -1;       // -1: bits / 8 x channels
    unsigned fmtSize = 16;     // 14 writes the old block without bits per sample
    int64_t dataSize = -1;     // -1: the size of the samples
    bool junkBeforeData = false;
    // Extensible blocks (tag 0xFFFE, fmtSize >= 40): the sub-format's tag, and whether the rest
    // of its identifier is the standard one.
    unsigned extensibleSubFormat = 1;
    bool extensibleGuidTail = true;
};

inline std::vector<unsigned char> BuildWav(const WavSpec& s, const std::vector<unsigned char>& samples) {
    std::vector<unsigned char> fmt;
    PutU16(fmt, s.formatTag);
    PutU16(fmt, s.channels);
    PutU32(fmt, s.rate);
    const unsigned align = s.blockAlign >= 0 ? static_cast<unsigned>(s.blockAlign) : s.bits / 8 * s.channels;
    PutU32(fmt, s.rate * align);
    PutU16(fmt, align);
    PutU16(fmt, s.bits);
    if (s.formatTag == 0xFFFE && s.fmtSize >= 40) {
        PutU16(fmt, 22);      // extension size
        PutU16(fmt, s.bits);  // valid bits
        PutU32(fmt, 0);       // speaker mask
        PutU16(fmt, s.extensibleSubFormat);
        const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        for (unsigned char b : tail) fmt.push_back(s.extensibleGuidTail ? b : 0x42);
    }
    while (fmt.size() < s.fmtSize) fmt.push_back(0);
    fmt.resize(s.fmtSize);

    std::vector<unsigned char> body;
    PutTag(body, "WAVE");
    PutTag(body, "fmt ");
    PutU32(body, s.fmtSize);
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (s.fmtSize & 1) body.push_back(0);
    if (s.junkBeforeData) {
        PutTag(body, "LIST");
        PutU32(body, 5);
        body.insert(body.end(), {'I', 'N', 'F', 'O', 'x', 0});  // odd size, padded
    }
    PutTag(body, "data");
    PutU32(body, s.dataSize >= 0 ? static_cast<uint32_t>(s.dataSize) : static_cast<uint32_t>(samples.size()));
    body.insert(body.end(), samples.begin(), samples.end());

    std::vector<unsigned char> file;
    PutTag(file, "RIFF");
    PutU32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// Interleaved 16-bit samples as little-endian bytes.
inline std::vector<unsigned char> Pcm16(const std::vector<int16_t>& samples) {
    std::vector<unsigned char> b;
    for (int16_t v : samples) PutU16(b, static_cast<uint16_t>(v));
    return b;
}

// A NIST sphere file: the header fields text padded to headerSize, then the sample bytes.
inline std::vector<unsigned char> BuildNist(const std::string& fields, const std::vector<unsigned char>& samples,
                                            int headerSize = 1024) {
    std::string header = "NIST_1A\n" + std::string(3, ' ') + std::to_string(headerSize) + "\n";
    header.resize(16, ' ');
    header += fields + "end_head\n";
    if (static_cast<int>(header.size()) < headerSize) header.resize(headerSize, ' ');
    std::vector<unsigned char> file(header.begin(), header.end());
    file.insert(file.end(), samples.begin(), samples.end());
    return file;
}

// frames x channels interleaved samples: channel c holds a sine of freqs[c] Hz at amplitude.
inline std::vector<int16_t> Tones(unsigned rate, unsigned frames, const std::vector<double>& freqs,
                                  double amplitude = 12000.0) {
    std::vector<int16_t> out;
    out.reserve(static_cast<size_t>(frames) * freqs.size());
    for (unsigned n = 0; n < frames; ++n)
        for (double f : freqs)
            out.push_back(static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * f * n / rate))));
    return out;
}

// frames mono samples: the sum of sines given as (Hz, amplitude), rounded.
inline std::vector<int16_t> Partials(unsigned rate, unsigned frames,
                                     const std::vector<std::pair<double, double>>& partials) {
    std::vector<int16_t> out(frames);
    for (unsigned n = 0; n < frames; ++n) {
        double v = 0.0;
        for (auto [hz, amplitude] : partials) v += amplitude * std::sin(2 * M_PI * hz * n / rate);
        out[n] = static_cast<int16_t>(std::lround(v));
    }
    return out;
}

// A mono 16-bit WAVE file of the samples.
inline bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate = 16000) {
    WavSpec spec;
    spec.rate = rate;
    return WriteBytes(path, BuildWav(spec, Pcm16(samples)));
}

// The chirp of the encoded fixtures (testdata/audio/make_fixtures.sh): left channel.
inline double FixtureChirp(double t) { return 0.5 * std::sin(2 * M_PI * (200 * t + (3000 - 200) * t * t / 2)); }

// Magnitudes of the first n (a power of two) samples' spectrum, bins 0 .. n/2.
inline std::vector<double> Spectrum(const std::vector<double>& x, size_t n) {
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < n && i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / n);  // Hann
        a[i] = x[i] * w;
    }
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> wl = std::polar(1.0, -2 * M_PI / len);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; ++k, w *= wl) {
                const auto u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> mag(n / 2 + 1);
    for (size_t i = 0; i < mag.size(); ++i) mag[i] = std::abs(a[i]);
    return mag;
}

inline size_t PeakBin(const std::vector<double>& mag) {
    size_t best = 1;
    for (size_t i = 1; i < mag.size(); ++i)
        if (mag[i] > mag[best]) best = i;
    return best;
}

// The best normalised correlation of y against x over lags 0..maxLag (y delayed), and the lag.
inline double BestCorrelation(const std::vector<double>& x, const std::vector<double>& y, int maxLag, int* lagOut) {
    double best = -2;
    int bestLag = 0;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double sxy = 0, sxx = 0, syy = 0;
        for (size_t i = 0; i < x.size() && i + lag < y.size(); ++i) {
            sxy += x[i] * y[i + lag];
            sxx += x[i] * x[i];
            syy += y[i + lag] * y[i + lag];
        }
        const double r = sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
        if (r > best) {
            best = r;
            bestLag = lag;
        }
    }
    if (lagOut) *lagOut = bestLag;
    return best;
}

// unique_ptr deleter for reference-counted streams.
struct Releaser {
    void operator()(CRefCounted* p) const {
        if (p) p->Release();
    }
};
template <typename T>
using Ref = std::unique_ptr<T, Releaser>;

// A mono 16-bit stream over samples held in memory; may fail after a number of reads.
class MemoryStream : public CPCMStream {
public:
    MemoryStream(unsigned rateHz, std::vector<float> v) : values(std::move(v)) {
        format = {rateHz << 16, 16, 1};
        bytesPerFrame = 2;
        frameCount = static_cast<uint32_t>(values.size());
        byteLength = frameCount * 2;
    }
    int Start() override {
        pos = 0;
        return 0;
    }
    int Read(void* buffer, unsigned* frames) override {
        std::vector<float> f(*frames);
        const int rc = ReadChannelFloat(f.data(), frames, 1);
        for (unsigned i = 0; i < *frames; ++i) static_cast<short*>(buffer)[i] = static_cast<short>(f[i]);
        return rc;
    }
    // Floats straight from the vector, so tests can feed values beyond the 16-bit range.
    int ReadChannelFloat(float* buffer, unsigned* frames, unsigned) override {
        if (failAtRead >= 0 && reads++ >= failAtRead) {
            *frames = 0;
            return kErrBadData;
        }
        unsigned n = 0;
        while (n < *frames && pos < values.size()) buffer[n++] = values[pos++];
        *frames = n;
        return 0;
    }
    std::vector<float> values;
    size_t pos = 0;
    int failAtRead = -1;
    int reads = 0;
};

}  // namespace audio_test
