// DefineMorphShape: a shape that blends between a start and an end state. Two edge lists of the same
// structure and, for every fill and line style, a start and an end value; colours always carry alpha.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/flash_records.h"
#include "swf/flash_shape.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"

class FlashMorphFillStyle {
public:
    virtual ~FlashMorphFillStyle() = default;
    virtual std::unique_ptr<FlashMorphFillStyle> Clone() const = 0;
    virtual void Write(flash_ostream& out) = 0;
    virtual void Read(flash_istream& in) = 0;
    // Bitmap fills follow a renumbered bitmap.
    virtual void ReplaceID(uint16_t, uint16_t) {}
};

// Type 0x00.
class FlashMorphFillStyleSolid : public FlashMorphFillStyle {
public:
    FlashMorphFillStyleSolid() = default;
    FlashMorphFillStyleSolid(const FlashRGBA& s, const FlashRGBA& e) : startColor(s), endColor(e) {}
    std::unique_ptr<FlashMorphFillStyle> Clone() const override { return std::make_unique<FlashMorphFillStyleSolid>(*this); }
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;

    FlashRGBA startColor;
    FlashRGBA endColor;
};

struct FlashMorphGradientEntry {
    uint8_t startRatio = 0;
    FlashRGBA startColor;
    uint8_t endRatio = 0;
    FlashRGBA endColor;
};

// Types 0x10 (linear) and 0x12 (radial).
class FlashMorphFillStyleGradient : public FlashMorphFillStyle {
public:
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;

    FlashMatrix startMatrix;
    FlashMatrix endMatrix;
    std::vector<FlashMorphGradientEntry> gradient;

protected:
    explicit FlashMorphFillStyleGradient(uint8_t type) : type_(type) {}

private:
    uint8_t type_;
};

class FlashMorphFillStyleLinear : public FlashMorphFillStyleGradient {
public:
    FlashMorphFillStyleLinear() : FlashMorphFillStyleGradient(0x10) {}
    std::unique_ptr<FlashMorphFillStyle> Clone() const override { return std::make_unique<FlashMorphFillStyleLinear>(*this); }
};

class FlashMorphFillStyleRadial : public FlashMorphFillStyleGradient {
public:
    FlashMorphFillStyleRadial() : FlashMorphFillStyleGradient(0x12) {}
    std::unique_ptr<FlashMorphFillStyle> Clone() const override { return std::make_unique<FlashMorphFillStyleRadial>(*this); }
};

// Types 0x40 (repeating), 0x41 (clipped) and their unsmoothed forms 0x42, 0x43. Writing it asks
// the movie for the bitmap first, so a bitmap that only morph shapes use is written too.
class FlashMorphFillStyleBitmap : public FlashMorphFillStyle {
public:
    FlashMorphFillStyleBitmap() = default;
    FlashMorphFillStyleBitmap(uint16_t id, bool repeat) : bitmapId(id), repeating(repeat ? 1 : 0) {}
    std::unique_ptr<FlashMorphFillStyle> Clone() const override { return std::make_unique<FlashMorphFillStyleBitmap>(*this); }
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void ReplaceID(uint16_t oldId, uint16_t newId) override {
        if (bitmapId == oldId) bitmapId = newId;
    }

    uint16_t bitmapId = 0;
    FlashMatrix startMatrix;
    FlashMatrix endMatrix;
    uint8_t repeating = 1;
    uint8_t smoothed = 1;  // types 0x42 and 0x43 draw the bitmap without smoothing
};

// An owning list of morph fill styles; copies clone them.
class FlashMorphFillStyles {
public:
    FlashMorphFillStyles() = default;
    FlashMorphFillStyles(const FlashMorphFillStyles& o);
    FlashMorphFillStyles& operator=(const FlashMorphFillStyles& o);
    FlashMorphFillStyles(FlashMorphFillStyles&&) = default;
    FlashMorphFillStyles& operator=(FlashMorphFillStyles&&) = default;
    virtual ~FlashMorphFillStyles() = default;

    std::vector<std::unique_ptr<FlashMorphFillStyle>> styles;
};

// In the file: both widths, then both colours.
struct FlashMorphLineStyle {
    uint16_t startWidth = 0;
    FlashRGBA startColor;
    uint16_t endWidth = 0;
    FlashRGBA endColor;
};

// DefineMorphShape (46).
class FlashTagDefineMorphShape : public FlashIDEnabled {
public:
    FlashTagDefineMorphShape() : FlashIDEnabled(46) {}
    // The bounds written are those of the edges; the stored ones are not used.
    void Write(flash_ostream& out) override;
    // An offset field that does not point at the end edges is reported on the standard error stream
    // and the end edges are read from where the start edges end.
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineMorphShape>(*this); }
    // Its own id and the bitmaps of its fills.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    FlashRect startBounds;
    FlashRect endBounds;
    FlashShape startEdges;
    FlashShape endEdges;
    FlashMorphFillStyles fillStyles;
    std::vector<FlashMorphLineStyle> lineStyles;
};
