// RIFF WAVE reader: finds the "fmt " and "data" chunks and reads the frames of the data,
// converting wider, float and companded samples to 16 bits; ADPCM is decoded when opened.
#include "engine/audio/wav_reader_stream.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/sdk_log.h"
#include "engine/audio/audio_file_signature.h"
#include "engine/audio/ima_adpcm.h"
#include "engine/audio/ms_adpcm.h"
#include "engine/audio/pcm_format.h"
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
    case kRiffErrCancelled: return kErrCancelled;
    default: return 4;
    }
}

// ADPCM blocks decoded between two progress reports.
constexpr uint64_t kBlocksPerProgress = 1024;

// Reports done of total in a unit small enough for the progress's ints; true to cancel.
bool ReportProgress(CProgress* progress, long long done, long long total) {
    while (total > INT_MAX) {
        total >>= 10;
        done >>= 10;
    }
    return progress->Progress(static_cast<int>(done), static_cast<int>(total));
}

constexpr unsigned kWaveFormatPcm = 1;
constexpr unsigned kWaveFormatMsAdpcm = 2;
constexpr unsigned kWaveFormatFloat = 3;
constexpr unsigned kWaveFormatALaw = 6;
constexpr unsigned kWaveFormatMuLaw = 7;
constexpr unsigned kWaveFormatImaAdpcm = 0x11;
constexpr unsigned kWaveFormatExtensible = 0xFFFE;
// The sub-format identifier of an extensible block is a format tag followed by these 14 bytes;
// any other identifier names a coding of some other scheme.
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The stored coding of a format block, or the engine code refusing it: 13 for a compressed
// coding, 12 for a sample width that the coding does not have. ADPCM codings set *adpcm to their
// tag instead.
int CodingOf(const unsigned char* fmt, uint32_t fmtSize, StoredSamples* out, unsigned* adpcm) {
    unsigned tag = LoadLE16(fmt);
    const unsigned bits = LoadLE16(fmt + 14);  // the container's width for extensible blocks
    if (tag == kWaveFormatExtensible) {
        if (fmtSize < 40) return kErrBadData;
        if (std::memcmp(fmt + 26, kSubFormatTail, sizeof kSubFormatTail) != 0) return kErrCompressedWav;
        tag = LoadLE16(fmt + 24);
    }
    switch (tag) {
    case kWaveFormatPcm:
        // Widths between the byte sizes sit left-justified in the next larger container.
        switch ((bits + 7) / 8) {
        case 1: out->coding = SampleCoding::kUnsigned8; break;
        case 2: out->coding = SampleCoding::kSigned16; break;
        case 3: out->coding = SampleCoding::kSigned24; break;
        case 4: out->coding = SampleCoding::kSigned32; break;
        default: return kErrBadData;
        }
        return bits == 0 ? kErrBadData : 0;
    case kWaveFormatFloat:
        if (bits != 32 && bits != 64) return kErrBadData;
        out->coding = bits == 32 ? SampleCoding::kFloat32 : SampleCoding::kFloat64;
        return 0;
    case kWaveFormatImaAdpcm:
    case kWaveFormatMsAdpcm:
        *adpcm = tag;
        return bits == 4 ? 0 : kErrBadData;
    case kWaveFormatALaw:
    case kWaveFormatMuLaw:
        if (bits != 8) return kErrBadData;
        out->coding = tag == kWaveFormatALaw ? SampleCoding::kALaw : SampleCoding::kMuLaw;
        return 0;
    default: return kErrCompressedWav;
    }
}

}  // namespace

CWavRdrStream::CWavRdrStream() = default;

CWavRdrStream::~CWavRdrStream() { Close(); }

int CWavRdrStream::Close() {
    CFuncTrace trace("CWavRdrStream::Close");
    mmio.reset();
    MemFree(waveFormat);
    waveFormat = nullptr;
    decoded.clear();
    decodedPos = 0;
    announcedBytes = 0;
    presentBytes = 0;
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
    if (CProgress* progress = openProgress) {
        mmio->SetProgress([progress](long done, long total) { return ReportProgress(progress, done, total); });
    }

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
    // A block cut to 14 bytes holds no width, which the reader took as 8 bits above.
    unsigned adpcm = 0;
    const int coding = CodingOf(waveFormat, fmt.size < 16 ? 16 : fmt.size, &stored, &adpcm);
    if (coding == kErrCompressedWav) return fail(coding);

    RiffChunk data;
    data.id = RiffFourCC('d', 'a', 't', 'a');
    err = mmio->Descend(&data, &riff, kRiffFindChunk);
    if (err) return fail(EngineCodeFromRiff(err));

    const uint16_t channels = LoadLE16(waveFormat + 2);
    const uint32_t rate = LoadLE32(waveFormat + 4);
    // No channels or no rate would leave a frame size or a rate ratio of 0 to divide by.
    if (channels == 0 || rate == 0 || rate > kMaxFileRateHz) return fail(kErrBadData);
    if (coding != 0) return fail(coding);
    SetRateHz(rate);
    if (adpcm != 0) {
        const int rc = DecodeAdpcm(data, channels, adpcm == kWaveFormatMsAdpcm);
        return rc == 0 ? 0 : fail(rc);
    }
    format.bitsPerSample = static_cast<uint16_t>(stored.OutputBits());
    format.channels = channels;
    // The frame size comes from the sample width and channels; the block alignment field is
    // not trusted (files with 0 there exist).
    bytesPerFrame = stored.OutputBits() / 8u * channels;
    const uint64_t storedFrameBytes = static_cast<uint64_t>(stored.BytesPerSample()) * channels;
    // A data chunk claiming more than the file holds (streamed or truncated files) is cut to
    // the bytes present.
    const long long present = mmio->Size() - static_cast<long long>(data.dataOffset);
    announcedBytes = data.size;
    presentBytes = present > 0 ? static_cast<uint64_t>(present) : 0;
    const uint64_t storedBytes = static_cast<long long>(data.size) > present
                                     ? static_cast<uint64_t>(present > 0 ? present : 0)
                                     : data.size;
    // Lengths are counted in 32 bits of the engine's (possibly narrower) samples.
    const uint64_t frames = storedBytes / storedFrameBytes;
    const uint64_t maxFrames = 0xFFFFFFFFu / bytesPerFrame;
    frameCount = static_cast<uint32_t>(frames < maxFrames ? frames : maxFrames);
    byteLength = frameCount * bytesPerFrame;
    storedLength = static_cast<uint64_t>(frameCount) * storedFrameBytes;
    dataStart = static_cast<int32_t>(mmio->Seek(0, SEEK_CUR));
    return 0;
}

