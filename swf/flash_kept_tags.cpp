// Undecoded character definitions and the character ids named by the tags a timeline keeps as read.
#include "swf/flash_kept_tags.h"

#include <algorithm>
#include <typeinfo>

#include "swf/flash_control_tags.h"
#include "swf/flash_header.h"
#include "swf/flash_sound_tags.h"
#include "swf/flash_visitor.h"

namespace {

enum : uint16_t {
    kCodeDefineButtonSound = 17,
    kCodeDefineButtonCxform = 23,
    kCodeDoInitAction = 59,
    kCodeDefineVideoStream = 60,
    kCodeVideoFrame = 61,
    kCodeDefineFontInfo2 = 62,
    kCodePlaceObject3 = 70,
    kCodeDefineFontAlignZones = 73,
    kCodeCSMTextSettings = 74,
    kCodeDefineFont3 = 75,
    kCodeSymbolClass = 76,
    kCodeDefineScalingGrid = 78,
    kCodeDefineShape4 = 83,
    kCodeDefineMorphShape2 = 84,
    kCodeDefineBinaryData = 87,
    kCodeDefineFontName = 88,
    kCodeDefineBitsJPEG4 = 90,
    kCodeDefineFont4 = 91,
};

uint16_t U16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// The offset just past the 0 that ends a string starting at `at`, or the body size when none does.
size_t SkipCString(const std::vector<uint8_t>& b, size_t at) {
    while (at < b.size() && b[at] != 0) ++at;
    return at < b.size() ? at + 1 : b.size();
}

}  // namespace

bool IsUndecodedCharacterCode(uint16_t code) {
    switch (code) {
        case kCodeDefineVideoStream:
        case kCodeDefineFont3:
        case kCodeDefineShape4:
        case kCodeDefineMorphShape2:
        case kCodeDefineBinaryData:
        case kCodeDefineBitsJPEG4:
        case kCodeDefineFont4: return true;
        default: return false;
    }
}

FlashTagRawCharacter::FlashTagRawCharacter(const FlashTag& raw) : FlashIDEnabled(raw.code) {
    length = raw.length;
    if (raw.rawData.size() >= 2) {
        characterId = U16At(raw.rawData, 0);
        body.assign(raw.rawData.begin() + 2, raw.rawData.end());
    }
}

void FlashTagRawCharacter::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size() + 2));
    WriteU16(out, characterId);
    WriteBytes(out, body);
}

void FlashTagRawCharacter::Read(flash_istream& in) {
    characterId = ReadU16(in);
    uint32_t left = BodyLeft(2);
    if (left > in.remaining()) left = static_cast<uint32_t>(in.remaining());
    body.resize(left);
    in.read(body.data(), left);
}

void FlashTagRawCharacter::Accept(FVisitor& visitor) { visitor.Reserved1(*this); }

std::vector<size_t> RawTagIdOffsets(uint16_t code, const std::vector<uint8_t>& body) {
    std::vector<size_t> at;
    switch (code) {
        case kCodeDefineButtonSound:
        case kCodeDefineButtonCxform:
        case kCodeDoInitAction:
        case kCodeVideoFrame:
        case kCodeDefineFontInfo2:
        case kCodeDefineFontAlignZones:
        case kCodeCSMTextSettings:
        case kCodeDefineScalingGrid:
        case kCodeDefineFontName:
            if (body.size() >= 2) at.push_back(0);
            break;
        case kCodeSymbolClass: {
            if (body.size() < 2) break;
            size_t count = U16At(body, 0), pos = 2;
            for (size_t i = 0; i < count && pos + 2 <= body.size(); ++i) {
                at.push_back(pos);
                pos = SkipCString(body, pos + 2);
            }
            break;
        }
        case kCodePlaceObject3: {
            // Two flag bytes and the depth; a class name comes before the character when flagged.
            if (body.size() < 4) break;
            bool hasCharacter = body[0] & 0x02;
            bool hasClassName = (body[1] & 0x08) || ((body[1] & 0x10) && hasCharacter);
            size_t pos = 4;
            if (hasClassName) pos = SkipCString(body, pos);
            if (hasCharacter && pos + 2 <= body.size()) at.push_back(pos);
            break;
        }
        default: break;
    }
    return at;
}

bool IsRawTag(const FlashTag& tag) { return typeid(tag) == typeid(FlashTag); }

std::vector<uint16_t> KeptTagCharacters(const FlashTag& tag) {
    std::vector<uint16_t> ids;
    if (IsRawTag(tag)) {
        for (size_t at : RawTagIdOffsets(tag.code, tag.rawData)) ids.push_back(U16At(tag.rawData, at));
    } else if (auto* sound = dynamic_cast<const FlashTagStartSound*>(&tag)) {
        ids.push_back(sound->soundId);
    } else if (auto* exports = dynamic_cast<const FlashTagExportAssets*>(&tag)) {
        ids = exports->ids;
    }
    ids.erase(std::remove(ids.begin(), ids.end(), 0), ids.end());
    return ids;
}

std::unique_ptr<FlashTag> KeptTagWithReplacedID(const FlashTag& tag, uint16_t oldId, uint16_t newId) {
    std::vector<uint16_t> ids = KeptTagCharacters(tag);
    if (std::find(ids.begin(), ids.end(), oldId) == ids.end()) return nullptr;
    std::unique_ptr<FlashTag> copy = tag.Clone();
    if (IsRawTag(*copy)) {
        for (size_t at : RawTagIdOffsets(copy->code, copy->rawData))
            if (U16At(copy->rawData, at) == oldId) {
                copy->rawData[at] = static_cast<uint8_t>(newId);
                copy->rawData[at + 1] = static_cast<uint8_t>(newId >> 8);
            }
    } else if (auto* sound = dynamic_cast<FlashTagStartSound*>(copy.get())) {
        sound->soundId = newId;
    } else if (auto* exports = dynamic_cast<FlashTagExportAssets*>(copy.get())) {
        std::replace(exports->ids.begin(), exports->ids.end(), oldId, newId);
    }
    return copy;
}
