// Result track operations and the conversions between engine records and markers.
#include "model/app_sync_results.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "engine/api/results_collection.h"
#include "engine/api/sync_marker.h"
#include "model/articulator.h"
#include "model/debug_output.h"

void app_sync_results::clear(uint8_t mask, int s, int e) {
    if (!(mask & kClearInRange)) s = e = -1;
    if (mask & kClearXml) xml_events.erase(s, e);
    if (mask & (kClearArticulation | kClearPhonemes)) {
        articulation.erase(s, e);
        envelope.erase(s, e);
    }
    if (mask & kClearGestures) gestures.erase(s, e);
    if (mask & kClearPhonemes) phonemes.erase(s, e);
    if (mask & kClearWords) {
        punctuation.erase(s, e);
        words.erase(s, e);
    }
}

void app_sync_results::clear_all() {
    phonemes.clear();
    words.clear();
    punctuation.clear();
    xml_events.clear();
    gestures.clear();
}

void app_sync_results::merge(const app_sync_results& other, bool keep_text_markers) {
    phonemes.merge(other.phonemes);
    int a, b;
    get_list_extent(other.articulation, &a, &b);
    articulation.erase_range(a, b);
    articulation.insert_sorted(other.articulation);
    if (!keep_text_markers) {
        words.merge(other.words);
        punctuation.merge(other.punctuation);
        xml_events.merge(other.xml_events);
    }
}

void app_sync_results::import_sync_markers(ISyncResultsCollection* collection, const std::string& text, bool text_mode) {
    if (!collection) return;
    phonemes.reserve(phonemes.size() + static_cast<size_t>(std::max(collection->GetCount(), 0)));
    SyncMarker* first = collection->begin();
    SyncMarker* last_record = collection->end();
    if (!first || !last_record) return;

    long last = -1;  // the phoneme of the last phoneme record
    std::string carried;
    const long long n = static_cast<long long>(text.size());
    for (SyncMarker* r = first; r != last_record; ++r) {
        switch (r->type) {
            case kSyncPhoneme: {
                std::string label(r->label, strnlen(r->label, sizeof r->label));
                phonemes.emplace_back(r->start, r->end, label.c_str(), r->value);
                last = static_cast<long>(phonemes.size()) - 1;
                break;
            }
            case kSyncPhonemeReplace:
                if (last >= 0 && last < static_cast<long>(phonemes.size())) {
                    carried = phonemes[last].label;
                    phonemes.erase(phonemes.begin() + last);
                    last = -1;
                }
                phonemes.emplace_back(r->start, r->end, carried.c_str(), r->value);
                break;
            case kSyncWord:
            case kSyncSentence:
            case kSyncXml: {
                if (!text_mode) break;
                const long long offset = r->textOffset, length = r->textLength;
                std::string label;
                if (offset < 0 || offset > n || length < 0 || offset + length > n) {
                    // A record that does not fit the text gets an empty label rather than the
                    // text of whatever marker came before it.
                    debug_output(r->type == kSyncWord       ? "Bad Word Marker\n"
                                 : r->type == kSyncSentence ? "Bad Sentence Marker\n"
                                                            : "XML Word Marker\n");
                } else {
                    label = text.substr(static_cast<size_t>(offset), static_cast<size_t>(length));
                }
                og_marker m(r->start, r->end, label);
                if (r->type == kSyncWord)
                    words.push_back(m);
                else if (r->type == kSyncSentence)
                    punctuation.push_back(m);
                else
                    xml_events.push_back(m);
                break;
            }
            default:
                break;
        }
    }
}

void app_sync_results::import_articulation(IArticulator* articulator, bool merge) {
    if (!articulator) return;
    const ArticulationKey* first = articulator->KeysBegin();
    const ArticulationKey* last = articulator->KeysEnd();
    if (!merge) articulation.clear();
    if (!first || !last) return;
    if (!merge) {
        for (const ArticulationKey* k = first; k != last; ++k) articulation.emplace_back(*k);
        return;
    }
    articulation_list incoming;
    for (const ArticulationKey* k = first; k != last; ++k) incoming.emplace_back(*k);
    int a, b;
    get_list_extent(incoming, &a, &b);
    articulation.erase_range(a, b);
    articulation.insert_sorted(incoming);
}

