// The display-list tags, display records and the per-depth history of a timeline.
#include "swf/flash_display.h"

#include <algorithm>
#include <cstdlib>

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {

const uint32_t kKeyPressEvent = 0x20000;

void WriteBody(flash_ostream& out, uint16_t code, const flash_ostream& body) {
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

}  // namespace

// ---- PlaceObject ----

void FlashTagPlaceObject::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    body.RequireCharacter(characterId);
    WriteU16(body, characterId);
    WriteU16(body, depth);
    matrix.Write(body);
    if (hasColorTransform) {
        colorTransform.SetVersion(1);
        colorTransform.Write(body);
    }
    WriteBody(out, code, body);
}

void FlashTagPlaceObject::Read(flash_istream& in) {
    uint64_t end = in.tellg() + length;
    characterId = ReadU16(in);
    depth = ReadU16(in);
    matrix.Read(in);
    hasColorTransform = 0;
    if (in.tellg() < end) {
        hasColorTransform = 1;
        colorTransform.SetVersion(1);
        colorTransform.Read(in);
    }
}

void FlashTagPlaceObject::Accept(FVisitor& visitor) { visitor.VisitPlaceObject(*this); }

std::unique_ptr<FlashTag> FlashTagPlaceObject::Clone() const { return std::make_unique<FlashTagPlaceObject>(*this); }

// ---- PlaceObject2 ----

FlashTagPlaceObject2::FlashTagPlaceObject2(const FlashTagPlaceObject& p)
    : FlashTag(26), hasCharacter(1), hasMatrix(1), hasColorTransform(p.hasColorTransform), depth(p.depth),
      characterId(p.characterId), matrix(p.matrix) {
    if (p.hasColorTransform) colorTransform = p.colorTransform;
    colorTransform.SetVersion(2);
}

void FlashTagPlaceObject2::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    if (hasCharacter) body.RequireCharacter(characterId);
    bool wide = out.version > 5;
    uint8_t flags = static_cast<uint8_t>((clipActions.empty() ? 0 : 0x80) | (hasClipDepth ? 0x40 : 0) |
                                         (hasName ? 0x20 : 0) | (hasRatio ? 0x10 : 0) |
                                         (hasColorTransform ? 0x08 : 0) | (hasMatrix ? 0x04 : 0) |
                                         (hasCharacter ? 0x02 : 0) | (move ? 0x01 : 0));
    body.PutByte(flags);
    WriteU16(body, depth);
    if (hasCharacter) WriteU16(body, characterId);
    if (hasMatrix) matrix.Write(body);
    if (hasColorTransform) {
        colorTransform.SetVersion(2);
        colorTransform.Write(body);
    }
    if (hasRatio) WriteU16(body, ratio);
    if (hasName) WriteCString(body, name);
    if (hasClipDepth) WriteU16(body, clipDepth);
    if (!clipActions.empty()) {
        auto put_flags = [&](flash_ostream& s, uint32_t f) {
            if (wide)
                WriteU32(s, f);
            else
                WriteU16(s, static_cast<uint16_t>(f));
        };
        WriteU16(body, 0);
        uint32_t all = 0;
        for (const auto& a : clipActions) all |= a.eventFlags;
        put_flags(body, all);
        for (const auto& a : clipActions) {
            put_flags(body, a.eventFlags);
            flash_ostrstream block(body);
            if (a.eventFlags & kKeyPressEvent) block.PutByte(static_cast<uint8_t>(a.keyCode));
            a.actions.Write(block);
            WriteU32(body, static_cast<uint32_t>(block.size()));
            WriteBytes(body, block.bytes());
        }
        put_flags(body, 0);
    }
    WriteBody(out, code, body);
}

