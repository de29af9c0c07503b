// The results collection: creation, time-ordered insertion, clearing with owned texts, and the
// rescaling of phoneme values.
#include "engine/api/results_collection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/util/mem_alloc.h"

namespace {

SyncMarker Phoneme(const char* label, int start, int end, float value, int type = kSyncPhoneme) {
    SyncMarker m {};
    ClearSyncMarker(&m);
    m.type = type;
    std::strncpy(m.label, label, 3);
    m.start = start;
    m.end = end;
    m.value = value;
    return m;
}

SyncMarker Word(const char* text, int start, int end) {
    SyncMarker m {};
    ClearSyncMarker(&m);
    m.type = kSyncWord;
    m.start = start;
    m.end = end;
    m.text = MemStrDup(text);
    return m;
}

struct CollectionPtr {
    ISyncResultsCollection* p = nullptr;
    ~CollectionPtr() { DestroySyncResultsCollection(p); }
    CConcreteSyncMarkerCollection& concrete() { return *AsConcreteCollection(p); }
};

std::vector<float> Values(ISyncResultsCollection* c) {
    std::vector<float> v;
    for (SyncMarker* m = c->begin(); m != c->end(); ++m) v.push_back(m->value);
    return v;
}

}  // namespace

TEST(ResultsCollection, CreatedEmptyWithFlagsAndStorageForOneStep) {
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(3, &c.p), kErrNone);
    EXPECT_EQ(c.p->GetFlags(), 3);
    EXPECT_EQ(c.p->GetCount(), 0);
    EXPECT_EQ(c.p->begin(), nullptr);
    EXPECT_EQ(c.p->end(), nullptr);
    EXPECT_EQ(c.concrete().capacity, 100);
    EXPECT_EQ(c.concrete().growBy, 100);
    EXPECT_EQ(CreateSyncResultsCollection(0, nullptr), kErrInvalidArgument);
    DestroySyncResultsCollection(nullptr);
}

TEST(ResultsCollection, AddMarkerKeepsTimeOrderAndArrivalOrderOnTies) {
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(0, &c.p), kErrNone);
    const int starts[] = {100, 50, 100, 70};
    for (int i = 0; i < 4; ++i) {
        const SyncMarker m = Phoneme("s", starts[i], starts[i] + 10, static_cast<float>(i));
        c.p->add_marker(&m);
    }
    ASSERT_EQ(c.p->GetCount(), 4);
    EXPECT_EQ(c.p->end() - c.p->begin(), 4);
    const int expectedStart[] = {50, 70, 100, 100};
    const float expectedArrival[] = {1, 3, 0, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(c.p->begin()[i].start, expectedStart[i]);
        EXPECT_EQ(c.p->begin()[i].value, expectedArrival[i]);
    }
}

TEST(ResultsCollection, LateRecordsTakeThePlacesOfOneByOneInsertion) {
    // Arrivals by start time (the value counts them); -1 reads the collection in between.
    const struct {
        const char* what;
        std::vector<int> starts;
        std::vector<int> order;  // arrival numbers, as read at the end
    } cases[] = {
        {"in order", {0, 10, 10, 20}, {0, 1, 2, 3}},
        {"reversed", {30, 20, 10, 0}, {3, 2, 1, 0}},
        {"late ties go behind their equals", {10, 20, 10, 10, 20, 0}, {5, 0, 2, 3, 1, 4}},
        {"a read in between", {20, 10, -1, 15, 5, 20}, {3, 1, 2, 0, 4}},
        {"late behind in-order ties", {5, 5, 5, 0, 5, 0}, {3, 5, 0, 1, 2, 4}},
    };
    for (const auto& c : cases) {
        CollectionPtr coll;
        ASSERT_EQ(CreateSyncResultsCollection(0, &coll.p), kErrNone);
        float arrival = 0;
        for (int start : c.starts) {
            if (start < 0) {
                EXPECT_NE(coll.p->begin(), nullptr) << c.what;
                continue;
            }
            const SyncMarker m = Phoneme("s", start, start + 1, arrival++);
            coll.p->add_marker(&m);
        }
        std::vector<float> order(c.order.begin(), c.order.end());
        EXPECT_EQ(Values(coll.p), order) << c.what;
        EXPECT_EQ(coll.p->GetCount(), static_cast<int>(order.size())) << c.what;
    }
}

