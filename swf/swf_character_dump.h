// Test helper: prints the character tags of a movie in the text form of tools/swf_oracle_characters.py,
// so the library's decoding can be compared with an independent parser's.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "swf/flash_display.h"
#include "swf/flash_movie.h"
#include "swf/flash_shape.h"
#include "swf/flash_sprite.h"
#include "swf/flash_text.h"

namespace swf_dump {

inline std::string Color(const FlashRGBA& c) {
    std::string s = std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    if (c.hasAlpha) s += "," + std::to_string(c.a);
    return s;
}

inline std::string Matrix(const FlashMatrix& m) {
    std::string s;
    if (m.hasScale) s += "scale " + std::to_string(m.xScale.Raw()) + " " + std::to_string(m.yScale.Raw()) + " ";
    if (m.hasRotate)
        s += "rotate " + std::to_string(m.rotateSkew0.Raw()) + " " + std::to_string(m.rotateSkew1.Raw()) + " ";
    return s + "translate " + std::to_string(m.translateX) + " " + std::to_string(m.translateY);
}

inline std::string Rect(const FlashRect& r) {
    return std::to_string(r.xmin) + " " + std::to_string(r.xmax) + " " + std::to_string(r.ymin) + " " +
           std::to_string(r.ymax);
}

inline void Styles(std::ostream& out, const FlashFillStyleArray& fills, const FlashLineStyleArray& lines,
                   const std::string& indent) {
    for (const auto& f : fills.styles) {
        out << indent;
        if (auto* s = dynamic_cast<FlashFillStyleSolid*>(f.get())) {
            out << "fill solid " << Color(s->color);
        } else if (auto* g = dynamic_cast<FlashFillStyleGradient*>(f.get())) {
            out << "fill gradient " << int(g->type) << ' ' << Matrix(g->matrix) << " stops";
            for (size_t i = 0; i < g->gradient.ratios.size(); ++i)
                out << ' ' << int(g->gradient.ratios[i]) << ':' << Color(g->gradient.colors[i]);
        } else if (auto* b = dynamic_cast<FlashFillStyleBitmap*>(f.get())) {
            out << "fill bitmap " << (b->repeating ? 64 : 65) << ' ' << b->bitmapId << ' ' << Matrix(b->matrix);
        }
        out << '\n';
    }
    for (const auto& l : lines.styles) out << indent << "line " << l.width << ' ' << Color(l.color) << '\n';
}

inline void Records(std::ostream& out, const FlashShape& shape, const std::string& indent) {
    for (const auto& [kind, index] : shape.recordOrder) {
        if (kind == kShapeRecordChange) {
            const auto& r = shape.changeRecords[index];
            out << indent << "change";
            if (r.stateMoveTo) out << " move " << r.moveDeltaX << ' ' << r.moveDeltaY;
            if (r.stateFillStyle0) out << " fill0 " << r.fillStyle0;
            if (r.stateFillStyle1) out << " fill1 " << r.fillStyle1;
            if (r.stateLineStyle) out << " line " << r.lineStyle;
            out << '\n';
            if (r.stateNewStyles) Styles(out, r.fillStyles, r.lineStyles, indent + "  ");
        } else if (kind == kShapeRecordStraight) {
            const auto& r = shape.straightRecords[index];
            out << indent << "edge " << r.deltaX << ' ' << r.deltaY << '\n';
        } else {
            const auto& r = shape.curvedRecords[index];
            out << indent << "curve " << r.controlDeltaX << ' ' << r.controlDeltaY << ' ' << r.anchorDeltaX << ' '
                << r.anchorDeltaY << '\n';
        }
    }
}

inline std::string Control(const FlashTag& tag) {
    if (auto* l = dynamic_cast<const FlashTagLabelFrame*>(&tag)) return "label " + l->label;
    if (tag.code == 1) return "show";
    if (auto* r = dynamic_cast<const FlashTagRemoveObject2*>(&tag)) return "remove " + std::to_string(r->depth);
    if (auto* p = dynamic_cast<const FlashTagPlaceObject2*>(&tag)) {
        std::string s = "place " + std::to_string(p->depth);
        if (p->move) s += " move";
        if (p->hasCharacter) s += " char " + std::to_string(p->characterId);
        if (p->hasMatrix) s += " " + Matrix(p->matrix);
        if (p->hasRatio) s += " ratio " + std::to_string(p->ratio);
        if (p->hasName) s += " name " + p->name;
        return s;
    }
    return "tag " + flash_tag_name(tag.code);
}

// The characters the independent parser decodes, in id order.
inline std::string Characters(FSWFMovie& movie) {
    std::ostringstream out;
    for (auto& [id, tag] : movie.dictionary) {
        if (auto* s = dynamic_cast<FlashTagDefineShapeBase*>(tag.get())) {
            out << "shape " << id << " v" << s->shapeVersion << " bounds " << Rect(s->bounds) << '\n';
            Styles(out, s->shape.fillStyles, s->shape.lineStyles, "  ");
            Records(out, s->shape, "  ");
        } else if (auto* sp = dynamic_cast<FlashTagSprite*>(tag.get())) {
            out << "sprite " << id << " frames " << sp->frameCount << '\n';
            for (const auto& t : sp->tags)
                if (t && t->code != 0) out << "  " << Control(*t) << '\n';
        } else if (auto* b = dynamic_cast<FlashTagDefineButton2*>(tag.get())) {
            out << "button2 " << id << '\n';
            for (const auto& r : b->records) {
                out << "  record " << int(r.stateFlags) << " char " << r.characterId << " depth " << r.depth << ' '
                    << Matrix(r.matrix);
                const auto& c = r.colorTransform;
                if (c.hasMult) out << " mult " << Color(c.mult);
                if (c.hasAdd) out << " add " << Color(c.add);
                out << '\n';
            }
            for (const auto& [word, list] : b->conditionActions) {
                out << "  condition " << word << " actions";
                for (const auto& a : list.records) out << ' ' << a->code;
                out << '\n';
            }
        } else if (auto* f = dynamic_cast<FlashTagDefineFont2*>(tag.get())) {
            out << "font2 " << id << " flags " << (f->flags & 0xFF) << " language " << (f->flags >> 8) << " name "
                << f->name << " glyphs " << f->glyphs.size() << '\n';
            out << "  codes";
            for (uint16_t c : f->codes) out << ' ' << c;
            out << '\n';
            for (size_t i = 0; i < f->glyphs.size(); ++i) {
                out << "  glyph " << i << '\n';
                Records(out, f->glyphs[i], "    ");
            }
            if (f->hasLayout) {
                out << "  layout " << f->layout.ascent << ' ' << f->layout.descent << ' ' << f->layout.leading << '\n';
                out << "  advances";
                for (uint16_t a : f->layout.advances) out << ' ' << a;
                out << "\n  bounds ";
                for (size_t i = 0; i < f->layout.boundsTable.size(); ++i)
                    out << (i ? " / " : "") << Rect(f->layout.boundsTable[i]);
                out << '\n';
                for (const auto& k : f->layout.kerning)
                    out << "  kerning " << k.code1 << ' ' << k.code2 << ' ' << k.adjustment << '\n';
            }
        } else if (auto* t = dynamic_cast<FlashTagDefineTextBase*>(tag.get())) {
            out << "text " << id << " v" << (t->code == 11 ? 1 : 2) << " bounds " << Rect(t->bounds) << ' '
                << Matrix(t->matrix) << '\n';
            for (const auto& r : t->records) {
                if (auto* s = dynamic_cast<FlashTextRecordStyle*>(r.get())) {
                    out << "  style";
                    if (s->hasFont) out << " font " << s->fontId << " height " << s->textHeight;
                    if (s->hasColor) out << " color " << Color(s->color);
                    if (s->hasXOffset) out << " x " << s->xOffset;
                    if (s->hasYOffset) out << " y " << s->yOffset;
                    out << '\n';
                } else if (auto* g = dynamic_cast<FlashTextRecordGlyph*>(r.get())) {
                    out << "  glyphs";
                    for (const auto& e : g->glyphs) out << ' ' << e.glyphIndex << ':' << e.advance;
                    out << '\n';
                }
            }
        }
    }
    return out.str();
}

}  // namespace swf_dump
