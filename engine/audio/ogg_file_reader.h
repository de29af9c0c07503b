// Ogg Vorbis reader plug-in: decodes a whole ".ogg" file into memory through vorbisfile.
#pragma once

#include "engine/audio/audio_file_reader.h"
#include "engine/audio/decoded_audio_source.h"

class OggAudioSource : public CDecodedAudioSource {
protected:
    // 10 when the file does not open, 12 when it is not Ogg Vorbis or its rate does not fit.
    int Decode(const char* path) override;
};

class OggFileReaderPlugin : public CDecodedFileReaderPlugin<OggAudioSource> {
public:
    bool CanRead(const char* path) override;  // ".ogg", case ignored
};
