// Acoustic model image: reader with its size checks, writer, labels, state likelihoods, dumps and
// the create and destroy entry points.
#include "engine/recognition/acoustic_hmm.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/util/binary_io.h"
#include "engine/util/number_text.h"
#include "engine/util/file_utils.h"
#include "platform/fp_guard.h"

const char* const kAccErrNotAModel = "[01] The Specified model is not a valid model";
const char* const kAccErrNewerVersion =
    "[02] The Specified model is a newer version than this software supports.";
const char* const kAccErrTooSmall =
    "[03] The specified model is not valid. The size of the model is smaller than expected.";

namespace {

// "mmhz" as the little-endian 32-bit value the image holds.
constexpr int32_t kModelMagic = 0x7A686D6D;

void SetError(char* errorText, const char* message) {
    if (errorText == nullptr) return;
    std::strncpy(errorText, message, kAccErrorTextSize - 1);
    errorText[kAccErrorTextSize - 1] = '\0';
}

}  // namespace

CAccousticHMM::~CAccousticHMM() {
    CFuncTrace trace("CAccousticHMM::~CAccousticHMM");
    Destroy();
}

void CAccousticHMM::Destroy() {
    CFuncTrace trace("CAccousticHMM::Destroy");
    models.clear();
    models.shrink_to_fit();
    parameters.clear();
    parameters.shrink_to_fit();
    transitions.clear();
    transitions.shrink_to_fit();
    labels.clear();
    phoneMap.reset();
    info.reset();
    trigrams.clear();
    trigrams.shrink_to_fit();
    bigrams.clear();
    unigrams.clear();
    constraints.clear();
    numModels = numStates = numMixtures = 0;
    hasSkips = 0;
}

bool CAccousticHMM::Read(const unsigned char** cursor, unsigned* remaining, char* errorText) {
    CFuncTrace trace("CAccousticHMM::Read");
    if (errorText) errorText[0] = '\0';
    // A model that failed to read keeps nothing half-built.
    if (!ReadImage(cursor, remaining, errorText)) {
        Destroy();
        return false;
    }
    return true;
}

bool CAccousticHMM::ReadImage(const unsigned char** cursor, unsigned* remaining, char* errorText) {
    unsigned none = 0;
    const unsigned char* nothing = nullptr;
    if (cursor == nullptr || remaining == nullptr) {
        cursor = &nothing;
        remaining = &none;
    }
    Destroy();
    bool ok = false;
    int32_t magic = ReadInt32(cursor, remaining, &ok);
    SdkLogPrintf("HMM Magic %x %d", static_cast<unsigned>(magic), static_cast<int>(*remaining));
    if (!ok || magic != kModelMagic) {
        SetError(errorText, kAccErrNotAModel);
        return false;
    }
    uint16_t version = ReadInt16(cursor, remaining, &ok);
    if (!ok || version > 1) {
        SetError(errorText, kAccErrNewerVersion);
        return false;
    }
    int32_t modelCount = ReadInt32(cursor, remaining, &ok);
    if (!ok || modelCount < 1) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    int32_t stateCount = ReadInt32(cursor, remaining, &ok);
    if (!ok || stateCount < 1) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    int32_t mixtureCount = ReadInt32(cursor, remaining, &ok);
    if (!ok || mixtureCount < 0) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }

    SdkLogPrintf("HMM: Read Features");
    if (!features.Read(cursor, remaining)) {
        // A damaged feature chunk is as unusable as a short image; say so rather than fail silently.
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    const int32_t dim = features.numFeatures;

    // The counts and the dimension are bounded by the bytes that remain before anything is
    // allocated: each model needs its marker and its states, each state its mixtures (two doubles
    // and 2 D floats each) and its transition row, then come the separator, the T x T matrix and
    // one byte at least per label. Every product below stays far inside 64 bits because each
    // factor has already been checked against the remaining count.
    const uint64_t left = *remaining;
    if (dim < 1 || static_cast<uint64_t>(dim) * 8u > left) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    const uint64_t mixtureBytes = 16u + 8u * static_cast<uint64_t>(dim);
    if (static_cast<uint64_t>(mixtureCount) > left / mixtureBytes + 1 ||
        static_cast<uint64_t>(stateCount) > left / 4u + 1) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    const uint64_t stateBytes = mixtureCount * mixtureBytes + 4u * static_cast<uint64_t>(stateCount);
    if (stateBytes > left) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    const uint64_t modelBytes = 4u + static_cast<uint64_t>(stateCount) * stateBytes;
    if (modelBytes > left || static_cast<uint64_t>(modelCount) * modelBytes > left) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    const uint64_t totalStates = static_cast<uint64_t>(modelCount) * stateCount;
    if (totalStates > left / 4u ||
        static_cast<uint64_t>(modelCount) * modelBytes + 4u + totalStates * totalStates * 4u +
                static_cast<uint64_t>(modelCount) >
            left) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }

    numModels = modelCount;
    numStates = stateCount;
    numMixtures = mixtureCount;
    parameters.assign(static_cast<size_t>(totalStates) * mixtureCount * 2u * dim, 0.0f);
    models.resize(static_cast<size_t>(numModels));
    for (int32_t m = 0; m < numModels; ++m) {
        if (!ReadSingleAccModel(&models[m], cursor, remaining, errorText)) {
            SetError(errorText, kAccErrTooSmall);
            return false;
        }
    }

    SdkLogPrintf("Read State Transitions");
    magic = ReadInt32(cursor, remaining, &ok);
    if (!ok || magic != kModelMagic) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    const size_t t = static_cast<size_t>(totalStates);
    transitions.assign(t * t, 0.0f);
    for (size_t i = 0; i < t * t; ++i) {
        transitions[i] = ReadFloat(cursor, remaining, &ok);
        if (!ok) {
            SetError(errorText, kAccErrTooSmall);
            return false;
        }
    }

    SdkLogPrintf("Read Labels");
    labels.reserve(static_cast<size_t>(numModels));
    for (int32_t m = 0; m < numModels; ++m) {
        const char* label = ReadString(cursor, remaining, &ok);
        if (!ok) {
            SetError(errorText, kAccErrTooSmall);
            return false;
        }
        labels.emplace_back(label);
    }

    SdkLogPrintf("Read Phoneme Info");
    const char* text = ReadString(cursor, remaining, &ok);
    if (ok) phoneMap = text;
    text = ReadString(cursor, remaining, &ok);
    if (ok) info = text;

    FinishRead();
    return errorText == nullptr || errorText[0] == '\0';
}

