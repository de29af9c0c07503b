// Fuzz target: Ogg Vorbis files through the installed reader plug-ins, opened by name as a document opens a recording.
#include "fuzz/fuzz_audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzAudioFile(".ogg", data, size);
    return 0;
}
