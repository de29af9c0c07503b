// Sound tags, carried as bytes without decoding: DefineSound (plain and MP3), StartSound, the two
// stream heads and the stream blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/flash_tag.h"

// The stream format of the sound-stream heads; a timeline copies it as its stream sound's format.
struct CommonSoundStruct {
    uint8_t playbackRate = 0;
    uint8_t playbackSize = 0;
    uint8_t playbackType = 0;
    uint8_t compression = 0;
    uint8_t streamRate = 0;
    uint8_t streamSize = 0;
    uint8_t streamType = 0;
    int16_t latencySeek = 0;
    uint16_t sampleCount = 0;
};

// SOUNDINFO of StartSound.
struct FlashSoundEnvelopePoint {
    uint32_t position = 0;
    uint16_t leftLevel = 0;
    uint16_t rightLevel = 0;
};

struct FlashSoundInfo {
    // Flag bits 0 in point, 1 out point, 2 loop count, 3 envelope.
    void Read(flash_istream& in);
    void Write(flash_ostream& out) const;

    uint8_t infoFlags = 0;
    uint32_t inPoint = 0;
    uint32_t outPoint = 0;
    uint16_t loopCount = 0;
    std::vector<FlashSoundEnvelopePoint> envelope;
};

// The sound format in the high four bits of a DefineSound flags byte; MP3 data has a SeekSamples
// field in front of it.
enum : uint8_t { kSoundFormatMP3 = 2 };

// DefineSound (code 14): id, flags (format, rate, size, type), sample count, sound data.
class FlashTagDefineSound : public FlashIDEnabled {
public:
    FlashTagDefineSound() : FlashIDEnabled(14) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint8_t soundFlags = 0;
    uint32_t sampleCount = 0;
    std::vector<uint8_t> data;
};

// DefineSound with MP3 data: SeekSamples between the sample count and the data.
class FlashTagDefineSoundMP3 : public FlashTagDefineSound {
public:
    FlashTagDefineSoundMP3() = default;

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    int16_t seekSamples = 0;
};

// StartSound (code 15): sound id and SOUNDINFO.
class FlashTagStartSound : public FlashTag {
public:
    FlashTagStartSound() : FlashTag(15) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint16_t soundId = 0;
    FlashSoundInfo info;
};

// SoundStreamHead (code 18): latencySeek only for compression 2 with a body of 6 bytes.
class FlashTagSoundStreamHead : public FlashTag, public CommonSoundStruct {
public:
    FlashTagSoundStreamHead() : FlashTag(18) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;
};

// SoundStreamHead2 (code 45): latencySeek whenever the compression is 2.
class FlashTagSoundStreamHead2 : public FlashTag, public CommonSoundStruct {
public:
    FlashTagSoundStreamHead2() : FlashTag(45) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;
};

// SoundStreamBlock (code 19): the block's bytes.
class FlashTagSoundStreamBlock : public FlashTag {
public:
    FlashTagSoundStreamBlock() : FlashTag(19) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::vector<uint8_t> data;
};
