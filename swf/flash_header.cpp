// The SWF file header, the tag header and the tag-code names.
#include "swf/flash_header.h"

#include <cstdio>

void FlashHeader::Write(flash_ostream& out) const {
    out.write("FWS", 3);
    WriteU8(out, version);
    WriteU32(out, fileLength + HeaderSize());
    frame.Write(out);
    WriteU8(out, rateFraction);
    WriteU8(out, rateInteger);
    WriteU16(out, frameCount);
}

uint32_t FlashHeader::HeaderSize() const {
    uint32_t rect_bits = 5 + 4 * static_cast<uint32_t>(frame.FieldBits());
    return 12 + (rect_bits + 7) / 8;
}

void FlashTagHeader::Write(flash_ostream& out) { WriteTagHeader(out, code, length); }

void FlashTagHeader::Read(flash_istream& in) {
    uint8_t b[2] = {0, 0};
    in.read(b, 2);
    code = static_cast<uint16_t>((b[1] * 256 + b[0]) >> 6);
    length = b[0] & 63;
    if (length == 63) length = ReadU32(in);
}

void WriteTagHeader(flash_ostream& out, uint16_t code, uint32_t length) {
    uint16_t c = static_cast<uint16_t>(code % 1024);
    if (length >= 63) {
        WriteU16(out, static_cast<uint16_t>(c * 64 + 63));
        WriteU32(out, length);
    } else {
        WriteU16(out, static_cast<uint16_t>(c * 64 + length));
    }
}

std::string flash_tag_name(int code) {
    switch (code) {
        case 0: return "tagEnd";
        case 1: return "tagShowFrame";
        case 2: return "tagDefineShape";
        case 3: return "tagFreeCharacter";
        case 4: return "tagPlaceObject";
        case 5: return "tagRemoveObject";
        case 6: return "tagDefineBits";
        case 7: return "tagDefineButton";
        case 8: return "tagJPEGTables";
        case 9: return "tagSetBackgroundColor";
        case 10: return "tagDefineFont";
        case 11: return "tagDefineText";
        case 12: return "tagDoAction";
        case 13: return "tagDefineFontInfo";
        case 14: return "tagDefineSound";
        case 15: return "tagStartSound";
        case 17: return "tagDefineButtonSound";
        case 18: return "tagSoundStreamHead";
        case 19: return "tagSoundStreamBlock";
        case 20: return "tagDefineBitsLossless";
        case 21: return "tagDefineBitsJPEG2";
        case 22: return "tagDefineShape2";
        case 23: return "tagDefineButtonCxform";
        case 24: return "tagProtect";
        case 26: return "tagPlaceObject2";
        case 28: return "tagRemoveObject2";
        case 32: return "tagDefineShape3";
        case 33: return "tagDefineText2";
        case 34: return "tagDefineButton2";
        case 35: return "tagDefineBitsJPEG3";
        case 36: return "tagDefineBitsLossless2";
        case 37: return "tagDefineEditText";
        case 38: return "tagDefineMovie";
        case 39: return "tagDefineSprite";
        case 40: return "tagNameCharacter";
        case 43: return "tagFrameLabel";
        case 45: return "tagSoundStreamHead2";
        case 46: return "tagDefineMorphShape";
        case 48: return "tagDefineFont2";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "unknown tag %d", code);
            return text;
        }
    }
}
