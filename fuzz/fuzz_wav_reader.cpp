// Fuzz target: WAVE files (RIFF chunks, PCM and the formats the reader refuses), opened by name as a document opens a recording.
#include "fuzz/fuzz_audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzAudioFile(".wav", data, size);
    return 0;
}