int CWavRdrStream::DecodeAdpcm(const RiffChunk& data, uint16_t channels, bool microsoft) {
    const unsigned blockBytes = LoadLE16(waveFormat + 12);
    const unsigned framesPerBlock = microsoft ? MsAdpcmFramesPerBlock(blockBytes, channels)
                                              : ImaAdpcmFramesPerBlock(blockBytes, channels);
    if (framesPerBlock == 0) return kErrBadData;
    // Whole blocks of the bytes present; ADPCM holds about a quarter of its decoded size, so the
    // samples are bounded by the file's size.
    const long long present = mmio->Size() - static_cast<long long>(data.dataOffset);
    announcedBytes = data.size;
    presentBytes = present > 0 ? static_cast<uint64_t>(present) : 0;
    const uint64_t bytes = static_cast<long long>(data.size) > present
                               ? static_cast<uint64_t>(present > 0 ? present : 0)
                               : data.size;
    uint64_t blocks = bytes / blockBytes;
    const uint64_t maxBlocks = 0x7FFFFFFFu / (2ull * channels * framesPerBlock);
    if (blocks > maxBlocks) blocks = maxBlocks;
    std::vector<unsigned char> block(blockBytes);
    decoded.resize(static_cast<size_t>(blocks * framesPerBlock * channels));
    for (uint64_t b = 0; b < blocks; ++b) {
        if (openProgress && b % kBlocksPerProgress == kBlocksPerProgress - 1 &&
            ReportProgress(openProgress, static_cast<long long>(b), static_cast<long long>(blocks))) {
            return kErrCancelled;
        }
        if (mmio->Read(block.data(), blockBytes) != static_cast<long>(blockBytes)) return kErrBadData;
        int16_t* out = decoded.data() + b * framesPerBlock * channels;
        if (microsoft) DecodeMsAdpcmBlock(block.data(), blockBytes, channels, out);
        else DecodeImaAdpcmBlock(block.data(), blockBytes, channels, out);
    }
    format.bitsPerSample = 16;
    format.channels = channels;
    bytesPerFrame = 2u * channels;
    frameCount = static_cast<uint32_t>(blocks * framesPerBlock);
    byteLength = frameCount * bytesPerFrame;
    decodedPos = 0;
    return 0;
}

int CWavRdrStream::Start() {
    CFuncTrace trace("CWavRdrStream::Start");
    decodedPos = 0;
    if (!mmio || mmio->Seek(dataStart, SEEK_SET) < 0) return 4;
    return 0;
}

int CWavRdrStream::Read(void* buffer, unsigned* frames) {
    if (!mmio || bytesPerFrame == 0) {
        *frames = 0;
        return kErrBadData;
    }
    if (!decoded.empty()) {
        const size_t channels = format.channels;
        const size_t n = std::min<size_t>(*frames, decoded.size() / channels - decodedPos);
        std::memcpy(buffer, decoded.data() + decodedPos * channels, n * channels * 2);
        decodedPos += n;
        *frames = static_cast<unsigned>(n);
        return 0;
    }
    const long cur = mmio->Seek(0, SEEK_CUR);
    if (cur < 0 || cur < dataStart) {
        *frames = 0;
        return kErrBadData;
    }
    const bool ok =
        ReadStoredFrames(stored, format.channels, static_cast<uint64_t>(cur - dataStart), storedLength, raw,
                         buffer, frames, [this](unsigned char* into, long n) { return mmio->Read(into, n); });
    return ok ? 0 : kErrBadData;
}

bool WaveFileCutShort(const char* path, uint64_t* announced, uint64_t* present, CProgress* progress) {
    if (IdentifyAudioFile(path) != AudioFileKind::kWave) return false;
    CWavRdrStream wav;
    wav.SetOpenProgress(progress);
    if (wav.Open(path) != 0) return false;
    *announced = wav.AnnouncedDataBytes();
    *present = wav.PresentDataBytes();
    return *present < *announced;
}
