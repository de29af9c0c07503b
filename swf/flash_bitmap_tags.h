// Bitmap tags, carried as bytes without decoding: the JPEG kinds, the shared JPEG tables and the
// lossless (zlib) bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/flash_tag.h"

// DefineBits (code 6): id, JPEG data that uses the shared tables.
class FlashTagDefineBitsJPEG1 : public FlashIDEnabled {
public:
    FlashTagDefineBitsJPEG1() : FlashIDEnabled(6) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::vector<uint8_t> data;
};

// DefineBitsJPEG2 (code 21): id, complete JPEG data.
class FlashTagDefineBitsJPEG2 : public FlashIDEnabled {
public:
    FlashTagDefineBitsJPEG2() : FlashIDEnabled(21) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::vector<uint8_t> data;
};

// DefineBitsJPEG3 (code 35): id, JPEG data size, JPEG data, zlib alpha data.
class FlashTagDefineBitsJPEG3 : public FlashIDEnabled {
public:
    FlashTagDefineBitsJPEG3() : FlashIDEnabled(35) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::vector<uint8_t> jpegData;
    std::vector<uint8_t> alphaData;
};

// JPEGTables (code 8): the tables shared by every DefineBits.
class FlashTagJPEGTables : public FlashTag {
public:
    FlashTagJPEGTables() : FlashTag(8) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::vector<uint8_t> data;
};

// DefineBitsLossless (code 20): id, format, width, height, then everything after the height (the
// colour-table size byte included).
class FlashTagDefineBitsLossless : public FlashIDEnabled {
public:
    FlashTagDefineBitsLossless() : FlashIDEnabled(20) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint8_t format = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint8_t> data;

protected:
    explicit FlashTagDefineBitsLossless(uint16_t c) : FlashIDEnabled(c) {}
};

// DefineBitsLossless2 (code 36): the same layout with alpha in the pixels.
class FlashTagDefineBitsLossless2 : public FlashTagDefineBitsLossless {
public:
    FlashTagDefineBitsLossless2() : FlashTagDefineBitsLossless(36) {}

    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;
};
