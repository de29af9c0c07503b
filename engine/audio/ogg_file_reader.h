// Ogg Vorbis reader plug-in: decodes a whole ".ogg" file into memory through vorbisfile.
#pragma once

#include "engine/audio/audio_file_reader.h"
#include "engine/audio/decoded_audio_source.h"

class OggAudioSource : public CDecodedAudioSource {
protected:
    // 10 when the file does not open, 12 when it is not Ogg Vorbis or its rate does not fit.
    int Decode(const char* path) override;
};

// Reference count starts at 0; InstallAudioFileReader takes the first reference.
class OggFileReaderPlugin : public IInstallableAudioFileReader {
public:
    bool CanRead(const char* path) override;  // ".ogg", case ignored
    int Open(const char* path, IZuvoPCMStream2** out) override;
    int AddRef() override;
    int Release() override;

private:
    int32_t refCount = 0;
};
