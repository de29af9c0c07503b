// Fuzz target: the phone trigram text ("token count" pairs) loaded into a model, both as counts
// and as conditional counts.
#include <cstdlib>

#include "fuzz/fuzz_model.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CAccousticHMM* model = fuzz::InventoryModel();
    if (!model) std::abort();
    if (size < 1 || size > fuzz::kMaxInput) return 0;
    // The first byte chooses how the counts are read.
    LoadTrigramIntoHMM(model, reinterpret_cast<const char*>(data) + 1, static_cast<int>(size - 1), data[0] & 1);
    return 0;
}
