// Little-endian reading and writing of the binary head files (compiled character packs, binary
// .x files). The reader never reads past its bytes: every call says whether the bytes were there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class byte_reader {
public:
    byte_reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Remaining() const { return size_ - pos_; }
    std::size_t Position() const { return pos_; }
    bool AtEnd() const { return pos_ == size_; }

    bool ReadU16(uint16_t& v) {
        if (Remaining() < 2) return false;
        v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool ReadU32(uint32_t& v) {
        if (Remaining() < 4) return false;
        v = static_cast<uint32_t>(data_[pos_]) | (static_cast<uint32_t>(data_[pos_ + 1]) << 8) |
            (static_cast<uint32_t>(data_[pos_ + 2]) << 16) | (static_cast<uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return true;
    }
    bool ReadI32(int32_t& v) {
        uint32_t u;
        if (!ReadU32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool ReadF32(float& v) {
        uint32_t u;
        if (!ReadU32(u)) return false;
        std::memcpy(&v, &u, 4);
        return true;
    }
    bool ReadF64(double& v) {
        uint32_t lo, hi;
        if (!ReadU32(lo) || !ReadU32(hi)) return false;
        const uint64_t u = (static_cast<uint64_t>(hi) << 32) | lo;
        std::memcpy(&v, &u, 8);
        return true;
    }
    // A pointer to the next n bytes, skipped; null when fewer remain.
    const unsigned char* Take(std::size_t n) {
        if (Remaining() < n) return nullptr;
        const unsigned char* p = data_ + pos_;
        pos_ += n;
        return p;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class byte_writer {
public:
    void WriteU16(uint16_t v) {
        bytes_.push_back(static_cast<unsigned char>(v));
        bytes_.push_back(static_cast<unsigned char>(v >> 8));
    }
    void WriteU32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
    void WriteI32(int32_t v) { WriteU32(static_cast<uint32_t>(v)); }
    void WriteF32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        WriteU32(u);
    }
    void WriteBytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
    }
    // A length-prefixed text without terminator.
    void WriteText(const std::string& text) {
        WriteI32(static_cast<int32_t>(text.size()));
        WriteBytes(text.data(), text.size());
    }
    std::vector<unsigned char>& Bytes() { return bytes_; }

private:
    std::vector<unsigned char> bytes_;
};
