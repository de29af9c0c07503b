// Fuzz target: the results file reader (".zuvo" text records), then the writer over what was read,
// which must read back to the same file.
#include <cstdlib>
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
    // Whatever was read must be written so that it reads back the same (or, with a field too long
    // for the file, not written at all).
    NotResultsTextReason(std::string_view(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    if (!file.write(out, 0, kWriteAll)) return 0;
    // A file the program wrote is never refused as binary when it is opened again.
    if (!NotResultsTextReason(out.str()).empty()) std::abort();
    std::istringstream again(out.str());
    sync_results_file back;
    // The writer must write nothing the reader leaves out; doubtful records kept as written (an
    // unknown phoneme code) may be doubted again, and the bytes below show nothing changed.
    if (!back.read(again, errors)) std::abort();
    for (const std::string& warning : back.warnings)
        if (warning.find("left out") != std::string::npos) std::abort();
    std::ostringstream out2;
    if (!back.write(out2, 0, kWriteAll) || out2.str() != out.str()) std::abort();
    return 0;
}
