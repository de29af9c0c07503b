// The engine's error codes and their texts: every entry point returns 0 or one of these, and the
// application shows the text of GetErrorMessage (never for kErrCancelled).
#pragma once

enum EngineErrorCode : int {
    kErrNone = 0,
    kErrOutOfMemory = 1,
    kErrInvalidArgument = 2,
    kErrOutOfRange = 3,
    kErrCancelled = 5,
    kErrSpillUnreadable = 7,
    kErrNoPath = 8,
    kErrFileLocked = 9,
    kErrFileNotFound = 10,
    kErrFileInUse = 11,
    kErrBadData = 12,
    kErrCompressedWav = 13,
    kErrMissingCodec = 15,
    kErrTempFileIo = 17,
    kErrNewerVersion = 21,
    kErrException = 22,
};

// Never fails: codes without a text of their own give the internal-error text.
const char* GetErrorMessage(int code);
