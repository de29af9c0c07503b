// Vector graphics of SWF: fill and line styles with their arrays, the four shape records, the bare
// shape of font glyphs and morph shapes, the shape with its own styles and the DefineShape tags.
// Every record takes its version from the enclosing tag; the version decides whether colours carry
// alpha and whether a style count byte of 0xFF introduces a 16-bit count.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "swf/flash_bits.h"
#include "swf/flash_records.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"

// ---- Fill styles ----

// Base of the fill styles. A style array makes the kind its type byte names.
class FlashFillStyle : public FlashVersionEnabled {
public:
    ~FlashFillStyle() override = default;
    virtual void Write(flash_ostream& out) = 0;
    virtual void Read(flash_istream& in) = 0;
    virtual std::unique_ptr<FlashFillStyle> Clone() const = 0;
    // Fills that name a character (bitmaps) follow a renumbered id.
    virtual void ReplaceID(uint16_t oldId, uint16_t newId) {
        (void)oldId;
        (void)newId;
    }
};

// Type 0x00: one colour, RGBA when the version is above 2.
class FlashFillStyleSolid : public FlashFillStyle {
public:
    FlashFillStyleSolid() = default;
    explicit FlashFillStyleSolid(const FlashRGBA& c) : color(c) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    std::unique_ptr<FlashFillStyle> Clone() const override { return std::make_unique<FlashFillStyleSolid>(*this); }

    FlashRGBA color;
};

// The control points of a gradient: parallel ratios and colours.
class FlashGradientRecord : public FlashVersionEnabled {
public:
    // A count byte, then per point a ratio byte and a colour (RGBA when the version is above 2).
    void Write(flash_ostream& out) const;
    void Read(flash_istream& in);

    std::vector<uint8_t> ratios;
    std::vector<FlashRGBA> colors;
};

// Types 0x10 (linear) and 0x12 (radial).
class FlashFillStyleGradient : public FlashFillStyle {
public:
    explicit FlashFillStyleGradient(uint8_t t = 0x10) : type(t) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    std::unique_ptr<FlashFillStyle> Clone() const override { return std::make_unique<FlashFillStyleGradient>(*this); }

    uint8_t type;
    FlashMatrix matrix;
    FlashGradientRecord gradient;
};

// Types 0x40 (repeating), 0x41 (clipped) and their unsmoothed forms 0x42, 0x43. Writing it asks
// the movie for the bitmap first.
class FlashFillStyleBitmap : public FlashFillStyle {
public:
    FlashFillStyleBitmap() = default;
    FlashFillStyleBitmap(uint16_t id, bool repeat) : bitmapId(id), repeating(repeat ? 1 : 0) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    std::unique_ptr<FlashFillStyle> Clone() const override { return std::make_unique<FlashFillStyleBitmap>(*this); }
    void ReplaceID(uint16_t oldId, uint16_t newId) override {
        if (bitmapId == oldId) bitmapId = newId;
    }

    uint16_t bitmapId = 0;
    FlashMatrix matrix;
    uint8_t repeating = 1;
    uint8_t smoothed = 1;  // types 0x42 and 0x43 draw the bitmap without smoothing
};

// Style counts: one byte below 255, else 0xFF and a u16, the extended form (above version 1). At
// version 1 a byte is all there is, so 0xFF means 255. The writer returns how many styles the
// count it wrote announces (at most 255 or 65,535): the caller writes exactly that many.
size_t WriteStyleCount(flash_ostream& out, size_t count, bool extended);
uint32_t ReadStyleCount(flash_istream& in, bool extended);

// An owning array of fill styles; copies clone every style.
class FlashFillStyleArray : public FlashVersionEnabled {
public:
    FlashFillStyleArray() = default;
    FlashFillStyleArray(const FlashFillStyleArray& o);
    FlashFillStyleArray& operator=(const FlashFillStyleArray& o);
    FlashFillStyleArray(FlashFillStyleArray&&) = default;
    FlashFillStyleArray& operator=(FlashFillStyleArray&&) = default;

