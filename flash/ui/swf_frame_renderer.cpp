// Frame rendering: fill-style edge assembly into closed contours, style layers, brushes from fill
// styles, display lists with clip layers, sprites, morph shapes, glyph text and bitmaps.
#include "flash/ui/swf_frame_renderer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "swf/flash_bitmap_tags.h"
#include "swf/flash_header.h"
#include "swf/flash_morph.h"
#include "swf/flash_movie.h"
#include "swf/flash_sprite.h"
#include "swf/flash_text.h"
#include "swf/swf_bitmap.h"

namespace {

// Sprites that place themselves (directly or through others) stop here.
constexpr int kMaxNesting = 24;
// Gradients span this square in their own space.
constexpr double kGradientHalf = 16384.0;

double Fixed(const FlashFixed& f) { return f.Raw() / 65536.0; }

int Clamp255(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); }

// One edge of a shape in absolute coordinates; a straight edge has no control point.
struct shape_edge {
    QPointF from;
    QPointF control;
    QPointF to;
    bool curved = false;

    shape_edge Reversed() const { return {to, control, from, curved}; }
};

// A shape's records as absolute steps, so shapes, morph shapes and glyphs share one assembly.
struct shape_step {
    int kind = kShapeRecordChange;
    const FlashShapeRecordChange* change = nullptr;
    QPointF move;      // the pen position after a change record
    QPointF from;      // edges: the pen before, the absolute control point (curves), the end
    QPointF control;
    QPointF to;
};

std::vector<shape_step> StepsOf(const FlashShape& shape) {
    std::vector<shape_step> steps;
    steps.reserve(shape.recordOrder.size());
    QPointF pen;
    for (const auto& [kind, index] : shape.recordOrder) {
        shape_step s;
        s.kind = kind;
        if (kind == kShapeRecordChange) {
            if (index < 0 || static_cast<size_t>(index) >= shape.changeRecords.size()) continue;
            s.change = &shape.changeRecords[static_cast<size_t>(index)];
            if (s.change->stateMoveTo) pen = QPointF(s.change->moveDeltaX, s.change->moveDeltaY);
            s.move = pen;
        } else if (kind == kShapeRecordStraight) {
            if (index < 0 || static_cast<size_t>(index) >= shape.straightRecords.size()) continue;
            const auto& r = shape.straightRecords[static_cast<size_t>(index)];
            s.from = pen;
            pen += QPointF(r.deltaX, r.deltaY);
            s.to = pen;
        } else if (kind == kShapeRecordCurved) {
            if (index < 0 || static_cast<size_t>(index) >= shape.curvedRecords.size()) continue;
            const auto& r = shape.curvedRecords[static_cast<size_t>(index)];
            s.from = pen;
            s.control = pen + QPointF(r.controlDeltaX, r.controlDeltaY);
            pen = s.control + QPointF(r.anchorDeltaX, r.anchorDeltaY);
            s.to = pen;
        } else {
            continue;
        }
        steps.push_back(s);
    }
    return steps;
}

// Links edges end to start into contours. Points are matched exactly after rounding to a
// sixteenth of a twip (shape coordinates are whole twips; morph steps are not).
QPainterPath ChainEdges(const std::vector<shape_edge>& edges) {
    auto key = [](const QPointF& p) { return std::make_pair(std::llround(p.x() * 16), std::llround(p.y() * 16)); };
    std::multimap<std::pair<long long, long long>, size_t> byStart;
    for (size_t i = 0; i < edges.size(); ++i) byStart.emplace(key(edges[i].from), i);
    std::vector<bool> used(edges.size(), false);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    auto add = [&path](const shape_edge& e) {
        if (e.curved)
            path.quadTo(e.control, e.to);
        else
            path.lineTo(e.to);
    };
    for (size_t first = 0; first < edges.size(); ++first) {
        if (used[first]) continue;
        used[first] = true;
        const auto startKey = key(edges[first].from);
        path.moveTo(edges[first].from);
        add(edges[first]);
        QPointF end = edges[first].to;
        while (key(end) != startKey) {
            auto [lo, hi] = byStart.equal_range(key(end));
            size_t next = edges.size();
            for (auto it = lo; it != hi; ++it)
                if (!used[it->second]) {
                    next = it->second;
                    break;
                }
            if (next == edges.size()) break;  // an open contour: the fill closes it straight
            used[next] = true;
            add(edges[next]);
            end = edges[next].to;
        }
        path.closeSubpath();
    }
    return path;
}

