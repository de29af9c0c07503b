// Opening audio files by name: the engine's own WAV and NIST readers first, then the reader
// plug-ins that the application installed, in installation order.
#pragma once

#include "engine/audio/zuvo_pcm_stream.h"

class CPCMStream;
class CProgress;

// An audio-file reader plug-in. Reference counted; the reader list holds one reference to every
// installed plug-in until process exit.
class IInstallableAudioFileReader {
public:
    virtual bool CanRead(const char* path) = 0;
    // Decodes the file; on success *out holds one reference for the caller. On failure *out is
    // null and the result is an engine error code.
    virtual int Open(const char* path, IZuvoPCMStream2** out) = 0;
    virtual int AddRef() = 0;
    virtual int Release() = 0;
    virtual ~IInstallableAudioFileReader() = default;
};

// Takes one reference and appends the reader to the process-wide list. Called during start-up,
// before any file is opened; the list is not locked.
void InstallAudioFileReader(IInstallableAudioFileReader* reader);

// An engine stream over the file, chosen by extension (case ignored): ".wav" and ".tmp" try the
// WAV reader, ".wav" and ".sph" the NIST reader, then the installed plug-ins that claim the
// extension. When none of them opens it, the file's first bytes name its reader (a WAV file named
// ".mp3", an Ogg file named ".oga"). *out gets a stream with one reference, or null with the error
// code, which names the format the file is (by its first bytes, else by its extension) or says
// what else it is: 12 a damaged WAV file, kErrBadNist, kErrBadMp3, kErrBadOgg, kErrCompressedNist;
// kErrNotRecording when no reader knows it; kErrIsFolder, kErrIsDevice, kErrIsPipe or
// kErrNotOrdinaryFile for a path that is no file, which no reader opens. The WAV reader's long
// reads report to progress (may be null); a cancel there gives 5 at once, without trying the
// other readers.
int CreateZuvoStreamFromFile(const char* path, CPCMStream** out, CProgress* progress = nullptr);

// The text from the last '.' of the path (with the dot), or "" when there is none.
const char* AudioFileExtension(const char* path);