void phn_marker_list::export_markers(ISyncResultsCollection* sink, int s, int e) const {
    if (!sink) return;
    if (s == -1 && e == -1) get_list_extent(*this, &s, &e);
    // Phonemes come in start order, so into an empty collection they can be appended where the
    // sorted insert would put them, without its scan (quadratic on a long file). A phoneme out of
    // order ends the shortcut and takes the insert.
    CConcreteSyncMarkerCollection* append_to = sink->GetCount() == 0 ? AsConcreteCollection(sink) : nullptr;
    for (const phn_marker& p : *this) {
        if (p.start > e) break;
        if (!overlaps_range(p, s, e)) continue;
        SyncMarker record{};
        record.type = kSyncPhoneme;
        record.value = p.value;
        record.start = p.start;
        record.end = p.end;
        std::strncpy(record.label, p.label.c_str(), 3);
        record.label[3] = '\0';
        record.text = nullptr;
        std::memcpy(&record.reserved[0], &p.value, sizeof record.reserved[0]);
        record.reserved[1] = 0;
        if (append_to && (append_to->count == 0 || append_to->data[append_to->count - 1].start <= record.start)) {
            append_to->Append(record);
        } else {
            append_to = nullptr;
            sink->add_marker(&record);
        }
    }
}

void get_collection_extent(ISyncResultsCollection* collection, int* min_start, int* max_end) {
    int lo = INT_MAX, hi = -1;
    SyncMarker* first = collection ? collection->begin() : nullptr;
    SyncMarker* last = collection ? collection->end() : nullptr;
    if (first && last) {
        for (SyncMarker* r = first; r != last; ++r) {
            lo = std::min(lo, static_cast<int>(r->start));
            hi = std::max(hi, static_cast<int>(r->end));
        }
    }
    *min_start = lo;
    *max_end = hi;
}

namespace {

// Fits one list; false from keep means the marker goes.
template <class List>
void fit_list(List& list, int length_ms, int slack_ms, fit_counts& counts) {
    const long long reach = static_cast<long long>(length_ms) + slack_ms;
    auto out = list.begin();
    for (auto it = list.begin(); it != list.end(); ++it) {
        auto& m = *it;
        if (m.start >= 0 && m.end <= reach) {
            if (out != it) *out = std::move(m);
            ++out;
            continue;
        }
        const bool had_length = m.end > m.start;
        bool keep = m.start <= length_ms && m.end >= 0;
        if (keep) {
            if (m.start < 0) m.set_start(0);
            if (m.end > length_ms) m.set_end(length_ms);
            keep = !had_length || m.end > m.start;
            if (keep) ++counts.cut;
        }
        if (!keep) {
            ++counts.dropped;
            continue;
        }
        if (out != it) *out = std::move(m);
        ++out;
    }
    list.erase(out, list.end());
}

}  // namespace

fit_counts fit_to_length(app_sync_results& track, int length_ms, int slack_ms) {
    fit_counts counts;
    fit_list(track.phonemes, length_ms, slack_ms, counts);
    fit_list(track.words, length_ms, slack_ms, counts);
    fit_list(track.punctuation, length_ms, slack_ms, counts);
    fit_list(track.xml_events, length_ms, slack_ms, counts);
    fit_list(track.gestures, length_ms, slack_ms, counts);
    fit_list(track.articulation, length_ms, slack_ms, counts);
    for (art_marker& a : track.articulation) {
        // The key carries its own copy of the times; only a cut key's differ.
        if (a.key.start < a.start || a.key.end > a.end) {
            a.key.start = std::max(a.key.start, a.start);
            a.key.end = std::min(a.key.end, a.end);
        }
    }
    fit_list(track.envelope, length_ms, slack_ms, counts);
    return counts;
}
