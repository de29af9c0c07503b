// A whole audio file decoded into memory as 16-bit PCM, handed out by the reader plug-ins; the
// Ogg Vorbis and MP3 sources differ only in their decoder, their plug-ins only in the extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/api/error_messages.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/sample_buffer.h"
#include "engine/audio/zuvo_pcm_stream.h"

// The most samples a decoded source holds: its length is a signed 32-bit count of bytes.
constexpr size_t kMaxDecodedSamples = INT32_MAX / 2;

// Reference count starts at 0; the plug-in that makes a source takes the first reference.
// One thread at a time.
class CDecodedAudioSource : public IZuvoPCMStream2 {
public:
    int GetFormat(PCMFormat* out) override;
    int GetLength() override;
    int Read(void* buffer, int bytes) override;
    // After a partial read the file is decoded again from its path; at the start nothing happens.
    int Rewind() override;
    int AddRef() override;
    int Release() override;
    // Stores the path, drops the old data and decodes the file; on an error the source is empty.
    int Open(const char* path) override;

protected:
    // Fills format and samples from the file; an engine error code. Decoders stop with
    // kErrOutOfMemory once the samples would pass kMaxDecodedSamples.
    virtual int Decode(const char* path) = 0;
    // Appends decoded samples; false when they would pass kMaxDecodedSamples or memory runs out.
    bool AppendSamples(const int16_t* pcm, size_t count);

    PCMFormat format{};
    SampleBuffer samples;  // channels interleaved

private:
    std::string path_;
    int32_t length_ = 0;    // bytes
    int32_t position_ = 0;  // bytes
    int32_t refCount_ = 0;
};

// The part of a reader plug-in that the decoding readers share: Open hands out a fresh Source with
// the file decoded. The reference count starts at 0; InstallAudioFileReader takes the first
// reference. Each plug-in adds only the extension it accepts.
template <class Source>
class CDecodedFileReaderPlugin : public IInstallableAudioFileReader {
public:
    int Open(const char* path, IZuvoPCMStream2** out) override {
        if (!out) return kErrInvalidArgument;
        *out = nullptr;
        auto* source = new Source;
        const int rc = source->Open(path);
        if (rc != 0) {
            delete source;
            return rc;
        }
        source->AddRef();
        *out = source;
        return 0;
    }
    int AddRef() override { return ++refCount; }
    int Release() override {
        if (--refCount <= 0) {
            delete this;
            return 0;
        }
        return refCount;
    }

private:
    int32_t refCount = 0;
};
