// The process-wide list of installed reader plug-ins and the choice of reader by extension.
#include "engine/audio/audio_file_reader.h"

#include <cstring>
#include <strings.h>
#include <type_traits>
#include <vector>

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/audio/audio_file_signature.h"
#include "engine/audio/nist_stream.h"
#include "engine/audio/wav_reader_stream.h"
#include "engine/audio/zuvo_stream.h"
#include "engine/util/file_utils.h"

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

int OpenStream(const char* path, CPCMStream** out, CProgress* progress);

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

int CreateZuvoStreamFromFile(const char* path, CPCMStream** out, CProgress* progress) {
    if (!out) return kErrInvalidArgument;
    *out = nullptr;
    if (!path) return kErrInvalidArgument;
    return RunEntryPoint([&] { return OpenStream(path, out, progress); }, kErrOutOfMemory);
}

namespace {

template <class Reader>
int OpenEngineReader(const char* path, CPCMStream** made, CProgress* progress = nullptr) {
    auto* stream = new Reader;
    if constexpr (std::is_same_v<Reader, CWavRdrStream>) stream->SetOpenProgress(progress);
    const int rc = stream->Open(path);
    if (rc == 0) *made = stream;
    else stream->Release();
    return rc;
}

// The installed plug-ins that CanRead(claimedPath) in turn, until one opens path.
int OpenWithPlugins(const char* path, const char* claimedPath, CPCMStream** made, int result) {
    for (IInstallableAudioFileReader* reader : Registry().readers) {
        if (*made) break;
        if (!reader || !reader->CanRead(claimedPath)) continue;
        IZuvoPCMStream2* source = nullptr;
        result = reader->Open(path, &source);
        if (result != 0 || !source) {
            if (result == 0) result = kErrBadData;
            continue;
        }
        auto* wrapper = new CZuvoStream;
        result = wrapper->Open2(source);
        source->Release();  // the wrapper holds its own reference now
        if (result == 0) *made = wrapper;
        else wrapper->Release();
    }
    return result;
}

// The reader that the file's first bytes name; kErrBadData when they name none (or no
// installed plug-in decodes that kind).
int OpenByContent(const char* path, AudioFileKind kind, CPCMStream** made, CProgress* progress) {
    switch (kind) {
    case AudioFileKind::kWave: return OpenEngineReader<CWavRdrStream>(path, made, progress);
    case AudioFileKind::kNist: return OpenEngineReader<CNistStream>(path, made);
    // Plug-ins are chosen by the extension they claim for this kind.
    case AudioFileKind::kOgg: return OpenWithPlugins(path, "content.ogg", made, kErrBadData);
    case AudioFileKind::kMpeg: return OpenWithPlugins(path, "content.mp3", made, kErrBadData);
    case AudioFileKind::kUnknown: break;
    }
    return kErrBadData;
}

// The format a file that did not open was meant to be: its first bytes, else its extension.
AudioFileKind MeantKind(const char* path, const char* ext) {
    const AudioFileKind kind = IdentifyAudioFile(path);
    if (kind != AudioFileKind::kUnknown) return kind;
    if (ExtensionIs(ext, ".wav") || ExtensionIs(ext, ".tmp")) return AudioFileKind::kWave;
    if (ExtensionIs(ext, ".sph")) return AudioFileKind::kNist;
    if (ExtensionIs(ext, ".mp3")) return AudioFileKind::kMpeg;
    if (ExtensionIs(ext, ".ogg") || ExtensionIs(ext, ".oga")) return AudioFileKind::kOgg;
    return AudioFileKind::kUnknown;
}

// The readers' "not valid" and "compressed" codes speak of WAV files: a file of another format
// takes its own format's code, and one of no known format says so.
int CodeForKind(int code, AudioFileKind kind) {
    if (code == kErrCompressedWav && kind == AudioFileKind::kNist) return kErrCompressedNist;
    if (code != kErrBadData) return code;
    switch (kind) {
    case AudioFileKind::kWave: return kErrBadData;
    case AudioFileKind::kNist: return kErrBadNist;
    case AudioFileKind::kMpeg: return kErrBadMp3;
    case AudioFileKind::kOgg: return kErrBadOgg;
    case AudioFileKind::kUnknown: break;
    }
    return kErrNotRecording;
}

int OpenStream(const char* path, CPCMStream** out, CProgress* progress) {
    *out = nullptr;
    if (const int notFile = NotOrdinaryFileCode(path)) return notFile;
    int result = kErrBadData;
    CPCMStream* made = nullptr;
    const char* ext = AudioFileExtension(path);

    if (ExtensionIs(ext, ".wav") || ExtensionIs(ext, ".tmp"))
        result = OpenEngineReader<CWavRdrStream>(path, &made, progress);
    // The user stopped the opening: no other reader is to start on the file.
    if (result == kErrCancelled) return result;
    // Some ".wav" files are NIST sphere files under another name. Compressed WAVE data keeps
    // its own code: telling the user the file is compressed says more than "not valid".
    if (!made && (ExtensionIs(ext, ".wav") || ExtensionIs(ext, ".sph"))) {
        const int wavResult = result;
        result = OpenEngineReader<CNistStream>(path, &made);
        if (!made && wavResult == kErrCompressedWav) result = kErrCompressedWav;
    }
    if (!made) result = OpenWithPlugins(path, path, &made, result);
    // Files named for another format (or for none): the extension's readers refused them, so
    // their first bytes decide. A file that is not there keeps the extension readers' code.
    if (!made && result != kErrFileNotFound) {
        const AudioFileKind kind = IdentifyAudioFile(path);
        if (kind != AudioFileKind::kUnknown) result = OpenByContent(path, kind, &made, progress);
    }
    *out = made;
    if (made) return 0;
    // No reader claims a missing file of an unknown extension, so none said it was missing.
    if (result == kErrBadData && !FileExists(path)) return kErrFileNotFound;
    return CodeForKind(result, MeantKind(path, ext));
}

}  // namespace
