// Reading a SWF file: the file header (with zlib-compressed bodies inflated) and the tags with their
// size checks.
#include "swf/flash_tag_reader.h"

#include <iostream>

#include "swf/flash_visitor.h"
#include "swf/swf_inflate.h"

namespace {

// Inflates the rest of the stream behind the first `keep` bytes, up to `limit` bytes in all. The
// body is measured before any memory is taken for it and refused past kSwfMaxBodyBytes.
bool InflateBody(flash_istream& in, uint64_t limit, std::string& error) {
    size_t keep = static_cast<size_t>(in.tellg());
    std::vector<uint8_t> out(in.data(), in.data() + keep);
    const uint64_t declared = limit > keep ? limit - keep : 0;
    if (!InflateSwfBody(in.data() + keep, static_cast<size_t>(in.remaining()), declared, out, error))
        return false;
    in.ReplaceData(std::move(out), keep);
    return true;
}

}  // namespace

bool ReadFlashHeader(flash_istream& in, FlashHeader& header, std::string& error, FVisitor* visitor) {
    header = FlashHeader();
    uint64_t start = in.tellg();
    uint8_t sig[3] = {0, 0, 0};
    in.read(sig, 3);
    header.version = ReadU8(in);
    header.fileLength = ReadU32(in);
    if (in.fail()) {
        error = "The file is too short for a SWF header";
        return false;
    }
    bool compressed = sig[0] == 'C' && sig[1] == 'W' && sig[2] == 'S';
    bool plain = sig[0] == 'F' && sig[1] == 'W' && sig[2] == 'S';
    if (!plain && !compressed) {
        error = "Not a SWF file, or a kind of SWF compression that is not supported (signature \"" +
                std::string(reinterpret_cast<char*>(sig), 3) + "\")";
        in.setfail();
        return false;
    }
    // The length field counts the whole uncompressed file, these 8 bytes included.
    if (compressed && !InflateBody(in, start + header.fileLength, error)) {
        in.setfail();
        return false;
    }
    header.frame.Read(in);
    header.rateFraction = ReadU8(in);
    header.rateInteger = ReadU8(in);
    header.frameCount = ReadU16(in);
    if (in.fail()) {
        error = "The SWF header is cut short";
        return false;
    }
    if (visitor) visitor->VisitHeader(header);
    return true;
}

FlashHeader ReadFlashHeader(flash_istream& in, FVisitor* visitor) {
    FlashHeader header;
    std::string error;
    if (!ReadFlashHeader(in, header, error, visitor)) std::cerr << error << '\n';
    return header;
}

bool ReadFlashTag(flash_istream& in, std::unique_ptr<FlashTag>& out, FVisitor* visitor) {
    out.reset();
    FlashTagHeader header;
    header.Read(in);
    if (in.fail()) {
        // The data ends before the End tag (or inside a tag header).
        if (visitor) visitor->TagReadTooFar(static_cast<uint32_t>(in.overrun()), header);
        std::cerr << "SWF data ends before its End tag\n";
        return false;
    }
    uint64_t body_start = in.tellg();
    if (header.length > in.remaining()) {
        uint32_t missing = static_cast<uint32_t>(header.length - in.remaining());
        if (visitor) visitor->TagReadTooFar(missing, header);
        std::cerr << "Truncated " << flash_tag_name(header.code) << ": " << missing << " bytes of its body are missing\n";
        in.seekg(in.size());
        in.setfail();
        return false;
    }
    uint64_t body_end = body_start + header.length;

    std::unique_ptr<FlashTag> tag = MakeFlashTag(in, header);
    tag->length = header.length;
    tag->Read(in);
    if (visitor) tag->Accept(*visitor);
    out = std::move(tag);

    uint64_t pos = in.tellg() + in.overrun();
    if (!in.fail() && pos == body_end) return header.code != 0;
    if (!in.fail() && pos < body_end) {
        uint32_t count = static_cast<uint32_t>(body_end - pos);
        if (visitor) visitor->ExtraTagData(count, header);
        std::cerr << "Extra Tag Data Encountered: " << count;
        in.seekg(body_end);
        return header.code != 0;
    }
    uint32_t count = static_cast<uint32_t>(pos > body_end ? pos - body_end : 0);
    if (visitor) visitor->TagReadTooFar(count, header);
    std::cerr << "Tag Size Discrepancy: -" << count;
    return false;
}

void ReadFlashTags(flash_istream& in, std::vector<std::unique_ptr<FlashTag>>& tags, FVisitor* visitor) {
    for (;;) {
        std::unique_ptr<FlashTag> tag;
        bool more = ReadFlashTag(in, tag, visitor);
        if (tag) tags.push_back(std::move(tag));
        if (!more) break;
    }
}
