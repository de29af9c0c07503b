// The document's recognition commands: the acoustic model choice and its menu, text-based
// alignment (all the script, the script selection, the cue segment at the caret) and textless
// recognition, each ending as one undoable change of the recognition track. Toolkit-free: the Qt
// shell gives the script editor, the language and a runner that keeps the window painting.
#pragma once

#include "app/core/command_ids.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/command_rows.h"
#include "app/core/phonarc_doc.h"
#include "app/core/recognition_run.h"

class CAccousticHMM;
class CAction;
class lexicon_mgr;

// Texts the recognition commands show.
inline constexpr const char* kTextEnterScript =
    "Please enter the text script for your audio file in the Script Editor below and then try again.";
inline constexpr const char* kTextTextBasedLipsync = "Text-based Lipsync";
inline constexpr const char* kTextTextlessLipsync = "Textless Lipsync";
inline constexpr const char* kTextNoModelResource = "Internal Error: No Model Resource";
inline constexpr const char* kTextModelFileMissing =
    "The operation cannot be completed because the specified model file '%s' could not be found";
inline constexpr const char* kTextTrigramFailed =
    "The Language Model could not be loaded. Turning off Language model preference";
inline constexpr const char* kTextPerformingRecognition = "Performing Recognition...";
inline constexpr const char* kTextPerformingLipsync = "Performing lipsync...";

// How the script is aligned with the audio: the script editor frame's alignment choice.
enum class alignment_mode { all = 0, selection = 1, cue_segment = 2 };

// The script editor of a document as the recognition commands use it. Positions are byte
// offsets in ScriptText(). User-interface thread only.
class script_alignment_source {
public:
    virtual ~script_alignment_source() = default;
    virtual alignment_mode AlignmentMode() const = 0;
    virtual std::string ScriptText() const = 0;
    virtual void ScriptSelection(int32_t* start, int32_t* end) const = 0;
    // Selects the script between the cue tags around the caret and the matching audio.
    virtual void HilightCutMarker() = 0;
    // An action, not done yet, that inserts the cue tag for ms at position of the script.
    virtual std::unique_ptr<CAction> MakeCutTagAction(int32_t ms, int32_t position) = 0;
    virtual void FocusScript() = 0;
};

// Runs one recognition to its end and fills result; params.progress is the runner's to set. The
// program runs it off the user-interface thread under a progress dialog with Cancel.
using recognition_runner =
    std::function<void(const std::string& status, RecognitionParams& params, RecognitionResult* result)>;

// What the commands work with besides the document; every pointer is borrowed.
struct recognition_context {
    lexicon_mgr* languages = nullptr;            // null: the built-in English transcriber
    script_alignment_source* script = nullptr;   // null: the document's script, aligned whole
    recognition_runner run;                      // empty: RunRecognition here, without progress
};

// The document's chosen model (the run loads the phone constraints the user chose). A built-in
// name that does not exist falls back to "GENERIC_HMM" for this document. False (the user told
// why, out null) when no model could be made; the caller destroys *out.
bool CreateAcousticModel(CPhonarcDoc& doc, CAccousticHMM** out);

// The commands. Each returns the engine's code: 0 (the track changed as one undo step), 5 when
// cancelled (nothing changed, nothing said), another code when the run failed (nothing changed,
// the engine's text shown), or -1 when the command stopped before the engine ran (the user told
// why). A phone constraints file that does not load is named in the Output Window and the run
// goes on without it.
int OnAlignTextWithAudio(CPhonarcDoc& doc, const recognition_context& context);
int OnTextlessLipsync(CPhonarcDoc& doc, const recognition_context& context);

// Aligns text with the audio, the whole recording or the timeline's selection (without a selected
// span the user is asked for one, nothing changes and -1 is returned), and applies the records as
// one undo step; with cue tags the step also puts cue tags around [script_start,
// script_end) of the script editor's text at the aligned piece's times.
int RunTextBasedRecognition(CPhonarcDoc& doc, const recognition_context& context, const std::string& text,
                            CAccousticHMM* model, bool whole_file, int beam, bool cue_tags, int32_t script_start,
                            int32_t script_end);
int RunTextlessRecognition(CPhonarcDoc& doc, const recognition_context& context, CAccousticHMM* model);

// Lipsync With Text (menu and toolbars) and Textless Lipsync over the active document, with the
// context make() gives at each run; disabled while a recognition runs.
std::vector<command_row<CPhonarcDoc>> RecognitionCommandRows(std::function<recognition_context()> make);
