// What the document tests share: a fresh folder per test, the bundled utterance, a profile store,
// scripted prompts, a captured output log and a scripted timeline selection.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/core/document_host.h"
#include "app/core/output_log.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"
#include "flash/gesture_generation.h"

namespace document_test {

namespace fs = std::filesystem;

// The bundled utterance: recording, script and results file share this base name.
inline const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
inline constexpr const char* kBase = "en_us_f4_0003_clean";

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The bundled alignment with energies as a recognition run gives them: two stressed vowels
// stand out, so gesture generation has something to gesture at within the take.
inline std::string AlignmentWithEnergies() {
    std::istringstream in(ReadFile(kSpeech / (std::string(kBase) + ".zuvo")));
    std::string out, line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kw, label;
        int start = 0, end = 0, value = 0;
        if (fields >> kw >> start >> end >> value >> label && kw == "phn") {
            value = label == "AY" ? 100 : label == "EY" ? 95 : IsVowelPhoneme(label) ? 40 : 20;
            line = "phn " + std::to_string(start) + " " + std::to_string(end) + " " + std::to_string(value) + " " + label;
        }
        out += line + "\n";
    }
    return out;
}

// A fresh folder named `name` in the test's temporary folder, holding a copy of the bundled
// recording and its results file.
inline fs::path FreshTakeFolder(const std::string& name) {
    const fs::path folder = fs::path(::testing::TempDir()) / (name + "_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* extension : {".wav", ".zuvo"})
        fs::copy_file(kSpeech / (std::string(kBase) + extension), folder / (std::string(kBase) + extension));
    return folder;
}

// The output log as one string.
class captured_log : public COutputLog {
public:
    bool IsVisible() const override { return true; }
    std::string text;

protected:
    void ShowBar() override {}
    bool AppendToLog(const std::string& t) override {
        text += t;
        return true;
    }
};

// The timeline's selection as the document reads it, in frames of the document's audio.
// SelectFrames leaves an empty stretch unselected; SelectMs keeps a cursor (start == end) selected.
class selection_view : public document_view {
public:
    explicit selection_view(CPhonarcDoc* doc = nullptr) : doc_(doc) {}
    bool GetSelection(int* start, int* end) override {
        if (in_ms_) {
            *start = static_cast<int>(doc_->audio()->MsToFrames(start_));
            *end = static_cast<int>(doc_->audio()->MsToFrames(end_));
            return true;
        }
        *start = start_;
        *end = end_;
        return start_ != end_;
    }
    void SelectFrames(int start, int end) {
        start_ = start;
        end_ = end;
        in_ms_ = false;
    }
    void SelectMs(int start_ms, int end_ms) {
        start_ = start_ms;
        end_ = end_ms;
        in_ms_ = true;
    }

private:
    CPhonarcDoc* doc_;
    int start_ = 0, end_ = 0;
    bool in_ms_ = false;
};

// A document host over a profile store and scripted prompts, the captured log installed, and a
// folder of its own that goes with the test.
class DocumentFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string(test->test_suite_name()) + "_" + std::to_string(::getpid()) + "_" + test->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        host_.profile = &profile_;
        host_.prompts = &prompts_;
        SetOutputLog(&log_);
    }
    void TearDown() override {
        SetOutputLog(nullptr);
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, ignored);
        fs::remove_all(dir_);
    }
    // The bundled utterance's file with the given extension, copied into the folder as name.
    fs::path CopySpeech(const std::string& extension, const std::string& name) {
        fs::copy_file(kSpeech / (std::string(kBase) + extension), dir_ / name);
        return dir_ / name;
    }

    fs::path dir_;
    CMemoryProfileStore profile_;
    CScriptedPrompts prompts_;
    captured_log log_;
    document_host host_;
};

}  // namespace document_test
