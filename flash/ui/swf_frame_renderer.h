// Draws one frame of a loaded SWF movie with QPainter: the main timeline's display list at that
// frame, in depth order, with matrices, colour transforms and clip layers; sprites show their first
// frame. Used by the player control behind every thumbnail of the gestures bar.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "swf/flash_display.h"
#include "swf/flash_shape.h"

class FSWFMovie;
class FlashShape;
class FlashTagDefineMorphShape;
class QPainter;

// A colour transform as factors and offsets; composed down the sprite nesting.
struct swf_color_xform {
    double mult[4] = {1, 1, 1, 1};  // r, g, b, a
    double add[4] = {0, 0, 0, 0};

    static swf_color_xform From(const FlashColorTransform& c);
    // This transform applied after `inner`.
    swf_color_xform After(const swf_color_xform& inner) const;
    QColor Apply(const FlashRGBA& c) const;
    bool IsIdentity() const;
};

// The 2D transform of an SWF matrix (twips stay twips).
QTransform ToQTransform(const FlashMatrix& m);

// The filled regions and strokes of a shape between two style-array changes, built once per shape.
struct swf_shape_layer {
    FlashFillStyleArray fills;
    FlashLineStyleArray lines;
    std::vector<QPainterPath> fillPaths;  // one per fill style, closed contours, even-odd filled
    std::vector<QPainterPath> linePaths;  // one per line style, open polylines
};

// Renders frames of one movie, which must outlive it. Caches shape geometry and decoded bitmaps
// by character id. GUI thread (QPainter) only.
class CSwfFrameRenderer {
public:
    explicit CSwfFrameRenderer(const FSWFMovie& movie);
    ~CSwfFrameRenderer();
    CSwfFrameRenderer(const CSwfFrameRenderer&) = delete;
    CSwfFrameRenderer& operator=(const CSwfFrameRenderer&) = delete;

    // The display list of main-timeline frame `frame` in twips, under the painter's transform.
    void DrawFrame(QPainter& painter, int frame);
    // The movie's stage fitted into target (aspect kept, centred) on its background colour.
    void DrawFrameFitted(QPainter& painter, int frame, const QRectF& target);
    // A new image of that size holding DrawFrameFitted over the whole image.
    QImage RenderFrame(int frame, QSize size);
    // The last background colour set at or before the frame; white when none.
    QColor BackgroundAt(int frame) const;

    // Characters the renderer met and could not draw, one text per kind or id, in the order met.
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    void DrawList(QPainter& painter, const std::vector<FDisplayRecord>& list, const swf_color_xform& cx,
                  int nesting);
    void DrawCharacter(QPainter& painter, uint16_t id, const swf_color_xform& cx, int ratio, int nesting);
    void DrawLayers(QPainter& painter, const std::vector<swf_shape_layer>& layers, const swf_color_xform& cx);
    void DrawText(QPainter& painter, const FlashIDEnabled& text, const swf_color_xform& cx);
    // The area a character covers, mapped by `to` (device coordinates), for clip layers.
    QPainterPath Outline(uint16_t id, const QTransform& to, int ratio, int nesting);
    const std::vector<swf_shape_layer>* ShapeLayers(uint16_t id);
    const QPainterPath* GlyphPath(uint16_t font, uint16_t glyph);
    const QImage* Bitmap(uint16_t id);
    void Problem(const std::string& text);

    const FSWFMovie& movie_;
    std::map<uint16_t, std::vector<swf_shape_layer>> shapes_;
    std::map<uint32_t, QPainterPath> glyphs_;
    std::map<uint16_t, QImage> bitmaps_;
    std::vector<std::string> problems_;
    std::set<std::string> problemSet_;
};

// The layers of a shape with its own styles (DefineShape kinds).
std::vector<swf_shape_layer> BuildShapeLayers(const FlashShapeWithStyle& shape);
// The layers of a morph shape at ratio 0..65535 (start to end).
std::vector<swf_shape_layer> BuildMorphLayers(const FlashTagDefineMorphShape& morph, int ratio);
// A glyph outline: every edge that bounds a fill, as closed contours.
QPainterPath BuildGlyphPath(const FlashShape& glyph);

// Decodes a bitmap tag of the movie (JPEG kinds through Qt's JPEG reader, lossless kinds through
// zlib). A null image and a reason when the data is malformed or too large.
QImage DecodeSwfBitmap(const FSWFMovie& movie, const FlashIDEnabled& tag, std::string& error);