    // Every style is given the array's version first.
    void Write(flash_ostream& out);
    // An unknown type byte is reported on the standard error stream and skipped (the entry counts
    // as read). Stops early when the data ends.
    void Read(flash_istream& in);
    void ReplaceID(uint16_t oldId, uint16_t newId);

    std::vector<std::unique_ptr<FlashFillStyle>> styles;
};

// A line: width in twips and a colour (RGBA when the version is above 2).
class FlashLineStyle : public FlashVersionEnabled {
public:
    FlashLineStyle() = default;
    FlashLineStyle(uint16_t w, const FlashRGBA& c) : width(w), color(c) {}
    void Write(flash_ostream& out) const;
    void Read(flash_istream& in);

    uint16_t width = 0;
    FlashRGBA color;
};

class FlashLineStyleArray : public FlashVersionEnabled {
public:
    void Write(flash_ostream& out);
    void Read(flash_istream& in);

    std::vector<FlashLineStyle> styles;
};

// ---- Shape records ----

// The state shared by the records of one shape while it is read or written: the current widths of
// the style indexes, and the byte streams the bit reader or buffer work on (style changes with new
// styles switch to bytes in the middle of the bit stream).
struct FlashShapeRecordContext {
    int32_t fillBits = 0;
    int32_t lineBits = 0;
    flash_istream* in = nullptr;
    flash_ostream* out = nullptr;
};

class FlashShapeRecord : public FlashVersionEnabled {
public:
    ~FlashShapeRecord() override = default;
    virtual void Write(flash_bit_buffer& bits, FlashShapeRecordContext& context) = 0;
    virtual void Read(flash_bit_reader& bits, FlashShapeRecordContext& context) = 0;
};

// A style change: pen move, style indexes (1-based, 0 for none) and optionally new style arrays,
// which also change the index widths of the records after it.
class FlashShapeRecordChange : public FlashShapeRecord {
public:
    // Writes its own type bit and flags.
    void Write(flash_bit_buffer& bits, FlashShapeRecordContext& context) override;
    // Reads what follows the five flags (set by the shape reader).
    void Read(flash_bit_reader& bits, FlashShapeRecordContext& context) override;

    uint8_t stateNewStyles = 0;
    uint8_t stateLineStyle = 0;
    uint8_t stateFillStyle1 = 0;
    uint8_t stateFillStyle0 = 0;
    uint8_t stateMoveTo = 0;
    uint16_t fillStyle0 = 0;
    uint16_t fillStyle1 = 0;
    uint16_t lineStyle = 0;
    int32_t moveDeltaX = 0;  // pen position relative to the shape origin
    int32_t moveDeltaY = 0;
    FlashFillStyleArray fillStyles;
    FlashLineStyleArray lineStyles;
};

// A straight edge. Deltas keep the full 17-bit range of the format.
class FlashShapeRecordStraight : public FlashShapeRecord {
public:
    FlashShapeRecordStraight() = default;
    FlashShapeRecordStraight(int32_t dx, int32_t dy) : deltaX(dx), deltaY(dy) {}
    void Write(flash_bit_buffer& bits, FlashShapeRecordContext& context) override;
    // Reads what follows the type and straight flags.
    void Read(flash_bit_reader& bits, FlashShapeRecordContext& context) override;

    int32_t deltaX = 0;
    int32_t deltaY = 0;
};

// A quadratic curve: the control point relative to the pen, the anchor relative to the control point.
class FlashShapeRecordCurved : public FlashShapeRecord {
public:
    FlashShapeRecordCurved() = default;
    FlashShapeRecordCurved(int32_t cx, int32_t cy, int32_t ax, int32_t ay)
        : anchorDeltaX(ax), anchorDeltaY(ay), controlDeltaX(cx), controlDeltaY(cy) {}
    void Write(flash_bit_buffer& bits, FlashShapeRecordContext& context) override;
    void Read(flash_bit_reader& bits, FlashShapeRecordContext& context) override;

