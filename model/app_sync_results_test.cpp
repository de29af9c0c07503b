// Result track: clear masks, merging, engine record import and export, articulation import.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <sstream>
#include <vector>

#include "engine/api/sync_marker.h"
#include "model/articulator.h"
#include "engine/util/mem_alloc.h"
#include "model/app_sync_results.h"

namespace {

template <class L>
std::string describe(const L& list) {
    std::ostringstream out;
    for (const auto& m : list) out << (out.tellp() > 0 ? " " : "") << m.label << "[" << m.start << "," << m.end << "]";
    return out.str();
}

// A track with one marker of every kind on either side of 150 ms.
app_sync_results sample_track() {
    app_sync_results t;
    t.phonemes.emplace_back(0, 150, "AA", 50.0f);
    t.phonemes.emplace_back(150, 300, "m", 60.0f);
    t.words.emplace_back(0, 150, "hello");
    t.words.emplace_back(150, 300, "you");
    t.punctuation.emplace_back(290, 300, ".");
    t.xml_events.emplace_back(100, 100, "<cut ms=\"100\"/>");
    t.gestures.push_back(FGesture(FGesture::kLight, 0, 500, 100.0f));
    ArticulationKey k{};
    k.start = 0;
    k.end = 120;
    t.articulation.emplace_back(k);
    k.start = 120;
    k.end = 240;
    t.articulation.emplace_back(k);
    t.envelope.emplace_back(210, 300, "m");
    return t;
}

std::string summary(const app_sync_results& t) {
    return "phn: " + describe(t.phonemes) + " | word: " + describe(t.words) + " | punct: " + describe(t.punctuation) +
           " | xml: " + std::to_string(t.xml_events.size()) + " | gest: " + std::to_string(t.gestures.size()) +
           " | art: " + describe(t.articulation) + " | env: " + describe(t.envelope);
}

TEST(SyncResultsClear, MaskChoosesTheLists) {
    const std::string full = summary(sample_track());
    struct {
        uint8_t mask;
        int s, e;
        const char* expected;
    } cases[] = {
        {0x04, 0, 0, "phn:  | word: hello[0,150] you[150,300] | punct: .[290,300] | xml: 1 | gest: 1 | art:  | env: "},
        {0x05, 100, 200,
         "phn: AA[0,100] m[200,300] | word: hello[0,150] you[150,300] | punct: .[290,300] | xml: 1 | gest: 1 | art:  | "
         "env: m[210,300]"},
        {0x3e, 100, 200, "phn:  | word:  | punct:  | xml: 0 | gest: 0 | art:  | env: "},
        {0x09, 140, 149, "phn: AA[0,150] m[150,300] | word: you[150,300] | punct: .[290,300] | xml: 1 | gest: 1 | "
                         "art: art[0,120] art[120,240] | env: m[210,300]"},
        {0x08, 0, 0, "phn: AA[0,150] m[150,300] | word:  | punct:  | xml: 1 | gest: 1 | art: art[0,120] art[120,240] | "
                     "env: m[210,300]"},
        {0x02, 0, 0, "phn: AA[0,150] m[150,300] | word: hello[0,150] you[150,300] | punct: .[290,300] | xml: 1 | "
                     "gest: 1 | art:  | env: "},
        {0x31, 50, 60, "phn: AA[0,150] m[150,300] | word: hello[0,150] you[150,300] | punct: .[290,300] | xml: 1 | "
                       "gest: 0 | art: art[0,120] art[120,240] | env: m[210,300]"},
        {0x00, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        app_sync_results t = sample_track();
        t.clear(c.mask, c.s, c.e);
        EXPECT_EQ(summary(t), c.expected ? c.expected : full) << "mask " << int(c.mask);
    }
}

TEST(SyncResultsClear, ClearAllKeepsArticulationAndEnvelope) {
    app_sync_results t = sample_track();
    t.clear_all();
    EXPECT_EQ(summary(t), "phn:  | word:  | punct:  | xml: 0 | gest: 0 | art: art[0,120] art[120,240] | env: m[210,300]");
}

TEST(SyncResultsMerge, KeepTextMarkersLeavesWordsAlone) {
    app_sync_results incoming;
    incoming.phonemes.emplace_back(100, 200, "b", 1.0f);
    incoming.words.emplace_back(100, 200, "new");
    ArticulationKey k{};
    k.start = 100;
    k.end = 200;
    incoming.articulation.emplace_back(k);

    app_sync_results kept = sample_track();
    kept.merge(incoming, true);
    EXPECT_EQ(describe(kept.phonemes), "AA[0,100] b[100,200] m[200,300]");
    EXPECT_EQ(describe(kept.words), "hello[0,150] you[150,300]");
    EXPECT_EQ(describe(kept.articulation), "art[0,100] art[100,200] art[200,240]");
    EXPECT_EQ(kept.envelope.size(), 1u);
    EXPECT_EQ(kept.gestures.size(), 1u);

    app_sync_results replaced = sample_track();
    replaced.merge(incoming, false);
    EXPECT_EQ(describe(replaced.words), "new[100,200]");
    EXPECT_EQ(describe(replaced.punctuation), ".[290,300]");
    EXPECT_EQ(replaced.xml_events.size(), 1u);  // no incoming XML events: nothing is cut
}

class collection_holder {
public:
    collection_holder() { EXPECT_EQ(CreateSyncResultsCollection(0, &c), 0); }
    ~collection_holder() { DestroySyncResultsCollection(c); }
    void add(int type, int start, int end, const char* label, float value, int offset = 0, int length = 0) {
        SyncMarker r{};
        r.type = type;
        r.start = start;
        r.end = end;
        r.value = value;
        std::strncpy(r.label, label, 3);
        r.textOffset = offset;
        r.textLength = length;
        // The collection owns and frees the text of every non-phoneme record.
        if (type != kSyncPhoneme && type >= 2 && type <= 4) r.text = MemStrDup("owned text");
        c->add_marker(&r);
    }
    ISyncResultsCollection* c = nullptr;
};

class clog_capture {
public:
    clog_capture() : old_(std::clog.rdbuf(out.rdbuf())) {}
    ~clog_capture() { std::clog.rdbuf(old_); }
    std::ostringstream out;

private:
    std::streambuf* old_;
};

TEST(SyncMarkerImport, SubPhonemeRecordsReplaceThePhonemeBeforeThem) {
    collection_holder records;
    records.add(kSyncPhoneme, 0, 100, "AA", 10.0f);
    records.add(kSyncPhonemeReplace, 0, 40, "", 20.0f);
    records.add(kSyncPhonemeReplace, 40, 100, "", 30.0f);
    records.add(kSyncPhoneme, 100, 150, "m", 40.0f);
    records.add(kSyncCleared, 150, 160, "", 0.0f);
    records.add(kSyncPhonemeReplace, 160, 170, "", 50.0f);  // a cleared record in between changes nothing

    app_sync_results t;
    t.import_sync_markers(records.c, "", false);
    EXPECT_EQ(describe(t.phonemes), "AA[0,40] AA[40,100] m[160,170]");
    ASSERT_EQ(t.phonemes.size(), 3u);
    EXPECT_FLOAT_EQ(t.phonemes[0].value, 20.0f);
    EXPECT_FLOAT_EQ(t.phonemes[1].value, 30.0f);
    EXPECT_FLOAT_EQ(t.phonemes[2].value, 50.0f);

    // A sub-phoneme record with no phoneme record before it gets an empty label.
    collection_holder orphan;
    orphan.add(kSyncPhonemeReplace, 0, 10, "", 1.0f);
    app_sync_results o;
    o.import_sync_markers(orphan.c, "", false);
    EXPECT_EQ(describe(o.phonemes), "[0,10]");
}

TEST(SyncMarkerImport, TextRecordsSliceTheTextAndBadOnesGetAnEmptyLabel) {
    const std::string text = "Hello there. <b>";
    collection_holder records;
    records.add(kSyncWord, 0, 100, "", 0.0f, 0, 5);
    records.add(kSyncSentence, 100, 110, "", 0.0f, 11, 1);
    records.add(kSyncWord, 110, 200, "", 0.0f, 6, 11);   // one past the end of the text
    records.add(kSyncXml, 200, 200, "", 0.0f, 13, 3);
    records.add(kSyncSentence, 210, 220, "", 0.0f, -1, 1);
    records.add(kSyncXml, 230, 240, "", 0.0f, 17, 0);    // offset past the end
    records.add(kSyncWord, 250, 260, "", 0.0f, 16, -1);  // negative length

    clog_capture log;
    app_sync_results t;
    t.import_sync_markers(records.c, text, true);
    EXPECT_EQ(describe(t.words), "Hello[0,100] [110,200] [250,260]");
    EXPECT_EQ(describe(t.punctuation), ".[100,110] [210,220]");
    EXPECT_EQ(describe(t.xml_events), "<b>[200,200] [230,240]");
    EXPECT_EQ(log.out.str(), "Bad Word Marker\nBad Sentence Marker\nXML Word Marker\nBad Word Marker\n");

    app_sync_results textless;
    textless.import_sync_markers(records.c, text, false);
    EXPECT_TRUE(textless.words.empty());
    EXPECT_TRUE(textless.punctuation.empty());
    EXPECT_TRUE(textless.xml_events.empty());
}

TEST(SyncMarkerExport, PhonemesOverlappingTheRangeBecomeRecords) {
    phn_marker_list phonemes;
    phonemes.emplace_back(0, 100, "AA", 42.5f);
    phonemes.emplace_back(100, 200, "m", 10.0f);
    phonemes.emplace_back(300, 400, "s", 5.0f);

    collection_holder empty_sink;
    phn_marker_list().export_markers(empty_sink.c, -1, -1);
    EXPECT_EQ(empty_sink.c->GetCount(), 0);

    collection_holder sink;
    phonemes.export_markers(sink.c, 200, 250);  // touches m only
    ASSERT_EQ(sink.c->GetCount(), 1);
    EXPECT_STREQ(sink.c->begin()->label, "m");

    collection_holder all;
    phonemes.export_markers(all.c, -1, -1);
    ASSERT_EQ(all.c->GetCount(), 3);
    const SyncMarker& r = *all.c->begin();
    EXPECT_EQ(r.type, kSyncPhoneme);
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.end, 100);
    EXPECT_FLOAT_EQ(r.value, 42.5f);
    EXPECT_EQ(r.text, nullptr);
    float reserved_value;
    std::memcpy(&reserved_value, &r.reserved[0], sizeof reserved_value);
    EXPECT_FLOAT_EQ(reserved_value, 42.5f);
    EXPECT_EQ(r.reserved[1], 0);

    // Round trip through the records.
    app_sync_results back;
    back.import_sync_markers(all.c, "", false);
    EXPECT_EQ(describe(back.phonemes), describe(phonemes));

    int lo, hi;
    get_collection_extent(all.c, &lo, &hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 400);
    get_collection_extent(empty_sink.c, &lo, &hi);
    EXPECT_EQ(lo, 2147483647);
    EXPECT_EQ(hi, -1);
}

// Export appends in-order phonemes instead of inserting them one by one; the order must be the
// sorted insert's, also when the phonemes are out of order or the collection was not empty.
TEST(SyncMarkerExport, RecordsComeInTheSortedInsertsOrder) {
    const struct {
        std::vector<int> starts;
        std::vector<int> already;  // records in the collection before the export
    } cases[] = {
        {{0, 100, 100, 200}, {}},
        {{0, 300, 100, 200, 50}, {}},
        {{100, 200}, {150}},
    };
    for (const auto& c : cases) {
        phn_marker_list phonemes;
        collection_holder expected, got;
        for (int a : c.already) {
            expected.add(kSyncPhoneme, a, a + 10, "q", 0.0f);
            got.add(kSyncPhoneme, a, a + 10, "q", 0.0f);
        }
        for (size_t i = 0; i < c.starts.size(); ++i) {
            const std::string label(1, static_cast<char>('a' + i));
            phonemes.emplace_back(c.starts[i], c.starts[i] + 50, label.c_str(), 1.0f);
            expected.add(kSyncPhoneme, c.starts[i], c.starts[i] + 50, label.c_str(), 1.0f);
        }
        phonemes.export_markers(got.c, 0, 1000);
        ASSERT_EQ(got.c->GetCount(), expected.c->GetCount());
        for (int i = 0; i < got.c->GetCount(); ++i) {
            EXPECT_STREQ(got.c->begin()[i].label, expected.c->begin()[i].label) << i;
            EXPECT_EQ(got.c->begin()[i].start, expected.c->begin()[i].start) << i;
        }
    }
}

TEST(SyncResultsFit, MarkersOutsideTheLengthAreCutOrLeftOut) {
    app_sync_results t;
    t.phonemes.emplace_back(0, 100, "AA", 50.0f);
    t.phonemes.emplace_back(100, 2147483647, "m", 50.0f);  // cut, with its energies
    t.phonemes.back().add_energy(10.0f, 100, 300);
    t.phonemes.back().add_energy(20.0f, 300, 2147483647);
    t.phonemes.emplace_back(1000, 1200, "s", 50.0f);        // starts after the end: out
    t.phonemes.emplace_back(500, 500, "x", 50.0f);          // no length, at the end: stays
    t.words.emplace_back(-300, 200, "early");               // cut at 0
    t.words.emplace_back(-300, -100, "gone");               // before 0: out
    t.punctuation.emplace_back(500, 700, ".");              // would be left with no length: out
    ArticulationKey k{};
    k.start = 400;
    k.end = 900;
    t.articulation.emplace_back(k);
    t.envelope.emplace_back(450, 2000, "m");
    const fit_counts counts = fit_to_length(t, 500);
    EXPECT_EQ(counts.cut, 4);
    EXPECT_EQ(counts.dropped, 3);
    EXPECT_EQ(summary(t),
              "phn: AA[0,100] m[100,500] x[500,500] | word: early[0,200] | punct:  | xml: 0 | gest: 0 | "
              "art: art[400,500] | env: m[450,500]");
    EXPECT_EQ(t.articulation[0].key.end, 500);
    const phn_marker& m = t.phonemes[1];
    ASSERT_FALSE(m.energy.empty());
    EXPECT_EQ(m.energy.front().start, 100);
    EXPECT_EQ(m.energy.back().end, 500);
    // With slack, what ends within it stays as saved files have it; what reaches further is
    // fitted to the length itself.
    app_sync_results tail;
    tail.phonemes.emplace_back(450, 580, "AA", 50.0f);
    tail.phonemes.emplace_back(450, 700, "m", 50.0f);
    k.start = 520;
    k.end = 560;
    tail.articulation.emplace_back(k);
    k.start = 550;
    k.end = 700;
    tail.articulation.emplace_back(k);
    const fit_counts slack = fit_to_length(tail, 500, 100);
    EXPECT_EQ(slack.cut, 1);
    EXPECT_EQ(slack.dropped, 1);
    EXPECT_EQ(describe(tail.phonemes), "AA[450,580] m[450,500]");
    EXPECT_EQ(describe(tail.articulation), "art[520,560]");
    // A track inside the length is left as it is.
    app_sync_results inside = sample_track();
    const std::string before = summary(inside);
    const fit_counts none = fit_to_length(inside, 500);
    EXPECT_EQ(none.cut + none.dropped, 0);
    EXPECT_EQ(summary(inside), before);
}

TEST(SyncMarkerExport, CollectionExtentSpansAllRecords) {
    collection_holder records;
    records.add(kSyncPhoneme, 100, 200, "a", 0.0f);
    records.add(kSyncPhoneme, 50, 150, "b", 0.0f);
    int lo, hi;
    get_collection_extent(records.c, &lo, &hi);
    EXPECT_EQ(lo, 50);
    EXPECT_EQ(hi, 200);
}

// Only the key range is used by the track.
class key_source : public IArticulator {
public:
    std::vector<ArticulationKey> keys;
    int LoadArticulatorRules(const char*, int) override { return 0; }
    int SetFrameRate(float) override { return 0; }
    void SetSlopeLimit(float) override {}
    int SetLevel(int) override { return 0; }
    int GenerateArticulations2(ISyncResultsCollection*, int, int, int) override { return 0; }
    int GenerateArticulations(ISyncResultsCollection*, int) override { return 0; }
    ArticulationKey* KeysBegin() override { return keys.empty() ? nullptr : keys.data(); }
    ArticulationKey* KeysEnd() override { return keys.empty() ? nullptr : keys.data() + keys.size(); }
    void AppendKey(const ArticulationKey&, bool) override {}
    void Destroy() override {}
    int SetFlags(uint32_t) override { return 0; }
    void BuildEnvelopes() override {}
    EnvelopeRecord* EnvelopesBegin() override { return nullptr; }
    EnvelopeRecord* EnvelopesEnd() override { return nullptr; }
    ArticulationKey* Quanitze(int, int, int) override { return nullptr; }
    void add(int start, int end) {
        ArticulationKey k{};
        k.count = 1;
        std::strcpy(k.pairs[0].code, "AA");
        k.pairs[0].weight = 1.0f;
        k.start = start;
        k.end = end;
        keys.push_back(k);
    }
};

TEST(ArticulationImport, MergeCutsTheKeysExtentOrReplaceTakesAll) {
    key_source source;
    source.add(100, 150);
    source.add(150, 200);

    app_sync_results merged = sample_track();  // keys [0,120] and [120,240]
    merged.import_articulation(&source, true);
    EXPECT_EQ(describe(merged.articulation), "art[0,100] art[100,150] art[150,200] art[200,240]");
    EXPECT_STREQ(merged.articulation[1].key.pairs[0].code, "AA");

    app_sync_results replaced = sample_track();
    replaced.import_articulation(&source, false);
    EXPECT_EQ(describe(replaced.articulation), "art[100,150] art[150,200]");

    key_source none;
    app_sync_results untouched = sample_track();
    untouched.import_articulation(&none, true);
    EXPECT_EQ(untouched.articulation.size(), 2u);
    untouched.import_articulation(&none, false);
    EXPECT_TRUE(untouched.articulation.empty());
}

}  // namespace
