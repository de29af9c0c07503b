// Tests of feeding the articulator from results collections and result tracks, and of its trace.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/api/sync_marker.h"
#include "engine/articulation/articulation_test_support.h"
#include "engine/articulation/phoneme_mixture_articulator.h"
#include "model/app_sync_results.h"

namespace {

SyncMarker Record(int type, const char* label, int start, int end, float value) {
    SyncMarker m{};
    m.type = type;
    std::strncpy(m.label, label, sizeof m.label - 1);
    m.start = start;
    m.end = end;
    m.value = value;
    return m;
}

std::vector<std::map<std::string, float>> PairsOfKeys(CPhonemeMixtureArticulator& articulator) {
    std::vector<std::map<std::string, float>> out;
    for (ArticulationKey* k = articulator.KeysBegin(); k != articulator.KeysEnd(); ++k) out.push_back(PairsOf(*k));
    return out;
}

class ArticulatorInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateSyncResultsCollection(0, &collection_), kErrNone);
        // m, then AA whose record is replaced by a type-5 record (the track keeps one AA with
        // the replacement's times and value), then words that the articulator ignores.
        const SyncMarker records[] = {
            Record(kSyncPhoneme, "m", 0, 120, 90),          Record(kSyncPhoneme, "AA", 120, 300, 50),
            Record(kSyncPhonemeReplace, "", 120, 400, 80),  Record(kSyncWord, "", 0, 400, 0),
            Record(kSyncPhoneme, "p", 400, 460, 70),        Record(kSyncPhoneme, "x", 460, 900, 100),
        };
        for (const SyncMarker& r : records) collection_->add_marker(&r);
        track_ = MakeTrack({{"m", 0, 120, 90}, {"AA", 120, 400, 80}, {"p", 400, 460, 70}, {"x", 460, 900, 100}});
    }
    void TearDown() override { DestroySyncResultsCollection(collection_); }

    ISyncResultsCollection* collection_ = nullptr;
    std::vector<phn_marker> track_;
};

TEST_F(ArticulatorInput, CollectionAndTrackGiveTheKeysOfTheirPhonemes) {
    for (uint32_t flags : {0u, kArticulatorSmoothing}) {
        SCOPED_TRACE(flags);
        CPhonemeMixtureArticulator expected;
        expected.SetFlags(flags);
        ASSERT_EQ(expected.GenerateFromPhonemes(track_, -1, -1), kErrNone);
        ASSERT_FALSE(expected.Keys().empty());

        CPhonemeMixtureArticulator fromCollection;
        fromCollection.SetFlags(flags);
        ASSERT_EQ(fromCollection.GenerateArticulations(collection_, 0), kErrNone);
        EXPECT_EQ(PairsOfKeys(fromCollection), PairsOfKeys(expected));

        app_sync_results track;
        track.phonemes.assign(track_.begin(), track_.end());
        CPhonemeMixtureArticulator fromTrack;
        fromTrack.SetFlags(flags);
        ASSERT_EQ(fromTrack.GenerateArticulationFromSyncResults(track, 0, -1, -1), kErrNone);
        EXPECT_EQ(PairsOfKeys(fromTrack), PairsOfKeys(expected));
    }

    CPhonemeMixtureArticulator ranged;
    CPhonemeMixtureArticulator expected;
    ASSERT_EQ(ranged.GenerateArticulations2(collection_, 0, 300, 500), kErrNone);
    ASSERT_EQ(expected.GenerateFromPhonemes(track_, 300, 500), kErrNone);
    EXPECT_EQ(PairsOfKeys(ranged), PairsOfKeys(expected));
    EXPECT_EQ(ranged.KeysBegin()->start, expected.Keys().front().start);

    EXPECT_EQ(ranged.GenerateArticulations(nullptr, 0), kErrInvalidArgument);
    EXPECT_EQ(ranged.GenerateArticulations2(nullptr, 0, -1, -1), kErrInvalidArgument);
}

TEST_F(ArticulatorInput, GenerationIsTracedInTheLog) {
    char dir[] = "/tmp/murmurex_articulationXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/log.txt";
    SdkLogOpen(path.c_str());
    CPhonemeMixtureArticulator articulator;
    ASSERT_EQ(articulator.GenerateArticulations(collection_, 0), kErrNone);
    SdkLogClose();
    std::ifstream in(path);
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    std::remove(path.c_str());
    ::rmdir(dir);

    // The built-in rules are loaded inside the generation, which runs inside the collection call.
    const char* order[] = {
        "Enter: CPhonemeMixtureArticulator::GenerateArticulations\n",
        "Enter: CPhonemeMixtureArticulator::GenerateArticulationFromSyncResults\n",
        "Enter: CPhonemeMixtureArticulator::LoadArticulatorRules\n",
        "Leave: CPhonemeMixtureArticulator::LoadArticulatorRules\n",
        "Leave: CPhonemeMixtureArticulator::GenerateArticulationFromSyncResults\n",
        "Leave: CPhonemeMixtureArticulator::GenerateArticulations\n",
    };
    size_t at = 0;
    for (const char* line : order) {
        const size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "in:\n" << log;
        at = found + 1;
    }
}

}  // namespace
