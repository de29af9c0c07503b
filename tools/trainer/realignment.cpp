// Realignment of training utterances by the text-based recogniser, through the program's own
// recognition run: its phoneme and state-run records become the frame models and states.
#include "tools/trainer/model_trainer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

#include "app/core/recognition_run.h"
#include "engine/api/sync_marker.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"

namespace {

// One utterance through the text-based recogniser; its records become frame models and states.
// False (labels untouched) when it does not align or the records leave frames uncovered.
bool RealignOne(CAccousticHMM* model, CTranscriber* transcriber, TrainingUtterance* u) {
    PCMFormat target;
    target.sampleRate = static_cast<uint32_t>(model->features.samplerate * 65536.0f);
    target.bitsPerSample = 16;
    target.channels = 1;
    CMemoryPCMStream* raw = nullptr;
    const int loaded = CreateMemoryPCMStreamFromFile(u->wav.c_str(), &target, nullptr, &raw);
    const std::unique_ptr<CMemoryPCMStream, void (*)(CMemoryPCMStream*)> audio(
        raw, [](CMemoryPCMStream* a) { a->Destroy(); });
    if (loaded != 0) return false;
    RecognitionParams params;
    params.audio = audio.get();
    params.model = model;
    params.transcriber = transcriber;
    params.script = u->text;
    params.rescale = false;
    params.stateRuns = true;
    params.articulate = false;
    RecognitionResult results;
    if (RunRecognition(params, &results) != 0) return false;

    const CFeatureConfig& config = model->features;
    const double period = config.FramePeriodMs();
    // Records start half a period after their first frame.
    auto frameOf = [&](int ms) { return static_cast<int>(std::lround(ms / period - 0.5)); };
    std::vector<int> models(u->frames, -1), states(u->frames, -1);
    auto fill = [&](int startMs, int endMs, int m, int s) {
        const int a = std::max(0, frameOf(startMs)), b = std::min(u->frames, frameOf(endMs));
        for (int t = a; t < b; ++t) {
            models[t] = m;
            states[t] = s;
        }
    };
    int phone = -1, state = 0, phoneStart = 0, phoneEnd = 0;
    for (const RecognitionRecord& rec : results.records) {
        const RecognitionRecord* r = &rec;
        if (r->type == kSyncPhoneme) {
            if (phone >= 0 && state == 0) {
                // A phone without state runs: its states share it equally.
                for (int s = 0; s < model->numStates; ++s) {
                    fill(phoneStart + (phoneEnd - phoneStart) * s / model->numStates,
                         phoneStart + (phoneEnd - phoneStart) * (s + 1) / model->numStates, phone, s);
                }
            }
            int index = -1;
            if (model->FindLabel(r->label.c_str(), &index) != static_cast<int>(r->label.size()) || index < 0) {
                return false;
            }
            phone = index;
            state = 0;
            phoneStart = r->start;
            phoneEnd = r->end;
            fill(r->start, r->end, phone, 0);
        } else if (r->type == kSyncPhonemeReplace && phone >= 0) {
            fill(r->start, r->end, phone, std::min(state, model->numStates - 1));
            ++state;
        }
    }
    // Frames the records do not reach (the last half period) take the label before them.
    int missing = 0;
    for (int t = 0; t < u->frames; ++t) {
        if (models[t] >= 0) continue;
        ++missing;
        if (t == 0) return false;
        models[t] = models[t - 1];
        states[t] = states[t - 1];
    }
    if (missing > std::max(2, u->frames / 50)) return false;
    u->frameModels.swap(models);
    u->frameStates.swap(states);
    return true;
}

}  // namespace

int RealignWithRecognizer(const CAccousticHMM& model, const std::string& dictionary, int threads,
                          bool includeExact, std::vector<TrainingUtterance>* utterances,
                          std::string* error) {
    InstallDefaultAudioFileReaders();
    std::vector<uint8_t> image;
    if (!model.WriteImage(&image)) {
        *error = "the model image cannot be written";
        return 0;
    }
    std::atomic<int> realigned{0};
    std::atomic<bool> failed{false};
    std::atomic<size_t> next{0};
    auto work = [&]() {
        char text[kAccErrorTextSize] = "";
        CAccousticHMM* copy = nullptr;
        if (CreateAccHMM(image.data(), static_cast<int>(image.size()), text, &copy) != 0) {
            failed = true;
            return;
        }
        CTranscriber* transcriber = nullptr;
        CreateDefaultTranscriber(dictionary.data(), static_cast<int>(dictionary.size()), &transcriber);
        if (transcriber == nullptr) {
            failed = true;
            DestroyAccHMM(copy);
            return;
        }
        for (size_t i = next++; i < utterances->size(); i = next++) {
            TrainingUtterance& u = (*utterances)[i];
            if ((includeExact || u.approximate) && RealignOne(copy, transcriber, &u)) ++realigned;
        }
        transcriber->Release();
        DestroyAccHMM(copy);
    };
    const int n = std::max(1, std::min<int>(threads, static_cast<int>(utterances->size())));
    std::vector<std::thread> pool;
    for (int t = 1; t < n; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    if (failed) *error = "the model image or the dictionary does not read";
    return realigned;
}