void FlashTagPlaceObject2::Read(flash_istream& in) {
    uint8_t flags = ReadU8(in);
    bool hasClipActions = flags & 0x80;
    hasClipDepth = (flags & 0x40) ? 1 : 0;
    hasName = (flags & 0x20) ? 1 : 0;
    hasRatio = (flags & 0x10) ? 1 : 0;
    hasColorTransform = (flags & 0x08) ? 1 : 0;
    hasMatrix = (flags & 0x04) ? 1 : 0;
    hasCharacter = (flags & 0x02) ? 1 : 0;
    move = (flags & 0x01) ? 1 : 0;
    depth = ReadU16(in);
    if (hasCharacter) characterId = ReadU16(in);
    if (hasMatrix) matrix.Read(in);
    if (hasColorTransform) {
        colorTransform.SetVersion(2);
        colorTransform.Read(in);
    }
    if (hasRatio) ratio = ReadU16(in);
    if (hasName) {
        std::string more;
        ReadCString(in, more);
        name += more;
    }
    if (hasClipDepth) clipDepth = ReadU16(in);
    if (!hasClipActions) return;

    bool wide = in.version > 5;
    auto get_flags = [&]() -> uint32_t { return wide ? ReadU32(in) : ReadU16(in); };
    ReadU16(in);  // reserved
    get_flags();  // the union of all event flags, implied by the records
    while (in.good()) {
        uint32_t eventFlags = get_flags();
        if (eventFlags == 0 || in.fail()) break;
        uint32_t size = ReadU32(in);
        uint64_t end = in.tellg() + size;
        FlashClipAction action;
        action.eventFlags = eventFlags;
        if (eventFlags & kKeyPressEvent) action.keyCode = ReadU8(in);
        action.actions.endPosition = static_cast<int64_t>(end);
        action.actions.Read(in);
        // Bytes after the End action inside the block are skipped; a block running past the data
        // fails the stream and so the tag.
        if (in.tellg() < end) in.ignore(end - in.tellg());
        clipActions.push_back(std::move(action));
    }
}

void FlashTagPlaceObject2::Accept(FVisitor& visitor) { visitor.VisitPlaceObject2(*this); }

std::unique_ptr<FlashTag> FlashTagPlaceObject2::Clone() const { return std::make_unique<FlashTagPlaceObject2>(*this); }

// ---- RemoveObject, RemoveObject2 ----

void FlashTagRemoveObject::Write(flash_ostream& out) {
    WriteTagHeader(out, code, 4);
    WriteU16(out, characterId);
    WriteU16(out, depth);
}

void FlashTagRemoveObject::Read(flash_istream& in) {
    characterId = ReadU16(in);
    depth = ReadU16(in);
}

void FlashTagRemoveObject::Accept(FVisitor& visitor) { visitor.VisitRemoveObject(*this); }

std::unique_ptr<FlashTag> FlashTagRemoveObject::Clone() const { return std::make_unique<FlashTagRemoveObject>(*this); }

void FlashTagRemoveObject2::Write(flash_ostream& out) {
    WriteTagHeader(out, code, 2);
    WriteU16(out, depth);
}

void FlashTagRemoveObject2::Read(flash_istream& in) { depth = ReadU16(in); }

void FlashTagRemoveObject2::Accept(FVisitor& visitor) { visitor.VisitRemoveObject2(*this); }

std::unique_ptr<FlashTag> FlashTagRemoveObject2::Clone() const { return std::make_unique<FlashTagRemoveObject2>(*this); }

// ---- Display records ----

namespace {

bool SameBesidesRatio(const FDisplayRecord& a, const FDisplayRecord& o) {
    if (a.flags != o.flags || a.characterId != o.characterId) return false;
    if (a.matrix != o.matrix || a.colorTransform != o.colorTransform) return false;
    if (a.clipDepth != o.clipDepth) return false;
    if (a.depth != o.depth || a.name != o.name) return false;
    if (a.clipActions.size() != o.clipActions.size()) return false;
    for (size_t i = 0; i < a.clipActions.size(); ++i)
        if (!(a.clipActions[i] == o.clipActions[i])) return false;
    return true;
}

// Placed states compared as display lists compare them: two empty depths are alike.
bool SamePlacedState(const FDisplayRecord* a, const FDisplayRecord* b) {
    bool placedA = a && (a->flags & kDisplayHasCharacter);
    bool placedB = b && (b->flags & kDisplayHasCharacter);
    if (!placedA || !placedB) return placedA == placedB;
    return a->SameState(*b);
}

}  // namespace

bool FDisplayRecord::SameState(const FDisplayRecord& o) const { return ratio == o.ratio && SameBesidesRatio(*this, o); }

