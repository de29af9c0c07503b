// Engine stream over a decoded PCM source.
#include "engine/audio/zuvo_stream.h"

#include <climits>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"

namespace {
// Sources may report the rate as whole hertz; anything larger is already 16.16.
constexpr uint32_t kLargestWholeHertzRate = 55000;
}  // namespace

CZuvoStream::~CZuvoStream() {
    if (ownedSource) ownedSource->Release();
}

int CZuvoStream::Open(IZuvoPCMStream* src) {
    CFuncTrace trace("CZuvoStream::Open");
    source = src;
    ownedSource = nullptr;
    if (!source) return kErrInvalidArgument;
    source->GetFormat(&format);
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels == 0) {
        return kErrBadData;
    }
    if (format.sampleRate <= kLargestWholeHertzRate) format.sampleRate <<= 16;
    const int length = source->GetLength();
    byteLength = length > 0 ? static_cast<uint32_t>(length) : 0;
    bytesPerFrame = format.bitsPerSample / 8u * format.channels;
    frameCount = byteLength / bytesPerFrame;
    return 0;
}

int CZuvoStream::Open2(IZuvoPCMStream2* src) {
    CFuncTrace trace("CZuvoStream::Open2");
    const int rc = Open(src);
    if (rc == 0) {
        ownedSource = src;
        ownedSource->AddRef();
    }
    return rc;
}

int CZuvoStream::Close() {
    CFuncTrace trace("CZuvoStream::Close");
    return 0;
}

int CZuvoStream::Start() {
    CFuncTrace trace("CZuvoStream::Start");
    if (!source) return kErrInvalidArgument;
    return source->Rewind();
}

int CZuvoStream::Read(void* buffer, unsigned* frames) {
    if (!source || bytesPerFrame == 0) {
        *frames = 0;
        return kErrInvalidArgument;
    }
    uint64_t want = static_cast<uint64_t>(*frames) * bytesPerFrame;
    if (want > INT_MAX) want = INT_MAX / bytesPerFrame * bytesPerFrame;
    const int got = source->Read(buffer, static_cast<int>(want));
    if (got < 0) {
        *frames = 0;
        return 0;
    }
    *frames = static_cast<unsigned>(got) / bytesPerFrame;
    return 0;
}
