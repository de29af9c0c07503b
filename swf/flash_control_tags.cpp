// The small control tags: End, ShowFrame, FreeCharacter, SetBackgroundColor, Protect and the asset
// lists.
#include "swf/flash_control_tags.h"

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {

size_t CStringLength(const std::string& s) {
    size_t n = s.find('\0');
    return n == std::string::npos ? s.size() : n;
}

uint32_t AssetListLength(const std::vector<std::string>& names) {
    uint32_t n = 2;
    for (const auto& name : names) n += static_cast<uint32_t>(CStringLength(name)) + 3;
    return n;
}

// The count comes from the file: entries stop with the data, so a large count costs nothing.
void ReadAssetList(flash_istream& in, std::vector<uint16_t>& ids, std::vector<std::string>& names) {
    ids.clear();
    names.clear();
    uint16_t count = ReadU16(in);
    for (uint16_t i = 0; i < count && in.good(); ++i) {
        ids.push_back(ReadU16(in));
        names.emplace_back();
        ReadCString(in, names.back());
    }
}

void WriteAssetList(flash_ostream& out, const std::vector<uint16_t>& ids, const std::vector<std::string>& names) {
    WriteU16(out, static_cast<uint16_t>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        WriteU16(out, i < ids.size() ? ids[i] : 0);
        WriteStringBytes(out, names[i]);
        out.PutByte(0);
    }
}

}  // namespace

void FlashTagEnd::Write(flash_ostream& out) { WriteTagHeader(out, code, 0); }
void FlashTagEnd::Accept(FVisitor& visitor) { visitor.VisitEnd(*this); }
std::unique_ptr<FlashTag> FlashTagEnd::Clone() const { return std::make_unique<FlashTagEnd>(*this); }

void FlashTagShowFrame::Write(flash_ostream& out) { WriteTagHeader(out, code, 0); }
void FlashTagShowFrame::Accept(FVisitor& visitor) { visitor.VisitShowFrame(*this); }
std::unique_ptr<FlashTag> FlashTagShowFrame::Clone() const { return std::make_unique<FlashTagShowFrame>(*this); }

void FlashTagFreeCharacter::Write(flash_ostream& out) {
    WriteTagHeader(out, code, 2);
    WriteU16(out, characterId);
}
void FlashTagFreeCharacter::Read(flash_istream& in) { characterId = ReadU16(in); }
void FlashTagFreeCharacter::Accept(FVisitor& visitor) { visitor.VisitFreeCharacter(*this); }
std::unique_ptr<FlashTag> FlashTagFreeCharacter::Clone() const { return std::make_unique<FlashTagFreeCharacter>(*this); }

void FlashTagBackgroundColor::Write(flash_ostream& out) {
    WriteTagHeader(out, code, 3);
    uint8_t rgb[3] = {red, green, blue};
    out.write(rgb, 3);
}
void FlashTagBackgroundColor::Read(flash_istream& in) {
    red = ReadU8(in);
    green = ReadU8(in);
    blue = ReadU8(in);
}
void FlashTagBackgroundColor::Accept(FVisitor& visitor) { visitor.VisitBackgroundColor(*this); }
std::unique_ptr<FlashTag> FlashTagBackgroundColor::Clone() const {
    return std::make_unique<FlashTagBackgroundColor>(*this);
}

void FlashTagProtect::Write(flash_ostream& out) {
    if (!hasPassword) {
        WriteTagHeader(out, code, 0);
        return;
    }
    WriteTagHeader(out, code, static_cast<uint32_t>(CStringLength(password)) + 1);
    WriteStringBytes(out, password);
    out.PutByte(0);
}
void FlashTagProtect::Read(flash_istream& in) {
    if (length == 0) return;
    std::string more;
    ReadCString(in, more);
    password += more;
    hasPassword = 1;
}
void FlashTagProtect::Accept(FVisitor& visitor) { visitor.VisitProtect(*this); }
std::unique_ptr<FlashTag> FlashTagProtect::Clone() const { return std::make_unique<FlashTagProtect>(*this); }

void FlashTagExportAssets::Write(flash_ostream& out) {
    WriteTagHeader(out, code, AssetListLength(names));
    WriteAssetList(out, ids, names);
}
void FlashTagExportAssets::Read(flash_istream& in) { ReadAssetList(in, ids, names); }
void FlashTagExportAssets::Accept(FVisitor& visitor) { visitor.VisitExportAssets(*this); }
std::unique_ptr<FlashTag> FlashTagExportAssets::Clone() const { return std::make_unique<FlashTagExportAssets>(*this); }

void FlashTagImportAssets::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(CStringLength(url)) + 1 + AssetListLength(names));
    WriteStringBytes(out, url);
    out.PutByte(0);
    WriteAssetList(out, ids, names);
}
void FlashTagImportAssets::Read(flash_istream& in) {
    ReadCString(in, url);
    ReadAssetList(in, ids, names);
}
void FlashTagImportAssets::Accept(FVisitor& visitor) { visitor.VisitImportAssets(*this); }
std::unique_ptr<FlashTag> FlashTagImportAssets::Clone() const { return std::make_unique<FlashTagImportAssets>(*this); }
