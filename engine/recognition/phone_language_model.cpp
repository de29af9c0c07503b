// Phone constraints (duration limits per phoneme) and the phone trigram language model, read from
// text into an acoustic model, and the entry points that load them from a text or a file.
#include <memory>
#include <new>
#include <sstream>
#include <string>

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/util/number_text.h"
#include "engine/util/file_utils.h"
#include "platform/fp_guard.h"

namespace {

// The trigram table holds numModels^3 floats; inventories with more models than this are not
// phoneme sets, and their table would not fit in memory.
constexpr int32_t kMaxTrigramModels = 256;

}  // namespace

void CAccousticHMM::ClearConstraints() {
    if (!constraints.empty()) {
        constraints.clear();
        constraints.shrink_to_fit();
    }
}

bool CAccousticHMM::ReadConstraints(std::istream& in, int) {
    CFuncTrace trace("CAccousticHMM::ReadConstraints");
    ClassicNumbersScope classic(in);
    ClearConstraints();
    constraints.assign(static_cast<size_t>(numModels > 0 ? numModels : 0), 0);
    bool ok = true;
    if (!in.good()) return true;
    while (in.good()) {
        std::string token;
        if (!(in >> token)) break;
        std::vector<uint16_t> indices;
        if (!LabelsToIndices(token.c_str(), &indices)) {
            // The token's number is then read as the next token, and fails the same way.
            ok = false;
            continue;
        }
        int ms = 0;
        if (!(in >> ms)) break;
        // Milliseconds at the fixed 10 ms frame period, spread over the model's states.
        const int frames = numStates > 0 ? ms / (numStates * 10) : 0;
        for (uint16_t index : indices) {
            if (index < constraints.size()) constraints[index] = frames;
        }
    }
    if (!ok) ClearConstraints();
    return ok;
}

float CAccousticHMM::SelfLoopWeight(int fromModel, int toModel, int framesInState) const {
    if (fromModel != toModel || fromModel < 0 ||
        static_cast<size_t>(fromModel) >= constraints.size()) {
        return 1.0f;
    }
    const int32_t limit = constraints[static_cast<size_t>(fromModel)];
    if (limit != 0 && framesInState > limit) return 1e-7f;
    return 1.0f;
}

void CAccousticHMM::ClearTrigrams() {
    trigramVersion1 = 0;
    std::vector<float>().swap(unigrams);
    std::vector<float>().swap(bigrams);
    std::vector<float>().swap(trigrams);
}

bool CAccousticHMM::ReadTrigrams(std::istream& in, bool countsAreConditional) {
    CFuncTrace trace("CAccousticHMM::ReadTrigrams");
    ClassicNumbersScope classic(in);
    // Whatever fails below leaves no language model: the searches test for empty tables, never
    // for zeroed ones.
    ClearTrigrams();
    const int32_t n = numModels;
    if (n < 1 || n > kMaxTrigramModels) return false;
    const size_t n1 = static_cast<size_t>(n);
    try {
        unigrams.assign(n1, 0.0f);
        bigrams.assign(n1 * n1, 0.0f);
        trigrams.assign(n1 * n1 * n1, 0.0f);
    } catch (const std::bad_alloc&) {
        ClearTrigrams();
        return false;
    }
    auto bi = [&](size_t i, size_t j) -> float& { return bigrams[i * n1 + j]; };
    auto tri = [&](size_t i, size_t j, size_t k) -> float& { return trigrams[(i * n1 + j) * n1 + k]; };

    double total = 0.0;
    bool first = true;
    int stored = 0;
    while (in.good()) {
        std::string token;
        float value = 0.0f;
        if (!(in >> token >> value)) break;
        if (first && token == "version") {
            trigramVersion1 = value == 1.0f ? 1 : 0;
            first = false;
            continue;
        }
        first = false;
        int i = -1;
        int j = -1;
        int k = -1;
        if (!SplitLabel(token.c_str(), &i, &j, &k)) continue;
        if (k >= 0) {
            tri(i, j, k) = value;
        } else if (j >= 0) {
            bi(i, j) = value;
        } else {
            unigrams[i] = value;
            total += value;
        }
        ++stored;
    }

    if (countsAreConditional) {
        for (size_t i = 0; i < n1; ++i) {
            for (size_t j = 0; j < n1; ++j) {
                const float b = bi(i, j);
                for (size_t k = 0; k < n1; ++k) tri(i, j, k) = b != 0.0f ? tri(i, j, k) / b : 0.0f;
            }
        }
        for (size_t i = 0; i < n1; ++i) {
            const float u = unigrams[i];
            for (size_t j = 0; j < n1; ++j) bi(i, j) = u != 0.0f ? bi(i, j) / u : 0.0f;
        }
        if (total != 0.0) {
            for (float& u : unigrams) u = static_cast<float>(u / total);
        }
    } else if (trigramVersion1) {
        // The bigram counts only mark which pairs exist; the probabilities come from the trigram
        // counts.
        for (size_t i = 0; i < n1; ++i) {
            double s = 0.0;
            for (size_t j = 0; j < n1; ++j) {
                if (bi(i, j) == 0.0f) {
                    for (size_t k = 0; k < n1; ++k) tri(i, j, k) = 0.0f;
                    continue;
                }
                double t = 0.0;
                for (size_t k = 0; k < n1; ++k) t += tri(i, j, k);
                if (t != 0.0) {
                    bi(i, j) = static_cast<float>(t);
                    for (size_t k = 0; k < n1; ++k) tri(i, j, k) = static_cast<float>(tri(i, j, k) / t);
                }
                s += t;
            }
            // A phone without trigram counts keeps zeros rather than dividing by them.
            unigrams[i] = total != 0.0 ? static_cast<float>(s / total) : 0.0f;
            if (s != 0.0) {
                for (size_t j = 0; j < n1; ++j) bi(i, j) = static_cast<float>(bi(i, j) / s);
            }
        }
    } else if (total != 0.0) {
        for (float& u : unigrams) u = static_cast<float>(u / total);
        for (size_t i = 0; i < n1; ++i) {
            double sum = 0.0;
            for (size_t j = 0; j < n1; ++j) sum += bi(i, j);
            if (sum != 0.0) {
                for (size_t j = 0; j < n1; ++j) bi(i, j) = static_cast<float>(bi(i, j) / sum);
            }
        }
        for (size_t i = 0; i < n1; ++i) {
            for (size_t j = 0; j < n1; ++j) {
                double sum = 0.0;
                for (size_t k = 0; k < n1; ++k) {
                    if (tri(i, j, k) > 0.0f) sum += tri(i, j, k);
                }
                if (sum == 0.0) continue;
                for (size_t k = 0; k < n1; ++k) {
                    if (tri(i, j, k) > 0.0f) tri(i, j, k) = static_cast<float>(tri(i, j, k) / sum);
                }
            }
        }
    }
    // An empty or unreadable text leaves no language model; say so instead of loading zeros.
    if (stored == 0) {
        ClearTrigrams();
        return false;
    }
    return true;
}

