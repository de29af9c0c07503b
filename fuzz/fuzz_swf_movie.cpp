// Fuzz target: loading a SWF movie (a Flash template) and writing it back.
#include "fuzz/fuzz_support.h"
#include "swf/flash_movie.h"
#include "swf/flash_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    flash_istream in(data, size);
    FSWFMovie movie;
    std::vector<std::string> errors;
    if (movie.Load(in, errors)) {
        flash_ostream out;
        movie.Write(out);
    }
    return 0;
}