bool CAccousticHMM::ReadSingleAccModel(AccModel* model, const unsigned char** cursor,
                                       unsigned* remaining, char* errorText) {
    CFuncTrace trace("CAccousticHMM::ReadSingleAccModel");
    const int32_t dim = features.numFeatures;
    const size_t index = static_cast<size_t>(model - models.data());
    if (model == nullptr || index >= models.size() ||
        parameters.size() < (index + 1) * numStates * numMixtures * 2u * dim) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    float* block = parameters.data() + index * numStates * numMixtures * 2u * dim;
    model->states.assign(static_cast<size_t>(numStates), AccState{});
    bool ok = false;
    int32_t magic = ReadInt32(cursor, remaining, &ok);
    if (!ok || magic != kModelMagic) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    for (AccState& state : model->states) {
        state.mixtures.assign(static_cast<size_t>(numMixtures), AccMixture{});
        for (AccMixture& mixture : state.mixtures) {
            mixture.weight = ReadDouble(cursor, remaining, &ok);
            if (!ok) break;
            float* mean = block;
            float* precision = block + dim;
            block += 2 * dim;
            for (int32_t d = 0; d < dim && ok; ++d) mean[d] = ReadFloat(cursor, remaining, &ok);
            for (int32_t d = 0; d < dim && ok; ++d) precision[d] = ReadFloat(cursor, remaining, &ok);
            if (!ok) break;
            mixture.mean = mean;
            mixture.precision = precision;
            mixture.gConst = ReadDouble(cursor, remaining, &ok);
            if (!ok) break;
        }
        if (!ok) break;
        state.transitions.assign(static_cast<size_t>(numStates), 0.0f);
        for (float& v : state.transitions) {
            v = ReadFloat(cursor, remaining, &ok);
            if (!ok) break;
        }
        if (!ok) break;
    }
    if (!ok) {
        SetError(errorText, kAccErrTooSmall);
        return false;
    }
    return true;
}

void CAccousticHMM::FinishRead() {
    hasSkips = 0;
    const int t = StateCount();
    if (transitions.size() < static_cast<size_t>(t) * t) return;
    for (int i = 0; i < t && !hasSkips; ++i) {
        if (i % numStates == numStates - 1) continue;
        const float* row = TransitionRow(i);
        for (int j = 0; j < t; ++j) {
            if (j != i && j != i + 1 && row[j] != 0.0f) {
                hasSkips = 1;
                break;
            }
        }
    }
}

bool CAccousticHMM::Write(const char* path, std::string* error) const {
    if (path == nullptr) return false;
    return SaveFileThroughStdio(path, [this](FILE* f) { return WriteImage(f); }, error);
}

bool CAccousticHMM::WriteImage(std::vector<uint8_t>* out) const {
    out->clear();
    char* buffer = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&buffer, &size);
    if (f == nullptr) return false;
    bool ok = WriteImage(f);
    if (std::fclose(f) != 0) ok = false;
    if (ok) out->assign(buffer, buffer + size);
    std::free(buffer);
    return ok;
}

