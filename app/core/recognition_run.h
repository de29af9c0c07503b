// One recognition run: a range of the in-memory recording and, optionally, its script in, a lip-sync
// track out. The document's recognition commands, the alignment tool, the evaluation tools and the
// trainer's realignment all call RunRecognition, so every figure is measured on the shipped route.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/util/built_in_resources.h"
#include "engine/text/text_encoding.h"
#include "model/app_sync_results.h"

class CAccousticHMM;
class CMemoryPCMStream;
class CProgress;
class CTranscriber;
class IArticulator;

// What to recognise and how. Every pointer is borrowed: the run never destroys what it was given,
// and destroys everything it made itself before it returns.
struct RecognitionParams {
    // The recording as the document holds it, and the frames to recognise: from startFrame,
    // frameCount frames (-1: to the end; a count past the end is cut there).
    CMemoryPCMStream* audio = nullptr;
    int startFrame = 0;
    int frameCount = -1;

    // The acoustic model, the first of these that is given: a model of the caller's (the run
    // loads constraints and trigram into it); a model image (a file's bytes) the run reads; or
    // the built-in model of that name. Text-based alignment never uses "FAST_HMM" (it takes
    // "GENERIC_HMM"), and a built-in name that does not exist falls back to "GENERIC_HMM".
    CAccousticHMM* model = nullptr;
    const void* modelImage = nullptr;
    int modelImageSize = 0;
    std::string builtInModel = kGenericModelResource;

    // Phone constraints: a rules text or a rules file, loaded into the model. With neither,
    // text-based alignment loads the transcriber's own constraints when its language has them.
    std::string constraintsText;
    std::string constraintsFile;
    // A constraints file that does not load ends the run with its code; with this set the run
    // goes on without phone constraints and says in result->notes which file failed and why.
    bool constraintsFileMayFail = false;
    // Textless recognition only: the phone trigram model as text or as a file; with neither, the
    // built-in one when builtInTrigram is set, else a plain phone loop.
    std::string trigramText;
    std::string trigramFile;
    bool builtInTrigram = false;

    // The user's script in UTF-8; empty means textless recognition. Its cue tags hold times of
    // the whole recording, also when only a range is aligned.
    std::string script;
    // The language's transcriber for text-based alignment; null takes the built-in English one.
    CTranscriber* transcriber = nullptr;

    int beam = 2000;          // text-based search beam; 0 or below keeps the recogniser's own
    bool rescale = true;      // rescale phoneme values after the pass
    bool stateRuns = false;   // also give the sub-phoneme (state run) records
    // Articulation keys for the track's phonemes: through the caller's articulator (its rules
    // and frame rate), or through a default one when null.
    bool articulate = true;
    IArticulator* articulator = nullptr;

    CProgress* progress = nullptr;  // reports frames done; a cancel ends the run with code 5

    // What the caller wants back. Without resultsOnFailure a run that ends with a code other
    // than 0 gives neither records nor a track (nor spends the time to make them); without
    // records only the track is made.
    bool resultsOnFailure = true;
    bool records = true;
};

// One record of the recogniser, its times already shifted to the whole recording and its text
// span counted in the user's UTF-8 script.
struct RecognitionRecord {
    int type = 0;  // SyncMarkerType: 1 phoneme, 2 word, 3 punctuation, 4 markup, 5 state run
    int start = 0;  // ms
    int end = 0;    // ms
    std::string label;
    float value = 0.0f;
    std::string text;  // UTF-8
    int textOffset = 0;
    int textLength = 0;
};

// Times never reach past the end of the recognised range: an analysis frame may, a marker may not.
struct RecognitionResult {
    // 0; 8 (no complete path: the records found are still given unless the caller said not to);
    // 5 when cancelled (nothing given); or the code of the step that failed, with message saying
    // which step.
    int code = 0;
    std::string message;
    int offsetMs = 0;  // the range start, added to every time
    std::vector<RecognitionRecord> records;
    // Phonemes, and with a script words, punctuation and markup, plus the articulation keys.
    app_sync_results track;
    // What in the script was skipped or read other than as written (offsets in the caller's
    // UTF-8 text), for the user's log.
    std::vector<ScriptWarning> warnings;
    // What the run went on without (a constraints file that did not load), one line each.
    std::vector<std::string> notes;
};

// Runs the recognition sequence: model, constraints or trigram, results collection, transcriber,
// audio range, observation stream, recogniser, records into a track, articulation. Returns
// result->code. Callable from several threads at once when each call has its own model,
// transcriber and articulator (or none given).
int RunRecognition(const RecognitionParams& params, RecognitionResult* result);
