// DefineSprite, button records, DefineButton and DefineButton2.
#include "swf/flash_sprite.h"

#include "swf/flash_display.h"
#include "swf/flash_header.h"
#include "swf/flash_tag_reader.h"
#include "swf/flash_visitor.h"

namespace {

void WriteBody(flash_ostream& out, uint16_t code, uint32_t extra, const flash_ostream& body) {
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()) + extra);
}

// Reads button records until the 0 byte that ends them.
void ReadButtonRecords(flash_istream& in, std::vector<FlashButtonRecord>& records, int version) {
    records.clear();
    for (;;) {
        int b = in.get();
        if (b <= 0) break;
        in.unget();
        FlashButtonRecord r;
        r.SetVersion(version);
        r.colorTransform.SetVersion(version);
        r.Read(in);
        if (in.fail()) break;
        records.push_back(r);
    }
}

}  // namespace

// ---- Sprite ----

FlashTagSprite::FlashTagSprite(const FlashTagSprite& o)
    : FlashIDEnabled(o), timeline(o.timeline), frameCount(o.frameCount), tagsRead(o.tagsRead), refusal(o.refusal) {
    for (const auto& t : o.tags) tags.push_back(t ? t->Clone() : nullptr);
}

FlashTagSprite& FlashTagSprite::operator=(const FlashTagSprite& o) {
    if (this != &o) {
        FlashIDEnabled::operator=(o);
        timeline = o.timeline;
        frameCount = o.frameCount;
        tagsRead = o.tagsRead;
        refusal = o.refusal;
        tags.clear();
        for (const auto& t : o.tags) tags.push_back(t ? t->Clone() : nullptr);
    }
    return *this;
}

void FlashTagSprite::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    timeline.WriteFrames(body);
    WriteTagHeader(body, 0, 0);
    WriteBody(out, code, 4, body);
    WriteU16(out, characterId);
    WriteU16(out, frameCount);
    WriteBytes(out, body.bytes());
}

// Sprites hold no sprites in a well-formed file; a few levels are read, and a deeper nest (which
// could only exhaust the stack) fails the tag.
constexpr int kMaxSpriteNesting = 8;
thread_local int g_spriteNesting = 0;

void FlashTagSprite::Read(flash_istream& in) {
    uint64_t start = in.tellg();
    characterId = ReadU16(in);
    frameCount = ReadU16(in);
    tags.clear();
    tagsRead = 0;
    refusal.clear();
    if (in.fail()) return;
    if (g_spriteNesting >= kMaxSpriteNesting) {
        in.setfail();
        return;
    }
    struct Level {
        Level() { ++g_spriteNesting; }
        ~Level() { --g_spriteNesting; }
    } level;
    uint64_t bodyLeft = BodyLeft(in.tellg() - start);
    if (bodyLeft > in.remaining()) bodyLeft = in.remaining();
    flash_istream nested(in.data() + in.tellg(), static_cast<size_t>(bodyLeft));
    nested.version = in.version;
    // A sprite whose End tag is missing ends with its body.
    int frames = 0;
    while (nested.remaining() >= 2) {
        std::unique_ptr<FlashTag> tag;
        bool more = ReadFlashTag(nested, tag, nullptr);
        if (tag) {
            ++tagsRead;
            if (tag->code == 1) ++frames;
            if (const auto* inner = dynamic_cast<const FlashTagSprite*>(tag.get())) {
                tagsRead += inner->tagsRead;
                if (refusal.empty()) refusal = inner->refusal;
            }
            tags.push_back(std::move(tag));
        }
        if (frames > kMaxTimelineFrames)
            refusal = "sprite " + std::to_string(characterId) + " has more than " +
                      std::to_string(kMaxTimelineFrames) + " frames";
        else if (tagsRead > kMaxMovieTags)
            refusal = "sprite " + std::to_string(characterId) + " holds more than " +
                      std::to_string(kMaxMovieTags) + " tags";
        if (!refusal.empty()) {
            // Nothing of it is kept; the movie reading it stops there with the reason.
            tags.clear();
            tags.shrink_to_fit();
            timeline.Clear();
            in.seekg(in.tellg() + bodyLeft);
            return;
        }
        if (!more) break;
    }
    in.seekg(in.tellg() + nested.tellg());
    if (nested.fail()) in.setfail();
    timeline.BuildFromTags(tags);
}

void FlashTagSprite::Accept(FVisitor& visitor) { visitor.VisitSprite(*this); }

