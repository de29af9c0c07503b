// Resampled stream stage: reads floats of one source channel and runs them through the
// resampler, reading just enough input for the outputs asked for.
#include "engine/audio/resampled_pcm_stream.h"

#include <cmath>
#include <new>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"

namespace {
// Reads up to this many input frames use a buffer on the stack.
constexpr unsigned kStackFrames = 4096;
}  // namespace

CResampledPCMStream::~CResampledPCMStream() {
    if (source) source->Release();
}

int CResampledPCMStream::Instantiate(CPCMStream* src, const PCMFormat* target, unsigned ch,
                                     float cutoffFactor) {
    CFuncTrace trace("CResampledPCMStream::Instantiate");
    if (!src || !target) return kErrInvalidArgument;
    // The source's whole hertz, which for the file readers may be beyond the 16.16 field.
    const uint32_t srcRateHz = src->GetRateHz();
    if (srcRateHz == 0 || RateHz(*target) == 0) return kErrBadData;
    // A header claiming a handful of hertz would make a small file expand into gigabytes at the
    // target rate; no real recording is that slow.
    if (srcRateHz < kMinSourceRateHz) return kErrBadData;
    if (source) source->Release();
    source = src;
    source->AddRef();
    channel = ch == 0 ? 1 : ch;  // this stage always delivers one channel
    format.sampleRate = target->sampleRate;
    format.bitsPerSample = 16;
    format.channels = 1;
    resampler.Instantiate(srcRateHz, RateHz(*target), cutoffFactor);
    bytesPerFrame = 2;
    UpdateLength();
    return 0;
}

void CResampledPCMStream::UpdateLength() {
    if (!source) return;
    // The ratio is the single-precision one, so lengths match the filter's own bookkeeping.
    const double frames = std::ceil(static_cast<double>(source->GetFrameCount()) *
                                    static_cast<double>(resampler.OutOverIn()));
    frameCount = frames >= 2147483647.0 ? 2147483647u : static_cast<uint32_t>(frames);
    byteLength = frameCount * 2;
}

unsigned CResampledPCMStream::GetFrameCount() {
    UpdateLength();
    return frameCount;
}

unsigned CResampledPCMStream::GetByteLength() {
    UpdateLength();
    return byteLength;
}

int CResampledPCMStream::Start() {
    resampler.Reset();
    return source ? source->Start() : kErrInvalidArgument;
}

int CResampledPCMStream::Stop() { return source ? source->Stop() : 0; }

int CResampledPCMStream::Read(void* buffer, unsigned* frames) {
    return ReadChannel16(static_cast<short*>(buffer), frames, channel);
}

int CResampledPCMStream::ReadChannel(void* buffer, unsigned* frames, unsigned) {
    return ReadChannel16(static_cast<short*>(buffer), frames, channel);
}

int CResampledPCMStream::ReadChannel16(short* buffer, unsigned* frames, unsigned) {
    return ReadChannelFloatAs16(buffer, frames, channel);
}

int CResampledPCMStream::ReadChannelFloat(float* buffer, unsigned* frames, unsigned) {
    const unsigned n = *frames;
    *frames = 0;
    if (!source) return kErrInvalidArgument;

    // Inputs for the outputs asked for, less what the resampler still holds from the last call.
    const unsigned heldOut = resampler.PendingOutputs();
    const unsigned fresh = n > heldOut ? n - heldOut : 0;
    double need = std::ceil(static_cast<double>(static_cast<float>(fresh) * resampler.InOverOut()));
    need -= resampler.PendingInputs();
    const unsigned needFrames = need > 0 ? static_cast<unsigned>(need) : 0;

    float stackBuffer[kStackFrames];
    std::vector<float> heapBuffer;
    float* in = stackBuffer;
    if (needFrames > kStackFrames) {
        try {
            heapBuffer.resize(needFrames);
        } catch (const std::bad_alloc&) {
            return kErrOutOfMemory;
        }
        in = heapBuffer.data();
    }

    unsigned made = 0;
    int rc = 0;
    bool delivered = true;
    if (needFrames > 0) {
        unsigned got = needFrames;
        rc = source->ReadChannelFloat(in, &got, channel);
        if (rc != 0) return rc;
        delivered = got > 0;
        made = resampler.Filter(buffer, in, got, n);
    } else {
        made = resampler.Filter(buffer, nullptr, 0, n);
    }
    // The filter may need an input or two more than the estimate: fetch them one at a time.
    while (made < n && delivered) {
        unsigned one = 1;
        rc = source->ReadChannelFloat(in, &one, channel);
        if (rc != 0) return rc;
        delivered = one > 0;
        if (delivered) made += resampler.Filter(buffer + made, in, 1, n - made);
    }
    *frames = made;
    return 0;
}
