// A growing block of 16-bit samples for decoders that do not know their length in advance.
#pragma once

#include <cstddef>
#include <cstdint>

// Grows with realloc, which for large blocks remaps pages instead of copying them, so a whole
// decoded file needs about its own size at the peak, not twice that as a vector's
// reallocate-and-copy (or a final shrink-to-fit copy) would. One thread at a time.
class SampleBuffer {
public:
    SampleBuffer() = default;
    ~SampleBuffer();
    SampleBuffer(const SampleBuffer&) = delete;
    SampleBuffer& operator=(const SampleBuffer&) = delete;

    const int16_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Appends count samples; false (with the buffer unchanged) when memory runs out.
    bool Append(const int16_t* samples, size_t count);
    // Makes room for at least count samples in all; false when memory runs out.
    bool Reserve(size_t count);
    // Gives back the room beyond the samples held.
    void ShrinkToFit();
    // Drops every sample and frees the block.
    void Clear();

private:
    int16_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
