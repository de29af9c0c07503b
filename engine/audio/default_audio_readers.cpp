// Installation of the engine's own reader plug-ins.
#include "engine/audio/default_audio_readers.h"

#include <mutex>

#include "engine/audio/audio_file_reader.h"
#include "engine/audio/mp3_file_reader.h"
#include "engine/audio/ogg_file_reader.h"

void InstallDefaultAudioFileReaders() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The reader list takes the only reference and releases it at process exit.
        InstallAudioFileReader(new OggFileReaderPlugin);
        InstallAudioFileReader(new Mp3FileReaderPlugin);
    });
}
