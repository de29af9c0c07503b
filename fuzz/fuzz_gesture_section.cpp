// Fuzz target: the gesture section of the results file, then the writer over what was read, which
// must read back to the same section.
#include <cstdlib>
#include <sstream>
#include <string>

#include "flash/zuvo_anim.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream errors;
    FZuvoAnim anim;
    anim.read_gesture_section(in, errors);
    std::ostringstream out;
    anim.write_gesture_section(out);
    std::istringstream again(out.str());
    FZuvoAnim back;
    if (!back.read_gesture_section(again, errors)) std::abort();
    std::ostringstream out2;
    back.write_gesture_section(out2);
    if (out2.str() != out.str()) std::abort();
    return 0;
}
