// The document dialogs' value logic; see dialog_values.h.
#include "app/core/dialog_values.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/core/lexicon_mgr.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/text_encoding.h"
#include "engine/text/transcriber.h"
#include "engine/util/engine_guard.h"
#include "model/gesture_marker.h"

bool progress_meter::Report(int64_t done, int64_t total) {
    if (total <= 0) return false;
    position_ = static_cast<int>(done * 100 / total);
    return true;
}

std::string PercentText(int position) {
    int percent = (position - progress_meter::kLower) * 100 / (progress_meter::kUpper - progress_meter::kLower);
    if (percent != 100) percent %= 100;
    return std::to_string(percent) + "%";
}

std::optional<std::string> progress_meter::PercentTextToShow() {
    std::string text = PercentText(position_);
    if (text == shown_) return std::nullopt;
    shown_ = text;
    return text;
}

bool progress_meter::TakeCancelRequest() {
    const bool was = cancel_;
    cancel_ = false;
    if (was) cancelled_ = true;
    return was;
}

delete_boxes DeleteBoxesFromMask(uint32_t mask, bool audio_selected) {
    delete_boxes b;
    b.selection_enabled = audio_selected;
    // With audio selected the dialog always opens on the selection: a whole-file delete saved
    // last time must not turn the next Delete over a selection into a delete of everything.
    b.selection_only = audio_selected;
    b.all = (mask & kDeleteAllKinds) == kDeleteAllKinds;
    b.articulation = mask & kDeleteArticulation;
    b.phonemes = mask & kDeletePhonemes;
    b.words = mask & kDeleteWords;
    b.events = mask & kDeleteEvents;
    b.gestures = mask & kDeleteGestures;
    return b;
}

uint32_t DeleteMaskFromBoxes(const delete_boxes& b) {
    uint32_t mask = 0;
    if (b.selection_enabled && b.selection_only) mask |= kDeleteSelectionOnly;
    if (b.all) mask |= kDeleteAllKinds;
    if (b.words) mask |= kDeleteWords;
    if (b.phonemes) mask |= kDeletePhonemes;
    if (b.gestures) mask |= kDeleteGestures;
    if (b.articulation) mask |= kDeleteArticulation;
    if (b.events) mask |= kDeleteEvents;
    return mask;
}

delete_boxes DeleteBoxesAfterAllClicked(const delete_boxes& boxes) {
    uint32_t mask = DeleteMaskFromBoxes(boxes);
    if (boxes.all)
        mask |= kDeleteAllKinds;
    else
        mask &= ~static_cast<uint32_t>(kDeleteAllKinds);
    delete_boxes after = DeleteBoxesFromMask(mask, boxes.selection_enabled);
    after.selection_only = boxes.selection_enabled && boxes.selection_only;
    return after;
}

int ParseDialogInt(const std::string& text) { return std::atoi(text.c_str()); }

gesture_fields GestureFieldsFromGesture(const FGesture& g) {
    gesture_fields f;
    f.name = g.gesture_name;
    f.pose = g.pose_name;
    if (f.name.empty() && f.pose.empty()) f.name = g.label;
    f.duration = std::to_string(g.end - g.start);
    return f;
}

namespace {
std::string StripBarsAndBreaks(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '|' && c != '\r' && c != '\n') out += c;
    return out;
}
}  // namespace

void ApplyGestureFields(const gesture_fields& f, FGesture* g) {
    g->gesture_name = StripBarsAndBreaks(f.name);
    g->pose_name = StripBarsAndBreaks(f.pose);
    g->type = 32;
    const float value = 100.0f;
    std::memcpy(&g->extra, &value, sizeof g->extra);
    g->set_end(g->start + ParseDialogInt(f.duration));
    g->update_label();
}

std::string AppendPhonemeToList(const std::string& list, const std::string& label) {
    std::string out = list;
    if (!out.empty() && out.back() != ',') out += ',';
    return out + label;
}

std::string PhonemeTestText(CTranscriber* transcriber, const std::string& script) {
    const Cp1252Text text = ConvertUtf8ToCp1252(script);
    transcriber->Transcribe(text.bytes.c_str());
    const std::string phonemes = transcriber->GetTranscription() ? transcriber->GetTranscription() : "";
    std::string out = phonemes + "\r\n";
    int count = 0;
    const TranscriptMarker* markers = transcriber->GetOutputMarkers(&count);
    const auto slice = [](const std::string& s, int from, int to) {
        from = std::max(0, std::min(from, static_cast<int>(s.size())));
        to = std::max(from, std::min(to, static_cast<int>(s.size())));
        return s.substr(from, to - from);
    };
    const auto phoneme_at = [&](int i) { return i >= 0 && i < static_cast<int>(phonemes.size()) ? phonemes[i] : '\0'; };
    for (int i = 0; i < count && markers; ++i) {
        const TranscriptMarker& m = markers[i];
        std::string word = ConvertCp1252ToUtf8(slice(text.bytes, m.textStart, m.textEnd));
        if (m.kind == kTranscriptMarkup && word.rfind("<cut", 0) == 0) {
            if (phoneme_at(m.phonemeStart - 1) == 'x') word = " X " + word;
            if (phoneme_at(m.phonemeEnd) == 'x') word += " X ";
        }
        out += word + "=" + slice(phonemes, m.phonemeStart, m.phonemeEnd) + " ";
        for (int s = 0; s < m.slotCount && m.slots; ++s) {
            const TranscriptSlot& slot = m.slots[s];
            out += "(";
            if (slot.count == 1) {
                out += std::string(slot.strings[0] ? slot.strings[0] : "") + " )";
            } else {
                out += " (";
                for (int k = 0; k < slot.count; ++k) out += std::string(slot.strings[k] ? slot.strings[k] : "") + ",";
                out += " )  )";
            }
        }
        out += "\r\n";
    }
    return out;
}

bool PhonemeTestForLanguage(const lexicon_mgr& languages, const std::string& script, std::string* out,
                            std::string* error) {
    CTranscriber* made = nullptr;
    const int code = languages.CreateLanguageTranscriber(&made);
    const engine_guard<CTranscriber, DestroyTranscriber> transcriber(made);
    if (code != 0 || !transcriber) {
        *error = languages.TranscriberFailureText(code);
        return false;
    }
    *out = PhonemeTestText(transcriber.get(), script);
    return true;
}

bool ReadPhonemeTestScript(const std::string& path, std::string* utf8, std::string* why) {
    return ReadScriptFile(path, utf8, nullptr, why);
}

int SearchWidthFromField(const std::string& text) {
    const int width = static_cast<int>(std::atof(text.c_str())) * 100;
    return width < 100 ? -1 : width;
}
