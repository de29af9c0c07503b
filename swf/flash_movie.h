// A SWF movie in memory: the dictionary of character-defining tags by id, the main timeline, the file
// header, the Protect flag and the shared JPEG tables. Loads a movie by visiting every tag and
// collecting readable error texts; writes it back with each character just before its first use;
// resolves instance paths, renumbers character ids and merges the characters of another movie.
//
// One thread at a time; no lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "swf/flash_bitmap_tags.h"
#include "swf/flash_header.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"
#include "swf/flash_timeline.h"
#include "swf/flash_visitor.h"

class FSWFMovie : public FVisitor, public flash_character_writer {
public:
    FSWFMovie() = default;
    FSWFMovie(const FSWFMovie& o) : FSWFMovie() { *this = o; }
    // Copies dictionary, header, main timeline, Protect flag and JPEG tables; not the errors.
    FSWFMovie& operator=(const FSWFMovie& o);
    // Takes the same over without copying a tag; the other movie is left empty.
    FSWFMovie(FSWFMovie&& o) noexcept : FSWFMovie() { *this = std::move(o); }
    FSWFMovie& operator=(FSWFMovie&& o) noexcept;
    ~FSWFMovie() override = default;

    // Control tags go to the main timeline.
    void VisitDoAction(FlashTagDoAction& tag) override;
    void Reserved3(FlashTagSoundStreamBlock& tag) override;
    void VisitSoundStreamBlock(FlashTagSoundStreamBlock& tag) override;
    void VisitSoundStreamHead2(FlashTagSoundStreamHead2& tag) override;
    void VisitSoundStreamHead(FlashTagSoundStreamHead& tag) override;
    void VisitStartSound(FlashTagStartSound& tag) override;
    void VisitLabelFrame(FlashTagLabelFrame& tag) override;
    void VisitBackgroundColor(FlashTagBackgroundColor& tag) override;
    void VisitShowFrame(FlashTagShowFrame& tag) override;
    void VisitPlaceObject2(FlashTagPlaceObject2& tag) override;
    void VisitPlaceObject(FlashTagPlaceObject& tag) override;
    void VisitRemoveObject2(FlashTagRemoveObject2& tag) override;
    void VisitRemoveObject(FlashTagRemoveObject& tag) override;
    // Defining tags are kept (a copy) under their id; a later tag of the same id replaces it.
    void Reserved1(FlashIDEnabled& tag) override;
    void VisitSprite(FlashTagSprite& tag) override;
    void VisitDefineSoundMP3(FlashTagDefineSoundMP3& tag) override;
    void VisitDefineSound(FlashTagDefineSound& tag) override;
    void VisitDefineEditBox(FlashTagDefineEditBox& tag) override;
    void VisitDefineText2(FlashTagDefineText2& tag) override;
    void VisitDefineText(FlashTagDefineText& tag) override;
    void VisitDefineFont2(FlashTagDefineFont2& tag) override;
    void VisitDefineFont(FlashTagDefineFont& tag) override;
    void VisitDefineButton2(FlashTagDefineButton2& tag) override;
    void VisitDefineButton(FlashTagDefineButton& tag) override;
    void VisitDefineMorphShape(FlashTagDefineMorphShape& tag) override;
    void VisitDefineShape3(FlashTagDefineShape3& tag) override;
    void VisitDefineShape2(FlashTagDefineShape2& tag) override;
    void VisitDefineShape1(FlashTagDefineShape1& tag) override;
    void VisitDefineBitsLossless2(FlashTagDefineBitsLossless2& tag) override;
    void VisitDefineBitsLossless(FlashTagDefineBitsLossless& tag) override;
    void VisitDefineBitsJPEG3(FlashTagDefineBitsJPEG3& tag) override;
    void VisitDefineBitsJPEG2(FlashTagDefineBitsJPEG2& tag) override;
    void VisitDefineBitsJPEG1(FlashTagDefineBitsJPEG1& tag) override;
    // Joined into the DefineFont of its id, when there is one.
    void VisitDefineFontInfo(FlashTagDefineFontInfo& tag) override;
    void VisitJPEGTables(FlashTagJPEGTables& tag) override;
    void VisitProtect(FlashTagProtect& tag) override;
    void VisitFreeCharacter(FlashTagFreeCharacter&) override {}
    void Reserved29(FlashTag&) override {}
    void Reserved30(FlashTag&) override {}
    // Kept in the main timeline's frame and written back there.
    void VisitImportAssets(FlashTagImportAssets& tag) override;
    void VisitExportAssets(FlashTagExportAssets& tag) override;
    void VisitEnd(FlashTagEnd&) override {}
    void VisitHeader(FlashHeader& h) override { SetHeader(h); }
    bool Reserved43() override { return true; }
    // The reader's reports become error texts.
    void ExtraTagData(uint32_t count, FlashTagHeader& header) override;
    void TagReadTooFar(uint32_t count, FlashTagHeader& header) override;
    // A tag the library does not decode is kept, not an error: a character definition in the
    // dictionary, any other tag in its frame of the main timeline; each code is warned of once.
    void VisitOtherTag(FlashTag& tag) override;

