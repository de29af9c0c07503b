// Tests of the feature chunk: round trip, old and newer versions, bounded band counts, and the
// standard layouts.
#include "engine/analysis/feature_config.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

std::vector<uint8_t> Written(const CFeatureConfig& config) {
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_TRUE(config.Write(f));
    std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

bool ReadBytes(CFeatureConfig& config, const std::vector<uint8_t>& bytes, unsigned* left = nullptr) {
    const unsigned char* cursor = bytes.data();
    unsigned remaining = static_cast<unsigned>(bytes.size());
    const bool ok = config.Read(&cursor, &remaining);
    if (left) *left = remaining;
    return ok;
}

}  // namespace

TEST(FeatureConfig, ChunkRoundTrip) {
    CFeatureConfig config;
    ASSERT_TRUE(MakeStandardFeatureConfig(38, &config));
    config.bands.data[3].extra = 7.5f;  // kept and written back although never read
    const std::vector<uint8_t> bytes = Written(config);
    ASSERT_EQ(bytes.size(), 34u + 16u * 23u + 4u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6),
              (std::vector<uint8_t>{'t', 'a', 'e', 'f', 1, 0}));

    CFeatureConfig back;
    unsigned left = 99;
    ASSERT_TRUE(ReadBytes(back, bytes, &left));
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(Written(back), bytes);
    EXPECT_EQ(back.numBands, 23);
    EXPECT_EQ(back.bands.data[3].extra, 7.5f);
    EXPECT_EQ(back.flags, 4);

    // The copy keeps everything, bands included.
    CFeatureConfig copy = back;
    EXPECT_EQ(Written(copy), bytes);
}

TEST(FeatureConfig, OldNewerAndDamagedChunks) {
    CFeatureConfig config;
    ASSERT_TRUE(MakeStandardFeatureConfig(15, &config));
    config.flags = 4;
    const std::vector<uint8_t> v1 = Written(config);

    // Version 0 without the tag: starts with the sample rate and has no flags.
    std::vector<uint8_t> v0(v1.begin() + 6, v1.end() - 4);
    CFeatureConfig old;
    old.flags = 0;
    unsigned left = 1;
    ASSERT_TRUE(ReadBytes(old, v0, &left));
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(old.numFeatures, 15);
    EXPECT_EQ(old.num_cep, 8);
    EXPECT_EQ(old.flags, 0);
    EXPECT_EQ(old.bands.count, 24);

    // A tagged chunk of version 0 has no flags either.
    std::vector<uint8_t> tagged0(v1.begin(), v1.end() - 4);
    tagged0[4] = 0;
    CFeatureConfig t0;
    ASSERT_TRUE(ReadBytes(t0, tagged0, &left));
    EXPECT_EQ(left, 0u);

    std::vector<uint8_t> v2 = v1;
    v2[4] = 2;
    CFeatureConfig newer;
    EXPECT_FALSE(ReadBytes(newer, v2));

    // A band count that the bytes cannot hold is refused before anything is reserved.
    for (int32_t count : {-1, 25, 0x7FFFFFFF}) {
        std::vector<uint8_t> bad = v1;
        for (int i = 0; i < 4; ++i) bad[26 + i] = static_cast<uint8_t>(static_cast<uint32_t>(count) >> (8 * i));
        CFeatureConfig c;
        EXPECT_FALSE(ReadBytes(c, bad)) << count;
    }
    for (size_t cut = 0; cut < v1.size(); ++cut) {
        CFeatureConfig c;
        EXPECT_FALSE(ReadBytes(c, std::vector<uint8_t>(v1.begin(), v1.begin() + cut))) << cut;
    }
}

TEST(FeatureConfig, StandardLayouts) {
    CFeatureConfig large;
    ASSERT_TRUE(MakeStandardFeatureConfig(38, &large));
    ASSERT_EQ(large.bands.count, 23);
    const FeatureBand& first = large.bands.data[0];
    const FeatureBand& last = large.bands.data[22];
    EXPECT_EQ((std::vector<float>{first.low, first.centre, first.high}),
              (std::vector<float>{69, 150, 240}));
    EXPECT_EQ((std::vector<float>{last.low, last.centre, last.high}),
              (std::vector<float>{6287, 7024, 7839}));
    EXPECT_EQ(large.num_cep, 12);
    EXPECT_EQ(large.flags, 4);
    EXPECT_FLOAT_EQ(large.preemphasis, 0.2f);
    EXPECT_NEAR(large.FramePeriodMs(), 10.0, 1e-6);

    CFeatureConfig fast;
    ASSERT_TRUE(MakeStandardFeatureConfig(15, &fast));
    ASSERT_EQ(fast.bands.count, 24);
    EXPECT_EQ(fast.bands.data[0].low, 70.0f);
    EXPECT_EQ(fast.bands.data[0].centre, 100.0f);
    EXPECT_EQ(fast.bands.data[23].high, 8000.0f);
    // Exactly the seven low edges 500, 1000, 1750, 2000, 3500, 4000 and 5250 Hz lie on 31.25 Hz
    // bins, so those bands exercise the falling weight on the low edge.
    std::vector<float> onBins;
    for (int i = 0; i < 24; ++i) {
        const float low = fast.bands.data[i].low;
        if (std::fmod(low, 31.25f) == 0.0f) onBins.push_back(low);
    }
    EXPECT_EQ(onBins, (std::vector<float>{500, 1000, 1750, 2000, 3500, 4000, 5250}));
    EXPECT_FALSE(MakeStandardFeatureConfig(20, &fast));

    std::ostringstream dump;
    large.Dump(dump);
    EXPECT_EQ(dump.str().substr(0, 5), "feat\n");
    EXPECT_NE(dump.str().find("numFreatures: 38\n"), std::string::npos);
    EXPECT_NE(dump.str().find("\t69 150 240\n"), std::string::npos);
}