// Fill-style edge assembly: an edge bounds fill1 on one side and fill0 on the other, so fill1
// takes it as drawn and fill0 reversed; new style arrays start a new layer drawn above the last.
std::vector<swf_shape_layer> AssembleLayers(const std::vector<shape_step>& steps, const FlashFillStyleArray& fills,
                                            const FlashLineStyleArray& lines) {
    std::vector<swf_shape_layer> layers;
    std::vector<std::vector<shape_edge>> fillEdges;
    swf_shape_layer current;
    auto begin = [&](const FlashFillStyleArray& f, const FlashLineStyleArray& l) {
        current = swf_shape_layer();
        current.fills = f;
        current.lines = l;
        current.linePaths.assign(l.styles.size(), QPainterPath());
        fillEdges.assign(f.styles.size(), {});
    };
    auto finish = [&]() {
        for (const auto& edges : fillEdges) current.fillPaths.push_back(ChainEdges(edges));
        layers.push_back(std::move(current));
    };
    begin(fills, lines);
    size_t fill0 = 0, fill1 = 0, line = 0;
    QPointF pen;
    for (const shape_step& s : steps) {
        if (s.kind == kShapeRecordChange) {
            const FlashShapeRecordChange& c = *s.change;
            if (c.stateNewStyles) {
                finish();
                begin(c.fillStyles, c.lineStyles);
                fill0 = fill1 = line = 0;
            }
            if (c.stateFillStyle0) fill0 = c.fillStyle0;
            if (c.stateFillStyle1) fill1 = c.fillStyle1;
            if (c.stateLineStyle) line = c.lineStyle;
            pen = s.move;
            continue;
        }
        shape_edge e{pen, s.control, s.to, s.kind == kShapeRecordCurved};
        if (fill1 != fill0) {  // an edge with one fill on both sides bounds nothing
            if (fill1 >= 1 && fill1 <= fillEdges.size()) fillEdges[fill1 - 1].push_back(e);
            if (fill0 >= 1 && fill0 <= fillEdges.size()) fillEdges[fill0 - 1].push_back(e.Reversed());
        }
        if (line >= 1 && line <= current.linePaths.size()) {
            QPainterPath& p = current.linePaths[line - 1];
            if (p.elementCount() == 0 || p.currentPosition() != pen) p.moveTo(pen);
            if (e.curved)
                p.quadTo(e.control, e.to);
            else
                p.lineTo(e.to);
        }
        pen = s.to;
    }
    finish();
    return layers;
}

QColor Lerp(const FlashRGBA& a, const FlashRGBA& b, double t) {
    auto mix = [t](int x, int y) { return Clamp255(x + (y - x) * t); };
    return QColor(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a));
}

FlashRGBA ToRGBA(const QColor& c) { return FlashRGBA(c.red(), c.green(), c.blue(), c.alpha(), 1); }

FlashMatrix LerpMatrix(const FlashMatrix& a, const FlashMatrix& b, double t) {
    auto mix = [t](double x, double y) { return x + (y - x) * t; };
    QTransform qa = ToQTransform(a), qb = ToQTransform(b);
    FlashMatrix m;
    m.hasScale = m.hasRotate = 1;
    m.xScale = FlashFixed::FromRaw(static_cast<int32_t>(std::lround(mix(qa.m11(), qb.m11()) * 65536)));
    m.yScale = FlashFixed::FromRaw(static_cast<int32_t>(std::lround(mix(qa.m22(), qb.m22()) * 65536)));
    m.rotateSkew0 = FlashFixed::FromRaw(static_cast<int32_t>(std::lround(mix(qa.m12(), qb.m12()) * 65536)));
    m.rotateSkew1 = FlashFixed::FromRaw(static_cast<int32_t>(std::lround(mix(qa.m21(), qb.m21()) * 65536)));
    m.translateX = static_cast<int32_t>(std::lround(mix(qa.dx(), qb.dx())));
    m.translateY = static_cast<int32_t>(std::lround(mix(qa.dy(), qb.dy())));
    return m;
}

