// Tags the library keeps without decoding them: undecoded character definitions (kept in the
// dictionary as raw characters) and the other tags a timeline keeps in their frame, with the
// character ids such tags name, so writing can put those characters first and renumbering can
// follow them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/flash_tag.h"

class FVisitor;

// True for the codes of character definitions the library does not decode (their body starts with
// the character id).
bool IsUndecodedCharacterCode(uint16_t code);

// An undecoded character definition: its id and the rest of the body as read. It reaches visitors
// through Reserved1, the operation for character tags without a class of their own.
class FlashTagRawCharacter : public FlashIDEnabled {
public:
    explicit FlashTagRawCharacter(uint16_t c = 0) : FlashIDEnabled(c) {}
    // From a raw tag whose body holds at least the id.
    explicit FlashTagRawCharacter(const FlashTag& raw);

    void Write(flash_ostream& out) override;
    void Read(flash_istream& in) override;
    void Accept(FVisitor& visitor) override;
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<FlashTagRawCharacter>(*this); }

    std::vector<uint8_t> body;  // the bytes after the id
};

// The byte offsets in a raw tag's body of the character ids it names, for the undecoded codes whose
// layout is known (an id first, a SymbolClass list, a PlaceObject3 with a character); empty for
// others and for bodies too short to hold them.
std::vector<size_t> RawTagIdOffsets(uint16_t code, const std::vector<uint8_t>& body);

// The characters a kept tag names (raw, StartSound or ExportAssets; id 0, the movie itself, is left
// out), in body order.
std::vector<uint16_t> KeptTagCharacters(const FlashTag& tag);

// A copy of the kept tag with oldId named newId, or null when it does not name oldId.
std::unique_ptr<FlashTag> KeptTagWithReplacedID(const FlashTag& tag, uint16_t oldId, uint16_t newId);

// True when the tag is of no class of its own (a raw tag as read).
bool IsRawTag(const FlashTag& tag);
