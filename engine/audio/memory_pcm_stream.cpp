// In-memory PCM audio: loading from engine or application streams, frame access, the range
// window, and the entry points that create them.
#include "engine/audio/memory_pcm_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/pcm_stream.h"
#include "engine/audio/resampled_pcm_stream.h"
#include "engine/util/mem_alloc.h"
#include "platform/fp_guard.h"

namespace {
// Loading reads a first block of 352 frames and then 160 at a time, so progress is reported and
// cancel is checked often.
constexpr unsigned kFirstLoadFrames = 352;
constexpr unsigned kLoadFrames = 160;
constexpr int kLoadBytes = 4128;
constexpr float kCutoffFactor = 0.8f;
constexpr int kCopyOutOfMemory = 7;
}  // namespace

CMemoryPCMStream::CMemoryPCMStream(const CMemoryPCMStream& other)
    : format(other.format),
      byteLength(other.byteLength),
      frameCount(other.frameCount),
      bytesPerFrame(other.bytesPerFrame) {
    if (other.data && other.byteLength > 0) {
        data = static_cast<unsigned char*>(MemAlloc(static_cast<size_t>(other.byteLength), 0));
        if (!data) throw std::runtime_error("Out of memory");
        std::memcpy(data, other.data, static_cast<size_t>(other.byteLength));
    }
}

CMemoryPCMStream::~CMemoryPCMStream() { MemFree(data); }

int CMemoryPCMStream::GetFormat(PCMFormat* out) {
    if (out) *out = format;
    return 0;
}
uint32_t CMemoryPCMStream::GetRate() { return format.sampleRate; }
int16_t CMemoryPCMStream::GetBits() { return static_cast<int16_t>(format.bitsPerSample); }
int CMemoryPCMStream::GetBytesPerFrame() { return bytesPerFrame; }
int CMemoryPCMStream::GetFrameCount() { return frameCount; }
int CMemoryPCMStream::GetByteLength() { return byteLength; }

double CMemoryPCMStream::FramesToMs(int frames) {
    const double hz = format.sampleRate / 65536.0;
    return hz > 0 ? frames / hz * 1000.0 : 0.0;
}

int CMemoryPCMStream::BytesToFrames(int bytes) { return bytesPerFrame > 0 ? bytes / bytesPerFrame : 0; }
// Conversions saturate at the int range: a huge time or count must not wrap into a negative one.
int CMemoryPCMStream::FramesToBytes(int frames) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{bytesPerFrame} * frames, INT32_MIN, INT32_MAX));
}
int CMemoryPCMStream::MsToFrames(int ms) {
    return static_cast<int>(std::clamp(format.sampleRate / 65536.0 * ms * 0.001, double{INT32_MIN}, double{INT32_MAX}));
}

int CMemoryPCMStream::ReadFrames(void* buffer, int start, int* count, int channel) {
    if (start < 0 || start >= frameCount || *count < 0 || channel < 0) {
        *count = 0;
        return kErrOutOfRange;
    }
    if (static_cast<int64_t>(start) + *count >= frameCount) *count = frameCount - start;
    const unsigned char* from = data + static_cast<size_t>(start) * bytesPerFrame;
    if (channel == 0 || format.channels <= 1) {
        std::memcpy(buffer, from, static_cast<size_t>(*count) * bytesPerFrame);
        return 0;
    }
    if (channel > format.channels) {
        *count = 0;
        return kErrOutOfRange;
    }
    const int bytesPerSample = format.bitsPerSample / 8;
    if (bytesPerSample != 1 && bytesPerSample != 2) return 0;
    from += (channel - 1) * bytesPerSample;
    unsigned char* to = static_cast<unsigned char*>(buffer);
    for (int i = 0; i < *count; ++i, from += bytesPerFrame, to += bytesPerSample) {
        std::memcpy(to, from, static_cast<size_t>(bytesPerSample));
    }
    return 0;
}

int CMemoryPCMStream::ReadFrames16(void* buffer, int start, int* count, int channel) {
    const int rc = ReadFrames(buffer, start, count, channel);
    if (rc == 0 && format.bitsPerSample == 8) {
        const int samples = *count * (channel == 0 ? format.channels : 1);
        const unsigned char* bytes = static_cast<const unsigned char*>(buffer);
        short* wide = static_cast<short*>(buffer);
        for (int i = samples; i-- > 0;) wide[i] = static_cast<short>((bytes[i] - 128) * 256);
    }
    return rc;
}

