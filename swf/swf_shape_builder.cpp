// Shape building for generated movies.
#include "swf/swf_shape_builder.h"

#include <cmath>
#include <memory>

int swf_shape_builder::AddSolidFill(const FlashRGBA& color) {
    FlashRGBA c = color;
    c.hasAlpha = 1;
    tag_.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(c));
    return static_cast<int>(tag_.shape.fillStyles.styles.size());
}

int swf_shape_builder::AddGradientFill(bool radial, point from, point to,
                                       const std::vector<std::pair<uint8_t, FlashRGBA>>& stops) {
    auto g = std::make_unique<FlashFillStyleGradient>(radial ? 0x12 : 0x10);
    // The gradient square spans -16384..16384 twips; the matrix maps it onto from..to.
    const double dx = to.first - from.first, dy = to.second - from.second;
    const double length = std::hypot(dx, dy);
    const double scale = (radial ? length : length / 2) / 16384.0;
    const double angle = std::atan2(dy, dx);
    g->matrix.hasScale = g->matrix.hasRotate = 1;
    g->matrix.xScale = FlashFixed(scale * std::cos(angle));
    g->matrix.yScale = FlashFixed(scale * std::cos(angle));
    g->matrix.rotateSkew0 = FlashFixed(scale * std::sin(angle));
    g->matrix.rotateSkew1 = FlashFixed(-scale * std::sin(angle));
    g->matrix.translateX = radial ? from.first : static_cast<int32_t>(from.first + dx / 2);
    g->matrix.translateY = radial ? from.second : static_cast<int32_t>(from.second + dy / 2);
    for (const auto& [ratio, color] : stops) {
        FlashRGBA c = color;
        c.hasAlpha = 1;
        g->gradient.ratios.push_back(ratio);
        g->gradient.colors.push_back(c);
    }
    tag_.shape.fillStyles.styles.push_back(std::move(g));
    return static_cast<int>(tag_.shape.fillStyles.styles.size());
}

int swf_shape_builder::AddLineStyle(uint16_t width, const FlashRGBA& color) {
    FlashRGBA c = color;
    c.hasAlpha = 1;
    tag_.shape.lineStyles.styles.emplace_back(width, c);
    return static_cast<int>(tag_.shape.lineStyles.styles.size());
}

void swf_shape_builder::Start(point at, int fill0, int fill1, int line) {
    FlashShapeRecordChange c;
    c.stateMoveTo = c.stateFillStyle0 = c.stateFillStyle1 = c.stateLineStyle = 1;
    c.moveDeltaX = at.first;
    c.moveDeltaY = at.second;
    c.fillStyle0 = static_cast<uint16_t>(fill0);
    c.fillStyle1 = static_cast<uint16_t>(fill1);
    c.lineStyle = static_cast<uint16_t>(line);
    tag_.shape.AddRecord(c);
    pen_ = at;
}

void swf_shape_builder::Polygon(const std::vector<point>& points, int fill1, int fill0, int line) {
    if (points.size() < 2) return;
    Start(points[0], fill0, fill1, line);
    for (size_t i = 1; i <= points.size(); ++i) {
        const point& p = points[i % points.size()];
        tag_.shape.AddRecord(FlashShapeRecordStraight(p.first - pen_.first, p.second - pen_.second));
        pen_ = p;
    }
}

void swf_shape_builder::Ellipse(point centre, int32_t rx, int32_t ry, int fill1, int line) {
    const double pi = std::acos(-1.0);
    auto at = [&](double angle, double stretch) {
        return point{static_cast<int32_t>(std::lround(centre.first + rx * stretch * std::cos(angle))),
                     static_cast<int32_t>(std::lround(centre.second + ry * stretch * std::sin(angle)))};
    };
    Start(at(0, 1), 0, fill1, line);
    const double stretch = 1 / std::cos(pi / 8);
    for (int i = 0; i < 8; ++i) {
        const point control = at((2 * i + 1) * pi / 8, stretch);
        const point anchor = at((i + 1) * pi / 4, 1);
        tag_.shape.AddRecord(FlashShapeRecordCurved(control.first - pen_.first, control.second - pen_.second,
                                                    anchor.first - control.first, anchor.second - control.second));
        pen_ = anchor;
    }
}

void swf_shape_builder::Path(const std::vector<point>& points, int fill1, int fill0, int line) {
    if (points.empty()) return;
    Start(points[0], fill0, fill1, line);
    for (size_t i = 1; i < points.size(); ++i) {
        tag_.shape.AddRecord(FlashShapeRecordStraight(points[i].first - pen_.first, points[i].second - pen_.second));
        pen_ = points[i];
    }
}

FlashTagDefineShape3 swf_shape_builder::Take() {
    FlashRect bounds;
    tag_.shape.ComputeBounds(bounds);
    int pad = 0;
    for (const auto& l : tag_.shape.lineStyles.styles) pad = std::max<int>(pad, l.width / 2 + 1);
    tag_.bounds = FlashRect(bounds.xmin - pad, bounds.ymin - pad, bounds.xmax + pad, bounds.ymax + pad);
    return std::move(tag_);
}
