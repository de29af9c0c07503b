// The output log's writing rules: no added line break, prefixes, the length cut, the bar shown
// when written to, and the other shell services (file filters, version text).
#include "app/core/output_log.h"

#include <gtest/gtest.h>

#include <string>

#include "app/core/file_version.h"
#include "app/core/prompts.h"

namespace {

class FakeLog : public COutputLog {
public:
    bool IsVisible() const override { return visible; }
    void ShowBar() override {
        visible = true;
        ++shows;
    }
    bool AppendToLog(const std::string& text) override {
        if (!exists) return false;
        log += text;
        return true;
    }
    bool visible = false;
    bool exists = true;
    int shows = 0;
    std::string log;
};

TEST(OutputLog, AppendsAsGivenWithPrefixesAndShowsTheBar) {
    FakeLog log;
    EXPECT_TRUE(log.Log("line %d", 1));
    EXPECT_EQ(log.shows, 1);
    EXPECT_TRUE(log.Warning("%s\n", "disk"));
    EXPECT_TRUE(log.Error("code %d\n", 12));
    EXPECT_TRUE(log.Log("50%% done"));
    EXPECT_EQ(log.log, "line 1Warning: disk\nError: code 12\n50% done");
    EXPECT_EQ(log.shows, 1);

    log.visible = false;
    log.exists = false;  // no log window: nothing shown in it, the call says so
    EXPECT_FALSE(log.Warning("lost"));
    EXPECT_EQ(log.shows, 2);
}

TEST(OutputLog, LongTextsAreCut) {
    FakeLog log;
    const std::string longText(5000, 'x');
    log.Log("%s", longText.c_str());
    EXPECT_EQ(log.log.size(), static_cast<size_t>(kOutputLogMaxText));
    log.log.clear();
    log.Warning("%s", longText.c_str());
    EXPECT_EQ(log.log, "Warning: " + std::string(kOutputLogMaxText, 'x'));
}

TEST(FileFilter, SplitsNamePatternPairs) {
    const auto pairs = SplitFileFilter(
        "Audio Files (*.wav; *.mp3; *.ogg)|*.wav; *.ogg; *.mp3; *.zuvo|All Files (*.*)|*.*||");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "Audio Files (*.wav; *.mp3; *.ogg)");
    EXPECT_EQ(pairs[0].second, "*.wav; *.ogg; *.mp3; *.zuvo");
    EXPECT_EQ(pairs[1].second, "*.*");
    EXPECT_EQ(SplitFileFilter("Lone|").size(), 1u);
    EXPECT_TRUE(SplitFileFilter("Unpaired").empty());
}

TEST(FileVersion, FourPartsAsTheAboutBoxShowsThem) {
    EXPECT_EQ(FormatFileVersion(1, 2, 3, 4), "1.234");
    EXPECT_EQ(FormatFileVersion(0, 1, 0, 0), "0.100");
    EXPECT_EQ(FormatFileVersion(2, 10, 0, 1), "2.1001");
}

}  // namespace