QBrush GradientBrush(const FlashFillStyleGradient& g, const swf_color_xform& cx) {
    QGradient gradient = g.type == 0x12 ? QGradient(QRadialGradient(QPointF(0, 0), kGradientHalf))
                                        : QGradient(QLinearGradient(-kGradientHalf, 0, kGradientHalf, 0));
    const size_t n = std::min(g.gradient.ratios.size(), g.gradient.colors.size());
    for (size_t i = 0; i < n; ++i) gradient.setColorAt(g.gradient.ratios[i] / 255.0, cx.Apply(g.gradient.colors[i]));
    if (n == 0) gradient.setColorAt(0, Qt::transparent);
    gradient.setSpread(QGradient::PadSpread);
    QBrush brush(gradient);
    brush.setTransform(ToQTransform(g.matrix));
    return brush;
}

QImage Transformed(const QImage& image, const swf_color_xform& cx) {
    if (cx.IsIdentity()) return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            QColor c = cx.Apply(FlashRGBA(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), qAlpha(row[x]), 1));
            row[x] = c.rgba();
        }
    }
    return out;
}

QImage LoadJpeg(const std::vector<uint8_t>& bytes) {
    QImage image;
    image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "JPG");
    return image;
}

QImage ToQImage(const swf_argb_image& bitmap) {
    QImage image(static_cast<int>(bitmap.width), static_cast<int>(bitmap.height), QImage::Format_ARGB32_Premultiplied);
    for (uint32_t y = 0; y < bitmap.height; ++y)
        std::memcpy(image.scanLine(static_cast<int>(y)), &bitmap.pixels[size_t(y) * bitmap.width],
                    size_t(bitmap.width) * sizeof(uint32_t));
    return image;
}

const std::vector<FlashButtonRecord>* ButtonRecords(const FlashIDEnabled& tag) {
    if (auto* b1 = dynamic_cast<const FlashTagDefineButton*>(&tag)) return &b1->records;
    if (auto* b2 = dynamic_cast<const FlashTagDefineButton2*>(&tag)) return &b2->records;
    return nullptr;
}

}  // namespace

// ---- Colour transforms and matrices ----

swf_color_xform swf_color_xform::From(const FlashColorTransform& c) {
    swf_color_xform x;
    if (c.hasMult) {
        x.mult[0] = c.mult.r / 256.0;
        x.mult[1] = c.mult.g / 256.0;
        x.mult[2] = c.mult.b / 256.0;
        if (c.mult.hasAlpha) x.mult[3] = c.mult.a / 256.0;
    }
    if (c.hasAdd) {
        x.add[0] = c.add.r;
        x.add[1] = c.add.g;
        x.add[2] = c.add.b;
        if (c.add.hasAlpha) x.add[3] = c.add.a;
    }
    return x;
}

swf_color_xform swf_color_xform::After(const swf_color_xform& inner) const {
    swf_color_xform x;
    for (int i = 0; i < 4; ++i) {
        x.mult[i] = mult[i] * inner.mult[i];
        x.add[i] = mult[i] * inner.add[i] + add[i];
    }
    return x;
}

QColor swf_color_xform::Apply(const FlashRGBA& c) const {
    const double v[4] = {double(c.r), double(c.g), double(c.b), double(c.a)};
    int out[4];
    for (int i = 0; i < 4; ++i) out[i] = Clamp255(v[i] * mult[i] + add[i]);
    return QColor(out[0], out[1], out[2], out[3]);
}

bool swf_color_xform::IsIdentity() const {
    for (int i = 0; i < 4; ++i)
        if (mult[i] != 1 || add[i] != 0) return false;
    return true;
}

QTransform ToQTransform(const FlashMatrix& m) {
    const double sx = m.hasScale ? Fixed(m.xScale) : 1.0;
    const double sy = m.hasScale ? Fixed(m.yScale) : 1.0;
    const double r0 = m.hasRotate ? Fixed(m.rotateSkew0) : 0.0;
    const double r1 = m.hasRotate ? Fixed(m.rotateSkew1) : 0.0;
    return QTransform(sx, r0, r1, sy, m.translateX, m.translateY);
}

