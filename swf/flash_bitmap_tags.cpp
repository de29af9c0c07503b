// Bitmap tags: DefineBits, DefineBitsJPEG2 and 3, JPEGTables, DefineBitsLossless and Lossless2.
#include "swf/flash_bitmap_tags.h"

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {

// DefineBits and DefineBitsJPEG2 share one layout: id, then the rest of the body.
void ReadIdAndData(FlashIDEnabled& tag, flash_istream& in, std::vector<uint8_t>& data) {
    tag.characterId = ReadU16(in);
    ReadBytes(in, tag.BodyLeft(2), data);
}

void WriteIdAndData(FlashIDEnabled& tag, flash_ostream& out, const std::vector<uint8_t>& data) {
    WriteTagHeader(out, tag.code, static_cast<uint32_t>(data.size()) + 2);
    WriteU16(out, tag.characterId);
    WriteBytes(out, data);
}

}  // namespace

void FlashTagDefineBitsJPEG1::Write(flash_ostream& out) { WriteIdAndData(*this, out, data); }
void FlashTagDefineBitsJPEG1::Read(flash_istream& in) { ReadIdAndData(*this, in, data); }
void FlashTagDefineBitsJPEG1::Accept(FVisitor& visitor) { visitor.VisitDefineBitsJPEG1(*this); }
std::unique_ptr<FlashTag> FlashTagDefineBitsJPEG1::Clone() const {
    return std::make_unique<FlashTagDefineBitsJPEG1>(*this);
}

void FlashTagDefineBitsJPEG2::Write(flash_ostream& out) { WriteIdAndData(*this, out, data); }
void FlashTagDefineBitsJPEG2::Read(flash_istream& in) { ReadIdAndData(*this, in, data); }
void FlashTagDefineBitsJPEG2::Accept(FVisitor& visitor) { visitor.VisitDefineBitsJPEG2(*this); }
std::unique_ptr<FlashTag> FlashTagDefineBitsJPEG2::Clone() const {
    return std::make_unique<FlashTagDefineBitsJPEG2>(*this);
}

void FlashTagDefineBitsJPEG3::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(jpegData.size() + alphaData.size() + 6));
    WriteU16(out, characterId);
    WriteU32(out, static_cast<uint32_t>(jpegData.size()));
    WriteBytes(out, jpegData);
    WriteBytes(out, alphaData);
}

void FlashTagDefineBitsJPEG3::Read(flash_istream& in) {
    characterId = ReadU16(in);
    uint32_t offset = ReadU32(in);
    // An offset beyond the body is a short body: the JPEG part is cut to the body and the stream is
    // moved past its end, so the tag reader reports it.
    uint32_t left = BodyLeft(6);
    ReadBytes(in, offset < left ? offset : left, jpegData);
    if (offset > left) in.ignore(offset - left);
    ReadBytes(in, offset < left ? left - offset : 0, alphaData);
}

void FlashTagDefineBitsJPEG3::Accept(FVisitor& visitor) { visitor.VisitDefineBitsJPEG3(*this); }
std::unique_ptr<FlashTag> FlashTagDefineBitsJPEG3::Clone() const {
    return std::make_unique<FlashTagDefineBitsJPEG3>(*this);
}

void FlashTagJPEGTables::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(data.size()));
    WriteBytes(out, data);
}
void FlashTagJPEGTables::Read(flash_istream& in) { ReadBytes(in, length, data); }
void FlashTagJPEGTables::Accept(FVisitor& visitor) { visitor.VisitJPEGTables(*this); }
std::unique_ptr<FlashTag> FlashTagJPEGTables::Clone() const { return std::make_unique<FlashTagJPEGTables>(*this); }

void FlashTagDefineBitsLossless::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    WriteU16(body, characterId);
    WriteU8(body, format);
    WriteU16(body, width);
    WriteU16(body, height);
    WriteBytes(body, data);
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

void FlashTagDefineBitsLossless::Read(flash_istream& in) {
    characterId = ReadU16(in);
    format = ReadU8(in);
    width = ReadU16(in);
    height = ReadU16(in);
    ReadBytes(in, BodyLeft(7), data);
}

void FlashTagDefineBitsLossless::Accept(FVisitor& visitor) { visitor.VisitDefineBitsLossless(*this); }
std::unique_ptr<FlashTag> FlashTagDefineBitsLossless::Clone() const {
    return std::make_unique<FlashTagDefineBitsLossless>(*this);
}

void FlashTagDefineBitsLossless2::Accept(FVisitor& visitor) { visitor.VisitDefineBitsLossless2(*this); }
std::unique_ptr<FlashTag> FlashTagDefineBitsLossless2::Clone() const {
    return std::make_unique<FlashTagDefineBitsLossless2>(*this);
}
