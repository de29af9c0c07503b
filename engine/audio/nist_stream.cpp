// NIST sphere reader: parses the text header's integer and string fields and reads the samples
// behind it in the byte order and coding the header gives.
#include "engine/audio/nist_stream.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/audio/pcm_format.h"

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

    // Fields that are present must be readable as they are: a value out of range is refused,
    // not replaced by a guess that would play the file at the wrong speed or as noise.
    long long channels = 1, rate = 16000, bytesPerSample = 2, count = -1;
    if (IntField(text, "channel_count", &channels) && (channels < 1 || channels > 0xFFFF)) {
        return fail(kErrBadData);
    }
    if (IntField(text, "sample_rate", &rate) && (rate < 1 || rate > kMaxFileRateHz)) {
        return fail(kErrBadData);
    }
    const bool sizeGiven = IntField(text, "sample_n_bytes", &bytesPerSample);
    if (IntField(text, "sample_count", &count) && count < 0) count = 0;

    std::string coding = "pcm";
    StringField(text, "sample_coding", &coding);
    if (coding == "pcm") {
        switch (bytesPerSample) {
        case 1: stored.coding = SampleCoding::kUnsigned8; break;
        case 2: stored.coding = SampleCoding::kSigned16; break;
        case 3: stored.coding = SampleCoding::kSigned24; break;
        case 4: stored.coding = SampleCoding::kSigned32; break;
        default: return fail(kErrBadData);
        }
    } else if (coding == "ulaw" || coding == "mu-law" || coding == "alaw") {
        if (sizeGiven && bytesPerSample != 1) return fail(kErrBadData);
        bytesPerSample = 1;
        stored.coding = coding == "alaw" ? SampleCoding::kALaw : SampleCoding::kMuLaw;
    } else {
        // Packed (shortened) or other compressed samples would be read as noise.
        return fail(kErrCompressedWav);
    }
    // "01", "0123": lowest byte first; "10", "3210": highest first.
    std::string order;
    stored.bigEndian = StringField(text, "sample_byte_format", &order) && order.size() >= 2 &&
                       order.front() > order.back();

    SetRateHz(static_cast<uint32_t>(rate));
    format.bitsPerSample = static_cast<uint16_t>(stored.OutputBits());
    format.channels = static_cast<uint16_t>(channels);
    bytesPerFrame = stored.OutputBits() / 8u * static_cast<uint32_t>(channels);
    dataStart = static_cast<int32_t>(headerSize);
    // The sample count is bounded by the bytes that follow the header; without one, those bytes
    // are the samples.
    const long long storedFrameBytes = bytesPerSample * channels;
    const long long presentFrames = (fileSize - headerSize) / storedFrameBytes;
    long long frames = count < 0 || count > presentFrames ? presentFrames : count;
    const long long maxFrames = 0xFFFFFFFFLL / bytesPerFrame;
    if (frames > maxFrames) frames = maxFrames;
    frameCount = static_cast<uint32_t>(frames);
    byteLength = frameCount * bytesPerFrame;
    storedLength = static_cast<uint64_t>(frames) * static_cast<uint64_t>(storedFrameBytes);
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
    if (cur < dataStart) {
        *frames = 0;
        return cur < 0 ? kErrBadData : 0;
    }
    const bool ok =
        ReadStoredFrames(stored, format.channels, static_cast<uint64_t>(cur - dataStart), storedLength, raw,
                         buffer, frames, [this](unsigned char* into, long n) -> long {
                             const size_t got = std::fread(into, 1, static_cast<size_t>(n), file);
                             if (got < static_cast<size_t>(n) && std::ferror(file)) {
                                 std::clearerr(file);
                                 return -1;
                             }
                             return static_cast<long>(got);
                         });
    return ok ? 0 : kErrBadData;
}
