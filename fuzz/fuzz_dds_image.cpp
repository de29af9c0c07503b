// Fuzz target: the DDS texture decoder; an image it accepts holds exactly its pixels, and one
// written back uncompressed decodes to the same pixels.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/d3d_texture.h"
#include "views/heads/model_files/dds_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    d3d_texture t;
    std::string error;
    if (!DecodeDds(data, size, t, &error)) {
        if (error.empty() || !t.rgba.empty()) std::abort();
        return 0;
    }
    if (t.width <= 0 || t.height <= 0 || t.rgba.size() != static_cast<size_t>(t.width) * t.height * 4) std::abort();
    const std::vector<uint8_t> again = EncodeDds(t.width, t.height, t.rgba.data(), dds_format::rgba32);
    d3d_texture back;
    if (!DecodeDds(again.data(), again.size(), back, &error) || back.rgba != t.rgba) std::abort();
    return 0;
}
