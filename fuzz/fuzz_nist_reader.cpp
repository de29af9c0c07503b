// Fuzz target: NIST sphere files (text header, raw samples), opened by name as a document opens a recording.
#include "fuzz/fuzz_audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzAudioFile(".sph", data, size);
    return 0;
}
