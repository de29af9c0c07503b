// One utterance through the engine's recognisers, and alignments read from results files.
#include "tools/evaluate/utterance_recognition.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/text/lexicon_file.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/resource_data.h"
#include "model/sync_results_file.h"

bool LoadBuiltInSettings(const char* modelName, RecognitionSettings* out) {
    int size = 0;
    const void* model = LoadResourceData(nullptr, kBuiltInResourceType, modelName, &size, false);
    if (model == nullptr || size <= 0) return false;
    out->modelImage.assign(static_cast<const uint8_t*>(model), static_cast<const uint8_t*>(model) + size);
    const char* dictionary = static_cast<const char*>(
        LoadResourceDataById(nullptr, kBuiltInResourceType, kDictionaryResourceId, &size, false));
    if (dictionary == nullptr) return false;
    out->dictionary.assign(dictionary, static_cast<size_t>(size));
    const char* trigram = static_cast<const char*>(
        LoadResourceDataById(nullptr, kBuiltInResourceType, kTrigramResourceId, &size, false));
    if (trigram == nullptr) return false;
    out->trigram.assign(trigram, static_cast<size_t>(size));
    return true;
}

int RecogniseUtterance(const RecognitionSettings& settings, const std::string& wavPath,
                       const std::string& text, RecognitionResult* result) {
    *result = RecognitionResult();
    InstallDefaultAudioFileReaders();
    PCMFormat target;
    target.sampleRate = 16000u << 16;
    target.bitsPerSample = 16;
    target.channels = 1;
    CMemoryPCMStream* raw = nullptr;
    int rc = CreateMemoryPCMStreamFromFile(wavPath.c_str(), &target, nullptr, &raw);
    const std::unique_ptr<CMemoryPCMStream, void (*)(CMemoryPCMStream*)> audio(
        raw, [](CMemoryPCMStream* a) { a->Destroy(); });
    if (rc != 0) return result->code = rc;

    RecognitionParams params;
    params.audio = audio.get();
    params.modelImage = settings.modelImage.data();
    params.modelImageSize = static_cast<int>(settings.modelImage.size());
    params.script = text;
    params.trigramText = settings.trigram;
    params.rescale = false;
    params.articulate = false;
    std::unique_ptr<CTranscriber, void (*)(CTranscriber*)> transcriber(
        nullptr, [](CTranscriber* t) { DestroyTranscriber(t); });
    if (!text.empty()) {
        CTranscriber* made = nullptr;
        rc = CreateDefaultTranscriber(settings.dictionary.data(), static_cast<int>(settings.dictionary.size()), &made);
        transcriber.reset(made);
        if (rc != 0) return result->code = rc;
        params.transcriber = made;
    }
    return RunRecognition(params, result);
}

Alignment AlignmentFromRecords(const std::vector<RecognitionRecord>& records) {
    Alignment out;
    for (const RecognitionRecord& r : records) {
        if (r.type == 1) {
            out.phones.push_back({r.start, r.end, r.label});
        } else if (r.type == 2 && !r.text.empty()) {
            out.words.push_back({r.start, r.end, r.text});
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