bool CAccousticHMM::WriteImage(FILE* f) const {
    const int32_t dim = features.numFeatures;
    bool ok = WriteInt32(f, kModelMagic) && WriteInt16(f, 1) && WriteInt32(f, numModels) &&
              WriteInt32(f, numStates) && WriteInt32(f, numMixtures) && features.Write(f);
    for (const AccModel& model : models) {
        ok = ok && WriteInt32(f, kModelMagic);
        for (const AccState& state : model.states) {
            for (const AccMixture& mixture : state.mixtures) {
                ok = ok && WriteDouble(f, mixture.weight);
                for (int32_t d = 0; ok && d < dim; ++d) ok = WriteFloat(f, mixture.mean[d]);
                for (int32_t d = 0; ok && d < dim; ++d) ok = WriteFloat(f, mixture.precision[d]);
                ok = ok && WriteDouble(f, mixture.gConst);
            }
            for (float v : state.transitions) ok = ok && WriteFloat(f, v);
        }
    }
    ok = ok && WriteInt32(f, kModelMagic);
    for (float v : transitions) ok = ok && WriteFloat(f, v);
    for (const std::string& label : labels) ok = ok && WriteString(f, label.c_str());
    // The info text can only be told apart from the phone map by its place: an image that has an
    // info text but no phone map gets an empty phone map.
    if (phoneMap || info) ok = ok && WriteString(f, phoneMap ? phoneMap->c_str() : "");
    if (info) ok = ok && WriteString(f, info->c_str());
    return ok;
}

long double CAccousticHMM::StateLikelihood(const float* x, int globalState) const {
    if (numMixtures < 1 || numStates < 1 || globalState < 0 || globalState >= StateCount()) {
        return 0.0L;
    }
    const AccState& state =
        models[static_cast<size_t>(globalState / numStates)].states[globalState % numStates];
    const int32_t dim = features.numFeatures;
    long double sum = 0.0L;
    for (const AccMixture& mixture : state.mixtures) {
        const float* mean = mixture.mean;
        const float* precision = mixture.precision;
        double distance = 0.0;
        for (int32_t d = 0; d < dim; ++d) {
            const double diff = static_cast<double>(x[d]) - mean[d];
            distance += precision[d] * diff * diff;
        }
        sum += std::exp(static_cast<long double>(-0.5 * distance)) * mixture.weight * mixture.gConst;
    }
    return sum;
}

int CAccousticHMM::FindLabel(const char* text, int* index) const {
    if (index) *index = -1;
    if (text == nullptr || text[0] == '\0') return 0;
    for (size_t i = 0; i < labels.size(); ++i) {
        const std::string& label = labels[i];
        if (label.empty() || label[0] != text[0]) continue;
        if (label.size() == 1 || std::strncmp(label.c_str(), text, label.size()) == 0) {
            if (index) *index = static_cast<int>(i);
            return static_cast<int>(label.size());
        }
    }
    return 0;
}

bool CAccousticHMM::LabelsToIndices(const char* text, std::vector<uint16_t>* out) const {
    CFuncTrace trace("CAccousticHMM::LabelsToIndices");
    bool ok = true;
    if (text == nullptr) return true;
    while (*text != '\0') {
        int index = -1;
        const int length = FindLabel(text, &index);
        if (length > 0) {
            if (out) out->push_back(static_cast<uint16_t>(index));
            text += length;
        } else {
            if (out) out->push_back(0);
            ++text;
            ok = false;
        }
    }
    return ok;
}

bool CAccousticHMM::SplitLabel(const char* text, int* a, int* b, int* c) const {
    int* slots[3] = {a, b, c};
    for (int* slot : slots) {
        if (slot) *slot = -1;
    }
    if (text == nullptr) return false;
    int found = 0;
    for (int n = 0; n < 3 && *text != '\0'; ++n) {
        int index = -1;
        const int length = FindLabel(text, &index);
        if (length == 0) return false;
        if (slots[n]) *slots[n] = index;
        text += length;
        ++found;
    }
    return found > 0;
}

void CAccousticHMM::DumpText(std::ostream& out) const {
    ClassicNumbersScope classic(out);
    out << "zhmm\n";
    out << "numModels: " << numModels << "\n";
    out << "numStatesPerModel: " << numStates << "\n";
    out << "numMixturesPerState: " << numMixtures << "\n";
    features.Dump(out);
    const int32_t dim = features.numFeatures;
    for (const AccModel& model : models) {
        out << "zhmm\n";
        for (const AccState& state : model.states) {
            for (const AccMixture& mixture : state.mixtures) {
                out << mixture.weight << "\n";
                for (int32_t d = 0; d < dim; ++d) out << mixture.mean[d] << (d + 1 < dim ? " " : "\n");
                for (int32_t d = 0; d < dim; ++d) {
                    out << mixture.precision[d] << (d + 1 < dim ? " " : "\n");
                }
                out << "gConst: " << mixture.gConst << "\n";
            }
        }
    }
}

