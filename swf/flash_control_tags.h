// The small control tags with flat bodies: End, ShowFrame, FreeCharacter, SetBackgroundColor,
// Protect, ExportAssets and ImportAssets.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_tag.h"

// End (code 0): empty body; the last tag of a file or sprite.
class FlashTagEnd : public FlashTag {
public:
    FlashTagEnd() : FlashTag(0) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream&) override {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;
};

// ShowFrame (code 1): empty body; ends a frame.
class FlashTagShowFrame : public FlashTag {
public:
    FlashTagShowFrame() : FlashTag(1) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream&) override {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;
};

// FreeCharacter (code 3): a character id.
class FlashTagFreeCharacter : public FlashTag {
public:
    FlashTagFreeCharacter() : FlashTag(3) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint16_t characterId = 0;
};

// SetBackgroundColor (code 9): red, green, blue.
class FlashTagBackgroundColor : public FlashTag {
public:
    FlashTagBackgroundColor() : FlashTag(9) {}
    FlashTagBackgroundColor(uint8_t r, uint8_t g, uint8_t b) : FlashTag(9), red(r), green(g), blue(b) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// Protect (code 24): an empty body, or a 0-terminated password.
class FlashTagProtect : public FlashTag {
public:
    FlashTagProtect() : FlashTag(24) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint8_t hasPassword = 0;
    std::string password;
};

// ExportAssets (code 56): a count, then pairs of character id and 0-terminated name.
class FlashTagExportAssets : public FlashTag {
public:
    FlashTagExportAssets() : FlashTag(56) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::vector<uint16_t> ids;
    std::vector<std::string> names;
};

// ImportAssets (code 57): a 0-terminated URL, then the same list as ExportAssets.
class FlashTagImportAssets : public FlashTag {
public:
    FlashTagImportAssets() : FlashTag(57) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::string url;
    std::vector<uint16_t> ids;
    std::vector<std::string> names;
};