    int32_t anchorDeltaX = 0;
    int32_t anchorDeltaY = 0;
    int32_t controlDeltaX = 0;
    int32_t controlDeltaY = 0;
};

// The end of a shape's records; never stored, the shape writer adds it.
class FlashShapeRecordEnd : public FlashShapeRecord {
public:
    void Write(flash_bit_buffer& bits, FlashShapeRecordContext& context) override;
    void Read(flash_bit_reader&, FlashShapeRecordContext&) override {}
};

// Kinds in FlashShape::recordOrder.
enum : int32_t { kShapeRecordChange = 0, kShapeRecordStraight = 1, kShapeRecordCurved = 2 };

// A shape without styles of its own (font glyphs, morph edges): the records by kind, and their order.
class FlashShape {
public:
    FlashShape() = default;
    virtual ~FlashShape() = default;

    // Appends a record and notes its place in the order.
    void AddRecord(const FlashShapeRecordChange& r);
    void AddRecord(const FlashShapeRecordStraight& r);
    void AddRecord(const FlashShapeRecordCurved& r);
    size_t RecordCount() const { return recordOrder.size(); }

    // Widths of 0 are raised to 1 and stored in numFillBits and numLineBits.
    void Write(flash_ostream& out, uint16_t fillBits, uint16_t lineBits);
    // Records until the end record; the shape ends on a byte boundary.
    void Read(flash_istream& in);
    // The smallest rectangle holding every pen position and control point of the edges; false (and
    // a zero rectangle) when the shape has no edge.
    bool ComputeBounds(FlashRect& bounds) const;

    uint16_t numFillBits = 0;
    uint16_t numLineBits = 0;
    std::vector<FlashShapeRecordChange> changeRecords;
    std::vector<FlashShapeRecordStraight> straightRecords;
    std::vector<FlashShapeRecordCurved> curvedRecords;
    std::vector<std::pair<int32_t, int32_t>> recordOrder;  // (kind, index in that kind's vector)

protected:
    void ReadRecords(flash_bit_reader& bits, FlashShapeRecordContext& context, const int* version);
    void WriteRecords(flash_bit_buffer& bits, FlashShapeRecordContext& context, const int* version);
};

// A shape with the style arrays its first records index (DefineShape).
class FlashShapeWithStyle : public FlashVersionEnabled, public FlashShape {
public:
    // Styles, then the index widths from the style counts (not raised: no fill styles writes 0),
    // then the records, each given the shape's version.
    void Write(flash_ostream& out);
    void Read(flash_istream& in);

    FlashFillStyleArray fillStyles;
    FlashLineStyleArray lineStyles;
};

// ---- DefineShape tags ----

// DefineShape (2, version 1), DefineShape2 (22, version 2), DefineShape3 (32, version 3).
class FlashTagDefineShapeBase : public FlashIDEnabled {
public:
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    // Its own id, and the bitmap fills of its styles, including the new styles of style changes.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    FlashRect bounds;
    FlashShapeWithStyle shape;
    int32_t shapeVersion;
    uint16_t tagCode;

protected:
    FlashTagDefineShapeBase(uint16_t c, int32_t v) : FlashIDEnabled(c), shapeVersion(v), tagCode(c) {}
};

class FlashTagDefineShape1 : public FlashTagDefineShapeBase {
public:
    FlashTagDefineShape1() : FlashTagDefineShapeBase(2, 1) {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineShape1>(*this); }
};

class FlashTagDefineShape2 : public FlashTagDefineShapeBase {
public:
    FlashTagDefineShape2() : FlashTagDefineShapeBase(22, 2) {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineShape2>(*this); }
};

class FlashTagDefineShape3 : public FlashTagDefineShapeBase {
public:
    FlashTagDefineShape3() : FlashTagDefineShapeBase(32, 3) {}
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineShape3>(*this); }
};
