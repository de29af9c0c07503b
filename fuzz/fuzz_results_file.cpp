// Fuzz target: the results file reader (".zuvo" text records), then the writer over what was read.
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "model/sync_results_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream errors;
    sync_results_file file;
    file.read(in, errors);
    std::ostringstream out;
    file.write(out, 0, kWriteAll);
    return 0;
}
