// Fuzz target: the bitmap texture decoder; an image it accepts holds exactly its pixels.
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "views/heads/model_files/bmp_image.h"
#include "views/heads/model_files/d3d_texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    d3d_texture t;
    std::string error;
    if (!DecodeBmp(data, size, t, &error)) {
        if (error.empty() || !t.rgba.empty()) std::abort();
        return 0;
    }
    if (t.width <= 0 || t.height <= 0 || t.rgba.size() != static_cast<size_t>(t.width) * t.height * 4) std::abort();
    return 0;
}