int CMemoryPCMStream::ReadFramesFloat(float* buffer, int start, int* count, int channel) {
    const int rc = ReadFrames16(buffer, start, count, channel);
    if (rc == 0) {
        const int samples = *count * (channel == 0 ? format.channels : 1);
        const short* narrow = reinterpret_cast<const short*>(buffer);
        // From the last sample back, so each short is read before its bytes are overwritten.
        for (int i = samples; i-- > 0;) {
            const short v = narrow[i];
            buffer[i] = static_cast<float>(v);
        }
    }
    return rc;
}

int CMemoryPCMStream::WriteFramesFromFloat(const float* samples, int start, int count) {
    if (format.bitsPerSample != 16 || format.channels != 1) return 6;
    if (start < 0 || count < 0 || static_cast<int64_t>(start) + count > frameCount) return kErrOutOfRange;
    for (int i = 0; i < count; ++i) {
        float v = samples[i];
        if (v != v) v = 0.0f;
        if (v > 32767.0f) v = 32767.0f;
        if (v < -32767.0f) v = -32767.0f;
        const int16_t s = static_cast<int16_t>(v);
        std::memcpy(data + 2 * (static_cast<size_t>(start) + i), &s, 2);
    }
    return 0;
}

void* CMemoryPCMStream::GetData() { return data; }

CMemoryPCMStream* CMemoryPCMStream::Clone() {
    try {
        return new CMemoryPCMStream(*this);
    } catch (...) {
        return nullptr;
    }
}

int CMemoryPCMStream::CopyFrom(const CMemoryPCMStream& other) {
    if (&other == this) return 0;
    // The new block is made before the old one goes, so a failed copy leaves this stream whole.
    unsigned char* copy = nullptr;
    if (other.data && other.byteLength > 0) {
        copy = static_cast<unsigned char*>(MemAlloc(static_cast<size_t>(other.byteLength), 0));
        if (!copy) return kCopyOutOfMemory;
        std::memcpy(copy, other.data, static_cast<size_t>(other.byteLength));
    }
    MemFree(data);
    data = copy;
    format = other.format;
    byteLength = other.byteLength;
    frameCount = other.frameCount;
    bytesPerFrame = other.bytesPerFrame;
    return 0;
}

void CMemoryPCMStream::Destroy() { delete this; }

bool CMemoryPCMStream::Allocate(const PCMFormat& fmt, int64_t bytes) {
    format = fmt;
    bytesPerFrame = fmt.bitsPerSample / 8 * fmt.channels;
    MemFree(data);
    data = nullptr;
    byteLength = frameCount = 0;
    if (bytes < 0 || bytes > INT_MAX) return false;
    // One byte at least, so a stream of no audio still has a block to point at.
    data = static_cast<unsigned char*>(MemAlloc(bytes > 0 ? static_cast<size_t>(bytes) : 1, 1));
    if (!data) return false;
    byteLength = static_cast<int32_t>(bytes);
    return true;
}

int CMemoryPCMStream::LoadFromStreamWithProgress(CPCMStream* source, CProgress* progress) {
    if (!source) return kErrInvalidArgument;
    PCMFormat fmt;
    source->GetFormat(&fmt);
    const int64_t frames = source->GetFrameCount();
    const int frameBytes = fmt.bitsPerSample / 8 * fmt.channels;
    if (!Allocate(fmt, frames * frameBytes)) return kErrOutOfMemory;
    frameCount = bytesPerFrame > 0 ? static_cast<int32_t>(frames) : 0;

    int rc = source->Start();
    bool cancelled = false;
    int done = 0;
    unsigned request = kFirstLoadFrames;
    while (rc == 0 && done < frameCount) {
        unsigned n = request;
        if (static_cast<int64_t>(n) > frameCount - done) n = static_cast<unsigned>(frameCount - done);
        request = kLoadFrames;
        rc = source->Read(data + static_cast<size_t>(done) * bytesPerFrame, &n);
        if (rc != 0 || n == 0) break;
        done += static_cast<int>(n);
        if (progress && progress->Progress(done, frameCount)) {
            cancelled = true;
            break;
        }
    }
    source->Stop();
    if (rc != 0 || cancelled) {
        byteLength = frameCount = 0;
    }
    // A cancel gives a valid, empty stream; a read error is reported.
    return rc;
}