// ---- Geometry ----

std::vector<swf_shape_layer> BuildShapeLayers(const FlashShapeWithStyle& shape) {
    return AssembleLayers(StepsOf(shape), shape.fillStyles, shape.lineStyles);
}

std::vector<swf_shape_layer> BuildMorphLayers(const FlashTagDefineMorphShape& morph, int ratio) {
    const double t = std::clamp(ratio, 0, 65535) / 65535.0;
    FlashFillStyleArray fills;
    fills.SetVersion(3);
    for (const auto& style : morph.fillStyles.styles) {
        if (auto* s = dynamic_cast<const FlashMorphFillStyleSolid*>(style.get())) {
            fills.styles.push_back(std::make_unique<FlashFillStyleSolid>(ToRGBA(Lerp(s->startColor, s->endColor, t))));
        } else if (auto* g = dynamic_cast<const FlashMorphFillStyleGradient*>(style.get())) {
            auto out = std::make_unique<FlashFillStyleGradient>(dynamic_cast<const FlashMorphFillStyleRadial*>(g) ? 0x12 : 0x10);
            out->matrix = LerpMatrix(g->startMatrix, g->endMatrix, t);
            for (const auto& e : g->gradient) {
                out->gradient.ratios.push_back(static_cast<uint8_t>(Clamp255(e.startRatio + (e.endRatio - e.startRatio) * t)));
                out->gradient.colors.push_back(ToRGBA(Lerp(e.startColor, e.endColor, t)));
            }
            fills.styles.push_back(std::move(out));
        } else if (auto* b = dynamic_cast<const FlashMorphFillStyleBitmap*>(style.get())) {
            auto out = std::make_unique<FlashFillStyleBitmap>(b->bitmapId, b->repeating != 0);
            out->matrix = LerpMatrix(b->startMatrix, b->endMatrix, t);
            out->smoothed = b->smoothed;
            fills.styles.push_back(std::move(out));
        } else {
            fills.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(0, 0, 0, 0, 1)));
        }
    }
    FlashLineStyleArray lines;
    lines.SetVersion(3);
    for (const auto& l : morph.lineStyles) {
        const auto width = static_cast<uint16_t>(std::lround(l.startWidth + (l.endWidth - l.startWidth) * t));
        lines.styles.emplace_back(width, ToRGBA(Lerp(l.startColor, l.endColor, t)));
    }

    // The end edges mirror the start edges one edge for one edge; only moves and edges are in them.
    std::vector<shape_step> start = StepsOf(morph.startEdges);
    std::vector<shape_step> end = StepsOf(morph.endEdges);
    size_t j = 0;
    auto mix = [t](const QPointF& a, const QPointF& b) { return a + (b - a) * t; };
    for (shape_step& s : start) {
        while (j < end.size() && end[j].kind == kShapeRecordChange && s.kind != kShapeRecordChange) ++j;
        if (j >= end.size()) break;
        const shape_step& e = end[j];
        if (s.kind == kShapeRecordChange) {
            if (e.kind == kShapeRecordChange) {
                s.move = mix(s.move, e.move);
                ++j;
            } else if (j > 0) {
                s.move = mix(s.move, end[j - 1].to);  // the end pen where the start record moves nowhere new
            }
            continue;
        }
        // A straight edge facing a curve is a curve whose control point is its middle.
        auto controlOf = [](const shape_step& x) {
            return x.kind == kShapeRecordCurved ? x.control : (x.from + x.to) / 2;
        };
        if (s.kind == kShapeRecordCurved || e.kind == kShapeRecordCurved) {
            s.control = mix(controlOf(s), controlOf(e));
            s.kind = kShapeRecordCurved;
        }
        s.from = mix(s.from, e.from);
        s.to = mix(s.to, e.to);
        ++j;
    }
    return AssembleLayers(start, fills, lines);
}

