// The saving preferences: their keys and defaults, the frame-rate field, and a real save of a
// document whose file holds exactly the sections they choose.
#include "app/core/save_options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/core/document_open.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";

TEST(SaveOptions, DefaultsKeysAndTheAudioLinkKeptApartFromTheText) {
    CMemoryProfileStore profile;
    EXPECT_EQ(ReadSaveOptions(profile), save_options{});

    save_options o;
    o.phn_vis = false;
    o.text = false;
    o.audio_link = true;  // once written to "zuvo_text" after the text switch, overriding it
    o.phn_env = true;
    o.phn_env_x = true;
    o.frame_rate = 30;
    WriteSaveOptions(profile, o);
    EXPECT_EQ(ReadSaveOptions(profile), o);
    EXPECT_EQ(profile.GetInt("UI", "zuvo_text", 1), 0);
    EXPECT_EQ(profile.GetInt("UI", "zuvo_phn_vis", 1), 0);
    EXPECT_EQ(profile.GetInt("UI", "zuvo_phn_env", 0), 1);
    EXPECT_EQ(profile.GetInt("UI", "zuvo_phn_env_X", 0), 1);
    EXPECT_EQ(profile.GetInt("UI", "articulator_frame_rate", 0), 30);
}

TEST(SaveOptions, FrameRateFieldTakesZeroTo1000) {
    struct Case {
        const char* text;
        bool ok;
        int rate;
    };
    const Case cases[] = {{"", true, 0},        {"0", true, 0},      {"1000", true, 1000}, {"0030", true, 30},
                          {"1001", false, 0},   {"99999999999999", false, 0}, {"-5", false, 0}, {"2x", false, 0}};
    for (const Case& c : cases) {
        int rate = -1;
        EXPECT_EQ(ParseFrameRateField(c.text, &rate), c.ok) << c.text;
        if (c.ok) { EXPECT_EQ(rate, c.rate) << c.text; }
    }
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int CountLines(const std::string& text, const std::string& keyword) {
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);)
        if (line.rfind(keyword + " ", 0) == 0) ++n;
    return n;
}

TEST(SaveOptions, SaveWritesTheSectionsTheProfileChooses) {
    const fs::path dir = fs::temp_directory_path() / ("save_options_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(kSpeech / "en_us_f4_0003_clean.wav", dir / "take.wav");
    fs::copy_file(kSpeech / "en_us_f4_0003_clean.txt", dir / "take.txt");

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host;
    host.profile = &profile;
    host.prompts = &prompts;
    CPhonarcDoc doc(host);
    ASSERT_TRUE(doc.OnOpenDocument((dir / "take.wav").string()));
    app_sync_results track = doc.track(1);
    track.phonemes.push_back(phn_marker(100, 250, "AA", 60.0f));
    track.words.push_back(og_marker(100, 250, "ah"));
    phn_env_marker speech(100, 250, "AA");
    speech.points = {{100, 100, 0.0f}, {100, 180, 0.8f}, {100, 250, 0.0f}};
    phn_env_marker silence(250, 400, "x");
    silence.points = {{250, 250, 0.0f}, {250, 400, 0.0f}};
    track.envelope.push_back(speech);
    track.envelope.push_back(silence);
    doc.CommitTrackEdit("Edit", track, 1, 100, 250);
    ASSERT_FALSE(doc.track(1).articulation.empty());
    ASSERT_FALSE(doc.results_file().script_text.empty());

    // The Output Window says, in one line, which envelopes a save left out.
    const std::string all_left_out = "2 envelope records are not saved in ";
    const std::string silence_left_out = "1 silence ('x') envelope record is not saved in ";
    struct Case {
        save_options options;
        int phn_env, phn_vis, audio, script;
        std::string logged;  // the start of the one line logged, or empty for none
    };
    const int keys = static_cast<int>(doc.track(1).articulation.size());
    const Case cases[] = {
        {{}, 0, keys, 1, 1, all_left_out},
        {{true, true, true, true, false, 0}, 1, keys, 1, 1, silence_left_out},
        {{true, true, true, true, true, 0}, 2, keys, 1, 1, ""},
        {{true, true, true, false, true, 0}, 0, keys, 1, 1, all_left_out},  // silence envelopes need envelopes
        {{false, false, false, false, false, 0}, 0, 0, 0, 0, all_left_out},
        {{true, false, true, false, false, 0}, 0, keys, 1, 0, all_left_out},
    };
    for (const Case& c : cases) {
        WriteSaveOptions(profile, c.options);
        const fs::path saved = dir / "take.zuvo";
        const size_t logged_before = doc.logged().size();
        ASSERT_TRUE(doc.OnSaveDocument(saved.string()));
        const std::string logged = doc.logged().substr(logged_before);
        if (c.logged.empty()) {
            EXPECT_EQ(logged, "");
        } else {
            EXPECT_EQ(logged.rfind(c.logged + saved.string() + ": \"Save ", 0), 0u) << logged;
            EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged;
            EXPECT_EQ(logged.back(), '\n');
        }
        const std::string text = Read(saved);
        SCOPED_TRACE(text.substr(0, 200));
        EXPECT_EQ(CountLines(text, "phn_env"), c.phn_env);
        EXPECT_EQ(CountLines(text, "phn_vis"), c.phn_vis);
        EXPECT_EQ(CountLines(text, "audio"), c.audio);
        EXPECT_EQ(CountLines(text, "%%-begin-zuvo-text-%%"), c.script);
        EXPECT_EQ(CountLines(text, "phn"), 1);
        EXPECT_EQ(CountLines(text, "word"), 1);
    }
    // What was written reads back.
    sync_results_file file;
    const auto reader = [&doc](sync_results_file& f, std::istream& in, std::ostream& errors) {
        return doc.ReadResults(f, in, errors);
    };
    ASSERT_TRUE(ReadSyncResultsFile((dir / "take.zuvo").string(), reader, &file).read);
    EXPECT_EQ(file.results.phonemes.size(), 1u);
    fs::remove_all(dir);
}

}  // namespace