int CMemoryPCMStream::LoadFromStream(IZuvoPCMStream* source, CProgress* progress) {
    if (!source) return kErrInvalidArgument;
    PCMFormat fmt;
    source->GetFormat(&fmt);
    const int length = source->GetLength();
    if (!Allocate(fmt, length > 0 ? length : 0)) return kErrOutOfMemory;
    frameCount = bytesPerFrame > 0 ? byteLength / bytesPerFrame : 0;

    int rc = source->Rewind();
    int done = 0;
    bool cancelled = false;
    while (rc == 0 && done < byteLength) {
        const int want = byteLength - done < kLoadBytes ? byteLength - done : kLoadBytes;
        const int got = source->Read(data + done, want);
        if (got < 0) rc = kErrBadData;
        if (got <= 0) break;
        done += got > want ? want : got;
        if (progress && progress->Progress(done, byteLength)) {
            cancelled = true;
            break;
        }
    }
    if (rc != 0 || cancelled) byteLength = frameCount = 0;
    return rc;
}

CMemoryPCMRangeStream::CMemoryPCMRangeStream(CMemoryPCMStream* src)
    : source(src), rangeLength(src ? src->GetByteLength() : 0) {}

int CMemoryPCMRangeStream::GetFormat(PCMFormat* out) {
    if (!source) {
        if (out) *out = PCMFormat{};
        return 0;
    }
    return source->GetFormat(out);
}

int CMemoryPCMRangeStream::GetLength() { return rangeLength; }

int CMemoryPCMRangeStream::Read(void* buffer, int bytes) {
    if (!source || bytes <= 0) return 0;
    // Never past the window: the recognisers must not see audio beyond the selection.
    const int left = rangeStart + rangeLength - position;
    if (left <= 0) return 0;
    if (bytes > left) bytes = left;
    int count = source->BytesToFrames(bytes);
    const int rc = source->ReadFrames(buffer, source->BytesToFrames(position), &count, 1);
    if (rc != 0) return 0;
    position += source->FramesToBytes(count);
    return source->FramesToBytes(count);
}

int CMemoryPCMRangeStream::Rewind() {
    position = rangeStart;
    return 0;
}

void CMemoryPCMRangeStream::SetRange(int start, int length) {
    const int total = source ? source->GetByteLength() : 0;
    rangeStart = start >= 0 && start < total ? start : 0;
    if (length < 0) length = 0;
    rangeLength = static_cast<int64_t>(rangeStart) + length <= total ? length : total - rangeStart;
}

void CMemoryPCMRangeStream::SetSource(CMemoryPCMStream* src) { source = src; }

void CMemoryPCMRangeStream::Destroy() { delete this; }

int CreateMemoryPCMStreamFromFile(const char* path, const PCMFormat* target, CProgress* progress,
                                  CMemoryPCMStream** out) {
    CFloatingPointGuard guard;
    if (!out) return kErrInvalidArgument;
    *out = nullptr;
    if (!path || !target || RateHz(*target) == 0) return kErrInvalidArgument;

    CPCMStream* file = nullptr;
    CResampledPCMStream* resampled = nullptr;
    CMemoryPCMStream* memory = nullptr;
    const int rc = RunEntryPoint(
        [&]() -> int {
            int code = CreateZuvoStreamFromFile(path, &file, progress);
            if (code != 0) return code;
            resampled = new CResampledPCMStream;
            code = resampled->Instantiate(file, target, 1, kCutoffFactor);
            if (code != 0) return code;
            memory = new (std::nothrow) CMemoryPCMStream;
            if (!memory) return kErrOutOfMemory;
            return memory->LoadFromStreamWithProgress(resampled, progress);
        },
        kErrOutOfMemory);
    if (resampled) resampled->Release();
    if (file) file->Release();
    *out = memory;
    return rc;
}

int CreateMemoryPCMRangeStream(CMemoryPCMStream* source, CMemoryPCMRangeStream** out) {
    if (!out) return kErrInvalidArgument;
    *out = nullptr;
    if (!source) return kErrInvalidArgument;
    *out = new (std::nothrow) CMemoryPCMRangeStream(source);
    return *out ? 0 : kErrOutOfMemory;
}

int DestroyMemoryPCMRangeStream(CMemoryPCMRangeStream* stream) {
    if (stream) stream->Destroy();
    return 0;
}
