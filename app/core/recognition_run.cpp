// The recognition sequence over the engine's entry points, each engine object held by a guard so
// that every early return destroys what was made.
#include "app/core/recognition_run.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/results_collection.h"
#include "engine/articulation/articulator_rules.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/model_observation_stream.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/recognition/textless_recognizer.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/engine_guard.h"
#include "engine/util/file_utils.h"
#include "engine/util/mem_alloc.h"
#include "engine/util/resource_data.h"

namespace {

void DestroyRange(CMemoryPCMRangeStream* range) { DestroyMemoryPCMRangeStream(range); }
void DestroyTextBased(CTextbasedPhnRecognizer* r) { CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(r); }
void DestroyTextless(CTextlessPhnRecognizer* r) { CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(r); }

int Fail(RecognitionResult* result, int code, std::string message) {
    result->code = code;
    result->message = std::move(message);
    return code;
}

// A cancel gives nothing, whatever was made before it.
int Cancel(RecognitionResult* result) {
    RecognitionResult empty;
    empty.code = kErrCancelled;
    *result = std::move(empty);
    return kErrCancelled;
}

// The chosen model: the caller's, or one read from an image or a built-in resource into owned.
int MakeModel(const RecognitionParams& p, bool textBased, engine_guard<CAccousticHMM, DestroyAccHMM>* owned,
              CAccousticHMM** model, RecognitionResult* result) {
    if (p.model != nullptr) {
        *model = p.model;
        return 0;
    }
    const void* data = p.modelImage;
    int size = p.modelImageSize;
    if (data == nullptr) {
        std::string name = p.builtInModel;
        // The speedy model is for textless recognition only.
        if (textBased && name == kFastModelResource) name = kGenericModelResource;
        data = LoadResourceData(nullptr, kBuiltInResourceType, name.c_str(), &size, false);
        if (data == nullptr) {
            data = LoadResourceData(nullptr, kBuiltInResourceType, kGenericModelResource, &size, false);
        }
        if (data == nullptr) return Fail(result, kErrFileNotFound, "Internal Error: No Model Resource");
    }
    char errorText[kAccErrorTextSize] = {};
    CAccousticHMM* made = nullptr;
    const int code = CreateAccHMM(data, size, errorText, &made);
    owned->reset(made);
    if (code != 0) return Fail(result, code, std::string("the model does not read: ") + errorText);
    *model = made;
    return 0;
}

// Why a constraints text does not load: its first token that names no phoneme.
std::string ConstraintsFault(const CAccousticHMM& model, const std::string& text) {
    constexpr size_t kShown = 40;  // a binary file may hold one huge token
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        std::vector<uint16_t> indices;
        if (!model.LabelsToIndices(token.c_str(), &indices)) {
            if (token.size() > kShown) token = token.substr(0, kShown) + "...";
            return "\"" + token + "\" is not a phoneme code";
        }
        int ms = 0;
        if (!(in >> ms)) break;
    }
    return "it is not a phone constraints file";
}

// Why a file the run reads whole did not read: the code (a folder, a missing file, else the
// kind's own "not such a file" code) and the reader's reason without the file's name.
int ReadFailure(const std::string& path, const std::string& error, int kindCode, std::string* why) {
    *why = ReasonWithoutPath(error, path);
    const int notFile = NotOrdinaryFileCode(path.c_str());
    if (notFile == kErrIsFolder) return notFile;
    return FileExists(path.c_str()) ? kindCode : kErrFileNotFound;
}

// A phone constraints file: 0, or the code saying what is wrong with it and in why the reason.
// A file that fails leaves the model no constraints.
int LoadConstraintsFile(const std::string& path, CAccousticHMM* model, std::string* why) {
    std::string text, error;
    if (!ReadWholeFile(path, kMaxConstraintFileBytes, &text, &error)) {
        model->ClearConstraints();
        return ReadFailure(path, error, kErrBadConstraints, why);
    }
    if (LoadPhoneConstraintsIntoHMM(model, text.data(), static_cast<int>(text.size()), 0) == 0) return 0;
    *why = ConstraintsFault(*model, text);
    return kErrBadConstraints;
}

