// The base classes of every SWF tag: FlashTag (code, body length, and the raw body of tags the
// library does not decode) and FlashIDEnabled (tags that define a character).
//
// Adding a tag class: derive from FlashTag (or FlashIDEnabled), give it its own Write (assemble the
// body, then WriteTagHeader with the body length, then the body), Read (the body only; `length` is
// set before Read is called), Accept (the visitor operation of its kind) and Clone (a copy of its own
// class); then enter its code in the tag table (flash_tag_table.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/flash_stream.h"

class FVisitor;

class FlashTag {
public:
    explicit FlashTag(uint16_t c = 0) : code(c) {}
    FlashTag(const FlashTag&) = default;
    FlashTag& operator=(const FlashTag&) = default;

    // Generic form: a tag header with the code and the raw data's size, then the raw bytes.
    virtual void Write(flash_ostream& out);
    // Generic form: `length` bytes appended to the raw data (never more than the stream holds).
    virtual void Read(flash_istream& in);
    virtual ~FlashTag() = default;
    // Calls the visitor operation of the tag's kind (VisitOtherTag for a tag without a class).
    virtual void Accept(FVisitor& visitor);
    // A new object of the tag's own class with every field copied.
    virtual std::unique_ptr<FlashTag> Clone() const;
    virtual uint16_t GetTagID() const { return code; }
    virtual uint32_t GetLength() const { return length; }

    // Body bytes still to read of a body of `length` bytes of which `consumed` have been read; 0 for
    // a body shorter than what was read, so a "length minus n" from a file never wraps.
    uint32_t BodyLeft(uint64_t consumed) const { return consumed < length ? static_cast<uint32_t>(length - consumed) : 0; }

    uint32_t length = 0;  // body length from the tag header
    uint16_t code;
    std::vector<uint8_t> rawData;  // body of a tag without a class of its own
};

// Base of every tag that defines a character. A new object takes the next value of one process-wide
// 16-bit counter (starting at 0, wrapping after 65,536); reading overwrites it with the file's id.
// Copies keep the id.
class FlashIDEnabled : public FlashTag {
public:
    explicit FlashIDEnabled(uint16_t c);
    FlashIDEnabled(const FlashIDEnabled&) = default;
    FlashIDEnabled& operator=(const FlashIDEnabled&) = default;

    // When the id equals oldId it becomes newId; returns the id held before. Tags that name other
    // characters extend it.
    virtual uint16_t ReplaceID(uint16_t oldId, uint16_t newId);
    uint16_t GetID() const { return characterId; }
    void SetID(uint16_t id) { characterId = id; }

    uint16_t characterId;
};

// The next value the process-wide character id counter will hand out (for tests).
uint16_t PeekNextCharacterID();
