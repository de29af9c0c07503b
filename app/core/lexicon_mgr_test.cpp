// Languages from a dicts folder: lexicon files listed by header, bad ones skipped, selection by
// id and name posting through the queue, transcribers made for the current language.
#include "app/core/lexicon_mgr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "engine/util/error_codes.h"
#include "model/pub_queue.h"

namespace {

std::string LexiconHeader(const std::string& name, int version = kLexiconVersion) {
    std::string b;
    auto i32 = [&](uint32_t v) { for (int k = 0; k < 4; ++k) b.push_back(static_cast<char>(v >> (8 * k))); };
    i32(static_cast<uint32_t>(kLexiconMagic));
    b.push_back(static_cast<char>(version));
    b.push_back(0);
    b += name;
    b.push_back(0);
    i32(7);  // id
    i32(0);  // flags
    return b;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

class Counter : public subscriber {
public:
    void notify(publisher*, pub_message* m) override {
        types.push_back(static_cast<int>(m->type));
        m->release();
    }
    std::vector<int> types;
};

class LexiconMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::path(::testing::TempDir()) /
              ("lexicon_mgr_dicts_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        pub_queue::destroy_instance();
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
};

TEST_F(LexiconMgrTest, ListsBuiltInThenReadableLexiconFilesByName) {
    WriteFile(dir / "b_german.zlex", LexiconHeader("Deutsch"));
    WriteFile(dir / "a_french.ZLEX", LexiconHeader("Francais"));
    WriteFile(dir / "bad_magic.zlex", "XXXX" + LexiconHeader("Bad").substr(4));
    WriteFile(dir / "newer.zlex", LexiconHeader("Newer", 2));
    WriteFile(dir / "short.zlex", LexiconHeader("Cut").substr(0, 9));
    WriteFile(dir / "empty.zlex", "");
    WriteFile(dir / "other.txt", LexiconHeader("Not a lexicon name"));
    std::filesystem::create_directories(dir / "folder.zlex");

    lexicon_mgr mgr;
    mgr.Load(dir.string(), "LEXICON");
    const auto& records = mgr.GetRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[0].info.name, "English - Default");
    EXPECT_EQ(records[0].kind, kLanguageBuiltIn);
    EXPECT_EQ(records[0].info.id, -1);
    EXPECT_TRUE(records[0].path.empty());
    EXPECT_STREQ(records[1].info.name, "Francais");
    EXPECT_STREQ(records[2].info.name, "Deutsch");
    EXPECT_EQ(records[2].path, (dir / "b_german.zlex").string());
    EXPECT_EQ(records[1].id, records[0].id + 1);
    EXPECT_EQ(records[2].id, records[0].id + 2);
    EXPECT_EQ(mgr.GetCurrentLanguageId(), records[0].id);
}

TEST_F(LexiconMgrTest, MissingFolderLeavesOnlyTheBuiltInLanguage) {
    lexicon_mgr mgr;
    mgr.Load((dir / "absent").string(), "LEXICON");
    ASSERT_EQ(mgr.GetRecords().size(), 1u);
    EXPECT_EQ(mgr.GetCurrentLanguageName(), "English - Default");
}

TEST_F(LexiconMgrTest, SelectionsPostAtTheNextDispatchAndNamesSelectInRecordOrder) {
    WriteFile(dir / "a.zlex", LexiconHeader("Twin"));
    WriteFile(dir / "b.zlex", LexiconHeader("Twin"));
    lexicon_mgr mgr;
    mgr.Load(dir.string(), "LEXICON");
    Counter counter;
    mgr.subscribe(&counter);
    const auto records = mgr.GetRecords();

    mgr.SelectLanguage(records[0].id);  // already current: still posts
    EXPECT_TRUE(counter.types.empty()) << "delivered during the call";
    pub_queue::dispatch();
    ASSERT_EQ(counter.types.size(), 1u);
    EXPECT_EQ(counter.types[0], mgr.SelChangeMessage());

    EXPECT_TRUE(mgr.SelectLanguageByName("Twin"));
    pub_queue::dispatch();
    EXPECT_EQ(counter.types.size(), 3u);
    EXPECT_EQ(mgr.GetCurrentLanguageId(), records[2].id);

    EXPECT_FALSE(mgr.SelectLanguageByName("twin"));
    EXPECT_FALSE(mgr.SelectLanguageByName("Gone"));
    pub_queue::dispatch();
    EXPECT_EQ(counter.types.size(), 3u);
    EXPECT_EQ(mgr.GetCurrentLanguageId(), records[2].id);
    mgr.unsubscribe(&counter);
}

TEST_F(LexiconMgrTest, TranscriberOfTheCurrentLanguage) {
    WriteFile(dir / "broken.zlex", LexiconHeader("Broken"));  // a header and no packed block
    lexicon_mgr mgr;
    mgr.Load(dir.string(), "LEXICON");

    CTranscriber* transcriber = nullptr;
    ASSERT_EQ(mgr.CreateLanguageTranscriber(&transcriber), 0);
    ASSERT_NE(transcriber, nullptr);
    DestroyTranscriber(transcriber);

    mgr.SelectLanguage(mgr.GetRecords()[1].id);
    transcriber = nullptr;
    EXPECT_EQ(mgr.CreateLanguageTranscriber(&transcriber), kErrBadLexicon);
    EXPECT_EQ(transcriber, nullptr);
    // The message names the language and its file, and calls the file a damaged lexicon.
    const std::string why = mgr.TranscriberFailureText(kErrBadLexicon);
    EXPECT_NE(why.find("\"Broken\""), std::string::npos) << why;
    EXPECT_NE(why.find((dir / "broken.zlex").string()), std::string::npos) << why;
    EXPECT_NE(why.find("lexicon file is damaged"), std::string::npos) << why;

    // An id no record has reads as the built-in language under that id.
    mgr.SelectLanguage(9999);
    EXPECT_EQ(mgr.GetCurrentLanguage().id, 9999);
    EXPECT_EQ(mgr.GetCurrentLanguageName(), "English - Default");
}

}  // namespace
