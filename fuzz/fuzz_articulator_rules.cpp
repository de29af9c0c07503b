// Fuzz target: the articulation rules text, and the rules it made evaluated around a phoneme.
#include "engine/articulation/articulator_rules.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::kMaxInput) return 0;
    ArticulatorRules rules;
    ParseArticulatorRules(reinterpret_cast<const char*>(data), static_cast<int>(size), rules);
    for (const auto& [code, rule] : rules.rules) {
        for (int t = -200; t <= 400; t += 50) {
            RuleWeightAt(rule, t, 0, 200);
            RuleEnvelopeAt(rule, t, 0, 200);
        }
    }
    return 0;
}