namespace {

std::string TextOf(const char* text, int length) {
    if (length < 0) return std::string(text);
    return std::string(text, static_cast<size_t>(length));
}

// A constraint or trigram file read whole, bounded: 10 when it does not open or is a folder, 12
// when it is larger than such a file can be; the reason goes to the log.
int ReadTextForModel(const char* path, size_t maxBytes, std::string* text) {
    if (path == nullptr) return kErrFileNotFound;
    std::string error;
    if (ReadWholeFile(path, maxBytes, text, &error)) return kErrNone;
    SdkLogPrintf("%s\n", error.c_str());
    return error.find("larger than") != std::string::npos ? kErrBadData : kErrFileNotFound;
}

}  // namespace

int LoadPhoneConstraintsIntoHMM(CAccousticHMM* model, const char* text, int length, int unused) {
    CFloatingPointGuard guard;
    CFuncTrace trace("LoadPhoneConstraintsIntoHMM");
    return RunEntryPoint([&]() -> int {
        if (model == nullptr) return kErrInvalidArgument;
        if (text == nullptr) {
            model->ClearConstraints();
            return kErrNone;
        }
        std::istringstream in(TextOf(text, length));
        return model->ReadConstraints(in, unused) ? kErrNone : kErrBadData;
    });
}

int LoadPhoneConstraintsFileIntoHMM(CAccousticHMM* model, const char* path, int unused) {
    CFloatingPointGuard guard;
    CFuncTrace trace("LoadPhoneConstraintsFileIntoHMM");
    return RunEntryPoint([&]() -> int {
        if (model == nullptr) return kErrInvalidArgument;
        std::string text;
        const int code = ReadTextForModel(path, kMaxConstraintFileBytes, &text);
        if (code != kErrNone) {
            model->ClearConstraints();
            return code;
        }
        std::istringstream in(text);
        return model->ReadConstraints(in, unused) ? kErrNone : kErrBadData;
    });
}

int LoadTrigramIntoHMM(CAccousticHMM* model, const char* text, int length, int unused) {
    CFloatingPointGuard guard;
    CFuncTrace trace("LoadTrigramIntoHMM");
    return RunEntryPoint([&]() -> int {
        if (model == nullptr) return kErrInvalidArgument;
        if (text == nullptr) {
            model->ClearTrigrams();
            return kErrBadData;
        }
        std::istringstream in(TextOf(text, length));
        return model->ReadTrigrams(in, unused != 0) ? kErrNone : kErrBadData;
    });
}

int LoadTrigramFileIntoHMM(CAccousticHMM* model, const char* path, int unused) {
    CFloatingPointGuard guard;
    CFuncTrace trace("LoadTrigramFileIntoHMM");
    return RunEntryPoint([&]() -> int {
        if (model == nullptr) return kErrInvalidArgument;
        std::string text;
        const int code = ReadTextForModel(path, kMaxTrigramFileBytes, &text);
        if (code != kErrNone) {
            model->ClearTrigrams();
            return code;
        }
        std::istringstream in(text);
        return model->ReadTrigrams(in, unused != 0) ? kErrNone : kErrBadData;
    });
}
