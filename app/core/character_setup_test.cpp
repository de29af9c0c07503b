// The character setup checks and the character text they lead to.
#include "app/core/character_setup.h"

#include <gtest/gtest.h>

#include <set>

#include "model/phoneme_codes.h"

namespace {

// Rows that assign all 40 codes: one code per row would need 40 rows, so groups share rows.
std::vector<CharacterSetupRow> CompleteRows() {
    const char* groups[kCharacterSetupRows] = {"x m p b", "v f",    "ZH CH j SH", "s z",  "DH TH t", "NG g k h",
                                               "r ER",    "w UH UW", "AW IY y",    "IH AE", "AY EY EH", "n d l",
                                               "AA AH AO OW OY"};
    std::vector<CharacterSetupRow> rows;
    for (int r = 0; r < kCharacterSetupRows; ++r) rows.push_back({groups[r], "/m/v" + std::to_string(r) + ".x"});
    return rows;
}

bool AllExist(const std::string&) { return true; }

}  // namespace

TEST(CharacterSetup, AllEmptyReportsEveryCodeMissingUpperCaseFirst) {
    const CharacterSetupCheck c = ValidateCharacterSetup(std::vector<CharacterSetupRow>(kCharacterSetupRows));
    EXPECT_FALSE(c.ok);
    ASSERT_EQ(c.messages.size(), 1u);
    ASSERT_TRUE(c.statusText);
    const std::string list = c.statusText->substr(std::string("Missing Phonemes:\n").size());
    EXPECT_EQ(c.statusText->rfind("Missing Phonemes:\n", 0), 0u);
    // 40 codes, each followed by one blank, in byte order.
    std::vector<std::string> codes;
    std::size_t at = 0;
    for (std::size_t blank; (blank = list.find(' ', at)) != std::string::npos; at = blank + 1)
        codes.push_back(list.substr(at, blank - at));
    EXPECT_EQ(at, list.size());
    ASSERT_EQ(codes.size(), 40u);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(codes.front(), "AA");
    EXPECT_EQ(codes[20], "ZH");  // the last of the 21 upper-case codes
    EXPECT_EQ(codes[21], "b");
    EXPECT_EQ(std::set<std::string>(codes.begin(), codes.end()).size(), 40u);
    EXPECT_EQ(c.messages[0],
              "Missing Phonemes. In order to complete the phoneme to viseme mapping please add the following "
              "phonemes\n\n" + list + "\n\nFor convenience, these will also be shown in the dialog ui.");
}

TEST(CharacterSetup, StopsAtTheFirstBadRowAndNumbersOnlyUsedRows) {
    struct Case {
        const char* what;
        std::vector<CharacterSetupRow> rows;
        std::string message;
        int focusRow;
        bool focusMedia;
    };
    const Case cases[] = {
        {"empty media file, first used row", {{"", ""}, {"AA", ""}}, "Please specify the a media file for Viseme 1.", 1,
         true},
        {"rows 1 and 3 used: row 3 is Viseme 2",
         {{"AA", "/here.x"}, {"", ""}, {"IY", ""}},
         "Please specify the a media file for Viseme 2.",
         2,
         true},
        {"missing file",
         {{"AA", "/here.x"}, {"IY", "/gone.x"}},
         "the specified media file for Viseme 2 cannot be found:\n\nfile: /gone.x",
         1,
         true},
        {"invalid code before a missing file",
         {{"AA Q", ""}, {"IY", "/gone.x"}},
         "Sorry, the phoneme list 'AA Q' has invalid labels.Please specify the phonemes from the list of zuvo 40 "
         "phonemes.",
         0,
         false},
    };
    for (const Case& k : cases) {
        const CharacterSetupCheck c =
            ValidateCharacterSetup(k.rows, [](const std::string& path) { return path == "/here.x"; });
        EXPECT_FALSE(c.ok) << k.what;
        ASSERT_EQ(c.messages.size(), 1u) << k.what;
        EXPECT_EQ(c.messages[0], k.message) << k.what;
        EXPECT_EQ(c.focusRow, k.focusRow) << k.what;
        EXPECT_EQ(c.focusMedia, k.focusMedia) << k.what;
        // The invalid list keeps the message text and selects from its bad label.
        EXPECT_EQ(c.statusText.has_value(), k.focusMedia) << k.what;
        EXPECT_EQ(c.invalidFrom, k.focusMedia ? -1 : 3) << k.what;
    }
}

TEST(CharacterSetup, CodesInTwoVisemesAreReportedBothWaysAndStillPass) {
    std::vector<CharacterSetupRow> rows = CompleteRows();
    EXPECT_TRUE(ValidateCharacterSetup(rows, AllExist).ok);
    EXPECT_TRUE(ValidateCharacterSetup(rows, AllExist).messages.empty());

    rows[3].phonemes += ",AA";  // row 4 (Viseme 4) shares AA with Viseme 13
    const CharacterSetupCheck c = ValidateCharacterSetup(rows, AllExist);
    EXPECT_TRUE(c.ok);
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_EQ(c.messages[0],
              "The Phoneme AA is specified in both Viseme 4 and Viseme 13. Please remove from one of them");
    EXPECT_EQ(c.messages[1],
              "The Phoneme AA is specified in both Viseme 13 and Viseme 4. Please remove from one of them");
    EXPECT_EQ(c.statusText, c.messages[1]);
}

TEST(CharacterSetup, CharacterTextNamesEachRowsFileRelativeToTheCharacter) {
    std::vector<CharacterSetupRow> rows(kCharacterSetupRows);
    rows[0] = {"x,m", "/data/heads/rest.x"};
    rows[2] = {"AAIY", "/data/models/open.obj"};
    const std::optional<std::string> text = BuildCharacterText(rows, "/data/heads/");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "# Phoneme to viseme mapping\nsingle_model\nx 1 rest.x 1\nm 1 rest.x 1\n"
                     "AA 1 ../models/open.obj 1\nIY 1 ../models/open.obj 1\n");

    rows[2].mediaFile = "/data/my models/open.obj";
    std::string error;
    EXPECT_FALSE(BuildCharacterText(rows, "/data/heads/", &error));
    EXPECT_NE(error.find("white space"), std::string::npos);
}
