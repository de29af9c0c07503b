// Byte-level input and output streams of the SWF library and the little-endian helpers.
#include "swf/flash_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string_view>

#include "engine/util/file_utils.h"
#include "platform/safe_save.h"

flash_istream::flash_istream(std::vector<uint8_t> bytes) : owned_(std::move(bytes)) {
    data_ = owned_.data();
    size_ = owned_.size();
}

size_t flash_istream::read(void* dst, size_t n) {
    size_t have = size_ - pos_;
    size_t take = n < have ? n : have;
    if (take) std::memcpy(dst, data_ + pos_, take);
    pos_ += take;
    if (take < n) miss(n - take);
    return take;
}

void flash_istream::ignore(uint64_t n) {
    uint64_t have = size_ - pos_;
    if (n > have) {
        pos_ = size_;
        miss(n - have);
    } else {
        pos_ += static_cast<size_t>(n);
    }
}

void flash_istream::ReplaceData(std::vector<uint8_t> bytes, size_t pos) {
    owned_ = std::move(bytes);
    data_ = owned_.data();
    size_ = owned_.size();
    pos_ = pos < size_ ? pos : size_;
}

flash_ifstream::flash_ifstream(const std::string& path, std::ios_base::openmode) {
    std::string text;
    if (!ReadRegularFile(path, kSwfMaxFileBytes, &text, &error_)) {
        setfail();
        return;
    }
    try {
        ReplaceData(std::vector<uint8_t>(text.begin(), text.end()), 0);
    } catch (const std::bad_alloc&) {
        error_ = path + ": there is not enough memory to read it";
        setfail();
    }
}

void flash_ostream::RequireCharacter(uint16_t id) {
    if (owner) owner->WriteCharacterOnce(id);
}

void flash_ostream::PutByte(uint8_t b) {
    if (pos_ == buf_.size()) {
        buf_.push_back(b);
        ++pos_;
    } else {
        write(&b, 1);
    }
}

void flash_ostream::write(const void* src, size_t n) {
    if (n == 0) return;
    const uint8_t* p = static_cast<const uint8_t*>(src);
    // Overwrite what lies after a moved-back position, append the rest.
    size_t over = pos_ < buf_.size() ? std::min(n, buf_.size() - pos_) : 0;
    if (over) std::memcpy(buf_.data() + pos_, p, over);
    if (over < n) buf_.insert(buf_.end(), p + over, p + n);
    pos_ += n;
}

std::vector<uint8_t> flash_ostream::TakeBytes() {
    std::vector<uint8_t> out;
    out.swap(buf_);
    pos_ = 0;
    return out;
}

flash_ofstream::~flash_ofstream() {
    if (!closed_) close();
}

bool flash_ofstream::close() {
    if (closed_) return good();
    closed_ = true;
    // A movie whose writing failed is not half-saved over the user's file.
    if (fail()) {
        error_ = "the SWF data could not be written completely";
        return false;
    }
    std::string_view bytes(reinterpret_cast<const char*>(buf_.data()), buf_.size());
    if (!SaveBytesSafely(path_, bytes, &error_)) setfail();
    return good();
}

uint8_t ReadU8(flash_istream& in) {
    int c = in.get();
    return c < 0 ? 0 : static_cast<uint8_t>(c);
}

uint16_t ReadU16(flash_istream& in) {
    uint8_t b[2] = {0, 0};
    in.read(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t ReadU32(flash_istream& in) {
    uint8_t b[4] = {0, 0, 0, 0};
    in.read(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

void WriteU8(flash_ostream& out, uint8_t v) { out.PutByte(v); }

void WriteU16(flash_ostream& out, uint16_t v) {
    uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    out.write(b, 2);
}

void WriteU32(flash_ostream& out, uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
    out.write(b, 4);
}

void ReadCString(flash_istream& in, std::string& s) {
    s.clear();
    for (int c = in.get(); c > 0; c = in.get()) s.push_back(static_cast<char>(c));
}

void ReadPString(flash_istream& in, std::string& s) {
    int n = ReadU8(in);
    for (int i = 0; i < n; ++i) {
        int c = in.get();
        if (c < 0) break;
        s.push_back(static_cast<char>(c));
    }
}

static size_t CStringLength(const std::string& s) {
    size_t n = s.find('\0');
    return n == std::string::npos ? s.size() : n;
}

void WriteCString(flash_ostream& out, const std::string& s) {
    out.write(s.data(), CStringLength(s));
    out.PutByte(0);
}

void WriteStringBytes(flash_ostream& out, const std::string& s) { out.write(s.data(), CStringLength(s)); }

void WritePString(flash_ostream& out, const std::string& s) {
    size_t n = s.size() % 256;
    out.PutByte(static_cast<uint8_t>(n));
    out.write(s.data(), n);
}

void WriteBytes(flash_ostream& out, const std::vector<uint8_t>& bytes) { out.write(bytes.data(), bytes.size()); }

void ReadBytes(flash_istream& in, uint64_t n, std::vector<uint8_t>& dst) {
    uint64_t take = n < in.remaining() ? n : in.remaining();
    size_t old = dst.size();
    dst.resize(old + static_cast<size_t>(take));
    if (take) in.read(dst.data() + old, static_cast<size_t>(take));
    if (take < n) in.ignore(n - take);  // records the missing bytes and fails the stream
}

void FlashDebugTrace(const char* text) {
    static const bool enabled = std::getenv("MURMUREX_SWF_TRACE") != nullptr;
    if (enabled) std::fputs(text, stderr);
}
