// The texts of the engine's error codes, as the application shows them.
#include "engine/api/error_messages.h"

const char* GetErrorMessage(int code) {
    switch (code) {
    case kErrNone:
    case kErrCancelled:
        return "Unknown error";
    case kErrOutOfMemory:
        return "Out of Memory";
    case kErrInvalidArgument:
        return "Sorry, the operation could not be completed because an argument was invalid.";
    case kErrOutOfRange:
        return "Sorry, the operation could not be completed. A specified value was out of range.";
    case kErrNoPath:
        return "Recognition failed. Please compare the text transcription to the audio file to look for error. "
               "or increase the beam width";
    case kErrFileLocked:
        return "A file could not be opened because it is locked";
    case kErrFileNotFound:
        return "A required file could not be found.";
    case kErrFileInUse:
        return "A required file could not be opened because it is already open in another application";
    case kErrBadData:
        return "Sorry, the specified audio file is not a valid WAV file";
    case kErrCompressedWav:
        return "Sorry, this program cannot work with compressed WAV files";
    case kErrMissingCodec:
        return "Sorry, the specified audio file could not be converted because the a system component is missing";
    case kErrNewerVersion:
        return "Sorry, the file was made by a newer version of the program; this version cannot read it.";
    case kErrException:
        return "Sorry, the operation could not be completed because an exception occurred.";
    case kErrIsFolder:
        return "Sorry, the file is a folder, not an ordinary file.";
    case kErrIsDevice:
        return "Sorry, the file is a device, not an ordinary file.";
    case kErrIsPipe:
        return "Sorry, the file is a pipe, not an ordinary file.";
    case kErrNotOrdinaryFile:
        return "Sorry, the file is not an ordinary file.";
    case kErrNotRecording:
        return "Sorry, the file is not a recording this program reads: it reads WAV, NIST sphere, MP3 and Ogg "
               "Vorbis files.";
    case kErrBadNist:
        return "Sorry, the specified audio file is not a valid NIST sphere file";
    case kErrCompressedNist:
        return "Sorry, this program cannot work with compressed NIST sphere files";
    case kErrBadMp3:
        return "Sorry, the specified audio file is not a readable MP3 file";
    case kErrBadOgg:
        return "Sorry, the specified audio file is not a readable Ogg Vorbis file";
    case kErrBadLexicon:
        return "Sorry, the lexicon file is damaged or is not a lexicon file.";
    case kErrBadConstraints:
        return "Sorry, the file is not a phone constraints file.";
    case kErrBadTrigram:
        return "Sorry, the file holds no phone trigram counts.";
    default:
        return "Sorry, the operation could not be completed because an internal error occurred";
    }
}
