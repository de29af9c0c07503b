// The timeline of a movie or sprite as a model that can be queried and edited by frame: per depth
// the history of display records, per frame its labels and actions, background colours and the
// stream sound. Built by visiting the control tags (the movie forwards those of its main timeline
// while a file is read) and written back as control tags.
//
// One thread at a time; no lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_actions.h"
#include "swf/flash_display.h"
#include "swf/flash_records.h"
#include "swf/flash_sound_tags.h"
#include "swf/flash_visitor.h"

// The stream sound of a timeline: its format and one block per frame from the first block's frame
// on (null for a frame without a block).
class FTimelineStreamSound {
public:
    FTimelineStreamSound() = default;
    FTimelineStreamSound(const FTimelineStreamSound& o);
    FTimelineStreamSound& operator=(const FTimelineStreamSound& o);
    FTimelineStreamSound(FTimelineStreamSound&&) noexcept = default;
    FTimelineStreamSound& operator=(FTimelineStreamSound&&) noexcept = default;
    virtual ~FTimelineStreamSound() = default;
    virtual void SetFormat(const CommonSoundStruct& f) { format = f; }

    // Appends a copy of the block; null stays null.
    void AddBlock(const FlashTagSoundStreamBlock* block);
    size_t GetBlockCount() const { return blocks.size(); }
    // Writes the block of that index when there is one.
    void WriteBlock(flash_ostream& out, size_t index) const;
    // A SoundStreamHead2 with the format (also when the file had a SoundStreamHead).
    void WriteHead(flash_ostream& out) const;
    void Clear() { blocks.clear(); }

    std::vector<std::unique_ptr<FlashTagSoundStreamBlock>> blocks;
    CommonSoundStruct format;
};

// A tag the timeline keeps as it was read (undecoded tags, StartSound, ExportAssets, ImportAssets)
// with the frame it stands in. Shared between copies and never changed in place: renumbering puts a
// changed copy in its slot.
struct FTimelineKeptTag {
    uint32_t frame = 0;
    std::shared_ptr<FlashTag> tag;
};

class FTimeline : public FDefinedVisitor {
public:
    FTimeline() = default;
    explicit FTimeline(int frames) : frameCount(frames) {}
    FTimeline(const FTimeline& o);
    FTimeline& operator=(const FTimeline& o);
    // Takes the records over without copying them; the other timeline is left empty.
    FTimeline(FTimeline&& o) noexcept;
    FTimeline& operator=(FTimeline&& o) noexcept;
    ~FTimeline() override = default;

    // Building from control tags; f is the number of ShowFrame tags seen so far.
    void VisitDoAction(FlashTagDoAction& tag) override;
    void Reserved3(FlashTagSoundStreamBlock& tag) override;
    void VisitSoundStreamBlock(FlashTagSoundStreamBlock& tag) override;
    void VisitSoundStreamHead2(FlashTagSoundStreamHead2& tag) override;
    void VisitSoundStreamHead(FlashTagSoundStreamHead& tag) override;
    // Joins the frame record of a DoAction just before it in the same frame, else makes its own.
    void VisitLabelFrame(FlashTagLabelFrame& tag) override;
    void VisitBackgroundColor(FlashTagBackgroundColor& tag) override;
    void VisitShowFrame(FlashTagShowFrame& tag) override;
    void VisitPlaceObject2(FlashTagPlaceObject2& tag) override;
    void VisitPlaceObject(FlashTagPlaceObject& tag) override;
    void VisitRemoveObject2(FlashTagRemoveObject2& tag) override;
    void VisitRemoveObject(FlashTagRemoveObject& tag) override;
    // Kept in their frame and written back there (see keptTags); so is a removal of a depth that
    // nothing the model decodes has placed.
    void VisitStartSound(FlashTagStartSound& tag) override;
    void VisitImportAssets(FlashTagImportAssets& tag) override;
    void VisitExportAssets(FlashTagExportAssets& tag) override;
    void VisitOtherTag(FlashTag& tag) override;

    // The placed records of a frame in ascending depth.
    virtual void GetDisplayList(int frame, std::vector<FDisplayRecord>& out) const;
    // Removes at that frame every depth the list does not name, then adds the list's records.
    virtual void SetDisplayList(int frame, const std::vector<FDisplayRecord>& list);
    virtual void AddRecord(const FDisplayRecord& record, int frame);
    // The first non-empty label of the frame.
    virtual bool GetFrameLabel(uint32_t frame, std::string& out) const;
    // Copies the first non-empty action list of the frame into actions. Only a query: a frame without
    // actions gives false and the timeline is left as it was.
    virtual bool GetFrame(uint32_t frame, FlashTagDoAction& actions) const;
    virtual void Clear();
    virtual void EndBuild() { frameCursor = nullptr; }
    virtual void AddSoundBlock(FlashTagSoundStreamBlock& tag) { Reserved3(tag); }
    virtual void BuildFromTags(const std::vector<std::unique_ptr<FlashTag>>& tags);
    // Moves the depths at or above `depth` (delta 0 or more) or at or below it (negative delta).
    virtual void ShiftDepths(uint16_t depth, int16_t delta);
    // Every frame as control tags, with a ShowFrame after each but the last pass; not the End tag.
    // Each frame starts with its kept tags (unless skipFirstKept, for frame 0), every character
    // they name asked for first.
    virtual void WriteFrames(flash_ostream& out, bool skipFirstKept = false) const;
    // The kept tags of one frame, in the order read.
    void WriteKeptTags(flash_ostream& out, uint32_t frame) const;

    // The larger of the frames built and the frames the stream sound covers.
    int GetFrameCount() const;
    // Minus the number of trailing frames whose display list equals that of the frame before.
    int CountTrailingStillFrames() const;
    // Frames start .. start + count - 1 as a new timeline of count frames (count -1: the frame
    // records from start on). Background colours, stream sound and kept tags are not copied.
    FTimeline ExtractFrames(uint32_t start, int count) const;
    void ReplaceID(uint16_t oldId, uint16_t newId);
    // Depths 1, 2, 3 ... in list order.
    static void RenumberDisplayDepths(std::vector<FDisplayRecord>& list);

    int32_t frameCount = 0;
    std::map<uint16_t, FTimelineElement> elements;
    std::multimap<uint32_t, FTimelineFrame> frames;
    std::map<uint32_t, FlashRGBA> backgroundColors;
    std::vector<FTimelineKeptTag> keptTags;  // in frame order
    FTimelineStreamSound streamSound;
    int32_t streamStartFrame = 0;
    FTimelineFrame* frameCursor = nullptr;  // the record a following FrameLabel joins
    uint8_t streamStarted = 0;
    uint8_t blockInFrame = 0;

private:
    FTimelineElement& ElementAt(uint16_t depth);
};
