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
    case kErrException:
        return "Sorry, the operation could not be completed because an exception occurred.";
    default:
        return "Sorry, the operation could not be completed because an internal error occurred";
    }
}
