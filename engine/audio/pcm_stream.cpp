// Channel selection and sample conversion shared by every PCM stream stage.
#include "engine/audio/pcm_stream.h"

#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/util/mem_alloc.h"

namespace {

short ToSample16(float v) {
    if (!(v > -32768.0f)) return v != v ? 0 : -32768;  // NaN reads as silence
    if (v >= 32767.0f) return 32767;
    return static_cast<short>(v);  // truncation toward zero
}

}  // namespace

CPCMStream::~CPCMStream() { MemFree(scratch); }

int CPCMStream::GetFormat(PCMFormat* out) {
    if (out) *out = format;
    return 0;
}

uint32_t CPCMStream::GetRate() { return format.sampleRate; }
unsigned CPCMStream::GetBits() { return format.bitsPerSample; }
unsigned CPCMStream::GetFrameCount() { return frameCount; }
unsigned CPCMStream::GetByteLength() { return byteLength; }
int CPCMStream::Start() { return 0; }
int CPCMStream::Stop() { return 0; }

int CPCMStream::ReadChannelFloatAs16(short* buffer, unsigned* frames, unsigned channel) {
    std::vector<float> values;
    try {
        values.resize(*frames);
    } catch (const std::bad_alloc&) {
        *frames = 0;
        return kErrOutOfMemory;
    }
    const int rc = ReadChannelFloat(values.data(), frames, channel);
    for (unsigned i = 0; i < *frames; ++i) buffer[i] = ToSample16(values[i]);
    return rc;
}

bool CPCMStream::EnsureScratch(uint64_t bytes) {
    if (bytes <= static_cast<uint64_t>(scratchSize)) return true;
    MemFree(scratch);
    scratch = nullptr;
    scratchSize = 0;
    if (bytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
    scratch = static_cast<unsigned char*>(MemAlloc(static_cast<size_t>(bytes), 1));
    if (!scratch) return false;
    scratchSize = static_cast<int32_t>(bytes);
    return true;
}

void CPCMStream::SetRateHz(uint32_t hz) {
    // Rates beyond the 16.16 field read there as the highest rate it holds.
    wideRateHz = hz > 0xFFFF ? hz : 0;
    format.sampleRate = hz > 0xFFFF ? 0xFFFFFFFFu : hz << 16;
}

int CPCMStream::ReadChannel(void* buffer, unsigned* frames, unsigned channel) {
    if (format.channels <= 1 || channel == 0) return Read(buffer, frames);
    if (channel > format.channels) {
        *frames = 0;
        return kErrOutOfRange;
    }
    if (!EnsureScratch(static_cast<uint64_t>(*frames) * bytesPerFrame)) {
        *frames = 0;
        return kErrOutOfMemory;
    }
    const int rc = Read(scratch, frames);
    if (rc != 0) {
        *frames = 0;
        return rc;
    }
    const unsigned bytesPerSample = format.bitsPerSample / 8;
    const unsigned char* src = scratch + (channel - 1) * bytesPerSample;
    unsigned char* dst = static_cast<unsigned char*>(buffer);
    if (bytesPerSample == 2) {
        for (unsigned i = 0; i < *frames; ++i, src += bytesPerFrame, dst += 2) {
            dst[0] = src[0];
            dst[1] = src[1];
        }
    } else if (bytesPerSample == 1) {
        for (unsigned i = 0; i < *frames; ++i, src += bytesPerFrame) *dst++ = *src;
    }
    return 0;
}

int CPCMStream::ReadChannel16(short* buffer, unsigned* frames, unsigned channel) {
    const int rc = ReadChannel(buffer, frames, channel);
    if (rc == 0 && format.bitsPerSample == 8) {
        // Widen in place from the last sample so no byte is overwritten before it is read.
        const unsigned count = (channel == 0 ? format.channels : 1u) * *frames;
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(buffer);
        for (unsigned i = count; i-- > 0;) {
            buffer[i] = static_cast<short>((bytes[i] - 128) * 256);
        }
    }
    return rc;
}

int CPCMStream::ReadChannelFloat(float* buffer, unsigned* frames, unsigned channel) {
    if (channel > format.channels && format.channels > 1) {
        *frames = 0;
        return kErrOutOfRange;
    }
    if (!EnsureScratch(static_cast<uint64_t>(*frames) * bytesPerFrame)) {
        *frames = 0;
        return kErrOutOfMemory;
    }
    const int rc = Read(scratch, frames);
    if (rc != 0) {
        *frames = 0;
        return rc;
    }
    const unsigned channels = format.channels;
    unsigned first = 0, step = 1, count = *frames * channels;
    if (channel != 0 && channels > 1) {
        first = channel - 1;
        step = channels;
        count = *frames;
    } else if (channel != 0) {
        count = *frames;  // one channel: every sample
    }
    if (format.bitsPerSample == 16) {
        const unsigned char* p = scratch + 2 * first;
        for (unsigned i = 0; i < count; ++i, p += 2 * step) {
            buffer[i] = static_cast<float>(static_cast<int16_t>(p[0] | p[1] << 8));
        }
    } else if (format.bitsPerSample == 8) {
        const unsigned char* p = scratch + first;
        for (unsigned i = 0; i < count; ++i, p += step) {
            buffer[i] = static_cast<float>((*p - 128) * 256);
        }
    }
    return 0;
}
