// The small records that SWF tags are made of: colours, 16.16 fixed-point numbers, rectangles,
// transformation matrices and colour transforms. The bit-packed ones (RECT, MATRIX, CXFORM) each use
// a bit reader or bit buffer of their own, so they start and end on a byte boundary.
#pragma once

#include <cstdint>

#include "swf/flash_stream.h"

// An RGB (hasAlpha 0) or RGBA (hasAlpha 1) colour, also the terms of a colour transform; its owner
// sets the flag before reading it.
struct FlashRGBA {
    FlashRGBA() = default;
    FlashRGBA(int16_t r_, int16_t g_, int16_t b_, int16_t a_ = 255, uint8_t alpha = 0)
        : r(r_), g(g_), b(b_), a(a_), hasAlpha(alpha) {}

    // r, g, b one byte each, then a when hasAlpha.
    void Read(flash_istream& in);
    // Each component as one byte (255 or more as 255); a only when hasAlpha.
    void Write(flash_ostream& out) const;
    bool operator==(const FlashRGBA& o) const {
        return r == o.r && g == o.g && b == o.b && a == o.a && hasAlpha == o.hasAlpha;
    }

    int16_t r = 0;
    int16_t g = 0;
    int16_t b = 0;
    int16_t a = 255;
    uint8_t hasAlpha = 0;
};

// A 16.16 fixed-point number: a signed integer part and an unsigned fraction.
struct FlashFixed {
    FlashFixed() = default;
    // integer part floor(x), fraction trunc((x - floor(x)) * 65536).
    explicit FlashFixed(double x);
    static FlashFixed FromRaw(int32_t raw) {
        FlashFixed f;
        f.integer = static_cast<int16_t>(static_cast<uint32_t>(raw) >> 16);
        f.fraction = static_cast<uint16_t>(raw & 0xFFFF);
        return f;
    }
    // integer part * 65536 + fraction.
    int32_t Raw() const { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(integer)) << 16 | fraction); }
    double ToDouble() const { return integer + fraction / 65536.0; }
    bool operator==(const FlashFixed& o) const { return integer == o.integer && fraction == o.fraction; }

    int16_t integer = 0;
    uint16_t fraction = 0;
};

// A rectangle in twips. Fields keep their full width: frame sizes and bounds beyond 16 bits occur.
class FlashRect {
public:
    FlashRect() = default;
    FlashRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) : xmin(x0), ymin(y0), xmax(x1), ymax(y1) {}
    virtual ~FlashRect() = default;

    // NBits (5 bits), then xmin, xmax, ymin, ymax in NBits each, sign-extended.
    void Read(flash_istream& in);
    void Write(flash_ostream& out) const;
    // The field width the writer uses: the widest signed field, at least 1.
    int FieldBits() const;

    int32_t xmin = 0;
    int32_t ymin = 0;
    int32_t xmax = 0;
    int32_t ymax = 0;
};

// A 2D transformation. A new one is the identity. The translation keeps its full width.
class FlashMatrix {
public:
    FlashMatrix();

    void Read(flash_istream& in);
    void Write(flash_ostream& out) const;
    // Scales and rotations are compared whatever the flags say.
    bool operator==(const FlashMatrix& o) const;
    bool operator!=(const FlashMatrix& o) const { return !(*this == o); }

    uint8_t hasScale = 0;
    FlashFixed xScale;
    FlashFixed yScale;
    uint8_t hasRotate = 0;
    FlashFixed rotateSkew0;
    FlashFixed rotateSkew1;
    int32_t translateX = 0;
    int32_t translateY = 0;
};

// Base of the records whose encoding depends on the enclosing tag; the tag sets the version.
class FlashVersionEnabled {
public:
    explicit FlashVersionEnabled(int v = 1) : version(v) {}
    virtual ~FlashVersionEnabled() = default;
    virtual void SetVersion(int v) { version = v; }
    virtual int GetVersion() const { return version; }

    int32_t version;
};

// A colour transform: multiply terms, then add terms. Version 1 is CXFORM (no alpha); above 1 it is
// CXFORMWITHALPHA.
class FlashColorTransform : public FlashVersionEnabled {
public:
    FlashColorTransform() = default;

    void Read(flash_istream& in);
    // Sets both colours' alpha flag from the version before writing.
    void Write(flash_ostream& out);
    bool operator==(const FlashColorTransform& o) const {
        return hasAdd == o.hasAdd && hasMult == o.hasMult && add == o.add && mult == o.mult;
    }
    bool operator!=(const FlashColorTransform& o) const { return !(*this == o); }

    uint8_t hasAdd = 0;
    uint8_t hasMult = 0;
    FlashRGBA add;
    FlashRGBA mult;
};
