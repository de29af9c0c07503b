// One track of lip-sync results: the seven marker lists side by side, with clearing, merging,
// and the conversion of the engine's result records and articulation keys into markers. The
// document holds three tracks, views hold copies, undoable edits hold a track before and after.
#pragma once

#include <cstdint>
#include <string>

#include "model/marker_lists.h"

class ISyncResultsCollection;
class IArticulator;

// Bits of app_sync_results::clear.
enum sync_clear_bits : uint8_t {
    kClearInRange = 0x01,      // only [s, e]; otherwise whole lists
    kClearArticulation = 0x02, // articulation keys and envelopes
    kClearPhonemes = 0x04,     // phonemes, articulation keys and envelopes
    kClearWords = 0x08,        // words and punctuation
    kClearXml = 0x10,
    kClearGestures = 0x20,
};

// A plain value (it points at nothing). User-interface thread.
class app_sync_results {
public:
    app_sync_results() = default;
    app_sync_results(const app_sync_results&) = default;
    app_sync_results& operator=(const app_sync_results&) = default;
    app_sync_results(app_sync_results&&) = default;
    app_sync_results& operator=(app_sync_results&&) = default;
    virtual ~app_sync_results() = default;

    // Erases the lists chosen by the mask (sync_clear_bits), in range or whole.
    void clear(uint8_t mask, int s, int e);
    // Empties phonemes, words, punctuation, XML events and gestures; keeps articulation and envelope.
    void clear_all();
    // Merges phonemes and articulation keys (and, unless keep_text_markers, words, punctuation and
    // XML events) of other over other's extent; envelope and gestures stay.
    void merge(const app_sync_results& other, bool keep_text_markers);
    // Appends markers made from the collection's records. Word, sentence and markup records take
    // their text from text (by offset and length) and are read only in text mode.
    void import_sync_markers(ISyncResultsCollection* collection, const std::string& text, bool text_mode);
    // Takes the articulator's keys: merged over their extent, or replacing the list.
    void import_articulation(IArticulator* articulator, bool merge);

    phn_marker_list phonemes;
    og_marker_list words;
    event_marker_list punctuation;
    event_marker_list xml_events;
    gesture_marker_list gestures;
    articulation_list articulation;
    envelope_list envelope;
};

// What fit_to_length changed.
struct fit_counts {
    long cut = 0;      // markers that reached past an end of the span and were shortened
    long dropped = 0;  // markers that lay wholly outside it
};

// Keeps the track's markers inside [0, length_ms + slack_ms]. A marker inside that span is left
// as it is: the slack lets the last articulation keys (on the articulator's frame grid) and a
// phoneme rounded to a frame end a little after the recording, as saved files have them. A
// marker that reaches out of the span is fitted to [0, length_ms]: removed when it lies wholly
// outside that, else cut at its ends (a phoneme's energy sub-markers follow); removed too when
// it had a length and would be left with none.
fit_counts fit_to_length(app_sync_results& track, int length_ms, int slack_ms = 0);

// Smallest start and largest end of all records; 2147483647 and -1 for an empty collection.
void get_collection_extent(ISyncResultsCollection* collection, int* min_start, int* max_end);
