// The recognition commands over the one recognition run; see recognition_commands.h.
#include "app/core/recognition_commands.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "app/core/lexicon_mgr.h"
#include "app/core/marker_commands.h"
#include "app/core/output_log.h"
#include "app/core/prompts.h"
#include "engine/api/error_messages.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/text/lexicon_file.h"
#include "engine/util/built_in_resources.h"
#include "engine/util/engine_guard.h"
#include "engine/util/error_codes.h"
#include "engine/util/file_utils.h"
#include "engine/util/resource_data.h"
#include "model/edit_actions.h"

namespace {

// Far above any model image; a file this large is not one.
constexpr size_t kModelFileLimit = size_t{1} << 30;
// A piece aligned this close to the start of the recording needs no opening cue tag.
constexpr int kStartTagMinMs = 100;

void Tell(CPhonarcDoc& doc, const std::string& text) { doc.host().prompts->MessageBox(text, PromptButtons::Ok); }

std::string Format(const char* format, const std::string& value) {
    std::string text = format;
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

// Where the user reads what in the script was skipped or read otherwise.
void LogWarnings(const RecognitionResult& result) {
    COutputLog* log = GetOutputLog();
    if (!log) return;
    for (const ScriptWarning& w : result.warnings) {
        const std::string line = "Warning: script " + w.ToString() + "\n";
        for (size_t at = 0; at < line.size(); at += kOutputLogMaxText)
            log->AddText(line.substr(at, kOutputLogMaxText).c_str());
    }
}

void Run(const recognition_context& context, const char* status, RecognitionParams& params,
         RecognitionResult* result) {
    if (context.run) {
        context.run(status, params, result);
    } else {
        RunRecognition(params, result);
    }
}

// The selected span of the recording in frames; false for no selection, a cursor, or a
// selection wholly past the recording.
bool SelectedAudio(const CPhonarcDoc& doc, int* start, int* end) {
    timeline_selection selection;
    if (!doc.audio() || !doc.GetSelection(&selection)) return false;
    const int total = static_cast<int>(doc.audio()->GetFrameCount());
    *start = std::clamp(selection.start, 0, total);
    *end = std::clamp(selection.end, 0, total);
    return *start != *end;
}

// A run over the selection needs one: the whole recording in its place would replace the whole
// alignment with the words of a piece of it. False (the user asked to select) without one.
bool RequireSelectedAudio(CPhonarcDoc& doc) {
    int start = 0, end = 0;
    if (SelectedAudio(doc, &start, &end)) return true;
    Tell(doc, kTextNeedSelection);
    return false;
}

// The frames to recognise: the whole recording, or the timeline's selection; false when the
// selection is asked for and there is none.
bool SetRange(const CPhonarcDoc& doc, bool whole_file, RecognitionParams* params) {
    params->startFrame = 0;
    params->frameCount = -1;
    if (whole_file) return true;
    int start = 0, end = 0;
    if (!SelectedAudio(doc, &start, &end)) return false;
    params->startFrame = start;
    params->frameCount = end - start;
    return true;
}

// The phone constraints the user chose; none leaves text-based alignment the language's own.
void SetConstraints(const CPhonarcDoc& doc, RecognitionParams* params) {
    if (!doc.settings().UsePhnConstraints) return;
    if (doc.settings().PhnConstraintsFile.empty()) {
        params->constraintsText = kBuiltInPhoneConstraints;
    } else {
        params->constraintsFile = doc.settings().PhnConstraintsFile;
    }
}

// Smallest start and largest end of the markers a run made.
void TrackExtent(const app_sync_results& track, int* first, int* last) {
    *first = INT_MAX;
    *last = -1;
    const auto take = [&](const auto& list) {
        for (const auto& m : list) {
            *first = std::min(*first, m.start);
            *last = std::max(*last, m.end);
        }
    };
    take(track.phonemes);
    take(track.words);
    take(track.punctuation);
    take(track.xml_events);
}

bool EmptyTrack(const app_sync_results& t) {
    return t.phonemes.empty() && t.words.empty() && t.punctuation.empty() && t.xml_events.empty();
}

// Where the user reads what the run went on without.
void LogNotes(const RecognitionResult& result) {
    COutputLog* log = GetOutputLog();
    if (!log) return;
    for (const std::string& note : result.notes) {
        const std::string line = note + "\n";
        for (size_t at = 0; at < line.size(); at += kOutputLogMaxText)
            log->AddText(line.substr(at, kOutputLogMaxText).c_str());
    }
}

// What every command asks of the run: the document applies a finished track only (a failed run
// changes nothing), made with the document's articulator, and a constraints file that does not
// load is logged and gone without. The articulator is the document's, copied for the run, so keys
// are made on the run's thread with the document's rules; its state comes back to the document
// when the result is applied.
void SetDocumentRun(const articulator_guard& articulator, RecognitionParams* params) {
    params->articulate = articulator != nullptr;
    params->articulator = articulator.get();
    params->constraintsFileMayFail = true;
    params->resultsOnFailure = false;
    params->records = false;
}

// The model made from its image; false (the user told why) when the image is no model.
bool MakeAcousticModel(CPhonarcDoc& doc, const void* data, int size, CAccousticHMM** out) {
    char error_text[kAccErrorTextSize] = {};
    CAccousticHMM* made = nullptr;
    const int code = CreateAccHMM(data, size, error_text, &made);
    engine_guard<CAccousticHMM, DestroyAccHMM> model(made);
    if (code != 0) {
        Tell(doc, error_text);
        return false;
    }
    *out = model.release();
    return true;
}

void ShowEngineError(CPhonarcDoc& doc, int code) {
    if (code != 0 && code != kErrCancelled) Tell(doc, GetErrorMessage(code));
}

}  // namespace

// ---- the model ----

bool CreateAcousticModel(CPhonarcDoc& doc, CAccousticHMM** out) {
    *out = nullptr;
    if (doc.settings().model_uri != doc.settings().external_model) {
        int size = 0;
        const void* data = LoadResourceData(nullptr, kBuiltInResourceType, doc.settings().model_uri.c_str(), &size, false);
        if (!data) {
            doc.settings().UseModelForThisDocument(kGenericModelResource);
            data = LoadResourceData(nullptr, kBuiltInResourceType, kGenericModelResource, &size, false);
            if (!data) {
                Tell(doc, kTextNoModelResource);
                return false;
            }
        }
        return MakeAcousticModel(doc, data, size, out);
    }
    std::string bytes;
    if (!ReadWholeFile(doc.settings().model_uri, kModelFileLimit, &bytes)) {
        Tell(doc, Format(kTextModelFileMissing, doc.settings().external_model));
        return false;
    }
    return MakeAcousticModel(doc, bytes.data(), static_cast<int>(bytes.size()), out);
}

// ---- text-based alignment ----

int OnAlignTextWithAudio(CPhonarcDoc& doc, const recognition_context& context) {
    script_alignment_source* script = context.script;
    const alignment_mode mode = script ? script->AlignmentMode() : alignment_mode::all;
    std::string text;
    bool whole_file = true;
    int32_t start = 0, end = 0;
    if (!script) {
        text = doc.results_file().script_text;
    } else if (mode == alignment_mode::all) {
        text = script->ScriptText();
    } else {
        if (mode == alignment_mode::cue_segment) script->HilightCutMarker();
        const std::string all = script->ScriptText();
        script->ScriptSelection(&start, &end);
        if (start > end) std::swap(start, end);
        start = std::clamp<int32_t>(start, 0, static_cast<int32_t>(all.size()));
        end = std::clamp<int32_t>(end, 0, static_cast<int32_t>(all.size()));
        text = all.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
        whole_file = false;
    }
    if (text.empty()) {
        Tell(doc, kTextEnterScript);
        if (script) script->FocusScript();
        return -1;
    }
    if (!whole_file && !RequireSelectedAudio(doc)) return -1;
    // The speedy model is not good enough to align with; this document takes the mixed one.
    if (doc.settings().model_uri == kFastModelResource) doc.settings().UseModelForThisDocument(kGenericModelResource);

    CAccousticHMM* made = nullptr;
    if (!CreateAcousticModel(doc, &made)) return -1;
    const engine_guard<CAccousticHMM, DestroyAccHMM> model(made);
    const int code = RunTextBasedRecognition(doc, context, text, model.get(), whole_file, 2000,
                                             mode == alignment_mode::selection && script, start, end);
    if (code == 0 && mode == alignment_mode::selection && script) script->HilightCutMarker();
    return code;
}

int RunTextBasedRecognition(CPhonarcDoc& doc, const recognition_context& context, const std::string& text,
                            CAccousticHMM* model, bool whole_file, int beam, bool cue_tags, int32_t script_start,
                            int32_t script_end) {
    if (!doc.audio()) return -1;
    RecognitionParams params;
    if (!SetRange(doc, whole_file, &params)) {
        Tell(doc, kTextNeedSelection);
        return -1;
    }
    engine_guard<CTranscriber, DestroyTranscriber> transcriber;
    if (context.languages) {
        CTranscriber* made = nullptr;
        const int code = context.languages->CreateLanguageTranscriber(&made);
        transcriber.reset(made);
        if (code != 0) {
            Tell(doc, context.languages->TranscriberFailureText(code));
            return code;
        }
    }
    params.audio = doc.audio();
    params.model = model;
    SetConstraints(doc, &params);
    params.script = text;
    params.transcriber = transcriber.get();
    params.beam = beam;
    params.stateRuns = doc.settings().LipsyncwithEnergy;
    const articulator_guard articulator = doc.MakeRunArticulator();
    SetDocumentRun(articulator, &params);
    RecognitionResult result;
    Run(context, kTextPerformingRecognition, params, &result);
    LogWarnings(result);
    LogNotes(result);
    if (result.code == kErrCancelled) return result.code;

    // Only a finished run is applied: the fallback of a failed one (words piled up at its end)
    // would replace a good alignment the user keeps.
    if (result.code == 0 && !EmptyTrack(result.track)) {
        multi_action* group = nullptr;
        if (cue_tags && context.script) {
            // The markers lie on the recording's times already, so the tags take them as they
            // are. The closing tag goes in first: it leaves the opening position valid.
            int a = 0, b = 0;
            TrackExtent(result.track, &a, &b);
            group = new multi_action(kTextTextBasedLipsync, &doc);
            group->Add(context.script->MakeCutTagAction(b, script_end).release());
            if (a > kStartTagMinMs) group->Add(context.script->MakeCutTagAction(a, script_start).release());
        }
        if (articulator) doc.TakeArticulatorState(*articulator);
        doc.ApplyRecognitionTrack(kTextTextBasedLipsync, result.track, false, group);
        if (doc.GetRecognitionTrack() == 2) doc.ShowSecondChannel();
        for (document_view* view : doc.views()) view->ShowWordsChannel();
    }
    ShowEngineError(doc, result.code);
    return result.code;
}

// ---- textless recognition ----

int OnTextlessLipsync(CPhonarcDoc& doc, const recognition_context& context) {
    doc.settings().SyncLipsyncEntireFile();
    if (!doc.settings().LipsyncEntireFile && !RequireSelectedAudio(doc)) return -1;
    CAccousticHMM* made = nullptr;
    if (!CreateAcousticModel(doc, &made)) return -1;
    const engine_guard<CAccousticHMM, DestroyAccHMM> model(made);
    return RunTextlessRecognition(doc, context, model.get());
}

int RunTextlessRecognition(CPhonarcDoc& doc, const recognition_context& context, CAccousticHMM* model) {
    if (!doc.audio()) return -1;
    RecognitionParams params;
    doc.settings().SyncLipsyncEntireFile();
    if (!SetRange(doc, doc.settings().LipsyncEntireFile, &params)) {
        Tell(doc, kTextNeedSelection);
        return -1;
    }
    params.audio = doc.audio();
    params.model = model;
    if (doc.settings().UseTrigram) {
        if (!doc.settings().TrigramFile.empty()) {
            if (LoadTrigramFileIntoHMM(model, doc.settings().TrigramFile.c_str(), 0) != 0) {
                Tell(doc, kTextTrigramFailed);
                doc.settings().TurnOffLanguageModelForThisDocument();
            }
        } else {
            params.builtInTrigram = true;
        }
    }
    SetConstraints(doc, &params);
    params.stateRuns = doc.settings().LipsyncwithEnergy;
    const articulator_guard articulator = doc.MakeRunArticulator();
    SetDocumentRun(articulator, &params);
    RecognitionResult result;
    Run(context, kTextPerformingLipsync, params, &result);
    LogNotes(result);
    if (result.code == kErrCancelled) return result.code;
    if (result.code == 0 && !EmptyTrack(result.track)) {
        if (articulator) doc.TakeArticulatorState(*articulator);
        // Words, punctuation and events of the track stay: there is no text to replace them.
        doc.ApplyRecognitionTrack(kTextTextlessLipsync, result.track, true, nullptr);
        if (doc.GetRecognitionTrack() == 2) doc.ShowSecondChannel();
    }
    ShowEngineError(doc, result.code);
    return result.code;
}

std::vector<command_row<CPhonarcDoc>> RecognitionCommandRows(std::function<recognition_context()> make) {
    const auto align = [make](CPhonarcDoc& doc) { OnAlignTextWithAudio(doc, make()); };
    const unsigned needs = kNeedDocument | kNeedIdle;
    return {
        {cmd::AlignTextWithAudio, align, {}, needs},
        {cmd::LipsyncWithText, align, {}, needs},
        {cmd::TextlessLipsync, [make](CPhonarcDoc& doc) { OnTextlessLipsync(doc, make()); }, {}, needs},
    };
}
