// The tag table: which class reads each tag code. Codes without an entry (and entries left null)
// are kept as raw FlashTag objects whose bodies are written back unchanged.
#include <array>

#include "swf/flash_actions.h"
#include "swf/flash_bitmap_tags.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_morph.h"
#include "swf/flash_shape.h"
#include "swf/flash_sound_tags.h"
#include "swf/flash_sprite.h"
#include "swf/flash_tag_reader.h"
#include "swf/flash_text.h"

namespace {

template <typename T>
std::unique_ptr<FlashTag> Make(flash_istream&, const FlashTagHeader&) {
    return std::make_unique<T>();
}

// The format sits in the high four bits of the flags byte, the third byte of the body; MP3 data
// carries SeekSamples in front of it. A body too short to hold the byte is read as the plain class
// (and reported by the size check).
std::unique_ptr<FlashTag> MakeDefineSound(flash_istream& in, const FlashTagHeader& header) {
    if (header.length >= 3 && in.remaining() >= 3) {
        uint8_t flags = in.data()[in.tellg() + 2];
        if ((flags >> 4) == kSoundFormatMP3) return std::make_unique<FlashTagDefineSoundMP3>();
    }
    return std::make_unique<FlashTagDefineSound>();
}

struct TableEntry {
    uint16_t code;
    FlashTagFactory factory;
};

const TableEntry kBuiltIn[] = {
    {0, Make<FlashTagEnd>},
    {1, Make<FlashTagShowFrame>},
    {2, Make<FlashTagDefineShape1>},
    {3, Make<FlashTagFreeCharacter>},
    {4, Make<FlashTagPlaceObject>},
    {5, Make<FlashTagRemoveObject>},
    {6, Make<FlashTagDefineBitsJPEG1>},
    {7, Make<FlashTagDefineButton>},
    {8, Make<FlashTagJPEGTables>},
    {9, Make<FlashTagBackgroundColor>},
    {10, Make<FlashTagDefineFont>},
    {11, Make<FlashTagDefineText>},
    {12, Make<FlashTagDoAction>},
    {13, Make<FlashTagDefineFontInfo>},
    {14, MakeDefineSound},
    {15, Make<FlashTagStartSound>},
    {18, Make<FlashTagSoundStreamHead>},
    {19, Make<FlashTagSoundStreamBlock>},
    {20, Make<FlashTagDefineBitsLossless>},
    {21, Make<FlashTagDefineBitsJPEG2>},
    {22, Make<FlashTagDefineShape2>},
    {24, Make<FlashTagProtect>},
    {26, Make<FlashTagPlaceObject2>},
    {28, Make<FlashTagRemoveObject2>},
    {32, Make<FlashTagDefineShape3>},
    {33, Make<FlashTagDefineText2>},
    {34, Make<FlashTagDefineButton2>},
    {35, Make<FlashTagDefineBitsJPEG3>},
    {36, Make<FlashTagDefineBitsLossless2>},
    {37, Make<FlashTagDefineEditBox>},
    {39, Make<FlashTagSprite>},
    {43, Make<FlashTagLabelFrame>},
    {45, Make<FlashTagSoundStreamHead2>},
    {46, Make<FlashTagDefineMorphShape>},
    {48, Make<FlashTagDefineFont2>},
    {56, Make<FlashTagExportAssets>},
    {57, Make<FlashTagImportAssets>},
};

std::array<FlashTagFactory, 1024>& Table() {
    static std::array<FlashTagFactory, 1024> table = [] {
        std::array<FlashTagFactory, 1024> t{};
        for (const auto& e : kBuiltIn) t[e.code] = e.factory;
        return t;
    }();
    return table;
}

}  // namespace

FlashTagFactory GetFlashTagFactory(uint16_t code) { return code < 1024 ? Table()[code] : nullptr; }

FlashTagFactory RegisterFlashTagFactory(uint16_t code, FlashTagFactory factory) {
    if (code >= 1024) return nullptr;
    FlashTagFactory before = Table()[code];
    Table()[code] = factory;
    return before;
}

std::unique_ptr<FlashTag> MakeFlashTag(flash_istream& in, const FlashTagHeader& header) {
    FlashTagFactory factory = GetFlashTagFactory(header.code);
    std::unique_ptr<FlashTag> tag = factory ? factory(in, header) : nullptr;
    if (!tag) tag = std::make_unique<FlashTag>(header.code);
    return tag;
}