QPainterPath BuildGlyphPath(const FlashShape& glyph) {
    std::vector<shape_edge> edges;
    QPointF pen;
    size_t fill0 = 0, fill1 = 0;
    for (const shape_step& s : StepsOf(glyph)) {
        if (s.kind == kShapeRecordChange) {
            if (s.change->stateFillStyle0) fill0 = s.change->fillStyle0;
            if (s.change->stateFillStyle1) fill1 = s.change->fillStyle1;
            pen = s.move;
            continue;
        }
        shape_edge e{pen, s.control, s.to, s.kind == kShapeRecordCurved};
        if (fill1 != 0 && fill0 == 0)
            edges.push_back(e);
        else if (fill0 != 0 && fill1 == 0)
            edges.push_back(e.Reversed());
        else if (fill0 == 0 && fill1 == 0 && glyph.numFillBits == 0)
            edges.push_back(e);  // glyphs written without style indexes: every edge is outline
        pen = s.to;
    }
    return ChainEdges(edges);
}

// ---- Bitmaps ----

QImage DecodeSwfBitmap(const FSWFMovie& movie, const FlashIDEnabled& tag, std::string& error) {
    QImage image;
    if (auto* j1 = dynamic_cast<const FlashTagDefineBitsJPEG1*>(&tag)) {
        image = LoadJpeg(JoinSwfJpegWithTables(movie.jpegTables.get(), *j1));
    } else if (auto* j2 = dynamic_cast<const FlashTagDefineBitsJPEG2*>(&tag)) {
        image = LoadJpeg(CleanSwfJpeg(j2->data));
    } else if (auto* j3 = dynamic_cast<const FlashTagDefineBitsJPEG3*>(&tag)) {
        image = LoadJpeg(CleanSwfJpeg(j3->jpegData));
        std::vector<uint8_t> alpha;
        if (!image.isNull() && !j3->alphaData.empty() &&
            DecodeSwfJpegAlpha(j3->alphaData, static_cast<uint32_t>(image.width()),
                               static_cast<uint32_t>(image.height()), alpha)) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), alpha[size_t(y) * image.width() + x]);
            }
        }
    } else if (auto* l = dynamic_cast<const FlashTagDefineBitsLossless*>(&tag)) {
        swf_argb_image bitmap;
        if (!DecodeSwfLosslessBitmap(*l, dynamic_cast<const FlashTagDefineBitsLossless2*>(&tag) != nullptr, bitmap,
                                     error))
            return {};
        return ToQImage(bitmap);
    } else {
        error = "not a bitmap";
        return {};
    }
    if (image.isNull()) error = "JPEG data does not decode";
    return image;
}

// ---- The renderer ----

CSwfFrameRenderer::CSwfFrameRenderer(const FSWFMovie& movie) : movie_(movie) {}

CSwfFrameRenderer::~CSwfFrameRenderer() = default;

void CSwfFrameRenderer::Problem(const std::string& text) {
    if (problemSet_.insert(text).second) problems_.push_back(text);
}

QColor CSwfFrameRenderer::BackgroundAt(int frame) const {
    const auto& colors = movie_.mainTimeline.backgroundColors;
    auto it = colors.upper_bound(static_cast<uint32_t>(std::max(frame, 0)));
    if (it == colors.begin()) return Qt::white;
    --it;
    return QColor(Clamp255(it->second.r), Clamp255(it->second.g), Clamp255(it->second.b));
}

void CSwfFrameRenderer::DrawFrame(QPainter& painter, int frame) {
    std::vector<FDisplayRecord> list;
    movie_.mainTimeline.GetDisplayList(frame, list);
    DrawList(painter, list, swf_color_xform(), 0);
}

void CSwfFrameRenderer::DrawFrameFitted(QPainter& painter, int frame, const QRectF& target) {
    painter.save();
    painter.fillRect(target, BackgroundAt(frame));
    const FlashRect& stage = movie_.header.frame;
    const double w = stage.xmax - stage.xmin, h = stage.ymax - stage.ymin;
    if (w > 0 && h > 0 && !target.isEmpty()) {
        const double scale = std::min(target.width() / w, target.height() / h);
        painter.setClipRect(target, Qt::IntersectClip);
        painter.translate(target.center());
        painter.scale(scale, scale);
        painter.translate(-(stage.xmin + w / 2), -(stage.ymin + h / 2));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        DrawFrame(painter, frame);
    }
    painter.restore();
}

