// The character tags that contain other content: DefineSprite (a movie clip with its own nested tags
// and timeline) and the buttons DefineButton and DefineButton2 (which character shows at which depth
// in which state, and the actions they run).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "swf/flash_actions.h"
#include "swf/flash_records.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"
#include "swf/flash_timeline.h"

// What one movie may build, whatever its few bytes claim: a timeline's frame count is 16 bits in the
// file, and past half a million tags (a template needs a few thousand) tiny tags would cost gigabytes
// in the objects made of them. A movie or sprite beyond either is refused, not read in part.
constexpr int kMaxTimelineFrames = 65535;
constexpr uint64_t kMaxMovieTags = uint64_t{1} << 19;

// DefineSprite (39). Only the timeline is written; the nested tags are kept as read.
class FlashTagSprite : public FlashIDEnabled {
public:
    FlashTagSprite() : FlashIDEnabled(39) {}
    FlashTagSprite(const FlashTagSprite& o);
    FlashTagSprite& operator=(const FlashTagSprite& o);

    // The timeline's frames and an End tag behind id and the stored frame count.
    void Write(flash_ostream& out) override;
    // The nested tags are read from the sprite's body only; a nested tag cut short by the body's
    // end fails the stream, so the tag reader reports the sprite. A sprite of more than
    // kMaxTimelineFrames frames or kMaxMovieTags tags keeps none of them and says why in refusal.
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagSprite>(*this); }
    // Its own id, and the characters its timeline (and nested placements) show.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;
    // Every nested tag's Accept, End tag included.
    virtual void AcceptTags(FVisitor& visitor);

    std::vector<std::unique_ptr<FlashTag>> tags;
    FTimeline timeline;
    uint16_t frameCount = 0;
    uint64_t tagsRead = 0;  // by the last Read, those of nested sprites included
    std::string refusal;    // why the last Read kept nothing; empty when it did not refuse
};

// Button states in FlashButtonRecord::stateFlags.
enum : uint8_t { kButtonUp = 0x01, kButtonOver = 0x02, kButtonDown = 0x04, kButtonHitTest = 0x08 };

// One character of a button. The colour transform is in the file only above version 1 (DefineButton2).
class FlashButtonRecord : public FlashVersionEnabled {
public:
    FlashButtonRecord() : FlashVersionEnabled(0) { colorTransform.SetVersion(0); }
    // Asks the movie for the character first.
    virtual void Write(flash_ostream& out);
    virtual void Read(flash_istream& in);

    uint16_t characterId = 0;
    uint16_t depth = 0;
    uint8_t stateFlags = 0;
    FlashMatrix matrix;
    FlashColorTransform colorTransform;
};

// DefineButton (7): records (version 0) and the actions run on release.
class FlashTagDefineButton : public FlashIDEnabled {
public:
    FlashTagDefineButton() : FlashIDEnabled(7) {}
    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineButton>(*this); }
    // Its own id and the characters of its records.
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    std::vector<FlashButtonRecord> records;
    CActionScriptCode actions;
};

// DefineButton2 (34): records (version 2) and actions by condition word. Condition actions of the
// file with one condition word share one entry.
class FlashTagDefineButton2 : public FlashIDEnabled {
public:
    FlashTagDefineButton2() : FlashIDEnabled(34) {}
    void Write(flash_ostream& out) override;
    // Offsets that point outside the body fail the stream (the tag reader reports the tag).
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagDefineButton2>(*this); }
    uint16_t ReplaceID(uint16_t oldId, uint16_t newId) override;

    bool trackAsMenu = false;
    std::vector<FlashButtonRecord> records;
    std::map<uint16_t, CActionScriptCode> conditionActions;
};
