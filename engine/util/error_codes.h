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
    // What is wrong with a file the user named, so that no file is called a damaged WAV file
    // when it is something else: the caller names the file, the code says what is wrong with it.
    kErrIsFolder = 30,
    kErrIsDevice = 31,
    kErrIsPipe = 32,
    kErrNotOrdinaryFile = 33,  // a socket, or anything else that is not a file
    kErrNotRecording = 34,     // no reader knows its format
    kErrBadNist = 35,
    kErrCompressedNist = 36,
    kErrBadMp3 = 37,
    kErrBadOgg = 38,
    kErrBadLexicon = 39,
    kErrBadConstraints = 40,
    kErrBadTrigram = 41,
};