// A phone trigram file, as above.
int LoadTrigramFile(const std::string& path, CAccousticHMM* model, std::string* why) {
    std::string text, error;
    if (!ReadWholeFile(path, kMaxTrigramFileBytes, &text, &error)) return ReadFailure(path, error, kErrBadTrigram, why);
    if (LoadTrigramIntoHMM(model, text.data(), static_cast<int>(text.size()), 0) == 0) return 0;
    *why = "it holds no phone trigram counts";
    return kErrBadTrigram;
}

int LoadLanguageData(const RecognitionParams& p, bool textBased, CAccousticHMM* model, RecognitionResult* result) {
    int code = 0;
    std::string why;
    if (!p.constraintsFile.empty()) {
        code = LoadConstraintsFile(p.constraintsFile, model, &why);
        const std::string file = "phone constraints file \"" + p.constraintsFile + "\"";
        // One that may fail: the run goes on without constraints and the note says which file and why.
        if (code != 0 && p.constraintsFileMayFail) {
            result->notes.push_back("Warning: " + file + " not loaded (" + why + "); recognised without phone constraints");
        } else if (code != 0) {
            return Fail(result, code, file + ": " + why);
        }
    } else if (!p.constraintsText.empty()) {
        const int length = static_cast<int>(p.constraintsText.size());
        if (LoadPhoneConstraintsIntoHMM(model, p.constraintsText.data(), length, 0) != 0)
            return Fail(result, kErrBadConstraints, "phone constraints: " + ConstraintsFault(*model, p.constraintsText));
    }
    if (textBased) return 0;
    if (!p.trigramFile.empty()) {
        code = LoadTrigramFile(p.trigramFile, model, &why);
        if (code != 0) return Fail(result, code, "phone trigram file \"" + p.trigramFile + "\": " + why);
    } else if (!p.trigramText.empty()) {
        if (LoadTrigramIntoHMM(model, p.trigramText.data(), static_cast<int>(p.trigramText.size()), 0) != 0)
            return Fail(result, kErrBadTrigram, "phone trigram model: it holds no phone trigram counts");
    } else if (p.builtInTrigram) {
        int size = 0;
        const void* lm = LoadResourceDataById(nullptr, kBuiltInResourceType, kTrigramResourceId, &size, false);
        if (lm == nullptr) return Fail(result, kErrFileNotFound, "no built-in phone trigram model in this build");
        if (LoadTrigramIntoHMM(model, static_cast<const char*>(lm), size, 0) != 0)
            return Fail(result, kErrBadTrigram, "built-in phone trigram model: it holds no phone trigram counts");
    }
    return 0;
}

// The records onto the recording: times shifted by the range start and kept inside the range
// (the last analysis frame reaches past the audio), text spans counted in the user's UTF-8.
void OntoRecording(ISyncResultsCollection* collection, const Cp1252Text& script, bool textBased, int offsetMs,
                   int endMs) {
    for (SyncMarker* r = collection->begin(); r != collection->end(); ++r) {
        r->start = std::min(r->start + offsetMs, endMs);
        r->end = std::min(r->end + offsetMs, endMs);
        if (textBased && (r->type == kSyncWord || r->type == kSyncSentence || r->type == kSyncXml)) {
            const int a = script.Utf8Offset(r->textOffset);
            r->textLength = script.Utf8Offset(r->textOffset + r->textLength) - a;
            r->textOffset = a;
        }
    }
}

// Cue tags hold times of the recording wherever the range starts, and the recogniser reads them
// from the start of the audio it is given: the run transcribes the script itself and moves them
// onto the range, the one place they are converted. False when the user cancelled meanwhile.
bool TranscribeOntoRange(CTranscriber* transcriber, const std::string& bytes, int offsetMs, CProgress* progress) {
    transcriber->SetProgress(progress);
    const bool finished = transcriber->Transcribe(bytes.c_str());
    transcriber->SetProgress(nullptr);
    if (!finished) return false;
    int count = 0;
    TranscriptMarker* markers = transcriber->GetOutputMarkers(&count);
    for (int i = 0; markers != nullptr && i < count; ++i) {
        if (markers[i].kind != kTranscriptCut) continue;
        // A tag before the range goes below zero, which the recogniser refuses as out of range.
        const int64_t onRange = int64_t{markers[i].value} - offsetMs;
        markers[i].value = static_cast<int32_t>(std::max<int64_t>(onRange, INT32_MIN));
    }
    return true;
}

