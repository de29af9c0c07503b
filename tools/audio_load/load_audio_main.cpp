// Loads each recording named on the command line into memory at 16 kHz mono, as a document
// opens one, and prints its length, the load's time and speed against real time.
#include <chrono>
#include <cstdio>

#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: load_audio RECORDING...\n");
        return 2;
    }
    InstallDefaultAudioFileReaders();
    const PCMFormat target{16000u << 16, 16, 1};
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const auto start = std::chrono::steady_clock::now();
        CMemoryPCMStream* memory = nullptr;
        const int rc = CreateMemoryPCMStreamFromFile(argv[i], &target, nullptr, &memory);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rc != 0 || !memory) {
            std::printf("%s: error %d\n", argv[i], rc);
            ++failures;
        } else {
            const double audio = memory->GetFrameCount() / 16000.0;
            std::printf("%s: %.1f s of audio in %.2f s (%.0f x real time)\n", argv[i], audio, seconds,
                        seconds > 0 ? audio / seconds : 0.0);
        }
        if (memory) memory->Destroy();
    }
    return failures == 0 ? 0 : 1;
}
