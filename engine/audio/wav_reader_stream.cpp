// RIFF WAVE reader: finds the "fmt " and "data" chunks and reads PCM frames from the data.
#include "engine/audio/wav_reader_stream.h"

#include <cstdio>
#include <cstring>

#include "engine/api/error_codes.h"
#include "engine/api/sdk_log.h"
#include "engine/util/binary_io.h"
#include "engine/util/mem_alloc.h"
#include "platform/riff_file.h"

namespace {

int EngineCodeFromRiff(int error) {
    switch (error) {
    case kRiffOk: return 0;
    case kRiffErrCannotWrite:
    case kRiffErrAccessDenied:
    case kRiffErrSharingViolation: return kErrFileInUse;
    case kRiffErrCannotSeek:
    case kRiffErrChunkNotFound:
    case kRiffErrInvalidFile: return kErrBadData;
    case kRiffErrPathNotFound:
    case kRiffErrNetworkError: return kErrFileNotFound;
    case kRiffErrTooManyOpenFiles: return kErrOutOfMemory;
    default: return 4;
    }
}

constexpr uint32_t kWaveFormatPcm = 1;
// Rates are held as 16.16 fixed point, so whole hertz must fit in 16 bits.
constexpr uint32_t kMaxRateHz = 65535;

}  // namespace

CWavRdrStream::CWavRdrStream() = default;

CWavRdrStream::~CWavRdrStream() { Close(); }

int CWavRdrStream::Close() {
    CFuncTrace trace("CWavRdrStream::Close");
    mmio.reset();
    MemFree(waveFormat);
    waveFormat = nullptr;
    return 0;
}

int CWavRdrStream::Open(const char* path) {
    CFuncTrace trace("CWavRdrStream::Open");
    Close();
    int error = kRiffErrCannotOpen;
    mmio = CRiffFile::Open(path, &error);
    if (!mmio) {
        // A failed open always fails, even when no error number was given.
        const int rc = EngineCodeFromRiff(error);
        return rc != 0 ? rc : 4;
    }
    auto fail = [this](int rc) {
        Close();
        return rc;
    };

    RiffChunk riff;
    riff.formType = RiffFourCC('W', 'A', 'V', 'E');
    int err = mmio->Descend(&riff, nullptr, kRiffFindRiff);
    if (err) return fail(EngineCodeFromRiff(err));
    RiffChunk fmt;
    fmt.id = RiffFourCC('f', 'm', 't', ' ');
    err = mmio->Descend(&fmt, &riff, kRiffFindChunk);
    if (err) return fail(EngineCodeFromRiff(err));

    if (fmt.size == 14) {
        // An old format block without bits per sample: 8-bit audio.
        waveFormat = static_cast<unsigned char*>(MemAlloc(18, 1));
        if (!waveFormat) return fail(kErrOutOfMemory);
        if (mmio->Read(waveFormat, 14) != 14) return fail(kErrBadData);
        waveFormat[14] = 8;
        waveFormat[15] = 0;
    } else if (fmt.size < 16) {
        return fail(kErrBadData);
    } else {
        // A format block longer than the file cannot be read whole anyway.
        if (static_cast<long long>(fmt.size) > mmio->Size()) return fail(kErrBadData);
        waveFormat = static_cast<unsigned char*>(MemAlloc(fmt.size, 1));
        if (!waveFormat) return fail(kErrOutOfMemory);
        if (mmio->Read(waveFormat, static_cast<long>(fmt.size)) != static_cast<long>(fmt.size)) {
            return fail(kErrBadData);
        }
    }
    err = mmio->Ascend(&fmt);
    if (err) return fail(EngineCodeFromRiff(err));
    if (LoadLE16(waveFormat) != kWaveFormatPcm) return fail(kErrCompressedWav);

    RiffChunk data;
    data.id = RiffFourCC('d', 'a', 't', 'a');
    err = mmio->Descend(&data, &riff, kRiffFindChunk);
    if (err) return fail(EngineCodeFromRiff(err));

    const uint16_t channels = LoadLE16(waveFormat + 2);
    const uint32_t rate = LoadLE32(waveFormat + 4);
    const uint16_t bits = LoadLE16(waveFormat + 14);
    // No channels or no rate would leave a frame size or a rate ratio of 0 to divide by.
    if (channels == 0 || rate == 0 || rate > kMaxRateHz) return fail(kErrBadData);
    format.sampleRate = rate << 16;
    format.bitsPerSample = bits;
    format.channels = channels;
    // The frame size comes from the sample width and channels; the block alignment field is
    // not trusted (files with 0 there exist).
    bytesPerFrame = bits / 8u * channels;
    // A data chunk claiming more than the file holds (streamed or truncated files) is cut to
    // the bytes present.
    const long long present = mmio->Size() - static_cast<long long>(data.dataOffset);
    byteLength = static_cast<long long>(data.size) > present
                     ? static_cast<uint32_t>(present > 0 ? present : 0)
                     : data.size;
    frameCount = bytesPerFrame ? byteLength / bytesPerFrame : 0;
    dataStart = static_cast<int32_t>(mmio->Seek(0, SEEK_CUR));

    // A wrong sample width keeps the file open until Close or destruction.
    if (bits != 8 && bits != 16) return kErrBadData;
    return 0;
}

int CWavRdrStream::Start() {
    CFuncTrace trace("CWavRdrStream::Start");
    if (!mmio || mmio->Seek(dataStart, SEEK_SET) < 0) return 4;
    return 0;
}

int CWavRdrStream::Read(void* buffer, unsigned* frames) {
    if (!mmio || bytesPerFrame == 0) {
        *frames = 0;
        return kErrBadData;
    }
    const long cur = mmio->Seek(0, SEEK_CUR);
    if (cur < 0) {
        *frames = 0;
        return kErrBadData;
    }
    const long long pos = static_cast<long long>(cur) - dataStart;
    if (pos >= byteLength) {
        *frames = 0;
        return 0;
    }
    uint64_t want = static_cast<uint64_t>(*frames) * bytesPerFrame;
    const uint64_t left = static_cast<uint64_t>(byteLength - pos);
    if (want > left) want = left;
    const long got = mmio->Read(buffer, static_cast<long>(want));
    if (got < 0) {
        *frames = 0;
        return kErrBadData;
    }
    *frames = static_cast<unsigned>(got) / bytesPerFrame;
    return 0;
}
