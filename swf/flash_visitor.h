// The visitor over tag kinds: the tag reader hands every tag it makes to a visitor, which decides
// what to keep (a movie keeps defining tags, a timeline the control tags). FDefinedVisitor does
// nothing for every kind; derive from it and override what you need.
#pragma once

#include <cstdint>

class FlashTag;
class FlashIDEnabled;
class FlashHeader;
class FlashTagHeader;
class FlashTagDoAction;
class FlashTagSprite;
class FlashTagSoundStreamBlock;
class FlashTagSoundStreamHead2;
class FlashTagSoundStreamHead;
class FlashTagStartSound;
class FlashTagDefineSoundMP3;
class FlashTagDefineSound;
class FlashTagDefineEditBox;
class FlashTagDefineText2;
class FlashTagDefineText;
class FlashTagDefineFontInfo;
class FlashTagDefineFont2;
class FlashTagDefineFont;
class FlashTagDefineButton2;
class FlashTagDefineButton;
class FlashTagDefineMorphShape;
class FlashTagDefineShape3;
class FlashTagDefineShape2;
class FlashTagDefineShape1;
class FlashTagDefineBitsLossless2;
class FlashTagDefineBitsLossless;
class FlashTagDefineBitsJPEG3;
class FlashTagDefineBitsJPEG2;
class FlashTagJPEGTables;
class FlashTagDefineBitsJPEG1;
class FlashTagFreeCharacter;
class FlashTagImportAssets;
class FlashTagExportAssets;
class FlashTagEnd;
class FlashTagProtect;
class FlashTagLabelFrame;
class FlashTagBackgroundColor;
class FlashTagShowFrame;
class FlashTagPlaceObject2;
class FlashTagPlaceObject;
class FlashTagRemoveObject2;
class FlashTagRemoveObject;

// One operation per tag kind, plus the file header and the reader's size reports. The Reserved
// operations have no tag class of their own: Reserved1 takes undecoded character definitions kept
// whole (FlashTagRawCharacter), and a timeline treats Reserved3 like a sound-stream block.
class FVisitor {
public:
    virtual void VisitDoAction(FlashTagDoAction& tag) = 0;
    virtual void Reserved1(FlashIDEnabled& tag) = 0;
    virtual void VisitSprite(FlashTagSprite& tag) = 0;
    virtual void Reserved3(FlashTagSoundStreamBlock& tag) = 0;
    virtual void VisitSoundStreamBlock(FlashTagSoundStreamBlock& tag) = 0;
    virtual void VisitSoundStreamHead2(FlashTagSoundStreamHead2& tag) = 0;
    virtual void VisitSoundStreamHead(FlashTagSoundStreamHead& tag) = 0;
    virtual void VisitStartSound(FlashTagStartSound& tag) = 0;
    virtual void VisitDefineSoundMP3(FlashTagDefineSoundMP3& tag) = 0;
    virtual void VisitDefineSound(FlashTagDefineSound& tag) = 0;
    virtual void VisitDefineEditBox(FlashTagDefineEditBox& tag) = 0;
    virtual void VisitDefineText2(FlashTagDefineText2& tag) = 0;
    virtual void VisitDefineText(FlashTagDefineText& tag) = 0;
    virtual void VisitDefineFontInfo(FlashTagDefineFontInfo& tag) = 0;
    virtual void VisitDefineFont2(FlashTagDefineFont2& tag) = 0;
    virtual void VisitDefineFont(FlashTagDefineFont& tag) = 0;
    virtual void VisitDefineButton2(FlashTagDefineButton2& tag) = 0;
    virtual void VisitDefineButton(FlashTagDefineButton& tag) = 0;
    virtual void VisitDefineMorphShape(FlashTagDefineMorphShape& tag) = 0;
    virtual void VisitDefineShape3(FlashTagDefineShape3& tag) = 0;
    virtual void VisitDefineShape2(FlashTagDefineShape2& tag) = 0;
    virtual void VisitDefineShape1(FlashTagDefineShape1& tag) = 0;
    virtual void VisitDefineBitsLossless2(FlashTagDefineBitsLossless2& tag) = 0;
    virtual void VisitDefineBitsLossless(FlashTagDefineBitsLossless& tag) = 0;
    virtual void VisitDefineBitsJPEG3(FlashTagDefineBitsJPEG3& tag) = 0;
    virtual void VisitDefineBitsJPEG2(FlashTagDefineBitsJPEG2& tag) = 0;
    virtual void VisitJPEGTables(FlashTagJPEGTables& tag) = 0;
    virtual void VisitDefineBitsJPEG1(FlashTagDefineBitsJPEG1& tag) = 0;
    virtual void VisitFreeCharacter(FlashTagFreeCharacter& tag) = 0;
    virtual void Reserved29(FlashTag& tag) = 0;
    virtual void Reserved30(FlashTag& tag) = 0;
    virtual void VisitImportAssets(FlashTagImportAssets& tag) = 0;
    virtual void VisitExportAssets(FlashTagExportAssets& tag) = 0;
    virtual void VisitEnd(FlashTagEnd& tag) = 0;
    virtual void VisitProtect(FlashTagProtect& tag) = 0;
    virtual void VisitLabelFrame(FlashTagLabelFrame& tag) = 0;
    virtual void VisitBackgroundColor(FlashTagBackgroundColor& tag) = 0;
    virtual void VisitShowFrame(FlashTagShowFrame& tag) = 0;
    virtual void VisitPlaceObject2(FlashTagPlaceObject2& tag) = 0;
    virtual void VisitPlaceObject(FlashTagPlaceObject& tag) = 0;
    virtual void VisitRemoveObject2(FlashTagRemoveObject2& tag) = 0;
    virtual void VisitRemoveObject(FlashTagRemoveObject& tag) = 0;
    // The file header, once, before the first tag.
    virtual void VisitHeader(FlashHeader& header) = 0;
    // Nothing calls it.
    virtual bool Reserved43() = 0;
    // The tag's reader stopped count bytes before the end of its body (the rest is skipped).
    virtual void ExtraTagData(uint32_t count, FlashTagHeader& header) = 0;
    // The tag's reader went count bytes past the end of its body, or the data ended inside the tag
    // (count is then the number of bytes missing); reading stops.
    virtual void TagReadTooFar(uint32_t count, FlashTagHeader& header) = 0;
    // A tag whose code has no class of its own (its body is kept as raw data).
    virtual void VisitOtherTag(FlashTag& tag) = 0;

