// Telling an audio file's format by its first bytes, for files whose extension names no reader
// or a reader that refuses them.
#pragma once

#include <cstddef>

enum class AudioFileKind { kUnknown, kWave, kNist, kOgg, kMpeg };

// The bytes needed to tell every kind apart.
constexpr size_t kAudioSignatureBytes = 12;

// The kind that the first bytes of a file announce (size may be below kAudioSignatureBytes):
// "RIFF" with form "WAVE", "NIST_1A", "OggS", an ID3v2 tag or an MPEG audio frame header.
AudioFileKind IdentifyAudioBytes(const unsigned char* data, size_t size);
// The same for the file at path; kUnknown when it does not open.
AudioFileKind IdentifyAudioFile(const char* path);
