// The concrete results collection: a record array that the recognisers fill directly, and the
// rescaling of phoneme values after a recognition pass.
#pragma once

#include "engine/api/sync_marker.h"
#include "engine/util/t_array.h"

// One thread at a time; no lock.
class CConcreteSyncMarkerCollection : public TArray<SyncMarker>, public ISyncResultsCollection {
public:
    CConcreteSyncMarkerCollection();
    ~CConcreteSyncMarkerCollection() override;

    void RemoveAll() override;
    bool RemoveAt(int index) override;
    // With flag value 2: rescales the values of phoneme records (types 1 and 5), lengthening a
    // vowel that continues the last phoneme of the previous pass. Call once at the end of a pass.
    virtual void PostProcessMarkers();

    void SetFlags(int newFlags) override { flags = newFlags; }
    int GetFlags() override { return flags; }
    int GetCount() override { return count; }
    SyncMarker* begin() override;
    SyncMarker* end() override;
    void clear() override;
    void add_marker(const SyncMarker* marker) override;
    // Puts the records that add_marker took out of order into their places. Every reader through
    // the interface and AsConcreteCollection calls it; code holding the concrete collection calls
    // it before reading data directly after an add_marker.
    void PutInOrder();

    int flags = 0;
    int carriedDuration = 0;  // ms of the last phoneme of the previous pass
    char carriedLabel[4] = {};

private:
    void FreeTexts();

    // Records that arrive out of time order are appended behind data[pendingFrom_] and sorted in
    // with one merge when next read, so n of them cost n log n instead of a move each; -1: none.
    int pendingFrom_ = -1;
    // data[0, ordered_) is known to be in start order (records appended directly are checked
    // when the next add_marker comes).
    int ordered_ = 0;
};

// The concrete collection behind an interface pointer, in order, for the recognisers that append
// records directly; null when collection is null or another implementation.
CConcreteSyncMarkerCollection* AsConcreteCollection(ISyncResultsCollection* collection);

// True when label counts as a vowel for the rescaling: its first character is 'r', 'w' or 'y',
// or its first two characters are one of the vowel codes.
bool IsRescaleVowel(const char* label);
