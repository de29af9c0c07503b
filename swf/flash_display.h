// The display-list tags (PlaceObject, PlaceObject2, RemoveObject, RemoveObject2), the display record
// that holds the full state of one depth from one frame on, and the per-depth history a timeline
// keeps: it applies placements and removals, answers what is at the depth in any frame, cuts frame
// ranges out, and writes a frame back as the shortest PlaceObject2/RemoveObject2 tags.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_actions.h"
#include "swf/flash_records.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"

// One clip event handler of a PlaceObject2. Equal when event flags, key codes and the numbers of
// action records are equal (the records themselves are not compared).
class FlashClipAction {
public:
    bool operator==(const FlashClipAction& o) const {
        return eventFlags == o.eventFlags && keyCode == o.keyCode && actions.records.size() == o.actions.records.size();
    }

    uint32_t eventFlags = 0;
    uint16_t keyCode = 0;  // present when event flag bit 17 (key press) is set
    CActionScriptCode actions;
};

// PlaceObject (code 4): character, depth, matrix and, when the body has bytes left, a colour
// transform without alpha.
class FlashTagPlaceObject : public FlashTag {
public:
    FlashTagPlaceObject() : FlashTag(4) { colorTransform.SetVersion(1); }

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint16_t characterId = 0;
    uint16_t depth = 0;
    FlashMatrix matrix;
    uint8_t hasColorTransform = 0;
    FlashColorTransform colorTransform;
};

// PlaceObject2 (code 26). Clip actions are present when the vector is not empty; their event flags
// are 32-bit for SWF versions above 5, else 16-bit (the stream's version).
class FlashTagPlaceObject2 : public FlashTag {
public:
    FlashTagPlaceObject2() : FlashTag(26) { colorTransform.SetVersion(2); }
    explicit FlashTagPlaceObject2(uint16_t d) : FlashTag(26), depth(d) { colorTransform.SetVersion(2); }
    // hasCharacter and hasMatrix set, hasColorTransform copied, the rest clear.
    explicit FlashTagPlaceObject2(const FlashTagPlaceObject& p);

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint8_t hasName = 0;
    uint8_t hasCharacter = 0;
    uint8_t move = 0;
    uint8_t hasMatrix = 0;
    uint8_t hasColorTransform = 0;
    uint8_t hasRatio = 0;
    uint8_t hasClipDepth = 0;
    uint16_t depth = 0;
    std::string name;
    uint16_t characterId = 0;
    FlashMatrix matrix;
    FlashColorTransform colorTransform;  // version 2 (with alpha) whenever read or written
    uint16_t ratio = 0;
    uint16_t clipDepth = 0;
    std::vector<FlashClipAction> clipActions;
};

// RemoveObject (code 5): character and depth.
class FlashTagRemoveObject : public FlashTag {
public:
    FlashTagRemoveObject() : FlashTag(5) {}
    FlashTagRemoveObject(uint16_t id, uint16_t d) : FlashTag(5), characterId(id), depth(d) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint16_t characterId = 0;
    uint16_t depth = 0;
};

// RemoveObject2 (code 28): the depth.
class FlashTagRemoveObject2 : public FlashTag {
public:
    FlashTagRemoveObject2() : FlashTag(28) {}
    explicit FlashTagRemoveObject2(uint16_t d) : FlashTag(28), depth(d) {}

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    uint16_t depth = 0;
};

// Flag bits of FDisplayRecord::flags.
enum : uint16_t {
    kDisplayHasCharacter = 1,
    kDisplayHasRatio = 4,
    kDisplayHasClipDepth = 8,
};

// The state of one depth from one frame on.
class FDisplayRecord {
public:
    FDisplayRecord() { colorTransform.SetVersion(1); }

    // Equal when flags, character, matrix, colour transform, clip depth, depth, name and clip actions
    // are equal and the ratios differ by less than 30; the frame is not compared. This loose
    // equality is for finding transitions between clips only.
    bool operator==(const FDisplayRecord& o) const;
    bool operator!=(const FDisplayRecord& o) const { return !(*this == o); }
    // The same with equal ratios: what writing and cutting frames go by, so every morph step stays.
    bool SameState(const FDisplayRecord& o) const;

    int32_t frame = 0;
    uint16_t flags = 0;
    uint16_t characterId = 0;
    FlashMatrix matrix;
    FlashColorTransform colorTransform;
    int32_t clipDepth = 0;
    int32_t ratio = -1;
    int32_t depth = 0;
    std::string name;
    std::vector<FlashClipAction> clipActions;
};

// Same length and pairwise equal records.
bool DisplayListsEqual(const std::vector<FDisplayRecord>& a, const std::vector<FDisplayRecord>& b);

// The history of one depth: records ordered by frame (records of one frame keep the order in which
// they were added).
class FTimelineElement {
public:
    FTimelineElement() = default;
    explicit FTimelineElement(uint16_t d) : depth(d) {}
    virtual ~FTimelineElement() = default;

    // A copy of the last record whose frame is at most `frame`, or a new record.
    FDisplayRecord GetStateAt(int frame) const;
    // The last record whose frame is at most `frame`, or null.
    const FDisplayRecord* FindLastRecord(int frame) const;
    bool IsPlacedAt(int frame) const;
    bool GetPlacedRecord(FDisplayRecord& out, int frame) const;
    // Sets the record's frame and inserts it after every record whose frame is at most that frame.
    void AddRecord(FDisplayRecord record, int frame);
    void AppendRecord(FDisplayRecord record);
    // Merges a placement into the depth's state from `frame` on (the move flag is not consulted).
    void ApplyPlace(const FlashTagPlaceObject2& tag, int frame);
    // Empties the depth from `frame` on.
    void ApplyRemove(int frame);
    // The states of frames start .. start + count - 1 as a new element whose frame 0 is `start`
    // (in time linear in the records, not the frames).
    FTimelineElement ExtractRange(int start, int count) const;
    // The last frame after 0, up to `last`, whose placed state differs from the frame before (0
    // when none does); linear in the records.
    int LastChangeFrame(int last) const;
    // Writes this depth's changes of `frame` as tags, asking the output for each placed character.
    void WriteFrame(flash_ostream& out, int frame) const;
    void ShiftDepth(int16_t delta);
    void ReplaceID(uint16_t oldId, uint16_t newId);

    std::vector<FDisplayRecord> records;
    uint16_t depth = 0;

private:
    void WriteChange(flash_ostream& out, const FDisplayRecord* prev, const FDisplayRecord& r) const;
    void WriteFullPlace(flash_ostream& out, const FDisplayRecord& r) const;
};
