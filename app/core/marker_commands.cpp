// The marker commands over the document's selection.
#include "app/core/marker_commands.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "app/core/prompts.h"
#include "engine/api/sync_marker.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "engine/util/engine_guard.h"
#include "model/articulation_key.h"

namespace {

using results_guard = engine_guard<ISyncResultsCollection, DestroySyncResultsCollection>;

// An example word per phoneme command, for the menu.
constexpr const char* kPhonemeExamples[] = {
    "silence", "big",  "chin",   "dig",  "then",  "fork", "gut",  "hat",  "jump", "kit",
    "man",     "net",  "sing",   "pet",  "ship",  "sit",  "top",  "thin", "vet",  "zoo",
    "vision",  "lid",  "red",    "bird", "wet",   "yes",  "father", "cat", "cut",  "dog",
    "cow",     "hide", "ate",    "bed",  "eat",   "it",   "oat",  "toy",  "book", "too"};
static_assert(std::size(kPhonemeExamples) == std::size(kPhonemeCommandCodes));

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void Tell(CPhonarcDoc& doc, const std::string& text) {
    if (doc.host().prompts) doc.host().prompts->MessageBox(text, PromptButtons::Ok);
}

// The selection in ms when there is one.
bool Selection(CPhonarcDoc& doc, int* s, int* e) { return doc.GetSelectionMs(s, e); }

template <class L>
bool AnyOverlapping(const L& list, int s, int e) {
    return !collect_markers_in_range(list, s, e).empty();
}

// Removes the markers overlapping [s, e]; true when there were any.
template <class L>
bool EraseOverlapping(L& list, int s, int e) {
    const std::vector<int> hits = collect_markers_in_range(list, s, e);
    for (auto i = hits.rbegin(); i != hits.rend(); ++i) list.erase(list.begin() + *i);
    return !hits.empty();
}

// Inserts m before the first marker that starts at or after at.
template <class L, class M>
void InsertBefore(L& list, const M& m, int at) {
    auto pos = std::find_if(list.begin(), list.end(), [&](const M& x) { return x.start >= at; });
    list.insert(pos, m);
}

float KeyEnergy(const char* code, float weight) {
    return (std::strstr("bpmfvx", code) != nullptr ? 0.0f : weight) * 100.0f;
}

}  // namespace

std::string LoadCommandLabel(int id) {
    if (id < cmd::PhonemeFirst || id > cmd::PhonemeLast) return "";
    return kPhonemeCommandCodes[id - cmd::PhonemeFirst];
}

std::string PhonemeCommandMenuText(int id) {
    if (id < cmd::PhonemeFirst || id > cmd::PhonemeLast) return "";
    return LoadCommandLabel(id) + "\t" + kPhonemeExamples[id - cmd::PhonemeFirst];
}

int PhonemeCommandFromLabel(const std::string& label) {
    for (int id = cmd::PhonemeFirst; id <= cmd::PhonemeLast; ++id)
        if (EqualNoCase(LoadCommandLabel(id), label)) return id;
    if (label.size() != 1) return -1;
    static constexpr std::pair<char, const char*> kVowels[] = {{'a', "AE"}, {'A', "EY"}, {'e', "EH"}, {'E', "IY"},
                                                               {'i', "IH"}, {'I', "AY"}, {'o', "AA"}, {'O', "OW"},
                                                               {'u', "AH"}, {'U', "UW"}};
    for (auto [letter, code] : kVowels)
        if (label[0] == letter) return PhonemeCommandFromLabel(code);
    return -1;
}