bool FDisplayRecord::operator==(const FDisplayRecord& o) const {
    if (flags != o.flags || characterId != o.characterId) return false;
    if (matrix != o.matrix || colorTransform != o.colorTransform) return false;
    if (clipDepth != o.clipDepth) return false;
    // Morph ratios that differ by little look the same; treating them as equal keeps transitions short.
    if (std::abs(static_cast<int64_t>(ratio) - o.ratio) >= 30) return false;
    if (depth != o.depth || name != o.name) return false;
    if (clipActions.size() != o.clipActions.size()) return false;
    for (size_t i = 0; i < clipActions.size(); ++i)
        if (!(clipActions[i] == o.clipActions[i])) return false;
    return true;
}

bool DisplayListsEqual(const std::vector<FDisplayRecord>& a, const std::vector<FDisplayRecord>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// ---- Timeline element ----

const FDisplayRecord* FTimelineElement::FindLastRecord(int frame) const {
    // Records are ordered by frame: a binary search keeps whole-timeline passes linear per frame.
    auto after = std::upper_bound(records.begin(), records.end(), frame,
                                  [](int f, const FDisplayRecord& r) { return f < r.frame; });
    return after == records.begin() ? nullptr : &*(after - 1);
}

FDisplayRecord FTimelineElement::GetStateAt(int frame) const {
    const FDisplayRecord* r = FindLastRecord(frame);
    return r ? *r : FDisplayRecord();
}

bool FTimelineElement::IsPlacedAt(int frame) const {
    const FDisplayRecord* r = FindLastRecord(frame);
    return r && (r->flags & kDisplayHasCharacter);
}

bool FTimelineElement::GetPlacedRecord(FDisplayRecord& out, int frame) const {
    const FDisplayRecord* r = FindLastRecord(frame);
    if (!r || !(r->flags & kDisplayHasCharacter)) return false;
    out = *r;
    return true;
}

void FTimelineElement::AddRecord(FDisplayRecord record, int frame) {
    record.frame = frame;
    auto pos = std::upper_bound(records.begin(), records.end(), frame,
                                [](int f, const FDisplayRecord& r) { return f < r.frame; });
    records.insert(pos, std::move(record));
}

void FTimelineElement::AppendRecord(FDisplayRecord record) { records.push_back(std::move(record)); }

void FTimelineElement::ApplyPlace(const FlashTagPlaceObject2& tag, int frame) {
    FDisplayRecord state = GetStateAt(frame);
    state.flags |= kDisplayHasCharacter;
    state.frame = frame;
    state.depth = tag.depth;
    if (tag.hasCharacter) state.characterId = tag.characterId;
    if (tag.hasName) state.name = tag.name;
    if (tag.hasMatrix) state.matrix = tag.matrix;
    if (tag.hasColorTransform) state.colorTransform = tag.colorTransform;
    if (tag.hasRatio) {
        state.flags |= kDisplayHasRatio;
        state.ratio = tag.ratio;
    }
    if (tag.hasClipDepth) {
        state.clipDepth = tag.clipDepth;
        if (tag.clipDepth != 0)
            state.flags |= kDisplayHasClipDepth;
        else
            state.flags &= static_cast<uint16_t>(~kDisplayHasClipDepth);
    }
    if (!tag.clipActions.empty()) state.clipActions = tag.clipActions;
    AddRecord(std::move(state), frame);
}

void FTimelineElement::ApplyRemove(int frame) {
    FDisplayRecord state = GetStateAt(frame);
    state.flags = 0;
    state.clipActions.clear();
    state.name.clear();
    AddRecord(std::move(state), frame);
}

FTimelineElement FTimelineElement::ExtractRange(int start, int count) const {
    FTimelineElement out(depth);
    if (count <= 0) return out;
    FDisplayRecord first = GetStateAt(start);
    first.frame = 0;
    out.records.push_back(std::move(first));
    // Only frames with records can change the state: walk those in the range, taking the last
    // record of each frame as its state.
    const int64_t end = static_cast<int64_t>(start) + count - 1;
    auto it = std::upper_bound(records.begin(), records.end(), start,
                               [](int f, const FDisplayRecord& r) { return f < r.frame; });
    while (it != records.end() && it->frame <= end) {
        auto next = it;
        while (next + 1 != records.end() && (next + 1)->frame == it->frame) ++next;
        if (!next->SameState(out.records.back())) {
            FDisplayRecord s = *next;
            s.frame = next->frame - start;
            out.records.push_back(std::move(s));
        }
        it = next + 1;
    }
    return out;
}

int FTimelineElement::LastChangeFrame(int last) const {
    int changed = 0;
    const FDisplayRecord* before = nullptr;  // the state of the frame before the current one
    for (auto it = records.begin(); it != records.end();) {
        auto next = it;
        while (next + 1 != records.end() && (next + 1)->frame == it->frame) ++next;
        if (it->frame > last) break;
        if (it->frame > 0 && !SamePlacedState(before, &*next)) changed = it->frame;
        before = &*next;
        it = next + 1;
    }
    return changed;
}

void FTimelineElement::WriteFullPlace(flash_ostream& out, const FDisplayRecord& r) const {
    FlashTagPlaceObject2 tag(depth);
    if (!r.name.empty()) {
        tag.hasName = 1;
        tag.name = r.name;
    }
    tag.hasCharacter = 1;
    tag.characterId = r.characterId;
    tag.hasMatrix = 1;
    tag.matrix = r.matrix;
    if (r.colorTransform.hasAdd || r.colorTransform.hasMult) {
        tag.hasColorTransform = 1;
        tag.colorTransform = r.colorTransform;
    }
    if (r.flags & kDisplayHasRatio) {
        tag.hasRatio = 1;
        tag.ratio = static_cast<uint16_t>(r.ratio);
    }
    if (r.flags & kDisplayHasClipDepth) {
        tag.hasClipDepth = 1;
        tag.clipDepth = static_cast<uint16_t>(r.clipDepth);
    }
    tag.clipActions = r.clipActions;
    tag.Write(out);
}

void FTimelineElement::WriteChange(flash_ostream& out, const FDisplayRecord* prev, const FDisplayRecord& r) const {
    bool prevPlaced = prev && (prev->flags & kDisplayHasCharacter);
    if (!(r.flags & kDisplayHasCharacter)) {
        if (prevPlaced) FlashTagRemoveObject2(depth).Write(out);
        return;
    }
    out.RequireCharacter(r.characterId);
    if (prevPlaced && prev->characterId != r.characterId) {
        FlashTagRemoveObject2(depth).Write(out);
        WriteFullPlace(out, r);
    } else if (prevPlaced) {
        if (prev->SameState(r)) return;
        FlashTagPlaceObject2 tag(depth);
        tag.move = 1;
        if (prev->name != r.name) {
            tag.hasName = r.name.empty() ? 0 : 1;
            tag.name = r.name;
        }
        if (prev->matrix != r.matrix) {
            tag.hasMatrix = 1;
            tag.matrix = r.matrix;
        }
        if (prev->colorTransform != r.colorTransform) {
            tag.hasColorTransform = 1;
            tag.colorTransform = r.colorTransform;
        }
        if (r.flags & kDisplayHasRatio) {
            tag.hasRatio = 1;
            tag.ratio = static_cast<uint16_t>(r.ratio);
        }
        if (prev->clipDepth != r.clipDepth) {
            tag.hasClipDepth = 1;
            tag.clipDepth = static_cast<uint16_t>(r.clipDepth);
        }
        tag.Write(out);
    } else {
        WriteFullPlace(out, r);
    }
}

void FTimelineElement::WriteFrame(flash_ostream& out, int frame) const {
    const FDisplayRecord* prev = frame > 0 ? FindLastRecord(frame - 1) : nullptr;
    auto first = std::lower_bound(records.begin(), records.end(), frame,
                                  [](const FDisplayRecord& r, int f) { return r.frame < f; });
    for (auto it = first; it != records.end() && it->frame == frame; ++it) {
        WriteChange(out, prev, *it);
        prev = &*it;
    }
}

void FTimelineElement::ShiftDepth(int16_t delta) {
    depth = static_cast<uint16_t>(depth + delta);
    for (auto& r : records) {
        r.depth += delta;
        if ((r.flags & kDisplayHasClipDepth) && r.clipDepth != 0) r.clipDepth += delta;
    }
}

void FTimelineElement::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& r : records)
        if (r.characterId == oldId) r.characterId = newId;
}
