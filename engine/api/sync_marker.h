// Recognition result records and the collection that carries them from the recognisers to the
// document, with the entry points that create and destroy it.
#pragma once

#include <cstdint>

enum SyncMarkerType : std::int32_t {
    kSyncPhoneme = 1,
    kSyncWord = 2,
    kSyncSentence = 3,  // sentence or punctuation
    kSyncXml = 4,
    kSyncPhonemeReplace = 5,  // takes the place of the phoneme record before it
    kSyncCleared = 7,
};

// Copied by value. text: types 2, 3, 4 only, a MemAlloc copy owned by the collection once added;
// the collection frees it in every record whose type is not 1.
struct SyncMarker {
    std::int32_t type;
    float value;         // phonemes: score 0..100
    std::int32_t start;  // ms from the start of the analysed range
    std::int32_t end;
    char label[4];       // phonemes: the phoneme code, NUL-terminated
    char* text;
    std::int32_t textOffset;  // first character of the marker in the transcribed text
    std::int32_t textLength;
    std::int32_t reserved[2];  // the recognisers' own use
};

// Type 7, zero value and times, empty label, null text, zero text span; reserved stays.
void ClearSyncMarker(SyncMarker* marker);

enum SyncCollectionFlags : int {
    kSyncFlagStateRuns = 1,    // recognisers add type-5 records per run of equal model states
    kSyncFlagRescale = 2,      // PostProcessMarkers rescales phoneme values
};

// Read by the application on its user-interface thread; no lock.
class ISyncResultsCollection {
public:
    // Deletes the whole collection with every text it owns.
    virtual ~ISyncResultsCollection() = default;
    virtual void SetFlags(int flags) = 0;
    virtual int GetFlags() = 0;
    virtual int GetCount() = 0;
    // The first record and the address behind the last; both null when empty.
    virtual SyncMarker* begin() = 0;
    virtual SyncMarker* end() = 0;
    // Frees the texts and empties the collection; the storage is kept.
    virtual void clear() = 0;
    // Inserts a copy behind every record that starts at or before it; the copy takes over the
    // record's text. Nothing changes when the storage cannot grow.
    virtual void add_marker(const SyncMarker* marker) = 0;
};

// 0, or 1 when the collection cannot be allocated; out is null first and set only on success.
int CreateSyncResultsCollection(int flags, ISyncResultsCollection** out);
// Null is ignored.
void DestroySyncResultsCollection(ISyncResultsCollection* collection);
