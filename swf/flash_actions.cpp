// Action records, action lists, DoAction and FrameLabel.
#include "swf/flash_actions.h"

#include "swf/flash_header.h"
#include "swf/flash_visitor.h"

void FlashActionRecord::Read(flash_istream& in) {
    code = ReadU8(in);
    data.clear();
    length = 0;
    if (code >= 0x80) {
        length = ReadU16(in);
        ReadBytes(in, length, data);
    }
}

void FlashActionRecord::Write(flash_ostream& out) {
    WriteU8(out, static_cast<uint8_t>(code));
    if (code >= 0x80) WriteU16(out, static_cast<uint16_t>(data.size()));
    WriteBytes(out, data);
}

std::unique_ptr<FlashActionRecord> FlashActionRecord::Clone() const {
    return std::make_unique<FlashActionRecord>(*this);
}

std::unique_ptr<FlashActionRecord> ReadActionRecord(flash_istream& in) {
    int c = in.get();
    if (c <= 0) return nullptr;
    in.unget();
    auto record = std::make_unique<FlashActionRecord>();
    record->Read(in);
    return record;
}

CActionScriptCode::CActionScriptCode(const CActionScriptCode& other) : endPosition(other.endPosition) {
    records.reserve(other.records.size());
    for (const auto& r : other.records) records.push_back(r ? r->Clone() : nullptr);
}

CActionScriptCode& CActionScriptCode::operator=(const CActionScriptCode& other) {
    if (this != &other) {
        records.clear();
        for (const auto& r : other.records) records.push_back(r ? r->Clone() : nullptr);
        endPosition = other.endPosition;
    }
    return *this;
}

void CActionScriptCode::Read(flash_istream& in) {
    while (endPosition < 0 || in.tellg() < static_cast<uint64_t>(endPosition)) {
        auto record = ReadActionRecord(in);
        if (!record) break;
        records.push_back(std::move(record));
    }
}

void CActionScriptCode::Write(flash_ostream& out) const {
    for (const auto& r : records)
        if (r) r->Write(out);
    out.PutByte(0);
}

void FlashTagDoAction::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    actions.Write(body);
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

void FlashTagDoAction::Read(flash_istream& in) {
    // A list without its End action stops at the end of the body rather than reading the next tags.
    int64_t saved = actions.endPosition;
    actions.endPosition = static_cast<int64_t>(in.tellg() + length);
    actions.Read(in);
    actions.endPosition = saved;
}

void FlashTagDoAction::Accept(FVisitor& visitor) { visitor.VisitDoAction(*this); }

std::unique_ptr<FlashTag> FlashTagDoAction::Clone() const { return std::make_unique<FlashTagDoAction>(*this); }

void FlashTagLabelFrame::Write(flash_ostream& out) {
    flash_ostrstream body(out);
    WriteStringBytes(body, label);
    body.PutByte(0);
    if (anchor) body.PutByte(*anchor);
    WriteTagHeader(out, code, static_cast<uint32_t>(body.size()));
    WriteBytes(out, body.bytes());
}

void FlashTagLabelFrame::Read(flash_istream& in) {
    uint64_t end = in.tellg() + length;
    ReadCString(in, label);
    anchor.reset();
    // Only a byte inside the body: a label without one must not take the next tag's first byte.
    if (!in.fail() && in.tellg() < end) anchor = ReadU8(in);
}

void FlashTagLabelFrame::Accept(FVisitor& visitor) { visitor.VisitLabelFrame(*this); }

std::unique_ptr<FlashTag> FlashTagLabelFrame::Clone() const { return std::make_unique<FlashTagLabelFrame>(*this); }
