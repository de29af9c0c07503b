// The Flash gesture channel's commands; see flash_gesture_commands.h.
#include "app/core/flash_gesture_commands.h"

#include "app/core/marker_commands.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"
#include "flash/gesture_generation.h"
#include "flash/gesture_selection.h"

namespace {

// The gesture of that serial id in the document's animation, or null.
const FGesture* FindGesture(CPhonarcDocFlash& doc, uint32_t id) {
    const gesture_marker_list* list = doc.GetAnim()->get_gestures();
    if (!list) return nullptr;
    for (const FGesture& g : *list)
        if (g.id == id) return &g;
    return nullptr;
}

// A template clip as the first item names it: "pose|gesture", or the pose alone.
std::string ClipName(const CPhonarcDocFlash& doc, int clip) {
    const zuvo_swf_char* c = doc.character();
    if (!c || clip < 0 || clip >= static_cast<int>(c->get_gestures().size())) return "";
    const swf_char_gesture& g = c->get_gestures()[clip];
    return g.gesture.empty() ? g.pose : g.pose + "|" + g.gesture;
}

// Cuts the gesture just added, and the tweens on either side of it, at the recording's end. The
// others are the user's as they were, also where they lie past the end.
void KeepAddedGestureWithinRecording(FZuvoAnim& anim, uint32_t id, int length) {
    gesture_marker_list& list = *anim.get_gestures();
    const int at = list.index_of_id(id);
    if (at < 0) return;
    const auto is_tween = [&list](int i) {
        return i >= 0 && i < static_cast<int>(list.size()) && (list[i].type & FGesture::kTween) != 0;
    };
    const int first = is_tween(at - 1) ? at - 1 : at;
    const int last = is_tween(at + 1) ? at + 1 : at;
    gesture_marker_list added(list.begin() + first, list.begin() + last + 1);
    KeepGesturesWithinRecording(added, length);
    list.erase(list.begin() + first, list.begin() + last + 1);
    list.insert(list.begin() + first, added.begin(), added.end());
    // A tween left without the gesture it led to goes.
    anim.normalise(list);
    anim.rebuild_tweens(list);
}

}  // namespace

int FlashRecordingLengthMs(const CPhonarcDocFlash& doc) {
    CMemoryPCMStream* audio = doc.audio();
    return audio ? static_cast<int>(audio->FramesToMs(audio->GetFrameCount())) : 0;
}

int SelectedFlashClip(const CPhonarcDocFlash& doc, bool* view) {
    flash_gesture_selection* selection = doc.FindFlashGesturesView();
    if (view) *view = selection != nullptr;
    return selection ? selection->GetSelectedGesture() : -1;
}

void OnFlashAddGesture(CPhonarcDocFlash& doc, int clip) {
    const zuvo_swf_char* c = doc.character();
    if (clip < 0 || !c || clip >= static_cast<int>(c->get_gestures().size())) return;
    int start = 0, end = 0;
    if (!doc.GetSelectionMs(&start, &end)) {
        doc.host().prompts->MessageBox(kTextNeedSelection, PromptButtons::Ok);
        return;
    }
    // A point gesture is given a length of seconds, which may reach past a short recording; the
    // gesture is cut at its end. At the very end nothing would be left.
    const int length = FlashRecordingLengthMs(doc);
    if (length > 0 && start >= length) {
        doc.host().prompts->MessageBox(kTextNoRoomAtEnd, PromptButtons::Ok);
        return;
    }
    FGesture g(start == end ? 128u : 384u, start, end, 100.0f);
    g.pose_name = c->get_gestures()[clip].pose;
    g.gesture_name = c->get_gestures()[clip].gesture;
    g.clip_index = clip;
    g.update_label();
    FZuvoAnim copy = *doc.GetAnim();
    copy.add_gesture(g);
    if (length > 0) KeepAddedGestureWithinRecording(copy, g.id, length);
    doc.CommitAnim(kUndoAddGesture, copy);
}

void OnFlashDeleteGesture(CPhonarcDocFlash& doc, uint32_t gesture_id) {
    const FGesture* under = FindGesture(doc, gesture_id);
    if (!under) return;
    FZuvoAnim copy = *doc.GetAnim();
    copy.delete_gesture(under->id);
    doc.CommitAnim(kUndoDeleteGesture, copy);
}

void OnFlashChangeGesture(CPhonarcDocFlash& doc, uint32_t gesture_id) {
    const int clip = SelectedFlashClip(doc);
    const FGesture* under = FindGesture(doc, gesture_id);
    if (clip == -1 || !under) return;
    FZuvoAnim copy = *doc.GetAnim();
    copy.set_gesture_clip(under->id, clip);
    doc.CommitAnim(kUndoFlashChangeGesture, copy);
}

std::vector<command_row<flash_gesture_target>> FlashGestureCommandRows(const CPhonarcDocFlash& doc) {
    using T = flash_gesture_target;
    bool view = false;
    const int selected = SelectedFlashClip(doc, &view);
    const std::string name = ClipName(doc, selected);
    // Without a gestures bar the item keeps its own text; a bar without a selection leaves it
    // nameless, as there is nothing to add.
    const CommandState add = !view ? CommandState{true, false, {}}
                                   : CommandState{selected != -1, false, selected != -1 ? "Add " + name : ""};
    const std::string change = "Change To " + (view ? name : std::string("Selected Gesture"));
    const auto on_gesture = [](const T& t) { return t.has_gesture; };
    std::vector<command_row<T>> rows = {
        {cmd::FlashAddSelected, [](T& t) { OnFlashAddGesture(*t.doc, SelectedFlashClip(*t.doc)); },
         [add](T&) { return add; }},
        {cmd::FlashDeleteGesture, [](T& t) { OnFlashDeleteGesture(*t.doc, t.gesture_id); },
         [on_gesture](T& t) { return EnabledIf(on_gesture(t)); }},
        {cmd::EditGesture, [](T& t) { OnFlashChangeGesture(*t.doc, t.gesture_id); },
         [on_gesture, change](T& t) { return CommandState{on_gesture(t), false, change}; }},
    };
    if (const zuvo_swf_char* c = doc.character()) {
        const std::vector<swf_char_gesture>& clips = c->get_gestures();
        for (size_t i = 0; i < clips.size(); ++i) {
            const swf_char_gesture& g = clips[i];
            const std::string text = g.gesture.empty() || g.gesture == g.pose ? g.pose : g.pose + " | " + g.gesture;
            const int clip = static_cast<int>(i);
            rows.push_back({cmd::FlashAddGestureFirst + clip, [clip](T& t) { OnFlashAddGesture(*t.doc, clip); },
                            [text](T&) { return CommandState{true, false, text}; }});
        }
    }
    return rows;
}
