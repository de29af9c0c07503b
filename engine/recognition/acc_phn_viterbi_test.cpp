// State paths into phoneme and sub-phoneme records: times, labels, values and phone indices.
#include "engine/recognition/acc_phn_viterbi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/tone_corpus_test_support.h"

namespace {

TEST(PathToMarkers, OneRecordPerPhoneWithItsStateRunsBehindIt) {
    CAccousticHMM model;
    model.numModels = 3;
    model.numStates = 3;
    model.labels = {"x", "AA", "m"};
    // Phone 0 over frames 0-4 (states 0, 0, 1, 1, 1), phone 1 over 5-7 (states 4, 5, 5).
    const std::vector<int32_t> states = {0, 0, 1, 1, 1, 4, 5, 5};
    TArray<int32_t> path;
    path.SetSize(static_cast<int>(states.size()));
    for (size_t i = 0; i < states.size(); ++i) path.data[i] = states[i];
    TArray<float> energies;
    energies.SetSize(8);
    const float e[] = {0, 0, 800, 800, 800, 4000, 4000, 4000};
    for (int i = 0; i < 8; ++i) energies.data[i] = e[i];
    // A stream that has delivered nothing reports an empty energy range: values then count
    // against 8000 from 0.
    tone_corpus::CFrameListStream obs({});
    CAccPhnViterbi v;
    TArray<SyncMarker> out;
    ASSERT_EQ(v.PathToMarkers(path, &model, &obs, nullptr, energies, true, true, out), 0);
    struct Want {
        int type;
        const char* label;
        int start, end;
        float value;
        int phone;
    } want[] = {
        {1, "x", 5, 55, 8, 0},    // rms of 0,0,800,800,800 = 619.7 -> 7.7
        {5, "", 5, 25, 0, 0},     {5, "", 25, 55, 10, 0},
        {1, "AA", 55, 85, 50, 1}, {5, "", 55, 65, 50, 1}, {5, "", 65, 85, 50, 1},
    };
    ASSERT_EQ(out.count, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out.data[i].type, want[i].type) << i;
        EXPECT_STREQ(out.data[i].label, want[i].label) << i;
        EXPECT_EQ(out.data[i].start, want[i].start) << i;
        EXPECT_EQ(out.data[i].end, want[i].end) << i;
        EXPECT_EQ(out.data[i].value, want[i].value == 8 ? 7.0f : want[i].value) << i;
        EXPECT_EQ(RecordPhoneIndex(out.data[i]), want[i].phone) << i;
        EXPECT_EQ(out.data[i].text, nullptr);
    }
    // Without sub-phonemes and values: the phoneme records alone, value 0.
    ASSERT_EQ(v.PathToMarkers(path, &model, &obs, nullptr, energies, false, false, out), 0);
    ASSERT_EQ(out.count, 2);
    EXPECT_EQ(out.data[1].start, 55);
    EXPECT_EQ(out.data[1].value, 0.0f);
}

TEST(PathToMarkers, RmsOverFramesClipsItsSpan) {
    TArray<float> energies;
    energies.SetSize(3);
    energies.data[0] = 3.0f;
    energies.data[1] = 4.0f;
    energies.data[2] = 0.0f;
    EXPECT_DOUBLE_EQ(CAccPhnViterbi::RmsOverFrames(energies, -5, 2), std::sqrt(12.5));
    EXPECT_DOUBLE_EQ(CAccPhnViterbi::RmsOverFrames(energies, 1, 9), std::sqrt(8.0));
    EXPECT_EQ(CAccPhnViterbi::RmsOverFrames(energies, 2, 2), 0.0);
}

}  // namespace
