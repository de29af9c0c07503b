// The base classes of every SWF tag.
#include "swf/flash_tag.h"

#include <atomic>

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

namespace {
std::atomic<uint16_t> g_next_character_id{0};
}

void FlashTag::Write(flash_ostream& out) {
    WriteTagHeader(out, code, static_cast<uint32_t>(rawData.size()));
    for (uint8_t b : rawData) out.PutByte(b);
}

void FlashTag::Read(flash_istream& in) {
    FlashDebugTrace("FlashTag::Read??\n");
    ReadBytes(in, length, rawData);
}

void FlashTag::Accept(FVisitor& visitor) { visitor.VisitOtherTag(*this); }

std::unique_ptr<FlashTag> FlashTag::Clone() const { return std::make_unique<FlashTag>(*this); }

FlashIDEnabled::FlashIDEnabled(uint16_t c) : FlashTag(c), characterId(g_next_character_id.fetch_add(1)) {}

uint16_t FlashIDEnabled::ReplaceID(uint16_t oldId, uint16_t newId) {
    uint16_t before = characterId;
    if (characterId == oldId) characterId = newId;
    return before;
}

uint16_t PeekNextCharacterID() { return g_next_character_id.load(); }
