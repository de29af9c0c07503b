// Decoded PCM sources handed to the engine: the application's own sources (IZuvoPCMStream) and
// the reference-counted ones that audio reader plug-ins decode from files (IZuvoPCMStream2).
#pragma once

#include "engine/audio/pcm_format.h"

class IZuvoPCMStream {
public:
    virtual int GetFormat(PCMFormat* out) = 0;
    // Length of the decoded data in bytes.
    virtual int GetLength() = 0;
    // Copies up to bytes from the read position, advances it, returns the count (0 at the end).
    virtual int Read(void* buffer, int bytes) = 0;
    // Back to the start; an engine error code.
    virtual int Rewind() = 0;

protected:
    // Not deleted through this interface: owners know the concrete type.
    ~IZuvoPCMStream() = default;
};

class IZuvoPCMStream2 : public IZuvoPCMStream {
public:
    virtual int AddRef() = 0;
    // Deletes the object at zero and returns 0, else the new count.
    virtual int Release() = 0;
    virtual ~IZuvoPCMStream2() = default;
    // Decodes the named file into memory; an engine error code.
    virtual int Open(const char* path) = 0;
};