uint16_t FlashTagSprite::ReplaceID(uint16_t oldId, uint16_t newId) {
    uint16_t before = FlashIDEnabled::ReplaceID(oldId, newId);
    timeline.ReplaceID(oldId, newId);
    // Keep the nested tags in step, so a timeline rebuilt from them shows the same characters.
    for (auto& t : tags) {
        if (auto* p2 = dynamic_cast<FlashTagPlaceObject2*>(t.get())) {
            if (p2->hasCharacter && p2->characterId == oldId) p2->characterId = newId;
        } else if (auto* p = dynamic_cast<FlashTagPlaceObject*>(t.get())) {
            if (p->characterId == oldId) p->characterId = newId;
        }
    }
    return before;
}

void FlashTagSprite::AcceptTags(FVisitor& visitor) {
    for (auto& t : tags)
        if (t) t->Accept(visitor);
}

// ---- Button records ----

void FlashButtonRecord::Write(flash_ostream& out) {
    out.PutByte(stateFlags);
    out.RequireCharacter(characterId);
    WriteU16(out, characterId);
    WriteU16(out, depth);
    matrix.Write(out);
    colorTransform.SetVersion(version);
    if (version > 1) colorTransform.Write(out);
}

void FlashButtonRecord::Read(flash_istream& in) {
    stateFlags = ReadU8(in);
    characterId = ReadU16(in);
    depth = ReadU16(in);
    matrix.Read(in);
    colorTransform.SetVersion(version);
    if (version > 1) colorTransform.Read(in);
}

// ---- DefineButton ----

void FlashTagDefineButton::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    for (auto& r : records) {
        r.SetVersion(0);
        r.Write(body);
    }
    body.PutByte(0);
    actions.Write(body);
    WriteBody(out, code, 2, body);
    WriteU16(out, characterId);
    WriteBytes(out, body.bytes());
}

void FlashTagDefineButton::Read(flash_istream& in) {
    uint64_t bodyEnd = in.tellg() + length;
    characterId = ReadU16(in);
    ReadButtonRecords(in, records, 0);
    actions.records.clear();
    actions.endPosition = static_cast<int64_t>(bodyEnd);
    actions.Read(in);
    actions.endPosition = -1;
}

void FlashTagDefineButton::Accept(FVisitor& visitor) { visitor.VisitDefineButton(*this); }

uint16_t FlashTagDefineButton::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& r : records)
        if (r.characterId == oldId) r.characterId = newId;
    return FlashIDEnabled::ReplaceID(oldId, newId);
}

// ---- DefineButton2 ----

void FlashTagDefineButton2::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    for (auto& r : records) {
        r.SetVersion(2);
        r.Write(body);
    }
    body.PutByte(0);
    size_t recordsLength = body.size();
    size_t left = conditionActions.size();
    for (const auto& [condition, list] : conditionActions) {
        flash_ostrstream entry(out);
        WriteU16(entry, condition);
        list.Write(entry);
        WriteU16(body, static_cast<uint16_t>(--left == 0 ? 0 : entry.size() + 2));
        WriteBytes(body, entry.bytes());
    }
    WriteBody(out, code, 5, body);
    WriteU16(out, characterId);
    out.PutByte(trackAsMenu ? 1 : 0);
    WriteU16(out, static_cast<uint16_t>(conditionActions.empty() ? 0 : recordsLength + 2));
    WriteBytes(out, body.bytes());
}

void FlashTagDefineButton2::Read(flash_istream& in) {
    uint64_t bodyEnd = in.tellg() + length;
    characterId = ReadU16(in);
    trackAsMenu = ReadU8(in) == 1;
    uint16_t actionOffset = ReadU16(in);
    uint64_t p = in.tellg();
    ReadButtonRecords(in, records, 2);
    conditionActions.clear();
    if (actionOffset == 0 || in.fail()) return;
    uint64_t at = p - 2 + actionOffset;
    // Each condition action starts after the one before, so the loop ends.
    while (in.good()) {
        if (at + 4 > bodyEnd || at + 4 > in.size()) {
            in.setfail();
            return;
        }
        in.seekg(at);
        uint16_t size = ReadU16(in);
        uint16_t condition = ReadU16(in);
        uint64_t next = at + size;
        CActionScriptCode& list = conditionActions[condition];
        CActionScriptCode more;
        more.endPosition = static_cast<int64_t>(size == 0 || next > bodyEnd ? bodyEnd : next);
        more.Read(in);
        for (auto& r : more.records) list.records.push_back(std::move(r));
        if (size == 0) break;
        at = next;
    }
}

void FlashTagDefineButton2::Accept(FVisitor& visitor) { visitor.VisitDefineButton2(*this); }

uint16_t FlashTagDefineButton2::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& r : records)
        if (r.characterId == oldId) r.characterId = newId;
    return FlashIDEnabled::ReplaceID(oldId, newId);
}
