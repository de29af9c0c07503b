// Sound tags: DefineSound, StartSound, the sound-stream heads and blocks.
#include "swf/flash_sound_tags.h"

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

void FlashSoundInfo::Read(flash_istream& in) {
    infoFlags = ReadU8(in);
    if (infoFlags & 1) inPoint = ReadU32(in);
    if (infoFlags & 2) outPoint = ReadU32(in);
    if (infoFlags & 4) loopCount = ReadU16(in);
    envelope.clear();
    if (infoFlags & 8) {
        int n = ReadU8(in);
        for (int i = 0; i < n && in.good(); ++i) {
            FlashSoundEnvelopePoint p;
            p.position = ReadU32(in);
            p.leftLevel = ReadU16(in);
            p.rightLevel = ReadU16(in);
            envelope.push_back(p);
        }
    }
}

void FlashSoundInfo::Write(flash_ostream& out) const {
    WriteU8(out, infoFlags);
    if (infoFlags & 1) WriteU32(out, inPoint);
    if (infoFlags & 2) WriteU32(out, outPoint);
    if (infoFlags & 4) WriteU16(out, loopCount);
    if (infoFlags & 8) {
        WriteU8(out, static_cast<uint8_t>(envelope.size()));
        for (size_t i = 0; i < envelope.size() && i < 255; ++i) {
            WriteU32(out, envelope[i].position);
            WriteU16(out, envelope[i].leftLevel);
            WriteU16(out, envelope[i].rightLevel);
        }
    }
}

void FlashTagDefineSound::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(data.size()) + 7);
    WriteU16(out, characterId);
    WriteU8(out, soundFlags);
    WriteU32(out, sampleCount);
    WriteBytes(out, data);
}

void FlashTagDefineSound::Read(flash_istream& in) {
    characterId = ReadU16(in);
    soundFlags = ReadU8(in);
    sampleCount = ReadU32(in);
    ReadBytes(in, BodyLeft(7), data);
}

void FlashTagDefineSound::Accept(FVisitor& visitor) { visitor.VisitDefineSound(*this); }
std::unique_ptr<FlashTag> FlashTagDefineSound::Clone() const { return std::make_unique<FlashTagDefineSound>(*this); }

void FlashTagDefineSoundMP3::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(data.size()) + 9);
    WriteU16(out, characterId);
    WriteU8(out, soundFlags);
    WriteU32(out, sampleCount);
    WriteU16(out, static_cast<uint16_t>(seekSamples));
    WriteBytes(out, data);
}

void FlashTagDefineSoundMP3::Read(flash_istream& in) {
    characterId = ReadU16(in);
    soundFlags = ReadU8(in);
    sampleCount = ReadU32(in);
    seekSamples = static_cast<int16_t>(ReadU16(in));
    ReadBytes(in, BodyLeft(9), data);
}

void FlashTagDefineSoundMP3::Accept(FVisitor& visitor) { visitor.VisitDefineSoundMP3(*this); }
std::unique_ptr<FlashTag> FlashTagDefineSoundMP3::Clone() const {
    return std::make_unique<FlashTagDefineSoundMP3>(*this);
}

void FlashTagStartSound::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    WriteU16(body, soundId);
    info.Write(body);
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

void FlashTagStartSound::Read(flash_istream& in) {
    soundId = ReadU16(in);
    info.Read(in);
}

void FlashTagStartSound::Accept(FVisitor& visitor) { visitor.VisitStartSound(*this); }
std::unique_ptr<FlashTag> FlashTagStartSound::Clone() const { return std::make_unique<FlashTagStartSound>(*this); }

namespace {

void ReadStreamFormat(flash_istream& in, CommonSoundStruct& s, bool latency_allowed) {
    uint8_t b0 = ReadU8(in);
    s.playbackRate = (b0 >> 2) & 3;
    s.playbackSize = (b0 >> 1) & 1;
    s.playbackType = b0 & 1;
    uint8_t b1 = ReadU8(in);
    s.compression = (b1 >> 4) & 15;
    s.streamRate = (b1 >> 2) & 3;
    s.streamSize = (b1 >> 1) & 1;
    s.streamType = b1 & 1;
    s.sampleCount = ReadU16(in);
    if (s.compression == kSoundFormatMP3 && latency_allowed) s.latencySeek = static_cast<int16_t>(ReadU16(in));
}

void WriteStreamFormat(flash_ostream& out, uint16_t code, const CommonSoundStruct& s) {
    bool latency = s.compression == kSoundFormatMP3;
    WriteTagHeader(out, code, latency ? 6 : 4);
    WriteU8(out, static_cast<uint8_t>(s.playbackRate * 4 + s.playbackSize * 2 + s.playbackType));
    WriteU8(out, static_cast<uint8_t>(s.compression * 16 + s.streamRate * 4 + s.streamSize * 2 + s.streamType));
    WriteU16(out, s.sampleCount);
    if (latency) WriteU16(out, static_cast<uint16_t>(s.latencySeek));
}

}  // namespace

void FlashTagSoundStreamHead::Write(flash_ostream& out) { WriteStreamFormat(out, code, *this); }
void FlashTagSoundStreamHead::Read(flash_istream& in) { ReadStreamFormat(in, *this, length == 6); }
void FlashTagSoundStreamHead::Accept(FVisitor& visitor) { visitor.VisitSoundStreamHead(*this); }
std::unique_ptr<FlashTag> FlashTagSoundStreamHead::Clone() const {
    return std::make_unique<FlashTagSoundStreamHead>(*this);
}

void FlashTagSoundStreamHead2::Write(flash_ostream& out) { WriteStreamFormat(out, code, *this); }
void FlashTagSoundStreamHead2::Read(flash_istream& in) { ReadStreamFormat(in, *this, true); }
void FlashTagSoundStreamHead2::Accept(FVisitor& visitor) { visitor.VisitSoundStreamHead2(*this); }
std::unique_ptr<FlashTag> FlashTagSoundStreamHead2::Clone() const {
    return std::make_unique<FlashTagSoundStreamHead2>(*this);
}

void FlashTagSoundStreamBlock::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(data.size()));
    WriteBytes(out, data);
}
void FlashTagSoundStreamBlock::Read(flash_istream& in) { ReadBytes(in, length, data); }
void FlashTagSoundStreamBlock::Accept(FVisitor& visitor) { visitor.VisitSoundStreamBlock(*this); }
std::unique_ptr<FlashTag> FlashTagSoundStreamBlock::Clone() const {
    return std::make_unique<FlashTagSoundStreamBlock>(*this);
}
