// FSWFMovie: loading, writing, instance paths and character ids.
#include "swf/flash_movie.h"

#include <cctype>
#include <iostream>

#include "swf/flash_actions.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_kept_tags.h"
#include "swf/flash_morph.h"
#include "swf/flash_shape.h"
#include "swf/flash_sound_tags.h"
#include "swf/flash_sprite.h"
#include "swf/flash_tag_reader.h"
#include "swf/flash_text.h"

namespace {

// Collects the timeline of a sprite character.
class timeline_owner_visitor : public FDefinedVisitor {
public:
    void VisitSprite(FlashTagSprite& tag) override { timeline = &tag.timeline; }
    FTimeline* timeline = nullptr;
};

// Notes the characters a tag asks for while it is written, in the order asked.
class used_characters : public flash_character_writer {
public:
    void WriteCharacterOnce(uint16_t id) override { ids.push_back(id); }
    std::vector<uint16_t> ids;
};

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

FSWFMovie& FSWFMovie::operator=(const FSWFMovie& o) {
    if (this == &o) return *this;
    DeleteAll();
    for (const auto& [id, tag] : o.dictionary)
        if (tag) Keep(*tag);
    header = o.header;
    mainTimeline = o.mainTimeline;
    protect = o.protect;
    if (o.jpegTables) jpegTables = std::make_unique<FlashTagJPEGTables>(*o.jpegTables);
    return *this;
}

FSWFMovie& FSWFMovie::operator=(FSWFMovie&& o) noexcept {
    if (this == &o) return *this;
    DeleteAll();
    dictionary = std::move(o.dictionary);
    header = o.header;
    mainTimeline = std::move(o.mainTimeline);
    protect = o.protect;
    jpegTables = std::move(o.jpegTables);
    o.DeleteAll();
    return *this;
}

void FSWFMovie::Keep(const FlashIDEnabled& tag) {
    // While loading, the tag being read is taken over by Load once the reader returns it.
    if (loading_ && !toTake_) {
        toTake_ = &tag;
        dictionary.erase(tag.characterId);
        return;
    }
    std::unique_ptr<FlashTag> copy = tag.Clone();
    dictionary[tag.characterId].reset(static_cast<FlashIDEnabled*>(copy.release()));
}

void FSWFMovie::Refuse(const std::string& why) {
    if (!refused_) errors.push_back(why);
    refused_ = true;
}

// ---- Visitor ----

void FSWFMovie::VisitDoAction(FlashTagDoAction& tag) { mainTimeline.VisitDoAction(tag); }
void FSWFMovie::Reserved3(FlashTagSoundStreamBlock& tag) { mainTimeline.Reserved3(tag); }
void FSWFMovie::VisitSoundStreamBlock(FlashTagSoundStreamBlock& tag) { mainTimeline.VisitSoundStreamBlock(tag); }
void FSWFMovie::VisitSoundStreamHead2(FlashTagSoundStreamHead2& tag) { mainTimeline.VisitSoundStreamHead2(tag); }
void FSWFMovie::VisitSoundStreamHead(FlashTagSoundStreamHead& tag) { mainTimeline.VisitSoundStreamHead(tag); }
void FSWFMovie::VisitStartSound(FlashTagStartSound& tag) { mainTimeline.VisitStartSound(tag); }
void FSWFMovie::VisitLabelFrame(FlashTagLabelFrame& tag) { mainTimeline.VisitLabelFrame(tag); }
void FSWFMovie::VisitBackgroundColor(FlashTagBackgroundColor& tag) { mainTimeline.VisitBackgroundColor(tag); }
void FSWFMovie::VisitShowFrame(FlashTagShowFrame& tag) {
    if (mainTimeline.frameCount >= kMaxTimelineFrames) {
        Refuse("the movie has more than " + std::to_string(kMaxTimelineFrames) + " frames");
        return;
    }
    mainTimeline.VisitShowFrame(tag);
}
void FSWFMovie::VisitPlaceObject2(FlashTagPlaceObject2& tag) { mainTimeline.VisitPlaceObject2(tag); }
void FSWFMovie::VisitPlaceObject(FlashTagPlaceObject& tag) { mainTimeline.VisitPlaceObject(tag); }
void FSWFMovie::VisitRemoveObject2(FlashTagRemoveObject2& tag) { mainTimeline.VisitRemoveObject2(tag); }
void FSWFMovie::VisitRemoveObject(FlashTagRemoveObject& tag) { mainTimeline.VisitRemoveObject(tag); }

void FSWFMovie::VisitImportAssets(FlashTagImportAssets& tag) { mainTimeline.VisitImportAssets(tag); }
void FSWFMovie::VisitExportAssets(FlashTagExportAssets& tag) { mainTimeline.VisitExportAssets(tag); }

void FSWFMovie::Reserved1(FlashIDEnabled& tag) { Keep(tag); }

void FSWFMovie::VisitSprite(FlashTagSprite& tag) {
    if (!tag.refusal.empty()) {
        Refuse(tag.refusal);
        return;
    }
    for (const auto& t : tag.tags)
        if (t && IsRawTag(*t)) WarnUndecoded(t->code);
    Keep(tag);
}
void FSWFMovie::VisitDefineSoundMP3(FlashTagDefineSoundMP3& tag) { Keep(tag); }
void FSWFMovie::VisitDefineSound(FlashTagDefineSound& tag) { Keep(tag); }
void FSWFMovie::VisitDefineEditBox(FlashTagDefineEditBox& tag) { Keep(tag); }
void FSWFMovie::VisitDefineText2(FlashTagDefineText2& tag) { Keep(tag); }
void FSWFMovie::VisitDefineText(FlashTagDefineText& tag) { Keep(tag); }
void FSWFMovie::VisitDefineFont2(FlashTagDefineFont2& tag) { Keep(tag); }
void FSWFMovie::VisitDefineFont(FlashTagDefineFont& tag) { Keep(tag); }
void FSWFMovie::VisitDefineButton2(FlashTagDefineButton2& tag) { Keep(tag); }
void FSWFMovie::VisitDefineButton(FlashTagDefineButton& tag) { Keep(tag); }
void FSWFMovie::VisitDefineMorphShape(FlashTagDefineMorphShape& tag) { Keep(tag); }
void FSWFMovie::VisitDefineShape3(FlashTagDefineShape3& tag) { Keep(tag); }
void FSWFMovie::VisitDefineShape2(FlashTagDefineShape2& tag) { Keep(tag); }
void FSWFMovie::VisitDefineShape1(FlashTagDefineShape1& tag) { Keep(tag); }
void FSWFMovie::VisitDefineBitsLossless2(FlashTagDefineBitsLossless2& tag) { Keep(tag); }
void FSWFMovie::VisitDefineBitsLossless(FlashTagDefineBitsLossless& tag) { Keep(tag); }
void FSWFMovie::VisitDefineBitsJPEG3(FlashTagDefineBitsJPEG3& tag) { Keep(tag); }
void FSWFMovie::VisitDefineBitsJPEG2(FlashTagDefineBitsJPEG2& tag) { Keep(tag); }
void FSWFMovie::VisitDefineBitsJPEG1(FlashTagDefineBitsJPEG1& tag) { Keep(tag); }

void FSWFMovie::VisitDefineFontInfo(FlashTagDefineFontInfo& tag) {
    auto it = dictionary.find(tag.characterId);
    if (it == dictionary.end() || !it->second || it->second->code != 10) return;
    auto* font = static_cast<FlashTagDefineFont*>(it->second.get());
    font->info = tag;
    font->hasInfo = 1;
}

void FSWFMovie::VisitJPEGTables(FlashTagJPEGTables& tag) { SetJPEGTables(tag); }
void FSWFMovie::VisitProtect(FlashTagProtect&) { protect = 1; }

void FSWFMovie::ExtraTagData(uint32_t, FlashTagHeader& h) {
    errors.push_back("Extra data encountered for tag " + flash_tag_name(h.code));
}

void FSWFMovie::TagReadTooFar(uint32_t, FlashTagHeader& h) {
    errors.push_back("Serious Error: read too much data for tag " + flash_tag_name(h.code));
}

void FSWFMovie::VisitOtherTag(FlashTag& tag) {
    WarnUndecoded(tag.code);
    if (IsUndecodedCharacterCode(tag.code) && tag.rawData.size() >= 2) {
        // A made character, not the tag read: copied in, never taken.
        const bool was = loading_;
        loading_ = false;
        Keep(FlashTagRawCharacter(tag));
        loading_ = was;
        return;
    }
    mainTimeline.VisitOtherTag(tag);
}

void FSWFMovie::Warn(const std::string& text) {
    warnings.push_back(text);
    std::cerr << "SWF: " << text << '\n';
}

void FSWFMovie::WarnUndecoded(uint16_t code) {
    if (warnedCodes.insert(code).second) Warn(flash_tag_name(code) + " is not decoded; kept as it is");
}

// ---- Own operations ----

void FSWFMovie::DeleteAll() {
    dictionary.clear();
    mainTimeline.Clear();
    jpegTables.reset();
    out = nullptr;
}

void FSWFMovie::SetHeader(const FlashHeader& h) {
    header.version = h.version;
    header.fileLength = h.fileLength;
    header.frame = h.frame;
    header.rateInteger = h.rateInteger;
    header.rateFraction = h.rateFraction;
    header.frameCount = h.frameCount;
}

bool FSWFMovie::FindTimeline(const char* path, int frame, FDisplayRecord& record, FlashIDEnabled*& character) {
    std::string text = path ? path : "";
    std::vector<std::string> parts;
    int errorPos = 0;
    std::string errorText;
    if (!SplitTimelinePath(text, parts, '/', errorPos, errorText)) return false;
    FTimeline* timeline = &mainTimeline;
    int at = frame;
    std::vector<FDisplayRecord> list;
    for (size_t i = 0; i < parts.size(); ++i) {
        timeline->GetDisplayList(at, list);
        const FDisplayRecord* found = nullptr;
        for (const auto& r : list)
            if (EqualNoCase(r.name, parts[i])) {
                found = &r;
                break;
            }
        if (!found) return false;
        FlashIDEnabled* c = GetCharacter(found->characterId);
        if (i + 1 == parts.size()) {
            record = *found;
            character = c;
            return c != nullptr;
        }
        if (!c) return false;
        timeline_owner_visitor owner;
        c->Accept(owner);
        if (!owner.timeline) return false;
        timeline = owner.timeline;
        at = 0;
    }
    return false;
}

void FSWFMovie::SetJPEGTables(const FlashTagJPEGTables& tables) {
    jpegTables = std::make_unique<FlashTagJPEGTables>(tables);
}

FlashIDEnabled* FSWFMovie::GetCharacter(uint16_t id) {
    auto it = dictionary.find(id);
    return it == dictionary.end() ? nullptr : it->second.get();
}

void FSWFMovie::RebuildDictionary() {
    std::map<uint16_t, std::unique_ptr<FlashIDEnabled>> rebuilt;
    for (auto& [id, tag] : dictionary)
        if (tag) rebuilt[tag->characterId] = std::move(tag);
    dictionary = std::move(rebuilt);
}

void FSWFMovie::ReplaceID(uint16_t oldId, uint16_t newId) {
    for (auto& [id, tag] : dictionary)
        if (tag) tag->ReplaceID(oldId, newId);
    RebuildDictionary();
    mainTimeline.ReplaceID(oldId, newId);
}

void FSWFMovie::RenumberIDs(FSWFMovie& allocator) {
    // New ids come from above the allocator's largest id and skip the ids of this movie as well, so
    // no renumbered character meets another under one id; and since a new id is never an old one,
    // the replacements cannot chain.
    std::vector<std::pair<uint16_t, uint16_t>> changes;
    uint32_t candidate = allocator.NextFreeID();
    for (const auto& [id, tag] : dictionary) {
        if (!allocator.dictionary.count(id)) continue;
        uint32_t tries = 0;
        for (;; ++candidate, ++tries) {
            if (tries > 0xFFFF) return;  // every id is taken
            if (candidate > 0xFFFF || candidate == 0) candidate = 1;
            auto c = static_cast<uint16_t>(candidate);
            if (!allocator.dictionary.count(c) && !dictionary.count(c)) break;
        }
        changes.emplace_back(id, static_cast<uint16_t>(candidate));
        ++candidate;
    }
    for (const auto& [oldId, newId] : changes) {
        for (auto& [id, tag] : dictionary)
            if (tag) tag->ReplaceID(oldId, newId);
        mainTimeline.ReplaceID(oldId, newId);
    }
    RebuildDictionary();
}

bool FSWFMovie::AddCharacter(const FlashIDEnabled& tag) {
    if (dictionary.count(tag.characterId)) return false;
    Keep(tag);
    return true;
}

uint16_t FSWFMovie::NextFreeID() const {
    return dictionary.empty() ? 1 : static_cast<uint16_t>(dictionary.rbegin()->first + 1);
}

void FSWFMovie::AllocateIDs(std::vector<uint16_t>& ids, int n) const {
    ids.clear();
    uint16_t next = NextFreeID();
    for (int i = 0; i < n; ++i) ids.push_back(static_cast<uint16_t>(next + i));
}

bool FSWFMovie::Write(flash_ostream& o) {
    writtenIds.clear();
    o.version = header.version;
    o.owner = this;
    out = &o;
    uint64_t p0 = o.tellp();
    header.frameCount = static_cast<uint16_t>(mainTimeline.GetFrameCount());
    header.Write(o);
    uint64_t p1 = o.tellp();
    // Tags such as FileAttributes must open the file.
    mainTimeline.WriteKeptTags(o, 0);
    if (protect) WriteTagHeader(o, 24, 0);
    if (jpegTables) jpegTables->Write(o);
    mainTimeline.WriteFrames(o, true);
    WriteTagHeader(o, 0, 0);
    for (const auto& [id, tag] : dictionary)
        if (tag && !writtenIds.count(id))
            std::cerr << "SWF: character " << id << " (" << flash_tag_name(tag->code)
                      << ") is used by no frame and is not written\n";
    uint64_t end = o.tellp();
    header.fileLength = static_cast<uint32_t>(end - p1);
    o.seekp(p0);
    header.Write(o);
    o.seekp(end);
    o.owner = nullptr;
    out = nullptr;
    return true;
}

void FSWFMovie::WriteCharacterOnce(uint16_t id) {
    if (writtenIds.count(id) || !out) return;
    // Each character's tag is assembled aside, noting the characters it asks for; those not yet
    // written go out first, depth first in the order asked, then the tag itself. The walk keeps its
    // own stack: in a crafted movie sprites can use one another in a chain as long as the ids allow.
    struct pending_character {
        std::vector<uint8_t> bytes;
        std::vector<uint16_t> uses;
        size_t next = 0;
    };
    std::vector<pending_character> stack;
    auto assemble = [&](uint16_t character) {
        // Marked first: a character that (through others) uses itself is written once, not forever.
        writtenIds.insert(character);
        pending_character p;
        if (FlashIDEnabled* tag = GetCharacter(character)) {
            used_characters uses;
            flash_ostream body;
            body.version = out->version;
            body.owner = &uses;
            tag->Write(body);
            if (body.fail()) out->setfail();
            p.bytes = body.TakeBytes();
            p.uses = std::move(uses.ids);
        }
        stack.push_back(std::move(p));
    };
    assemble(id);
    while (!stack.empty()) {
        pending_character& top = stack.back();
        if (top.next < top.uses.size()) {
            uint16_t used = top.uses[top.next++];
            if (!writtenIds.count(used)) assemble(used);
            continue;
        }
        WriteBytes(*out, top.bytes);
        stack.pop_back();
    }
}

bool FSWFMovie::Load(flash_istream& in, std::vector<std::string>& errorsOut) {
    errors.clear();
    warnings.clear();
    warnedCodes.clear();
    FlashHeader h;
    std::string error;
    if (!ReadFlashHeader(in, h, error, this)) {
        errors.push_back(error);
    } else {
        in.version = h.version;
        struct loading_scope {
            explicit loading_scope(bool& flag) : flag_(flag) { flag_ = true; }
            ~loading_scope() { flag_ = false; }
            bool& flag_;
        } scope(loading_);  // also when reading throws
        refused_ = false;
        uint64_t tagsRead = 0;
        for (;;) {
            // Data that stops at a tag boundary has only lost its End tag.
            if (in.good() && in.remaining() == 0) {
                Warn("the SWF data ends without an End tag");
                break;
            }
            std::unique_ptr<FlashTag> tag;
            toTake_ = nullptr;
            const bool more = ReadFlashTag(in, tag, this);
            if (tag) {
                ++tagsRead;
                if (const auto* sprite = dynamic_cast<const FlashTagSprite*>(tag.get())) tagsRead += sprite->tagsRead;
            }
            if (toTake_ && toTake_ == tag.get())
                dictionary[toTake_->characterId].reset(static_cast<FlashIDEnabled*>(tag.release()));
            toTake_ = nullptr;
            if (tagsRead > kMaxMovieTags)
                Refuse("the movie holds more than " + std::to_string(kMaxMovieTags) + " tags");
            if (!more || refused_) break;
        }
        mainTimeline.EndBuild();
        if (refused_) {
            // Nothing of a refused movie is kept.
            dictionary.clear();
            mainTimeline.Clear();
            jpegTables.reset();
        }
    }
    errorsOut = errors;
    return errors.empty();
}

void FSWFMovie::ImportCharacters(FSWFMovie& other) {
    other.RenumberIDs(*this);
    for (const auto& [id, tag] : other.dictionary)
        if (tag) Keep(*tag);
}

int FSWFMovie::GetFrameRate() const { return header.rateInteger; }

double FSWFMovie::GetFramePeriodMs() const {
    double rate = header.rateInteger + header.rateFraction / 256.0;
    if (rate <= 0) rate = 12.0;
    return 1000.0 / rate;
}

// ---- Instance paths ----

bool SplitTimelinePath(std::string& path, std::vector<std::string>& parts, char separator, int& errorPos,
                       std::string& errorText) {
    parts.clear();
    size_t b = 0, e = path.size();
    while (b < e && std::isspace(static_cast<unsigned char>(path[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(path[e - 1]))) --e;
    std::string trimmed = path.substr(b, e - b);
    size_t s = 0, t = trimmed.size();
    while (t > s && trimmed[t - 1] == separator) --t;
    while (s < t && trimmed[s] == separator) ++s;
    trimmed = trimmed.substr(s, t - s);

    size_t start = 0;
    while (start < trimmed.size()) {
        size_t stop = trimmed.find(separator, start);
        if (stop == std::string::npos) stop = trimmed.size();
        if (stop == start) {
            errorPos = static_cast<int>(start + s + b);
            errorText = std::string("syntax error: two '") + separator + "' in a row";
            return false;
        }
        for (size_t i = start; i < stop; ++i) {
            unsigned char c = static_cast<unsigned char>(trimmed[i]);
            if (!std::isalnum(c) && c != '_') {
                errorPos = static_cast<int>(i + s + b);
                errorText = "invalid character";
                return false;
            }
        }
        parts.push_back(trimmed.substr(start, stop - start));
        start = stop + 1;
    }
    if (parts.empty()) {
        errorPos = 0;
        errorText = "no path specified";
        return false;
    }
    path = trimmed;
    return true;
}
