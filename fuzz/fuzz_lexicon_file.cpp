// Fuzz target: a whole lexicon file (header, then the packed rule set and dictionary), and the
// transcriber built from it transcribing a sample script. The first input byte chooses the form:
// even, the rest is a whole file; odd, the rest is the unpacked block, which is packed here behind
// a fixed header so that mutations reach the block's readers instead of breaking the zlib stream.
#include <zlib.h>

#include <cstring>
#include <vector>

#include "engine/util/memory_buffer.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "fuzz/fuzz_script.h"
#include "fuzz/fuzz_support.h"

namespace {

void PutInt32(std::vector<unsigned char>& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
}

// A lexicon file with a plain header and the block packed as the writer packs it.
std::vector<unsigned char> PackedFile(const uint8_t* block, size_t size) {
    std::vector<unsigned char> file;
    PutInt32(file, kLexiconMagic);
    file.push_back(1);  // version, int16
    file.push_back(0);
    const char name[] = "Fuzz";
    file.insert(file.end(), name, name + sizeof name);
    PutInt32(file, 1033);
    PutInt32(file, 0);  // flags: no locale, no constraints
    uLongf packedSize = compressBound(static_cast<uLong>(size));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, block, static_cast<uLong>(size), 1) != Z_OK) return {};
    PutInt32(file, kPackedBlockMagic);
    PutInt32(file, static_cast<int32_t>(size));
    file.insert(file.end(), packed.begin(), packed.begin() + static_cast<long>(packedSize));
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > fuzz::kMaxInput) return 0;
    std::vector<unsigned char> file;
    if (data[0] & 1) {
        file = PackedFile(data + 1, size - 1);
    } else {
        file.assign(data + 1, data + size);
    }
    CTranscriber* transcriber = nullptr;
    if (LoadLexiconData(file.data(), static_cast<int>(file.size()), &transcriber) == 0 && transcriber) {
        transcriber->Transcribe(fuzz::kSampleScript);
        int count = 0;
        transcriber->GetOutputMarkers(&count);
        transcriber->GetTranscription();
        DestroyTranscriber(transcriber);
    }
    return 0;
}