void ReplacePhonemes(CPhonarcDoc& doc, const std::string& name, const std::string& label, int s, int e, int track,
                     float value) {
    const app_sync_results& current = doc.track(track);
    int lo = s, hi = e;
    float best = value;
    for (int i : collect_markers_in_range(current.phonemes, s, e)) {
        const phn_marker& p = current.phonemes[i];
        lo = std::min(lo, static_cast<int>(p.start));
        hi = std::max(hi, static_cast<int>(p.end));
        best = std::max(best, p.value);
    }
    if (best < 0) best = kDefaultPhonemeEnergy;
    if (value < 0) value = best;
    if (s == e) {
        s = lo;
        e = hi;
        if (lo == hi) e = lo + 100;
    }
    app_sync_results one;
    one.phonemes.push_back(phn_marker(s, e, label.c_str(), value));
    app_sync_results copy = current;
    copy.merge(one, true);
    doc.CommitTrackEdit(name, copy, track, s, e);
}

phn_marker_list PhonemesFromKeys(const ArticulationKey* begin, const ArticulationKey* end) {
    std::vector<const ArticulationKey*> keys;
    for (const ArticulationKey* k = begin; k && k != end; ++k)
        if (k->count > 0) keys.push_back(k);  // a key without pairs names no code
    phn_marker_list out;
    size_t i = 0;
    while (i < keys.size()) {
        const ArticulationKey& k0 = *keys[i];
        const char* code = k0.pairs[0].code;
        size_t last = i;
        while (last + 1 < keys.size() && std::strcmp(keys[last + 1]->pairs[0].code, code) == 0) ++last;
        const size_t m = last - i;
        out.push_back(phn_marker(k0.start, k0.end, code, KeyEnergy(code, k0.pairs[0].weight)));
        if (m >= 2) {
            float sum = 0;
            for (size_t j = i + 1; j <= last; ++j) sum += keys[j]->pairs[0].weight;
            out.push_back(phn_marker(k0.end, keys[last - 1]->end, code, KeyEnergy(code, sum / m)));
        }
        if (m >= 1) {
            const ArticulationKey& km = *keys[last];
            out.push_back(phn_marker(km.start, km.end, code, KeyEnergy(code, km.pairs[0].weight / m)));
        }
        i = last + 1;
    }
    return out;
}

void OnSetPhoneme(CPhonarcDoc& doc, int id) {
    int s, e;
    if (!Selection(doc, &s, &e)) {
        Tell(doc, kTextNeedSelection);
        return;
    }
    const std::string label = LoadCommandLabel(id);
    if (label.empty()) {
        Tell(doc, "Internal Error: can't find phoneme string for id '" + std::to_string(id) + "'");
        return;
    }
    ReplacePhonemes(doc, kUndoSetPhoneme, label, s, e, 1, -1.0f);
}

void OnClearPhonemes(CPhonarcDoc& doc) {
    int s, e;
    if (!Selection(doc, &s, &e)) return;
    app_sync_results copy = doc.track(1);
    phn_marker_list& phonemes = copy.phonemes;
    const std::vector<int> hits = collect_markers_in_range(phonemes, s, e);
    if (hits.empty()) return;
    for (auto it = hits.rbegin(); it != hits.rend(); ++it) {
        phn_marker& p = phonemes[*it];
        if (s <= p.start && p.end <= e) {
            phonemes.erase(phonemes.begin() + *it);
        } else if (p.start < s && p.end > e) {
            phn_marker left = p;
            p.set_start(e);
            left.set_end(s);
            left.id = next_marker_id();
            phonemes.insert(phonemes.begin() + *it, left);
        } else if (p.start < s) {
            p.set_end(s);
        } else {
            p.set_start(e);
        }
    }
    doc.CommitTrackEdit(kUndoClearPhonemes, copy, 1, s, e);
}

void OnAddGesture(CPhonarcDoc& doc, marker_command_dialogs& dialogs) {
    int s = 0, e = 0;
    const bool selected = Selection(doc, &s, &e);
    FGesture gesture;
    if (selected) {
        gesture.start = s;
        gesture.end = e;
    }
    if (!dialogs.EditGesture(&gesture) || !selected) return;
    app_sync_results copy = doc.track(1);
    InsertBefore(copy.gestures, gesture, s);
    doc.CommitTrackEdit(kUndoAddGesture, copy, 1, -1, -1);
}

