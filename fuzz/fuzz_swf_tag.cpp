// Fuzz target: one SWF tag (header and body) read at a chosen file version, then written back.
#include <memory>

#include "fuzz/fuzz_support.h"
#include "swf/flash_stream.h"
#include "swf/flash_tag.h"
#include "swf/flash_tag_reader.h"
#include "swf/flash_visitor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > fuzz::kMaxInput) return 0;
    // The first byte is the file version, which changes how several tags read.
    flash_istream in(data + 1, size - 1);
    in.version = data[0];
    FDefinedVisitor visitor;
    std::unique_ptr<FlashTag> tag;
    ReadFlashTag(in, tag, &visitor);
    if (tag) {
        flash_ostream out;
        out.version = data[0];
        tag->Write(out);
    }
    return 0;
}