QImage CSwfFrameRenderer::RenderFrame(int frame, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawFrameFitted(painter, frame, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

void CSwfFrameRenderer::DrawList(QPainter& painter, const std::vector<FDisplayRecord>& list,
                                 const swf_color_xform& cx, int nesting) {
    struct mask {
        int clipDepth;
        QPainterPath area;  // device coordinates
    };
    std::vector<mask> masks;
    for (const FDisplayRecord& r : list) {
        // A clip layer masks the depths above it up to its clip depth.
        masks.erase(std::remove_if(masks.begin(), masks.end(), [&](const mask& m) { return m.clipDepth < r.depth; }),
                    masks.end());
        if (!(r.flags & kDisplayHasCharacter)) continue;
        const QTransform local = ToQTransform(r.matrix) * painter.worldTransform();
        const int ratio = r.ratio < 0 ? 0 : r.ratio;
        if ((r.flags & kDisplayHasClipDepth) && r.clipDepth > 0) {
            masks.push_back({r.clipDepth, Outline(r.characterId, local, ratio, nesting)});
            continue;
        }
        painter.save();
        for (const mask& m : masks) {
            painter.setWorldTransform(QTransform());
            painter.setClipPath(m.area, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        painter.setWorldTransform(local);
        DrawCharacter(painter, r.characterId, cx.After(swf_color_xform::From(r.colorTransform)), ratio, nesting);
        painter.restore();
    }
}

const std::vector<swf_shape_layer>* CSwfFrameRenderer::ShapeLayers(uint16_t id) {
    auto it = shapes_.find(id);
    if (it != shapes_.end()) return &it->second;
    auto c = movie_.dictionary.find(id);
    if (c == movie_.dictionary.end()) return nullptr;
    auto* shape = dynamic_cast<const FlashTagDefineShapeBase*>(c->second.get());
    if (!shape) return nullptr;
    return &shapes_.emplace(id, BuildShapeLayers(shape->shape)).first->second;
}

const QImage* CSwfFrameRenderer::Bitmap(uint16_t id) {
    auto it = bitmaps_.find(id);
    if (it != bitmaps_.end()) return it->second.isNull() ? nullptr : &it->second;
    QImage image;
    auto c = movie_.dictionary.find(id);
    if (c == movie_.dictionary.end()) {
        Problem("bitmap " + std::to_string(id) + " is not defined");
    } else {
        std::string error;
        image = DecodeSwfBitmap(movie_, *c->second, error);
        if (image.isNull()) Problem("bitmap " + std::to_string(id) + ": " + error);
    }
    auto& slot = bitmaps_[id];
    slot = image;
    return slot.isNull() ? nullptr : &slot;
}

void CSwfFrameRenderer::DrawLayers(QPainter& painter, const std::vector<swf_shape_layer>& layers,
                                   const swf_color_xform& cx) {
    // Strokes keep at least one device pixel, as a hairline does.
    const double deviceScale = std::sqrt(std::abs(painter.worldTransform().determinant()));
    for (const swf_shape_layer& layer : layers) {
        for (size_t i = 0; i < layer.fillPaths.size() && i < layer.fills.styles.size(); ++i) {
            const QPainterPath& path = layer.fillPaths[i];
            if (path.isEmpty()) continue;
            const FlashFillStyle* style = layer.fills.styles[i].get();
            if (auto* solid = dynamic_cast<const FlashFillStyleSolid*>(style)) {
                painter.fillPath(path, cx.Apply(solid->color));
            } else if (auto* gradient = dynamic_cast<const FlashFillStyleGradient*>(style)) {
                painter.fillPath(path, GradientBrush(*gradient, cx));
            } else if (auto* bitmap = dynamic_cast<const FlashFillStyleBitmap*>(style)) {
                const QImage* image = Bitmap(bitmap->bitmapId);
                if (!image) continue;
                const QImage shown = Transformed(*image, cx);
                painter.save();
                painter.setRenderHint(QPainter::SmoothPixmapTransform, bitmap->smoothed != 0);
                if (bitmap->repeating) {
                    QBrush brush(shown);
                    brush.setTransform(ToQTransform(bitmap->matrix));
                    painter.fillPath(path, brush);
                } else {
                    painter.setClipPath(path, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
                    painter.setWorldTransform(ToQTransform(bitmap->matrix) * painter.worldTransform());
                    painter.drawImage(QPointF(0, 0), shown);
                }
                painter.restore();
            }
        }
        for (size_t i = 0; i < layer.linePaths.size() && i < layer.lines.styles.size(); ++i) {
            const QPainterPath& path = layer.linePaths[i];
            if (path.isEmpty()) continue;
            const FlashLineStyle& style = layer.lines.styles[i];
            QPen pen(cx.Apply(style.color));
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            if (style.width * deviceScale < 1.0) {
                pen.setCosmetic(true);
                pen.setWidthF(1.0);
            } else {
                pen.setWidthF(style.width);
            }
            painter.strokePath(path, pen);
        }
    }
}

const QPainterPath* CSwfFrameRenderer::GlyphPath(uint16_t font, uint16_t glyph) {
    const uint32_t key = uint32_t(font) << 16 | glyph;
    auto it = glyphs_.find(key);
    if (it != glyphs_.end()) return &it->second;
    auto c = movie_.dictionary.find(font);
    if (c == movie_.dictionary.end()) return nullptr;
    const std::vector<FlashShape>* shapes = nullptr;
    if (auto* f1 = dynamic_cast<const FlashTagDefineFont*>(c->second.get())) shapes = &f1->glyphs;
    if (auto* f2 = dynamic_cast<const FlashTagDefineFont2*>(c->second.get())) shapes = &f2->glyphs;
    if (!shapes || glyph >= shapes->size()) return nullptr;
    return &glyphs_.emplace(key, BuildGlyphPath((*shapes)[glyph])).first->second;
}

void CSwfFrameRenderer::DrawText(QPainter& painter, const FlashIDEnabled& tag, const swf_color_xform& cx) {
    if (auto* text = dynamic_cast<const FlashTagDefineTextBase*>(&tag)) {
        painter.setWorldTransform(ToQTransform(text->matrix) * painter.worldTransform());
        uint16_t font = 0;
        double height = 0, x = 0, y = 0;
        QColor color = cx.Apply(FlashRGBA(0, 0, 0));
        for (const auto& record : text->records) {
            if (auto* style = dynamic_cast<const FlashTextRecordStyle*>(record.get())) {
                if (style->hasFont) {
                    font = style->fontId;
                    height = style->textHeight;
                }
                if (style->hasColor) color = cx.Apply(style->color);
                if (style->hasXOffset) x = style->xOffset;
                if (style->hasYOffset) y = style->yOffset;
            } else if (auto* glyphs = dynamic_cast<const FlashTextRecordGlyph*>(record.get())) {
                for (const FlashGlyphEntry& g : glyphs->glyphs) {
                    // Glyph outlines are drawn on a 1024-unit em square.
                    if (const QPainterPath* path = GlyphPath(font, g.glyphIndex)) {
                        QTransform at = QTransform::fromScale(height / 1024.0, height / 1024.0) *
                                        QTransform::fromTranslate(x, y);
                        painter.fillPath(at.map(*path), color);
                    } else {
                        Problem("text glyph " + std::to_string(g.glyphIndex) + " of font " + std::to_string(font) +
                                " is not defined");
                    }
                    x += g.advance;
                }
            }
        }
    } else if (auto* box = dynamic_cast<const FlashTagDefineEditBox*>(&tag)) {
        if (!(box->flags & kEditHasText) || box->initialText.empty()) return;
        QString text = QString::fromStdString(box->initialText);
        if (text.trimmed().startsWith('<')) text = QTextDocumentFragment::fromHtml(text).toPlainText();
        QFont font = painter.font();
        font.setPixelSize(std::max<int>(box->fontHeight, 20));
        painter.setFont(font);
        painter.setPen(cx.Apply((box->flags & kEditHasTextColor) ? box->color : FlashRGBA(0, 0, 0)));
        const QRectF bounds(box->bounds.xmin, box->bounds.ymin, box->bounds.xmax - box->bounds.xmin,
                            box->bounds.ymax - box->bounds.ymin);
        const int align = box->align == 1 ? Qt::AlignRight : box->align == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
        painter.drawText(bounds.adjusted(box->leftMargin, 0, -box->rightMargin, 0), align | Qt::TextWordWrap, text);
    }
}

void CSwfFrameRenderer::DrawCharacter(QPainter& painter, uint16_t id, const swf_color_xform& cx, int ratio,
                                      int nesting) {
    auto c = movie_.dictionary.find(id);
    if (c == movie_.dictionary.end()) {
        Problem("character " + std::to_string(id) + " is not defined");
        return;
    }
    const FlashIDEnabled* tag = c->second.get();
    if (const auto* layers = ShapeLayers(id)) {
        DrawLayers(painter, *layers, cx);
    } else if (auto* sprite = dynamic_cast<const FlashTagSprite*>(tag)) {
        if (nesting >= kMaxNesting) {
            Problem("sprite " + std::to_string(id) + " nests too deep");
            return;
        }
        std::vector<FDisplayRecord> list;
        sprite->timeline.GetDisplayList(0, list);
        DrawList(painter, list, cx, nesting + 1);
    } else if (auto* morph = dynamic_cast<const FlashTagDefineMorphShape*>(tag)) {
        DrawLayers(painter, BuildMorphLayers(*morph, ratio), cx);
    } else if (dynamic_cast<const FlashTagDefineTextBase*>(tag) || dynamic_cast<const FlashTagDefineEditBox*>(tag)) {
        DrawText(painter, *tag, cx);
    } else if (const std::vector<FlashButtonRecord>* records = ButtonRecords(*tag)) {
        if (nesting >= kMaxNesting) return;
        // A button that nobody presses shows its up state.
        std::vector<FDisplayRecord> list;
        for (const FlashButtonRecord& b : *records) {
            if (!(b.stateFlags & kButtonUp)) continue;
            FDisplayRecord r;
            r.flags = kDisplayHasCharacter;
            r.characterId = b.characterId;
            r.depth = b.depth;
            r.matrix = b.matrix;
            r.colorTransform = b.colorTransform;
            list.push_back(r);
        }
        std::stable_sort(list.begin(), list.end(), [](const auto& x, const auto& y) { return x.depth < y.depth; });
        DrawList(painter, list, cx, nesting + 1);
    } else {
        Problem("no drawing for " + flash_tag_name(tag->code));
    }
}

QPainterPath CSwfFrameRenderer::Outline(uint16_t id, const QTransform& to, int ratio, int nesting) {
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    auto addLayers = [&](const std::vector<swf_shape_layer>& layers) {
        for (const auto& layer : layers)
            for (const QPainterPath& p : layer.fillPaths)
                if (!p.isEmpty()) area = area.united(to.map(p));
    };
    auto c = movie_.dictionary.find(id);
    if (c == movie_.dictionary.end()) return area;
    const FlashIDEnabled* tag = c->second.get();
    if (const auto* layers = ShapeLayers(id)) {
        addLayers(*layers);
    } else if (auto* morph = dynamic_cast<const FlashTagDefineMorphShape*>(tag)) {
        addLayers(BuildMorphLayers(*morph, ratio));
    } else if (auto* sprite = dynamic_cast<const FlashTagSprite*>(tag)) {
        if (nesting >= kMaxNesting) return area;
        std::vector<FDisplayRecord> list;
        sprite->timeline.GetDisplayList(0, list);
        for (const FDisplayRecord& r : list) {
            if (!(r.flags & kDisplayHasCharacter) || ((r.flags & kDisplayHasClipDepth) && r.clipDepth > 0)) continue;
            area = area.united(Outline(r.characterId, ToQTransform(r.matrix) * to, r.ratio < 0 ? 0 : r.ratio, nesting + 1));
        }
    } else if (auto* text = dynamic_cast<const FlashTagDefineTextBase*>(tag)) {
        const FlashRect& b = text->bounds;
        QPainterPath box;
        box.addRect(QRectF(b.xmin, b.ymin, b.xmax - b.xmin, b.ymax - b.ymin));
        area = area.united((ToQTransform(text->matrix) * to).map(box));
    }
    return area;
}