void OnEditGesture(CPhonarcDoc& doc, marker_command_dialogs& dialogs) {
    int s, e;
    if (!Selection(doc, &s, &e)) return;
    app_sync_results copy = doc.track(1);
    const std::vector<int> hits = collect_markers_in_range(copy.gestures, s, e);
    if (hits.empty()) return;
    FGesture gesture = copy.gestures[hits.front()];
    if (!dialogs.EditGesture(&gesture)) return;
    copy.gestures[hits.front()] = gesture;
    doc.CommitTrackEdit(kUndoEditGesture, copy, 1, -1, -1);
}

void OnDeleteGesture(CPhonarcDoc& doc) {
    int s, e;
    if (!Selection(doc, &s, &e)) return;
    app_sync_results copy = doc.track(1);
    if (EraseOverlapping(copy.gestures, s, e)) doc.CommitTrackEdit(kUndoDeleteGesture, copy, 1, -1, -1);
}

void OnDeleteWord(CPhonarcDoc& doc) {
    int s, e;
    if (!Selection(doc, &s, &e)) return;
    app_sync_results copy = doc.track(1);
    if (EraseOverlapping(copy.words, s, e)) doc.CommitTrackEdit(kUndoDeleteWord, copy, 1, -1, -1);
}

void OnAddEvent(CPhonarcDoc& doc, marker_command_dialogs& dialogs) {
    int s = 0, e = 0;
    const bool selected = Selection(doc, &s, &e);
    std::string text;
    int duration = 0;
    if (!dialogs.EditEvent(&text, &duration) || !selected) return;
    app_sync_results copy = doc.track(1);
    InsertBefore(copy.xml_events, og_marker(s, s + std::max(duration, 0), text), s);
    doc.CommitTrackEdit(kUndoAddEvent, copy, 1, -1, -1);
}

void OnEditEvent(CPhonarcDoc& doc, marker_command_dialogs& dialogs) {
    int s, e;
    if (!Selection(doc, &s, &e)) return;
    app_sync_results copy = doc.track(1);
    const std::vector<int> hits = collect_markers_in_range(copy.xml_events, s, e);
    if (hits.empty()) return;
    og_marker& event = copy.xml_events[hits.front()];
    std::string text = event.label;
    // The dialog opens with the event's own length: a plain OK keeps the event as it is.
    int duration = event.end - event.start;
    if (!dialogs.EditEvent(&text, &duration)) return;
    clamp_set_end(event, event.start + duration);
    event.label = text;
    doc.CommitTrackEdit(kUndoEditEvent, copy, 1, -1, -1);
}

void OnDeleteEvent(CPhonarcDoc& doc) {
    int s, e;
    if (!Selection(doc, &s, &e)) return;
    app_sync_results copy = doc.track(1);
    if (EraseOverlapping(copy.xml_events, s, e)) doc.CommitTrackEdit(kUndoDeleteEvent, copy, 1, -1, -1);
}

void OnDeleteMarkers(CPhonarcDoc& doc, marker_command_dialogs& dialogs) {
    int s = -1, e = -1;
    if (!Selection(doc, &s, &e)) s = e = -1;
    const bool audio_selected = s + 1 < e;
    uint32_t mask = 0;
    if (!dialogs.ChooseDeleteMask(audio_selected, &mask)) return;
    app_sync_results copy = doc.track(1);
    if (!audio_selected) s = e = -1;
    copy.clear(static_cast<uint8_t>(mask), s, e);
    IArticulator* articulator = doc.articulator();
    if (articulator && (mask & kClearArticulation)) {
        if (const results_guard collection{doc.CreateResultsCollection()}) {
            copy.phonemes.export_markers(collection.get(), -1, -1);
            doc.ApplyArticulatorFrameRate();
            articulator->GenerateArticulations2(collection.get(), 0, -1, -1);
            copy.import_articulation(articulator, false);
        }
    }
    doc.CommitTrackEdit(kUndoDelete, copy, 1, -1, -1);
}

