// The process-wide list of installed reader plug-ins and the choice of reader by extension.
#include "engine/audio/audio_file_reader.h"

#include <cstring>
#include <strings.h>
#include <vector>

#include "engine/api/entry_point.h"
#include "engine/api/error_codes.h"
#include "engine/audio/nist_stream.h"
#include "engine/audio/wav_reader_stream.h"
#include "engine/audio/zuvo_stream.h"

namespace {

// Holds one reference to every installed reader; released at process exit.
class CAudioReaderRegistry {
public:
    ~CAudioReaderRegistry() {
        for (IInstallableAudioFileReader* reader : readers)
            if (reader) reader->Release();
    }
    std::vector<IInstallableAudioFileReader*> readers;
};

CAudioReaderRegistry& Registry() {
    static CAudioReaderRegistry registry;
    return registry;
}

bool ExtensionIs(const char* ext, const char* wanted) { return strcasecmp(ext, wanted) == 0; }

int OpenStream(const char* path, CPCMStream** out);

}  // namespace

const char* AudioFileExtension(const char* path) {
    if (!path) return "";
    const char* dot = std::strrchr(path, '.');
    return dot ? dot : "";
}

void InstallAudioFileReader(IInstallableAudioFileReader* reader) {
    if (!reader) return;
    reader->AddRef();
    Registry().readers.push_back(reader);
}

int CreateZuvoStreamFromFile(const char* path, CPCMStream** out) {
    if (!out) return kErrInvalidArgument;
    *out = nullptr;
    if (!path) return kErrInvalidArgument;
    return RunEntryPoint([&] { return OpenStream(path, out); }, kErrOutOfMemory);
}

namespace {

int OpenStream(const char* path, CPCMStream** out) {
    int result = kErrBadData;
    CPCMStream* made = nullptr;
    const char* ext = AudioFileExtension(path);

    if (ExtensionIs(ext, ".wav") || ExtensionIs(ext, ".tmp")) {
        auto* wav = new CWavRdrStream;
        result = wav->Open(path);
        if (result == 0) made = wav;
        else wav->Release();
    }
    // Some ".wav" files are NIST sphere files under another name. Compressed WAVE data keeps
    // its own code: telling the user the file is compressed says more than "not valid".
    if (!made && (ExtensionIs(ext, ".wav") || ExtensionIs(ext, ".sph"))) {
        const int wavResult = result;
        auto* nist = new CNistStream;
        result = nist->Open(path);
        if (result == 0) made = nist;
        else nist->Release();
        if (!made && wavResult == kErrCompressedWav) result = kErrCompressedWav;
    }
    for (IInstallableAudioFileReader* reader : Registry().readers) {
        if (made) break;
        if (!reader || !reader->CanRead(path)) continue;
        IZuvoPCMStream2* source = nullptr;
        result = reader->Open(path, &source);
        if (result != 0 || !source) {
            if (result == 0) result = kErrBadData;
            continue;
        }
        auto* wrapper = new CZuvoStream;
        result = wrapper->Open2(source);
        source->Release();  // the wrapper holds its own reference now
        if (result == 0) made = wrapper;
        else wrapper->Release();
    }
    *out = made;
    return made ? 0 : result;
}

}  // namespace
