// Builds DefineShape3 tags from polygons, ellipses and strokes in twips, for the movies the tests
// and the sample character template are made of.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "swf/flash_records.h"
#include "swf/flash_shape.h"

class swf_shape_builder {
public:
    using point = std::pair<int32_t, int32_t>;

    explicit swf_shape_builder(uint16_t id) { tag_.SetID(id); }

    // Style indexes are 1-based, as the shape records use them.
    int AddSolidFill(const FlashRGBA& color);
    // A gradient spanning `from` to `to` (linear) or centred at `from` with radius |to - from|
    // (radial); stops are (ratio 0..255, colour).
    int AddGradientFill(bool radial, point from, point to, const std::vector<std::pair<uint8_t, FlashRGBA>>& stops);
    int AddLineStyle(uint16_t width, const FlashRGBA& color);

    // A closed outline with fill1 on the side the shape fills and fill0 on the other (0: none).
    void Polygon(const std::vector<point>& points, int fill1, int fill0 = 0, int line = 0);
    // An ellipse of eight quadratic curves.
    void Ellipse(point centre, int32_t rx, int32_t ry, int fill1, int line = 0);
    // An open run of edges from points[0]; fills and line as for Polygon.
    void Path(const std::vector<point>& points, int fill1, int fill0 = 0, int line = 0);
    void Polyline(const std::vector<point>& points, int line) { Path(points, 0, 0, line); }

    // The tag with bounds around every edge; the builder is spent.
    FlashTagDefineShape3 Take();

private:
    void Start(point at, int fill0, int fill1, int line);

    FlashTagDefineShape3 tag_;
    point pen_{0, 0};
};