void OnFramize(CPhonarcDoc& doc) {
    IArticulator* articulator = doc.articulator();
    if (!articulator) return;
    app_sync_results copy = doc.track(1);
    results_guard collection(doc.CreateResultsCollection());
    if (!collection) return;
    // The 12 fps grid is this command's own: the user's rate, level and flags come back after.
    auto* mixture = dynamic_cast<CPhonemeMixtureArticulator*>(articulator);
    const auto saved = mixture ? mixture->GetSettings() : CPhonemeMixtureArticulator::Settings{};
    articulator->SetFrameRate(12.0f);
    articulator->SetLevel(2);
    copy.phonemes.export_markers(collection.get(), -1, -1);
    const int code = articulator->GenerateArticulations(collection.get(), 0);
    if (mixture) {
        mixture->RestoreSettings(saved);
    } else {
        articulator->SetLevel(10);
        articulator->SetFrameRate(50.0f);
    }
    collection.reset();
    if (code != 0) return;  // no keys: the phonemes would all be lost
    copy.phonemes = PhonemesFromKeys(articulator->KeysBegin(), articulator->KeysEnd());
    doc.CommitTrackEdit(kUndoFramize, copy, 1, -1, -1);
}

namespace {

// Whether a marker of the list overlaps the selection; false without one.
template <class L>
CommandState OverlapState(CPhonarcDoc& doc, L app_sync_results::*list) {
    int s = 0, e = 0;
    return EnabledIf(Selection(doc, &s, &e) && AnyOverlapping(doc.track(1).*list, s, e));
}

}  // namespace

std::vector<command_row<CPhonarcDoc>> MarkerCommandRows(marker_command_dialogs& dialogs) {
    using D = CPhonarcDoc;
    marker_command_dialogs* ask = &dialogs;
    const auto gestures = [](D& d) { return OverlapState(d, &app_sync_results::gestures); };
    const auto events = [](D& d) { return OverlapState(d, &app_sync_results::xml_events); };
    std::vector<command_row<D>> rows;
    for (int id = cmd::PhonemeFirst; id <= cmd::PhonemeLast; ++id)
        rows.push_back({id, [id](D& d) { OnSetPhoneme(d, id); }, {}, kNeedDocument | kNeedSelection});
    const std::vector<command_row<D>> others = {
        {cmd::ClearPhonemes, [](D& d) { OnClearPhonemes(d); },
         [](D& d) {
             int s = 0, e = 0;
             return EnabledIf(Selection(d, &s, &e) && s != e);
         },
         kNeedDocument | kNeedSelection},
        {cmd::AddGesture, [ask](D& d) { OnAddGesture(d, *ask); }, {}, kNeedDocument},
        {cmd::EditGesture, [ask](D& d) { OnEditGesture(d, *ask); }, gestures, kNeedDocument | kNeedSelection},
        {cmd::DeleteGesture, [](D& d) { OnDeleteGesture(d); }, gestures, kNeedDocument | kNeedSelection},
        {cmd::DeleteWord, [](D& d) { OnDeleteWord(d); },
         [](D& d) { return OverlapState(d, &app_sync_results::words); }, kNeedDocument | kNeedSelection},
        {cmd::AddEvent, [ask](D& d) { OnAddEvent(d, *ask); }, {}, kNeedDocument},
        {cmd::EditEvent, [ask](D& d) { OnEditEvent(d, *ask); }, events, kNeedDocument | kNeedSelection},
        {cmd::DeleteEvent, [](D& d) { OnDeleteEvent(d); }, events, kNeedDocument | kNeedSelection},
        {cmd::DeleteMarkers, [ask](D& d) { OnDeleteMarkers(d, *ask); }, {}, kNeedDocument},
        {cmd::Framize, [](D& d) { OnFramize(d); }, {}, kNeedDocument},
    };
    rows.insert(rows.end(), others.begin(), others.end());
    return rows;
}
