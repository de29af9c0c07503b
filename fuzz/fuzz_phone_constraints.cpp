// Fuzz target: the phone constraints text ("codes milliseconds" pairs) loaded into a model.
#include <cstdlib>

#include "fuzz/fuzz_model.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CAccousticHMM* model = fuzz::InventoryModel();
    if (!model) std::abort();
    if (size > fuzz::kMaxInput) return 0;
    LoadPhoneConstraintsIntoHMM(model, reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
    // The recognisers ask every pair of models how long a state may last.
    for (int a = 0; a < 40; a += 7) {
        for (int b = 0; b < 40; b += 3) model->SelfLoopWeight(a, b, 50);
    }
    return 0;
}
