// Reading, rewinding and reference counting shared by the decoded file sources.
#include "engine/audio/decoded_audio_source.h"

#include <cstring>
#include <new>

#include "engine/api/error_messages.h"

int CDecodedAudioSource::GetFormat(PCMFormat* out) {
    if (out) *out = format;
    return 0;
}

int CDecodedAudioSource::GetLength() { return length_; }

int CDecodedAudioSource::Read(void* buffer, int bytes) {
    if (bytes <= 0 || position_ >= length_) return 0;
    const int n = bytes < length_ - position_ ? bytes : length_ - position_;
    std::memcpy(buffer, reinterpret_cast<const unsigned char*>(samples.data()) + position_,
                static_cast<size_t>(n));
    position_ += n;
    return n;
}

bool CDecodedAudioSource::AppendSamples(const int16_t* pcm, size_t count) {
    return count <= kMaxDecodedSamples - samples.size() && samples.Append(pcm, count);
}

int CDecodedAudioSource::Rewind() { return position_ != 0 ? Open(path_.c_str()) : 0; }

int CDecodedAudioSource::AddRef() { return ++refCount_; }

int CDecodedAudioSource::Release() {
    if (--refCount_ <= 0) {
        delete this;
        return 0;
    }
    return refCount_;
}

int CDecodedAudioSource::Open(const char* path) {
    if (!path) return kErrInvalidArgument;
    const std::string keep(path);  // path may point into path_ itself (Rewind)
    path_ = keep;
    samples.Clear();
    format = PCMFormat{};
    length_ = position_ = 0;
    int rc;
    try {
        rc = Decode(keep.c_str());
    } catch (int code) {
        rc = code;
    } catch (const std::bad_alloc&) {
        rc = kErrOutOfMemory;
    }
    if (rc != 0) {
        samples.Clear();
        return rc;
    }
    samples.ShrinkToFit();
    length_ = static_cast<int32_t>(samples.size() * 2);
    return 0;
}