    virtual ~FVisitor() = default;
};

// Does nothing for every operation; Reserved43 returns true.
class FDefinedVisitor : public FVisitor {
public:
    void VisitDoAction(FlashTagDoAction&) override {}
    void Reserved1(FlashIDEnabled&) override {}
    void VisitSprite(FlashTagSprite&) override {}
    void Reserved3(FlashTagSoundStreamBlock&) override {}
    void VisitSoundStreamBlock(FlashTagSoundStreamBlock&) override {}
    void VisitSoundStreamHead2(FlashTagSoundStreamHead2&) override {}
    void VisitSoundStreamHead(FlashTagSoundStreamHead&) override {}
    void VisitStartSound(FlashTagStartSound&) override {}
    void VisitDefineSoundMP3(FlashTagDefineSoundMP3&) override {}
    void VisitDefineSound(FlashTagDefineSound&) override {}
    void VisitDefineEditBox(FlashTagDefineEditBox&) override {}
    void VisitDefineText2(FlashTagDefineText2&) override {}
    void VisitDefineText(FlashTagDefineText&) override {}
    void VisitDefineFontInfo(FlashTagDefineFontInfo&) override {}
    void VisitDefineFont2(FlashTagDefineFont2&) override {}
    void VisitDefineFont(FlashTagDefineFont&) override {}
    void VisitDefineButton2(FlashTagDefineButton2&) override {}
    void VisitDefineButton(FlashTagDefineButton&) override {}
    void VisitDefineMorphShape(FlashTagDefineMorphShape&) override {}
    void VisitDefineShape3(FlashTagDefineShape3&) override {}
    void VisitDefineShape2(FlashTagDefineShape2&) override {}
    void VisitDefineShape1(FlashTagDefineShape1&) override {}
    void VisitDefineBitsLossless2(FlashTagDefineBitsLossless2&) override {}
    void VisitDefineBitsLossless(FlashTagDefineBitsLossless&) override {}
    void VisitDefineBitsJPEG3(FlashTagDefineBitsJPEG3&) override {}
    void VisitDefineBitsJPEG2(FlashTagDefineBitsJPEG2&) override {}
    void VisitJPEGTables(FlashTagJPEGTables&) override {}
    void VisitDefineBitsJPEG1(FlashTagDefineBitsJPEG1&) override {}
    void VisitFreeCharacter(FlashTagFreeCharacter&) override {}
    void Reserved29(FlashTag&) override {}
    void Reserved30(FlashTag&) override {}
    void VisitImportAssets(FlashTagImportAssets&) override {}
    void VisitExportAssets(FlashTagExportAssets&) override {}
    void VisitEnd(FlashTagEnd&) override {}
    void VisitProtect(FlashTagProtect&) override {}
    void VisitLabelFrame(FlashTagLabelFrame&) override {}
    void VisitBackgroundColor(FlashTagBackgroundColor&) override {}
    void VisitShowFrame(FlashTagShowFrame&) override {}
    void VisitPlaceObject2(FlashTagPlaceObject2&) override {}
    void VisitPlaceObject(FlashTagPlaceObject&) override {}
    void VisitRemoveObject2(FlashTagRemoveObject2&) override {}
    void VisitRemoveObject(FlashTagRemoveObject&) override {}
    void VisitHeader(FlashHeader&) override {}
    bool Reserved43() override { return true; }
    void ExtraTagData(uint32_t, FlashTagHeader&) override {}
    void TagReadTooFar(uint32_t, FlashTagHeader&) override {}
    void VisitOtherTag(FlashTag&) override {}
};
