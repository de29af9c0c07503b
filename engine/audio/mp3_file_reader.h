// MP3 reader plug-in: decodes a whole ".mp3" file (MPEG Layer III) into memory as 16-bit PCM
// with the channels and sample rate of its first frame.
#pragma once

#include <cstddef>

#include "engine/audio/audio_file_reader.h"
#include "engine/audio/decoded_audio_source.h"

class Mp3AudioSource : public CDecodedAudioSource {
protected:
    // 10 when the file does not open, 12 without a Layer III frame header or decodable frame,
    // 15 when the decoder is not available.
    int Decode(const char* path) override;
};

class Mp3FileReaderPlugin : public CDecodedFileReaderPlugin<Mp3AudioSource> {
public:
    bool CanRead(const char* path) override;  // ".mp3", case ignored
};

// The first MPEG Layer III frame header at or after offset: its position, sample rate (Hz) and
// channel count. False when there is none.
bool FindMp3FrameHeader(const unsigned char* data, size_t size, size_t offset, size_t* at,
                        long* rate, int* channels);
// Bytes taken by ID3v2 tags at the start of data (0 when there are none).
size_t SkipId3v2Tags(const unsigned char* data, size_t size);