TEST(ResultsCollection, ManyLateRecordsComeOutInTimeOrder) {
    // 60,000 records last first, as a results file sorted the wrong way gives them. Their cost is
    // measured by `document_open_benchmark --phonemes N --reversed`, not here.
    constexpr int kRecords = 60000;
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(0, &c.p), kErrNone);
    for (int i = kRecords - 1; i >= 0; --i) {
        const SyncMarker m = Phoneme("s", i * 10, i * 10 + 10, static_cast<float>(i));
        c.p->add_marker(&m);
    }
    ASSERT_EQ(c.p->GetCount(), kRecords);
    for (int i = 0; i < kRecords; ++i) ASSERT_EQ(c.p->begin()[i].start, i * 10);
}

TEST(ResultsCollection, RecordsAppendedDirectlyOutOfOrderKeepTheScanOfInsertion) {
    // A recogniser's own appends are taken as they stand: a record inserted later goes before the
    // first record that starts after it, as it always did.
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(0, &c.p), kErrNone);
    CConcreteSyncMarkerCollection* concrete = AsConcreteCollection(c.p);
    for (int start : {30, 10, 40}) concrete->Append(Phoneme("s", start, start + 1, static_cast<float>(start)));
    const SyncMarker m = Phoneme("s", 20, 21, 20);
    c.p->add_marker(&m);
    EXPECT_EQ(Values(c.p), (std::vector<float> {20, 30, 10, 40}));
}

TEST(ResultsCollection, ClearFreesOwnedTextsAndKeepsTheStorage) {
    static char phonemeText[] = "not owned";  // a type-1 record's text is never freed
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(0, &c.p), kErrNone);
    SyncMarker p = Phoneme("AA", 0, 10, 50);
    p.text = phonemeText;
    const SyncMarker records[] = {p, Word("hello", 0, 40), Word(".", 40, 41)};
    for (const SyncMarker& m : records) c.p->add_marker(&m);
    SyncMarker xml = Word("<cut ms=\"1\"/>", 41, 41);
    xml.type = kSyncXml;
    c.p->add_marker(&xml);

    SyncMarker* storage = c.p->begin();
    c.p->clear();
    EXPECT_EQ(c.p->GetCount(), 0);
    EXPECT_EQ(c.p->begin(), nullptr);
    EXPECT_EQ(c.concrete().capacity, 100);
    for (int i = 0; i < 100; ++i) {
        const SyncMarker m = Phoneme("s", i, i + 1, 1);
        c.p->add_marker(&m);
    }
    EXPECT_EQ(c.p->begin(), storage);  // no growth up to the former capacity
    EXPECT_EQ(c.concrete().capacity, 100);
    // Destruction frees the last word's text (the leak checker of the sanitizer build sees the rest).
    const SyncMarker last = Word("bye", 500, 510);
    c.p->add_marker(&last);
    EXPECT_EQ(c.concrete().capacity, 200);
}

TEST(ResultsCollection, RescaleOnlyWithFlagTwo) {
    for (int flags : {0, 1}) {
        CollectionPtr c;
        ASSERT_EQ(CreateSyncResultsCollection(flags, &c.p), kErrNone);
        const SyncMarker records[] = {Phoneme("s", 0, 100, 80), Phoneme("AA", 100, 300, 50)};
        for (const SyncMarker& m : records) c.p->add_marker(&m);
        c.concrete().PostProcessMarkers();
        EXPECT_EQ(Values(c.p), (std::vector<float> {80, 50})) << flags;
    }
}