void CAccousticHMM::DumpModel(FILE* file, int model) const {
    if (file == nullptr || model < 0 || model >= numModels) return;
    const int32_t dim = features.numFeatures;
    std::fprintf(file, "\nSPECTRAL_DESCRIPTION_OF_PHONEME: %d\n", model);
    std::fprintf(file, "Graph_nodes_number: %d\n", numStates + 2);
    std::fprintf(file, "Num_gauss: %d\n", numMixtures);
    const AccModel& m = models[static_cast<size_t>(model)];
    for (int s = 0; s < numStates; ++s) {
        std::fprintf(file, "\nState: %d\n", s);
        for (const AccMixture& mixture : m.states[s].mixtures) {
            std::fprintf(file, "Weight: %s\n", FormatFixed(mixture.weight).c_str());
            std::fprintf(file, "Mean_vector:\n");
            for (int32_t d = 0; d < dim; ++d) std::fprintf(file, "%s ", FormatFixed(mixture.mean[d]).c_str());
            std::fprintf(file, "\nInverse_covariance_matrix:\n");
            for (int32_t d = 0; d < dim; ++d) std::fprintf(file, "%s ", FormatFixed(mixture.precision[d]).c_str());
            std::fprintf(file, "\n");
            std::fprintf(file, "gConst: %s\n\n", FormatFixed(mixture.gConst).c_str());
        }
    }
    // The model's own states framed by an entry state (into the first state) and an exit state
    // (what the last state's row leaves for leaving the model).
    std::fprintf(file, "Transition_probabilities_matrix:\n");
    const int n = numStates + 2;
    const int base = model * numStates;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            double p = 0.0;
            if (i == 0) {
                p = j == 1 ? 1.0 : 0.0;
            } else if (i <= numStates && j >= 1 && j <= numStates) {
                p = Transition(base + i - 1, base + j - 1);
            } else if (i <= numStates && j == n - 1) {
                double stay = 0.0;
                for (int k = 0; k < numStates; ++k) stay += Transition(base + i - 1, base + k);
                p = i == numStates && stay < 1.0 ? 1.0 - stay : 0.0;
            }
            if (p > 0.0) {
                std::fprintf(file, "%s ", FormatFixed(std::log(p)).c_str());
            } else {
                std::fprintf(file, "-10000000000 ");
            }
        }
        std::fprintf(file, "\n");
    }
    std::fprintf(file, "END_OF_PHONEME_DESCRIPTION.\n");
}

bool CAccousticHMM::WriteFeatureDatabaseHeader(const char* path) const {
    if (path == nullptr) return false;
    return SaveFileThroughStdio(path, [this](FILE* f) {
        std::fprintf(f, "DBASE_OPERATIVE_FEATURES:\n");
    std::fprintf(f, "file_type: Features_File\n");
    std::fprintf(f, "label: 4\n");
    std::fprintf(f, "file_list: timit.lst\n");
    std::fprintf(f, "window_lenght: %d\n", features.windowSize);
    std::fprintf(f, "window_overlap: %d\n\n", features.windowOverlap);
    std::fprintf(f, "statistics_dimension: %d\n\n", features.numFeatures);
    std::fprintf(f, "type_of_matrix: diagonal\n");
    for (int m = 0; m < numModels; ++m) DumpModel(f, m);
        return true;
    });
}

int CreateAccHMM(const void* data, int size, char* errorText, CAccousticHMM** out) {
    CFloatingPointGuard guard;
    CFuncTrace trace("CreateAccHMM");
    ClearOut(out);
    if (errorText) errorText[0] = '\0';
    return RunEntryPoint([&]() -> int {
        if (out == nullptr) return kErrInvalidArgument;
        std::unique_ptr<CAccousticHMM> model(new (std::nothrow) CAccousticHMM);
        if (!model) return kErrOutOfMemory;
        const unsigned char* cursor = static_cast<const unsigned char*>(data);
        unsigned remaining = data != nullptr && size > 0 ? static_cast<unsigned>(size) : 0;
        if (!model->Read(&cursor, &remaining, errorText)) return kErrBadData;
        *out = model.release();
        return kErrNone;
    });
}

int DestroyAccHMM(CAccousticHMM* model) {
    CFuncTrace trace("DestroyAccHMM");
    delete model;
    return kErrNone;
}
