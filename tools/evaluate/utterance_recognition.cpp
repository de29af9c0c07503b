// One utterance through the engine's recognisers, and alignments read from results files.
#include "tools/evaluate/utterance_recognition.h"

#include <fstream>
#include <sstream>

#include "engine/analysis/observation_stream.h"
#include "engine/api/results_collection.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/recognition/textless_recognizer.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "engine/util/resource_data.h"
#include "model/sync_results_file.h"

namespace {

constexpr int kDictionaryResourceId = 165;
constexpr int kTrigramResourceId = 180;

}  // namespace

bool LoadBuiltInSettings(const char* modelName, RecognitionSettings* out) {
    int size = 0;
    const void* model = LoadResourceData(nullptr, "BLAH", modelName, &size, false);
    if (model == nullptr || size <= 0) return false;
    out->modelImage.assign(static_cast<const uint8_t*>(model), static_cast<const uint8_t*>(model) + size);
    const char* dictionary =
        static_cast<const char*>(LoadResourceDataById(nullptr, "BLAH", kDictionaryResourceId, &size, false));
    if (dictionary == nullptr) return false;
    out->dictionary.assign(dictionary, static_cast<size_t>(size));
    const char* trigram =
        static_cast<const char*>(LoadResourceDataById(nullptr, "BLAH", kTrigramResourceId, &size, false));
    if (trigram == nullptr) return false;
    out->trigram.assign(trigram, static_cast<size_t>(size));
    return true;
}

int RecogniseUtterance(const RecognitionSettings& settings, const std::string& wavPath,
                       const std::string& text, CConcreteSyncMarkerCollection* results) {
    char error[kAccErrorTextSize] = "";
    CAccousticHMM* model = nullptr;
    int rc = CreateAccHMM(settings.modelImage.data(), static_cast<int>(settings.modelImage.size()), error,
                          &model);
    if (rc != 0) return rc;
    const bool textless = text.empty();
    if (textless && !settings.trigram.empty()) {
        rc = LoadTrigramIntoHMM(model, settings.trigram.data(), static_cast<int>(settings.trigram.size()), 0);
        if (rc != 0) {
            DestroyAccHMM(model);
            return rc;
        }
    }
    CPCMStream* source = nullptr;
    rc = CreateZuvoStreamFromFile(wavPath.c_str(), &source);
    if (rc != 0) {
        DestroyAccHMM(model);
        return rc;
    }
    CSpectralStream* observations = nullptr;
    rc = CreateFeatureStream(source, 1, model->features, &observations);
    source->Release();
    if (rc != 0) {
        DestroyAccHMM(model);
        return rc;
    }
    if (textless) {
        CTextlessPhnRecognizer* recognizer = nullptr;
        CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(&recognizer);
        rc = recognizer->RecognizePhonemes(observations, model, nullptr, results);
        CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(recognizer);
    } else {
        CTranscriber* transcriber = nullptr;
        rc = CreateDefaultTranscriber(settings.dictionary.data(), static_cast<int>(settings.dictionary.size()),
                                      &transcriber);
        if (rc == 0) {
            CTextbasedPhnRecognizer* recognizer = nullptr;
            CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&recognizer);
            rc = recognizer->RecognizePhonemes(observations, model, text.c_str(), transcriber, nullptr, results);
            CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(recognizer);
            transcriber->Release();
        }
    }
    DestroyObservationStream(observations);
    DestroyAccHMM(model);
    return rc;
}

Alignment AlignmentFromRecords(CConcreteSyncMarkerCollection& results) {
    Alignment out;
    for (const SyncMarker* m = results.begin(); m != nullptr && m != results.end(); ++m) {
        if (m->type == 1) {
            out.phones.push_back({m->start, m->end, m->label});
        } else if (m->type == 2 && m->text != nullptr) {
            out.words.push_back({m->start, m->end, m->text});
        }
    }
    return out;
}

bool ReadAlignment(const std::string& path, Alignment* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        *error = "cannot open " + path;
        return false;
    }
    sync_results_file file;
    std::ostringstream errors;
    if (!file.read(in, errors)) {
        *error = path + ": " + errors.str();
        return false;
    }
    for (const phn_marker& p : file.results.phonemes) {
        out->phones.push_back({p.start, p.end, p.label});
    }
    for (const og_marker& w : file.results.words) {
        out->words.push_back({w.start, w.end, w.label});
    }
    return true;
}
