// The engine's error code values, below every library that returns them; their texts and
// GetErrorMessage live in engine/api/error_messages.h.
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