// The recogniser aligned the transcription without its text: each text record takes its
// characters from the script it was transcribed from, cut at the script's end.
void FillRecordTexts(ISyncResultsCollection* collection, const std::string& bytes) {
    const int size = static_cast<int>(bytes.size());
    for (SyncMarker* r = collection->begin(); r != collection->end(); ++r) {
        if (r->text != nullptr || (r->type != kSyncWord && r->type != kSyncSentence && r->type != kSyncXml)) continue;
        if (r->textOffset < 0 || r->textOffset > size) continue;
        r->textLength = std::min(r->textLength, size - r->textOffset);
        if (r->textLength < 0) continue;
        r->text = static_cast<char*>(MemAlloc(static_cast<size_t>(r->textLength) + 1, 0));
        if (r->text == nullptr) continue;
        std::memcpy(r->text, bytes.data() + r->textOffset, static_cast<size_t>(r->textLength));
        r->text[r->textLength] = '\0';
    }
}

void TakeRecords(ISyncResultsCollection* collection, RecognitionResult* result) {
    result->records.reserve(static_cast<size_t>(std::max(0, collection->GetCount())));
    for (SyncMarker* r = collection->begin(); r != collection->end(); ++r) {
        RecognitionRecord out;
        out.type = r->type;
        out.start = r->start;
        out.end = r->end;
        out.label.assign(r->label, strnlen(r->label, sizeof r->label));
        out.value = r->value;
        if (r->text) out.text = ConvertCp1252ToUtf8(r->text);
        out.textOffset = r->textOffset;
        out.textLength = r->textLength;
        result->records.push_back(std::move(out));
    }
}

// Asks the caller's progress whether the user cancelled, between the steps that report no count.
bool Cancelled(CProgress* progress) { return progress && progress->Progress(0, 0); }

}  // namespace

