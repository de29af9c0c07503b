// The SWF file header, the tag header with its short and long forms, and the names of tag codes
// used in messages.
#pragma once

#include <cstdint>
#include <string>

#include "swf/flash_records.h"
#include "swf/flash_stream.h"

// The file header after the signature. `fileLength` is the length field as read; the writer is given
// the length of everything after the header and adds the header's own size.
class FlashHeader {
public:
    FlashHeader() = default;
    virtual ~FlashHeader() = default;

    // Signature "FWS", version, fileLength + HeaderSize(), frame, rate (fraction first), frame count.
    void Write(flash_ostream& out) const;
    // 12 + the bytes of the frame RECT: 12 + ceil((5 + 4 * NBits) / 8).
    uint32_t HeaderSize() const;

    uint8_t version = 0;
    uint32_t fileLength = 0;
    FlashRect frame;
    uint8_t rateInteger = 0;  // frames per second as 8.8 fixed point
    uint8_t rateFraction = 0;
    uint16_t frameCount = 0;
};

// The header in front of every tag body: code and body length.
class FlashTagHeader {
public:
    FlashTagHeader() = default;
    FlashTagHeader(uint16_t c, uint32_t len) : code(c), length(len) {}
    virtual ~FlashTagHeader() = default;

    // Short form (one u16) below 63 bytes; from 63 on the u16 with 63 in the length bits and the
    // length as u32. The code is taken modulo 1024.
    virtual void Write(flash_ostream& out);
    // A header that cannot be read whole leaves the stream failed.
    virtual void Read(flash_istream& in);
    // 2 for the short form, 6 for the long form.
    static uint32_t SizeFor(uint32_t length) { return length >= 63 ? 6 : 2; }

    uint16_t code = 0;
    uint32_t length = 0;
};

// Writes a tag header (see FlashTagHeader::Write).
void WriteTagHeader(flash_ostream& out, uint16_t code, uint32_t length);

// "tag" + the SWF tag name for the codes the library names, "unknown tag N" for any other code.
std::string flash_tag_name(int code);

// The SWF tag codes the library names.
enum FlashTagCode : uint16_t {
    kTagEnd = 0,
    kTagShowFrame = 1,
    kTagDefineShape = 2,
    kTagFreeCharacter = 3,
    kTagPlaceObject = 4,
    kTagRemoveObject = 5,
    kTagDefineBits = 6,
    kTagDefineButton = 7,
    kTagJPEGTables = 8,
    kTagSetBackgroundColor = 9,
    kTagDefineFont = 10,
    kTagDefineText = 11,
    kTagDoAction = 12,
    kTagDefineFontInfo = 13,
    kTagDefineSound = 14,
    kTagStartSound = 15,
    kTagDefineButtonSound = 17,
    kTagSoundStreamHead = 18,
    kTagSoundStreamBlock = 19,
    kTagDefineBitsLossless = 20,
    kTagDefineBitsJPEG2 = 21,
    kTagDefineShape2 = 22,
    kTagDefineButtonCxform = 23,
    kTagProtect = 24,
    kTagPlaceObject2 = 26,
    kTagRemoveObject2 = 28,
    kTagDefineShape3 = 32,
    kTagDefineText2 = 33,
    kTagDefineButton2 = 34,
    kTagDefineBitsJPEG3 = 35,
    kTagDefineBitsLossless2 = 36,
    kTagDefineEditText = 37,
    kTagDefineMovie = 38,
    kTagDefineSprite = 39,
    kTagNameCharacter = 40,
    kTagFrameLabel = 43,
    kTagSoundStreamHead2 = 45,
    kTagDefineMorphShape = 46,
    kTagDefineFont2 = 48,
    kTagExportAssets = 56,
    kTagImportAssets = 57,
};
