// The results collection: ordered insertion, clearing with the texts it owns, and the rescaling
// of phoneme values after a recognition pass; plus its create and destroy entry points.
#include "engine/api/results_collection.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/api/entry_point.h"
#include "engine/api/sdk_log.h"
#include "engine/util/mem_alloc.h"

void ClearSyncMarker(SyncMarker* marker) {
    marker->type = kSyncCleared;
    marker->value = 0.0f;
    marker->start = 0;
    marker->end = 0;
    marker->label[0] = '\0';
    marker->text = nullptr;
    marker->textOffset = 0;
    marker->textLength = 0;
}

bool IsRescaleVowel(const char* label) {
    const char c = label[0];
    if (c == 'r' || c == 'w' || c == 'y') return true;
    if (c == '\0' || label[1] == '\0') return false;
    static const char* const kVowels[] = {"ER", "EY", "EH", "UH", "UW", "AW", "AE", "AY",
                                          "AA", "AH", "AO", "IY", "IH", "OW", "OY"};
    for (const char* v : kVowels)
        if (c == v[0] && label[1] == v[1]) return true;
    return false;
}

namespace {

bool SameLabel(const char* a, const char* b) { return std::strncmp(a, b, 4) == 0; }

}  // namespace

CConcreteSyncMarkerCollection::CConcreteSyncMarkerCollection() : TArray<SyncMarker>(100) {}

CConcreteSyncMarkerCollection::~CConcreteSyncMarkerCollection() { FreeTexts(); }

void CConcreteSyncMarkerCollection::FreeTexts() {
    // Phoneme records never own a text; every other kind does once added.
    for (int i = 0; i < count; ++i) {
        if (data[i].type != kSyncPhoneme) {
            MemFree(data[i].text);
            data[i].text = nullptr;
        }
    }
}

void CConcreteSyncMarkerCollection::RemoveAll() {
    FreeTexts();
    TArray<SyncMarker>::RemoveAll();
    pendingFrom_ = -1;
    ordered_ = 0;
}

bool CConcreteSyncMarkerCollection::RemoveAt(int index) {
    PutInOrder();
    if (index < 0 || index >= count) return false;
    if (data[index].type != kSyncPhoneme) MemFree(data[index].text);
    if (index < ordered_) --ordered_;
    return TArray<SyncMarker>::RemoveAt(index);
}

void CConcreteSyncMarkerCollection::clear() {
    FreeTexts();
    count = 0;
    pendingFrom_ = -1;
    ordered_ = 0;
}

SyncMarker* CConcreteSyncMarkerCollection::begin() {
    PutInOrder();
    return count > 0 ? data : nullptr;
}

SyncMarker* CConcreteSyncMarkerCollection::end() {
    PutInOrder();
    return count > 0 ? data + count : nullptr;
}

void CConcreteSyncMarkerCollection::PutInOrder() {
    if (pendingFrom_ < 0) return;
    const auto earlier = [](const SyncMarker& a, const SyncMarker& b) { return a.start < b.start; };
    // Both steps are stable and the merge puts the records already in place first on a tie, which
    // is where inserting the late ones one at a time, each behind its equals, would put them.
    const int from = std::min(pendingFrom_, count);
    std::stable_sort(data + from, data + count, earlier);
    std::inplace_merge(data, data + from, data + count, earlier);
    pendingFrom_ = -1;
    ordered_ = count;
}

void CConcreteSyncMarkerCollection::add_marker(const SyncMarker* marker) {
    if (!marker) return;
    if (pendingFrom_ >= 0) {
        Append(*marker);
        return;
    }
    ordered_ = std::min(ordered_, count);
    if (ordered_ == 0 && count > 0) ordered_ = 1;
    while (ordered_ < count && data[ordered_ - 1].start <= data[ordered_].start) ++ordered_;
    if (ordered_ < count) {
        // Records appended directly out of order: the merge would not keep their places.
        int i = 0;
        while (i < count && data[i].start <= marker->start) ++i;
        InsertAt(i, *marker);
        return;
    }
    const bool late = count > 0 && data[count - 1].start > marker->start;
    if (!Append(*marker)) return;
    if (late)
        pendingFrom_ = count - 1;
    else
        ordered_ = count;
}

void CConcreteSyncMarkerCollection::PostProcessMarkers() {
    PutInOrder();
    if (!(flags & kSyncFlagRescale) || count == 0) return;
    char current[4] = {};
    const SyncMarker* last = nullptr;
    for (int i = 0; i < count; ++i) {
        SyncMarker& m = data[i];
        if (m.type == kSyncPhoneme) {
            std::memcpy(current, m.label, 4);
            last = &m;
        } else if (m.type != kSyncPhonemeReplace) {
            continue;
        }
        const double v = m.value;
        const double t = std::trunc(v);
        const double a = v < 1.0 ? 0.0 : 50.0 * std::log10(v);
        double c = 0.75 * a + 0.25 * t;
        if (IsRescaleVowel(current) && t > 5) {
            const double b = 50.0 * std::log10(c);
            std::int64_t s = m.start;
            if (carriedLabel[0] != '\0' && SameLabel(carriedLabel, current)) s -= carriedDuration;
            const double d = static_cast<double>(static_cast<std::int64_t>(m.end) - s);
            c = d * 0.26666668 + b * 0.5;
            if (c < 65.0) c = 65.0;
        }
        m.value = static_cast<float>(std::trunc(c));
        carriedLabel[0] = '\0';
    }
    if (last) {
        const int duration = last->end - last->start;
        if (SameLabel(last->label, carriedLabel))
            carriedDuration += duration;
        else
            carriedDuration = duration;
        std::memcpy(carriedLabel, last->label, 4);
    }
}

CConcreteSyncMarkerCollection* AsConcreteCollection(ISyncResultsCollection* collection) {
    auto* concrete = dynamic_cast<CConcreteSyncMarkerCollection*>(collection);
    if (concrete) concrete->PutInOrder();
    return concrete;
}

int CreateSyncResultsCollection(int flags, ISyncResultsCollection** out) {
    CFuncTrace trace("CreateSyncResultsCollection");
    ClearOut(out);
    if (!out) return kErrInvalidArgument;
    return RunEntryPoint([&] {
        auto* collection = new (std::nothrow) CConcreteSyncMarkerCollection();
        if (!collection) return static_cast<int>(kErrOutOfMemory);
        collection->RemoveAll();
        collection->Reserve(0);
        collection->SetFlags(flags);
        *out = collection;
        return static_cast<int>(kErrNone);
    });
}

void DestroySyncResultsCollection(ISyncResultsCollection* collection) {
    CFuncTrace trace("DestroySyncResultsCollection");
    delete collection;
}