int RunRecognition(const RecognitionParams& p, RecognitionResult* result) {
    *result = RecognitionResult();
    const bool textBased = !p.script.empty();
    CMemoryPCMStream* audio = p.audio;
    if (audio == nullptr) return Fail(result, kErrInvalidArgument, "no recording");
    const int total = audio->GetFrameCount();
    if (total <= 0) return Fail(result, kErrBadData, "the recording holds no audio");
    if (p.startFrame < 0 || p.startFrame >= total || p.frameCount < -1 || p.frameCount == 0) {
        return Fail(result, kErrOutOfRange, "the range lies outside the recording");
    }
    const int frames = p.frameCount < 0 || p.frameCount > total - p.startFrame ? total - p.startFrame : p.frameCount;

    // Model, then its constraints or trigram.
    engine_guard<CAccousticHMM, DestroyAccHMM> ownedModel;
    CAccousticHMM* model = nullptr;
    if (MakeModel(p, textBased, &ownedModel, &model, result) != 0) return result->code;
    if (LoadLanguageData(p, textBased, model, result) != 0) return result->code;

    ISyncResultsCollection* rawCollection = nullptr;
    if (CreateSyncResultsCollection(0, &rawCollection) != 0) return Fail(result, kErrOutOfMemory, "results collection");
    engine_guard<ISyncResultsCollection, DestroySyncResultsCollection> collection(rawCollection);
    collection->SetFlags(collection->GetFlags() | (p.rescale ? kSyncFlagRescale : 0) |
                         (p.stateRuns ? kSyncFlagStateRuns : 0));

    // The transcriber: the caller's, or the built-in English one.
    engine_guard<CTranscriber, DestroyTranscriber> ownedTranscriber;
    CTranscriber* transcriber = p.transcriber;
    if (textBased && transcriber == nullptr) {
        int size = 0;
        const void* dict = LoadResourceDataById(nullptr, kBuiltInResourceType, kDictionaryResourceId, &size, false);
        CTranscriber* made = nullptr;
        const int code = CreateDefaultTranscriber(static_cast<const char*>(dict), dict ? size : 0, &made);
        ownedTranscriber.reset(made);
        if (code != 0) return Fail(result, code, std::string("transcriber: ") + GetErrorMessage(code));
        transcriber = made;
    }
    if (textBased && p.constraintsFile.empty() && p.constraintsText.empty()) {
        int length = 0;
        const char* own = transcriber->GetPhoneConstraints(&length);
        if (own != nullptr && length > 0) LoadPhoneConstraintsIntoHMM(model, own, length, 0);
    }

    // The range and its observation stream.
    CMemoryPCMRangeStream* rawRange = nullptr;
    if (CreateMemoryPCMRangeStream(audio, &rawRange) != 0) return Fail(result, kErrOutOfMemory, "audio range");
    engine_guard<CMemoryPCMRangeStream, DestroyRange> range(rawRange);
    range->SetRange(audio->FramesToBytes(p.startFrame), audio->FramesToBytes(frames));
    range->Rewind();
    IObservationStream* rawObs = nullptr;
    int code = CreateObservationStreamFromZuvoStream(range.get(), model, &rawObs);
    engine_guard<IObservationStream, DestroyObservationStream> obs(rawObs);
    if (code != 0) return Fail(result, code, std::string("feature stream: ") + GetErrorMessage(code));
    if (obs->GetFrameCount() == 0) {
        return Fail(result, kErrOutOfRange, "the audio is too short for one analysis frame");
    }

    // The recogniser.
    collection->clear();
    const Cp1252Text script = ConvertUtf8ToCp1252(p.script, textBased ? &result->warnings : nullptr);
    if (textBased) {
        CTextbasedPhnRecognizer* raw = nullptr;
        CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&raw);
        engine_guard<CTextbasedPhnRecognizer, DestroyTextBased> recognizer(raw);
        if (!recognizer) return Fail(result, kErrOutOfMemory, "recogniser");
        if (p.beam > 0) recognizer->SetBeamWidth(p.beam);
        const int offsetMs = static_cast<int>(audio->FramesToMs(p.startFrame));
        if (!TranscribeOntoRange(transcriber, script.bytes, offsetMs, p.progress) || Cancelled(p.progress)) {
            return Cancel(result);
        }
        code = recognizer->AlignTranscription(obs.get(), model, transcriber, p.progress, collection.get());
        if (code != kErrCancelled) FillRecordTexts(collection.get(), script.bytes);
    } else {
        CTextlessPhnRecognizer* raw = nullptr;
        CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(&raw);
        engine_guard<CTextlessPhnRecognizer, DestroyTextless> recognizer(raw);
        if (!recognizer) return Fail(result, kErrOutOfMemory, "recogniser");
        code = recognizer->RecognizePhonemes(obs.get(), model, p.progress, collection.get());
    }
    result->code = code;
    if (code == kErrCancelled) return code;
    // Cancel pressed while the search ended (it asks only every so many frames) wins over how it
    // ended: the user is not shown a failure of a run he stopped.
    if (Cancelled(p.progress)) return Cancel(result);
    if (textBased) {
        // The transcriber counts in the engine's bytes; the user reads offsets in his own text.
        for (ScriptWarning w : transcriber->GetWarnings()) {
            w.offset = script.Utf8Offset(w.offset);
            result->warnings.push_back(std::move(w));
        }
    }
    if (code != 0) result->message = GetErrorMessage(code);
    if (code != 0 && !p.resultsOnFailure) return code;

    // Records into the track, whatever the recogniser's code unless the caller declined: what it
    // found is kept.
    result->offsetMs = static_cast<int>(audio->FramesToMs(p.startFrame));
    // Whole milliseconds inside the audio; the epsilon keeps 2010 ms from reading as 2009.99...
    const int endMs = static_cast<int>(audio->FramesToMs(p.startFrame + frames) + 1e-6);
    OntoRecording(collection.get(), script, textBased, result->offsetMs, endMs);
    if (p.records) TakeRecords(collection.get(), result);
    result->track.import_sync_markers(collection.get(), p.script, textBased);

    if (p.articulate) {
        if (Cancelled(p.progress)) return Cancel(result);
        engine_guard<CPhonemeMixtureArticulator, DestroyArticulator> ownedArticulator;
        IArticulator* articulator = p.articulator;
        if (articulator == nullptr) {
            CPhonemeMixtureArticulator* made = nullptr;
            if (CreateArticulator(&made, kArticulatorSmoothing) != 0) {
                return Fail(result, kErrOutOfMemory, "articulator");
            }
            ownedArticulator.reset(made);
            made->LoadArticulatorRules(kBuiltInArticulatorRules, kBuiltInArticulatorRulesLength);
            articulator = made;
        }
        articulator->GenerateArticulations(collection.get(), 0);
        result->track.import_articulation(articulator, false);
    }
    if (Cancelled(p.progress)) return Cancel(result);
    return result->code;
}
