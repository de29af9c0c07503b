// Pre-emphasis stream stage: y[n] = x[n] - a x[n-1] in single precision over one channel.
#include "engine/audio/preemphasis_pcm_stream.h"

#include "engine/api/error_messages.h"

CPreemphasisPCMStream::~CPreemphasisPCMStream() {
    if (source) source->Release();
}

int CPreemphasisPCMStream::SetSource(CPCMStream* src, unsigned ch, float a) {
    if (!src) return kErrInvalidArgument;
    src->AddRef();
    if (source) source->Release();
    source = src;
    channel = ch;
    coefficient = a;
    source->GetFormat(&format);
    frameCount = source->GetFrameCount();
    byteLength = source->GetByteLength();
    bytesPerFrame = format.channels * (format.bitsPerSample / 8u);
    return 0;
}

int CPreemphasisPCMStream::Start() {
    previous = 0.0f;
    return source ? source->Start() : kErrInvalidArgument;
}

int CPreemphasisPCMStream::Stop() { return source ? source->Stop() : 0; }

int CPreemphasisPCMStream::ReadChannelFloat(float* buffer, unsigned* frames, unsigned ch) {
    if (!source) {
        *frames = 0;
        return kErrInvalidArgument;
    }
    const int rc = source->ReadChannelFloat(buffer, frames, ch);
    const float a = coefficient;
    float prev = previous;
    for (unsigned i = 0; i < *frames; ++i) {
        const float x = buffer[i];
        buffer[i] = x - a * prev;
        prev = x;
    }
    previous = prev;
    return rc;
}

int CPreemphasisPCMStream::Read(void* buffer, unsigned* frames) {
    return ReadChannelFloatAs16(static_cast<short*>(buffer), frames, channel);
}
