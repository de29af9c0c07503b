// Action records carried without interpretation (a code and, from code 0x80 on, a length-prefixed
// block of data), action lists, and the two frame tags DoAction and FrameLabel. A timeline keeps one
// of each per frame record.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "swf/flash_stream.h"
#include "swf/flash_tag.h"

class FlashActionRecord {
public:
    FlashActionRecord() = default;
    FlashActionRecord(uint16_t c, std::vector<uint8_t> bytes = {})
        : data(std::move(bytes)), code(c), length(static_cast<uint16_t>(c >= 0x80 ? data.size() : 0)) {}
    virtual ~FlashActionRecord() = default;

    // The code byte; from 0x80 on a u16 length and that many data bytes.
    virtual void Read(flash_istream& in);
    // The code byte; from 0x80 on the data size as u16 and the data.
    virtual void Write(flash_ostream& out);
    virtual std::unique_ptr<FlashActionRecord> Clone() const;
    virtual uint16_t GetCode() const { return code; }
    virtual uint32_t GetSize() const { return GetHeaderSize() + static_cast<uint32_t>(data.size()); }
    virtual uint32_t GetHeaderSize() const { return code >= 0x80 ? 3 : 1; }

    std::vector<uint8_t> data;
    uint16_t code = 0;
    uint16_t length = 0;  // as read; 0 below code 0x80
};

// Reads one byte: 0 (the End action) or the end of the data gives null; any other byte is put back
// and a new record reads itself.
std::unique_ptr<FlashActionRecord> ReadActionRecord(flash_istream& in);

// An owning list of action records; copies clone every record (a null entry stays null).
class CActionScriptCode {
public:
    CActionScriptCode() = default;
    CActionScriptCode(const CActionScriptCode& other);
    CActionScriptCode& operator=(const CActionScriptCode& other);
    CActionScriptCode(CActionScriptCode&&) = default;
    CActionScriptCode& operator=(CActionScriptCode&&) = default;
    virtual ~CActionScriptCode() = default;

    // Appends records until the End action (consumed). When endPosition is 0 or more it is the
    // absolute stream position where the block ends, and reading also stops there.
    void Read(flash_istream& in);
    // Every record, then the End action (one 0 byte).
    void Write(flash_ostream& out) const;

    std::vector<std::unique_ptr<FlashActionRecord>> records;
    int64_t endPosition = -1;
};

// DoAction (code 12): one action list.
class FlashTagDoAction : public FlashTag {
public:
    FlashTagDoAction() : FlashTag(12) {}

    void Write(flash_ostream& out) override;
    // The action list, never past the end of the body.
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    CActionScriptCode actions;
};

// FrameLabel (code 43): the name of a frame, 0-terminated, and in files from version 6 on possibly
// one more byte that makes the label a named anchor.
class FlashTagLabelFrame : public FlashTag {
public:
    FlashTagLabelFrame() : FlashTag(43) {}
    explicit FlashTagLabelFrame(const char* text) : FlashTag(43), label(text ? text : "") {}

    // The label, its 0, then the anchor byte when there is one.
    void Write(flash_ostream& out) override;
    // The bytes up to a 0 become the label; a byte left in the body after it is the anchor byte.
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override;

    std::string label;
    // The byte after the label's 0 exactly as read (1 marks a named anchor); kept so that loading
    // and saving a movie does not change it. Absent for labels made here.
    std::optional<uint8_t> anchor;
};

// What a timeline keeps for one frame: its label and its actions.
class FTimelineFrame {
public:
    FTimelineFrame() = default;
    explicit FTimelineFrame(const FlashTagLabelFrame& l) : label(l) {}
    explicit FTimelineFrame(const FlashTagDoAction& a) : actions(a) {}

    FlashTagLabelFrame label;
    FlashTagDoAction actions;
    uint32_t frameFlags = 0;
};