    // Empties dictionary and main timeline and drops the JPEG tables.
    virtual void DeleteAll();
    virtual void SetProtect(uint8_t p) { protect = p; }
    virtual void SetHeader(const FlashHeader& h);
    // Follows an instance path ("a/b/c": instance names, compared without regard to case) from the
    // display list of the main timeline at `frame` through sprites (at their frame 0).
    virtual bool FindTimeline(const char* path, int frame, FDisplayRecord& record, FlashIDEnabled*& character);
    virtual FTimeline& GetTimeline() { return mainTimeline; }
    virtual void SetJPEGTables(const FlashTagJPEGTables& tables);
    virtual FlashTagJPEGTables* GetJPEGTables() { return jpegTables.get(); }
    virtual FlashIDEnabled* GetCharacter(uint16_t id);
    // Every tag and the main timeline name newId where they named oldId.
    virtual void ReplaceID(uint16_t oldId, uint16_t newId);
    // Gives every character whose id the allocator uses a new id that neither movie uses.
    virtual void RenumberIDs(FSWFMovie& allocator);
    // False when the id is taken; otherwise keeps a copy.
    virtual bool AddCharacter(const FlashIDEnabled& tag);
    // 1 for an empty dictionary, else the largest id plus one.
    virtual uint16_t NextFreeID() const;
    virtual void AllocateIDs(std::vector<uint16_t>& ids, int n) const;
    // Header, the kept tags of the first frame, Protect, JPEG tables, the main timeline's frames
    // (each character written just before the first tag that uses it; characters nothing uses are
    // left out, and the trace says so), End; then the header again with the file length.
    virtual bool Write(flash_ostream& out);
    void WriteCharacterOnce(uint16_t id) override;
    // Reads header and tags; errors holds the texts of everything that went wrong (true when none).
    // What loads but is worth knowing (undecoded tags, a missing End tag) goes to `warnings` and the
    // trace, and does not fail the load. A movie of more than kMaxMovieTags tags (nested ones
    // included) or a timeline of more than kMaxTimelineFrames frames is refused with the reason.
    // The defining tags read are kept as they are, not copied.
    virtual bool Load(flash_istream& in, std::vector<std::string>& errors);
    // Renumbers the other movie against this one and copies its characters in.
    virtual void ImportCharacters(FSWFMovie& other);

    // Whole frames per second (the 8.8 rate truncated; the integer byte is unsigned).
    int GetFrameRate() const;
    // Milliseconds per frame from the full 8.8 rate. A rate of 0 has no period; such a movie is
    // timed at the usual default of 12 frames per second instead of dividing by zero.
    double GetFramePeriodMs() const;

    std::map<uint16_t, std::unique_ptr<FlashIDEnabled>> dictionary;
    FTimeline mainTimeline;
    std::set<uint16_t> writtenIds;
    flash_ostream* out = nullptr;
    FlashHeader header;
    uint8_t protect = 0;
    std::unique_ptr<FlashTagJPEGTables> jpegTables;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;

private:
    void Keep(const FlashIDEnabled& tag);
    // Stops the load with the reason as its error.
    void Refuse(const std::string& why);
    bool loading_ = false;
    bool refused_ = false;
    // The tag just visited that Load keeps in the dictionary once the reader hands it over.
    const FlashIDEnabled* toTake_ = nullptr;
    void Warn(const std::string& text);
    void WarnUndecoded(uint16_t code);
    std::set<uint16_t> warnedCodes;
    void RebuildDictionary();
};

// Splits an instance path at the separator after trimming white space and outer separators. Fails
// on an empty part ("syntax error: two '/' in a row"), a character other than letters, digits and
// '_' ("invalid character") or no part at all ("no path specified"), with the position in errorPos.
bool SplitTimelinePath(std::string& path, std::vector<std::string>& parts, char separator, int& errorPos,
                       std::string& errorText);
