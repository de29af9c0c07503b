// Engine stream over a decoded PCM source: the application's in-memory range stream or a
// source that a reader plug-in decoded from a file.
#pragma once

#include "engine/audio/pcm_stream.h"
#include "engine/audio/zuvo_pcm_stream.h"

// One thread at a time; no lock.
class CZuvoStream : public CPCMStream {
public:
    ~CZuvoStream() override;

    int Start() override;
    int Read(void* buffer, unsigned* frames) override;

    // Wraps source without taking a reference (the caller keeps it alive). 2 for a null source,
    // 12 for a sample width other than 8 or 16 bits or no channels.
    virtual int Open(IZuvoPCMStream* source);
    // As Open, and keeps one reference to the source, released on destruction.
    virtual int Open2(IZuvoPCMStream2* source);
    virtual int Close();

private:
    IZuvoPCMStream* source = nullptr;
    IZuvoPCMStream2* ownedSource = nullptr;
};
