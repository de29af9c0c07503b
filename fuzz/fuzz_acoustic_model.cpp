// Fuzz target: the acoustic model image, read as the recognisers load a model, then dumped as text
// (which walks every model, state and mixture the reader built).
#include <sstream>

#include "engine/recognition/acoustic_hmm.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    char errorText[kAccErrorTextSize];
    CAccousticHMM* model = nullptr;
    if (CreateAccHMM(data, static_cast<int>(size), errorText, &model) == 0 && model) {
        std::ostringstream text;
        model->DumpText(text);
        DestroyAccHMM(model);
    }
    return 0;
}