TEST(ResultsCollection, RescaleTable) {
    const struct {
        const char* what;
        SyncMarker record;
        float value;
    } cases[] = {
        {"consonant: 0.75 x 50 log10(v) + 0.25 trunc(v)", Phoneme("s", 0, 100, 80), 91},
        {"value below 1", Phoneme("s", 0, 100, 0.5f), 0},
        {"vowel from its duration and score", Phoneme("AA", 0, 300, 50), 127},
        {"short vowel ends at the floor", Phoneme("AA", 0, 10, 6), 65},
        {"vowel scoring 5 or less is a consonant", Phoneme("AA", 0, 300, 5), 27},
        {"lower-case r counts as a vowel", Phoneme("rX", 0, 120, 40), 78},
    };
    for (const auto& c : cases) {
        CollectionPtr coll;
        ASSERT_EQ(CreateSyncResultsCollection(kSyncFlagRescale, &coll.p), kErrNone);
        coll.p->add_marker(&c.record);
        coll.concrete().PostProcessMarkers();
        EXPECT_EQ(coll.p->begin()->value, c.value) << c.what;
    }
}

TEST(ResultsCollection, RescaleUsesTheLastPhonemeLabelForReplacementsAndSkipsOtherRecords) {
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(kSyncFlagRescale | kSyncFlagStateRuns, &c.p), kErrNone);
    SyncMarker word = Word("a", 0, 300);
    word.value = 50;
    const SyncMarker records[] = {Phoneme("AA", 0, 300, 50), Phoneme("", 0, 300, 50, kSyncPhonemeReplace)};
    for (const SyncMarker& m : records) c.p->add_marker(&m);
    c.p->add_marker(&word);
    c.concrete().PostProcessMarkers();
    EXPECT_EQ(Values(c.p), (std::vector<float> {127, 127, 50}));
}

TEST(ResultsCollection, VowelContinuingThePreviousPassIsLengthenedOnce) {
    CollectionPtr c;
    ASSERT_EQ(CreateSyncResultsCollection(kSyncFlagRescale, &c.p), kErrNone);
    const SyncMarker first = Phoneme("AA", 0, 100, 50);
    c.p->add_marker(&first);
    c.concrete().PostProcessMarkers();
    EXPECT_EQ(c.p->begin()->value, 73);  // 100 ms on its own
    EXPECT_EQ(c.concrete().carriedDuration, 100);
    EXPECT_STREQ(c.concrete().carriedLabel, "AA");

    c.p->clear();
    const SyncMarker second[] = {Phoneme("AA", 0, 100, 50), Phoneme("AA", 100, 200, 50)};
    for (const SyncMarker& m : second) c.p->add_marker(&m);
    c.concrete().PostProcessMarkers();
    // The first counts 100 ms carried over; the carry is used up by then.
    EXPECT_EQ(Values(c.p), (std::vector<float> {100, 73}));
    EXPECT_EQ(c.concrete().carriedDuration, 100);
}

TEST(ResultsCollection, VowelTestLooksAtTwoCharactersAsTheyStand) {
    const struct {
        const char* label;
        bool vowel;
    } cases[] = {{"AAX", true}, {"rX", true}, {"w", true}, {"y", true}, {"r", true},  {"OY", true},
                 {"ER", true},  {"aa", false}, {"EW", false}, {"IR", false}, {"", false}, {"A", false},
                 {"s", false},  {"W", false}};
    for (const auto& c : cases) EXPECT_EQ(IsRescaleVowel(c.label), c.vowel) << c.label;
}

TEST(ResultsCollection, ClearSyncMarkerKeepsTheReservedIntegers) {
    SyncMarker m = Phoneme("AA", 5, 9, 3);
    m.textOffset = 4;
    m.textLength = 2;
    m.reserved[0] = 11;
    m.reserved[1] = 12;
    ClearSyncMarker(&m);
    EXPECT_EQ(m.type, kSyncCleared);
    EXPECT_EQ(m.value, 0.0f);
    EXPECT_EQ(m.start, 0);
    EXPECT_EQ(m.end, 0);
    EXPECT_EQ(m.label[0], '\0');
    EXPECT_EQ(m.text, nullptr);
    EXPECT_EQ(m.textOffset, 0);
    EXPECT_EQ(m.textLength, 0);
    EXPECT_EQ(m.reserved[0], 11);
    EXPECT_EQ(m.reserved[1], 12);
}
