// Growing sample block over realloc.
#include "engine/audio/sample_buffer.h"

#include <cstdlib>
#include <cstring>

SampleBuffer::~SampleBuffer() { std::free(data_); }

bool SampleBuffer::Reserve(size_t count) {
    if (count <= capacity_) return true;
    if (count > SIZE_MAX / sizeof(int16_t)) return false;
    void* grown = std::realloc(data_, count * sizeof(int16_t));
    if (!grown) return false;
    data_ = static_cast<int16_t*>(grown);
    capacity_ = count;
    return true;
}

bool SampleBuffer::Append(const int16_t* samples, size_t count) {
    if (count == 0) return true;
    if (count > SIZE_MAX / sizeof(int16_t) - size_) return false;
    if (size_ + count > capacity_) {
        // Half again as much each time keeps appends cheap; untouched room costs no memory.
        size_t want = capacity_ + capacity_ / 2;
        if (want < size_ + count) want = size_ + count;
        if (want < 4096) want = 4096;
        if (!Reserve(want) && !Reserve(size_ + count)) return false;
    }
    std::memcpy(data_ + size_, samples, count * sizeof(int16_t));
    size_ += count;
    return true;
}

void SampleBuffer::ShrinkToFit() {
    if (size_ == capacity_) return;
    if (size_ == 0) {
        Clear();
        return;
    }
    if (void* shrunk = std::realloc(data_, size_ * sizeof(int16_t))) {
        data_ = static_cast<int16_t*>(shrunk);
        capacity_ = size_;
    }
}

void SampleBuffer::Clear() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}
