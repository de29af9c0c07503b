// NIST sphere reader: parses the text header's integer and string fields and reads the samples
// behind it, swapping bytes when the header says they are stored high byte first.
#include "engine/audio/nist_stream.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/api/error_codes.h"

namespace {

const char* SkipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// Reads a decimal number (optional sign) at p; false when there are no digits.
bool ParseDecimal(const char* p, long long* value) {
    p = SkipBlanks(p);
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    long long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (v < (1LL << 40)) v = v * 10 + (*p - '0');  // saturate far beyond any useful value
        ++p;
    }
    *value = negative ? -v : v;
    return true;
}

// The value of an integer field "name -i value"; false when the field is missing or of
// another type.
bool IntField(const char* header, const char* name, long long* value) {
    const char* p = std::strstr(header, name);
    if (!p) return false;
    p = std::strchr(p, '-');
    if (!p || p[1] != 'i') return false;
    return ParseDecimal(p + 2, value);
}

// The value of a string field "name -sN value" (N characters); false when it is missing,
// of another type or shorter than it says.
bool StringField(const char* header, const char* name, std::string* value) {
    const char* p = std::strstr(header, name);
    if (!p) return false;
    p = std::strchr(p, '-');
    if (!p || p[1] != 's') return false;
    char* end = nullptr;
    const long length = std::strtol(p + 2, &end, 10);
    if (end == p + 2 || length <= 0 || length > 256) return false;
    p = SkipBlanks(end);
    if (std::strlen(p) < static_cast<size_t>(length)) return false;
    value->assign(p, static_cast<size_t>(length));
    return true;
}

constexpr long long kMaxHeaderBytes = 1 << 20;

}  // namespace

CNistStream::~CNistStream() { Close(); }

int CNistStream::Close() {
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    return 0;
}

int CNistStream::Open(const char* path) {
    Close();
    file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return kErrFileNotFound;
    auto fail = [this](int rc) {
        Close();
        return rc;
    };

    char start[17] = {};
    if (std::fread(start, 1, 16, file) != 16 || std::memcmp(start, "NIST_1A", 7) != 0) {
        return fail(kErrBadData);
    }
    long long headerSize = 0;
    if (!ParseDecimal(start + 8, &headerSize) || headerSize < 16) return fail(kErrBadData);
    long fileSize = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) fileSize = std::ftell(file);
    if (fileSize < 0 || headerSize > fileSize || headerSize > kMaxHeaderBytes ||
        std::fseek(file, 16, SEEK_SET) != 0) {
        return fail(kErrBadData);
    }
    std::vector<char> header(static_cast<size_t>(headerSize - 16) + 1, '\0');
    const size_t rest = static_cast<size_t>(headerSize - 16);
    if (std::fread(header.data(), 1, rest, file) != rest) return fail(kErrBadData);
    const char* text = header.data();

    long long channels = 1, rate = 16000, bytesPerSample = 2, count = 2;
    if (IntField(text, "channel_count", &channels)) {
        if (channels == 0) return fail(kErrBadData);
        if (channels < 1 || channels > 2) channels = 1;
    }
    if (IntField(text, "sample_rate", &rate)) {
        if (rate == 0) return fail(kErrBadData);
        if (rate < 0 || rate > 48000) rate = 16000;
    }
    if (IntField(text, "sample_n_bytes", &bytesPerSample) && bytesPerSample != 1 &&
        bytesPerSample != 2) {
        bytesPerSample = 2;
    }
    IntField(text, "sample_count", &count);
    if (count < 0) count = 0;

    std::string coding;
    // Companded or packed samples would be read as noise: refuse them as compressed audio.
    if (StringField(text, "sample_coding", &coding) && coding != "pcm") {
        return fail(kErrCompressedWav);
    }
    std::string order;
    bigEndian = StringField(text, "sample_byte_format", &order) && order == "10";

    format.sampleRate = static_cast<uint32_t>(rate) << 16;
    format.bitsPerSample = static_cast<uint16_t>(bytesPerSample * 8);
    format.channels = static_cast<uint16_t>(channels);
    bytesPerFrame = static_cast<uint32_t>(bytesPerSample * channels);
    dataStart = static_cast<int32_t>(headerSize);
    // The sample count is bounded by the bytes that follow the header.
    long long bytes = count * bytesPerFrame;
    const long long present = fileSize - headerSize;
    if (bytes > present) bytes = present - present % bytesPerFrame;
    const long long maxBytes = 0xFFFFFFFFLL - 0xFFFFFFFFLL % bytesPerFrame;
    if (bytes > maxBytes) bytes = maxBytes;
    byteLength = static_cast<uint32_t>(bytes);
    frameCount = byteLength / bytesPerFrame;
    return 0;
}

int CNistStream::Start() {
    if (!file || std::fseek(file, dataStart, SEEK_SET) != 0) return kErrBadData;
    return 0;
}

int CNistStream::Read(void* buffer, unsigned* frames) {
    if (!file || bytesPerFrame == 0) {
        *frames = 0;
        return kErrBadData;
    }
    const long cur = std::ftell(file);
    if (cur < 0) {
        *frames = 0;
        return kErrBadData;
    }
    const long long pos = static_cast<long long>(cur) - dataStart;
    if (pos < 0 || pos >= byteLength) {
        *frames = 0;
        return 0;
    }
    uint64_t want = static_cast<uint64_t>(*frames) * bytesPerFrame;
    const uint64_t left = static_cast<uint64_t>(byteLength - pos);
    if (want > left) want = left;
    const size_t got = std::fread(buffer, 1, static_cast<size_t>(want), file);
    if (got < want && std::ferror(file)) {
        std::clearerr(file);
        *frames = 0;
        return kErrBadData;
    }
    if (bigEndian && format.bitsPerSample == 16) {
        unsigned char* p = static_cast<unsigned char*>(buffer);
        for (size_t i = 0; i + 1 < got; i += 2) std::swap(p[i], p[i + 1]);
    }
    *frames = static_cast<unsigned>(got / bytesPerFrame);
    return 0;
}
