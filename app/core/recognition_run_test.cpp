// The shared recognition run on a bundled utterance: text spans in the user's UTF-8, times shifted
// by the range, articulation, cancel, and the recordings and ranges it must refuse.
#include "app/core/recognition_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/transcription_view.h"
#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

const std::string kSpeech = std::string(MURMUREX_TESTDATA_DIR) + "/speech/";

struct AudioDeleter {
    void operator()(CMemoryPCMStream* p) const { p->Destroy(); }
};
using Audio = std::unique_ptr<CMemoryPCMStream, AudioDeleter>;

Audio Load(const std::string& path) {
    InstallDefaultAudioFileReaders();
    PCMFormat target;
    target.sampleRate = 16000u << 16;
    target.bitsPerSample = 16;
    target.channels = 1;
    CMemoryPCMStream* audio = nullptr;
    const int code = CreateMemoryPCMStreamFromFile(path.c_str(), &target, nullptr, &audio);
    Audio owned(audio);
    EXPECT_EQ(code, 0) << path;
    return owned;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A 16 kHz mono 16-bit WAV file of n samples of a quiet ramp.
std::string WriteWav(int samples) {
    std::vector<int16_t> ramp;
    for (int i = 0; i < samples; ++i) ramp.push_back(static_cast<int16_t>((i % 64) * 10));
    const std::string path = testing::TempDir() + "run_" + std::to_string(::getpid()) + "_" +
                             std::to_string(samples) + ".wav";
    EXPECT_TRUE(audio_test::WriteBytes(path, audio_test::BuildWav(audio_test::WavSpec{}, audio_test::Pcm16(ramp))));
    return path;
}

class CancelAfter : public CProgress {
public:
    void SetStatusText(const char*) override {}
    bool Progress(int, int) override { return ++calls_ > 1; }

private:
    int calls_ = 0;
};

}  // namespace

TEST(RecognitionRun, AlignsTheScriptAndSlicesTheUsersUtf8Text) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    RecognitionParams p;
    p.audio = audio.get();
    // Curly quotes are one byte each for the engine and three in the user's text.
    p.script = "\xE2\x80\x9C" + ReadText(kSpeech + "rms_0011_clean.txt") + "\xE2\x80\x9D";
    RecognitionResult r;
    ASSERT_EQ(RunRecognition(p, &r), 0) << r.message;
    ASSERT_FALSE(r.track.words.empty());
    ASSERT_FALSE(r.track.phonemes.empty());
    EXPECT_FALSE(r.track.articulation.empty());
    int words = 0;
    for (const RecognitionRecord& rec : r.records) {
        if (rec.type != 2) continue;
        ++words;
        ASSERT_LE(rec.textOffset + rec.textLength, static_cast<int>(p.script.size()));
        EXPECT_EQ(p.script.substr(rec.textOffset, rec.textLength), rec.text);
    }
    EXPECT_EQ(words, static_cast<int>(r.track.words.size()));
}

TEST(RecognitionRun, ReportsScriptWarningsAtTheUsersOffsets) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    RecognitionParams p;
    p.audio = audio.get();
    // Three bytes of UTF-8 before the bracket are one byte for the engine.
    p.script = "\xE2\x80\x9C" + ReadText(kSpeech + "rms_0011_clean.txt") + " [unclosed";
    RecognitionResult r;
    ASSERT_EQ(RunRecognition(p, &r), 0) << r.message;
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0].offset, static_cast<int32_t>(p.script.find('[')));
    EXPECT_NE(r.warnings[0].message.find("'['"), std::string::npos) << r.warnings[0].message;
}

TEST(RecognitionRun, ShiftsTimesByTheRangeStart) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    RecognitionParams p;
    p.audio = audio.get();
    p.builtInTrigram = true;
    p.startFrame = audio->MsToFrames(500);
    p.frameCount = audio->MsToFrames(800);
    RecognitionResult r;
    ASSERT_EQ(RunRecognition(p, &r), 0) << r.message;
    EXPECT_EQ(r.offsetMs, 500);
    ASSERT_FALSE(r.records.empty());
    for (const RecognitionRecord& rec : r.records) {
        EXPECT_GE(rec.start, 500);
        EXPECT_LE(rec.end, 1300);  // the last analysis frame reaches past the range; no marker does
    }
}

// Cue tags hold times of the recording: a tag where the words meet, inside a range that starts
// well into the recording, gives the words the run finds without it, at about the same times.
TEST(RecognitionRun, CueTagsInsideARangeAreTimesOfTheRecording) {
    Audio speech = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(speech);
    constexpr int kLeadMs = 1500;
    const auto* data = static_cast<const int16_t*>(speech->GetData());
    std::vector<int16_t> samples(kLeadMs * 16, 0);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i % 7) - 3);  // a quiet room
    samples.insert(samples.end(), data, data + speech->GetFrameCount());
    const std::string wav = testing::TempDir() + "run_cue_" + std::to_string(::getpid()) + ".wav";
    ASSERT_TRUE(audio_test::WriteWav(wav, samples));
    Audio audio = Load(wav);
    std::remove(wav.c_str());
    ASSERT_TRUE(audio);

    RecognitionParams p;
    p.audio = audio.get();
    p.startFrame = audio->MsToFrames(kLeadMs - 100);
    p.script = ReadText(kSpeech + "rms_0011_clean.txt");
    RecognitionResult plain;
    ASSERT_EQ(RunRecognition(p, &plain), 0) << plain.message;
    std::vector<RecognitionRecord> words;
    for (const RecognitionRecord& r : plain.records)
        if (r.type == 2) words.push_back(r);
    ASSERT_GE(words.size(), 4u);

    // The tag goes where the third word starts, at the time the run found for it.
    const RecognitionRecord& third = words[2];
    const std::string tag = MakeCutTag(third.start);
    p.script.insert(static_cast<size_t>(third.textOffset), tag + " ");
    RecognitionResult tagged;
    ASSERT_EQ(RunRecognition(p, &tagged), 0) << tagged.message;
    std::vector<RecognitionRecord> tagged_words;
    for (const RecognitionRecord& r : tagged.records)
        if (r.type == 2) tagged_words.push_back(r);
    ASSERT_EQ(tagged_words.size(), words.size());
    constexpr int kToleranceMs = 40;
    for (size_t i = 0; i < words.size(); ++i) {
        SCOPED_TRACE(words[i].text);
        EXPECT_EQ(tagged_words[i].text, words[i].text);
        EXPECT_NEAR(tagged_words[i].start, words[i].start, kToleranceMs);
        EXPECT_NEAR(tagged_words[i].end, words[i].end, kToleranceMs);
        EXPECT_EQ(p.script.substr(static_cast<size_t>(tagged_words[i].textOffset),
                                  static_cast<size_t>(tagged_words[i].textLength)),
                  tagged_words[i].text);
    }
    EXPECT_EQ(tagged_words[2].start, third.start);

    // A tag before the range is out of it.
    p.script = MakeCutTag(kLeadMs - 500) + " " + ReadText(kSpeech + "rms_0011_clean.txt");
    EXPECT_EQ(RunRecognition(p, &tagged), kErrOutOfRange);
}

// A clip too short for its script fails as a longer one does, and however the run ends no marker
// reaches past the end of the audio it was given.
TEST(RecognitionRun, AClipTooShortForItsScriptFailsAndNoMarkerEndsPastTheRange) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    const int totalMs = static_cast<int>(audio->FramesToMs(audio->GetFrameCount()));
    struct Case {
        int startMs;
        int lengthMs;  // -1: to the end
        int code;
    } cases[] = {
        {1000, 15, kErrNoPath}, {1000, 20, kErrNoPath}, {0, 25, kErrNoPath}, {1000, 28, kErrNoPath},
        {1000, 30, kErrNoPath}, {2000, 60, kErrNoPath}, {0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.startMs) + " ms + " + std::to_string(c.lengthMs) + " ms");
        RecognitionParams p;
        p.audio = audio.get();
        p.script = ReadText(kSpeech + "rms_0011_clean.txt");
        p.startFrame = audio->MsToFrames(c.startMs);
        p.frameCount = c.lengthMs < 0 ? -1 : audio->MsToFrames(c.lengthMs);
        const int endMs = c.lengthMs < 0 ? totalMs : c.startMs + c.lengthMs;
        RecognitionResult r;
        EXPECT_EQ(RunRecognition(p, &r), c.code) << r.message;
        ASSERT_FALSE(r.records.empty());
        for (const RecognitionRecord& rec : r.records) {
            EXPECT_GE(rec.start, c.startMs);
            EXPECT_LE(rec.end, endMs) << rec.type << " " << rec.label << rec.text;
        }
        EXPECT_LE(r.track.phonemes.back().end, endMs);
        EXPECT_LE(r.track.words.back().end, endMs);
    }
}

// A caller that applies only finished runs gets nothing from a failed one.
TEST(RecognitionRun, AFailedRunGivesNothingWhenOnlyFinishedResultsAreWanted) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    RecognitionParams p;
    p.audio = audio.get();
    p.script = ReadText(kSpeech + "rms_0011_clean.txt");
    p.frameCount = audio->MsToFrames(300);
    p.resultsOnFailure = false;
    RecognitionResult r;
    EXPECT_EQ(RunRecognition(p, &r), kErrNoPath);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(r.records.empty());
    EXPECT_TRUE(r.track.phonemes.empty() && r.track.words.empty() && r.track.articulation.empty());
}

TEST(RecognitionRun, CancelGivesNothing) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    CancelAfter cancel;
    RecognitionParams p;
    p.audio = audio.get();
    p.script = ReadText(kSpeech + "rms_0011_clean.txt");
    p.progress = &cancel;
    RecognitionResult r;
    EXPECT_EQ(RunRecognition(p, &r), kErrCancelled);
    EXPECT_TRUE(r.records.empty());
    EXPECT_TRUE(r.track.phonemes.empty());
}

// Cancel pressed while the search reports its frames, which then fails without asking again: the
// run ends cancelled, not with the failure for the user to dismiss.
TEST(RecognitionRun, ACancelBeforeAFailedRunEndsWinsOverTheFailure) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    // Sets the user's cancel at the first frame reported and answers it at the next question.
    class CancelAtAFrame : public CProgress {
    public:
        void SetStatusText(const char*) override {}
        bool Progress(int, int total) override {
            if (total == 0) return pressed;
            pressed = true;
            return false;
        }
        bool pressed = false;
    };
    for (bool resultsOnFailure : {false, true}) {
        SCOPED_TRACE(resultsOnFailure);
        RecognitionParams p;
        p.audio = audio.get();
        p.script = ReadText(kSpeech + "rms_0011_clean.txt");
        p.frameCount = audio->MsToFrames(1500);  // too short for the words: no complete path
        p.resultsOnFailure = resultsOnFailure;
        RecognitionResult uncancelled;
        ASSERT_EQ(RunRecognition(p, &uncancelled), kErrNoPath);
        CancelAtAFrame cancel;
        p.progress = &cancel;
        RecognitionResult r;
        EXPECT_EQ(RunRecognition(p, &r), kErrCancelled);
        EXPECT_TRUE(cancel.pressed);
        EXPECT_TRUE(r.message.empty());
        EXPECT_TRUE(r.records.empty());
        EXPECT_TRUE(r.track.phonemes.empty());
    }
}

TEST(RecognitionRun, RefusesRecordingsAndRangesWithoutFrames) {
    Audio speech = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(speech);
    const int total = speech->GetFrameCount();
    struct Case {
        const char* what;
        int samples;  // -1: the speech fixture
        int start;
        int count;
        bool textless;
    } cases[] = {
        {"header only", 0, 0, -1, false},
        {"one sample", 1, 0, -1, false},
        {"one sample, textless", 1, 0, -1, true},
        {"start at the end", -1, total, -1, false},
        {"start far past the end", -1, 2000000000, 10, false},
        {"negative start", -1, -5, -1, false},
        {"empty range", -1, 100, 0, false},
        {"a range shorter than a frame", -1, 100, 3, true},
    };
    const std::string script = ReadText(kSpeech + "rms_0011_clean.txt");
    for (const Case& c : cases) {
        Audio made;
        CMemoryPCMStream* audio = speech.get();
        if (c.samples >= 0) {
            const std::string path = WriteWav(c.samples);
            made = Load(path);
            std::remove(path.c_str());
            audio = made.get();
        }
        ASSERT_NE(audio, nullptr) << c.what;
        RecognitionParams p;
        p.audio = audio;
        p.startFrame = c.start;
        p.frameCount = c.count;
        if (!c.textless) p.script = script;
        RecognitionResult r;
        EXPECT_NE(RunRecognition(p, &r), 0) << c.what;
        EXPECT_FALSE(r.message.empty()) << c.what;
        EXPECT_TRUE(r.records.empty()) << c.what;
    }
}

TEST(RecognitionRun, ReportsAModelThatDoesNotRead) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    const std::string junk = "not a model";
    RecognitionParams p;
    p.audio = audio.get();
    p.modelImage = junk.data();
    p.modelImageSize = static_cast<int>(junk.size());
    RecognitionResult r;
    EXPECT_EQ(RunRecognition(p, &r), kErrBadData);
    EXPECT_NE(r.message.find("model"), std::string::npos);
}

// Phone constraints and trigram models that do not load end the run with a code and a message
// that name the file and say what is wrong with it; none is called a WAV file.
TEST(RecognitionRun, LanguageDataThatDoesNotLoadIsNamedWithItsReason) {
    Audio audio = Load(kSpeech + "rms_0011_clean.wav");
    ASSERT_TRUE(audio);
    audio_test::TempDir dir;
    std::ofstream(dir.File("bad.txt")) << "mpb 180\nq 240\n";
    std::ofstream(dir.File("empty.trig")) << "";
    std::filesystem::create_directories(dir.File("folder.txt"));
    const struct {
        const char* what;
        std::string constraintsFile, constraintsText, trigramFile;
        int code;
        std::string says;  // besides the file's name
    } cases[] = {
        {"constraints of an unknown phoneme", dir.File("bad.txt"), "", "", kErrBadConstraints,
         "\"q\" is not a phoneme code"},
        {"constraints in a folder", dir.File("folder.txt"), "", "", kErrIsFolder, "is a folder"},
        {"missing constraints", dir.File("gone.txt"), "", "", kErrFileNotFound, "No such file"},
        {"constraints text", "", "mpb 180 !! 240", "", kErrBadConstraints, "\"!!\" is not a phoneme code"},
        {"an empty trigram file", "", "", dir.File("empty.trig"), kErrBadTrigram, "no phone trigram counts"},
        {"a trigram folder", "", "", dir.File("folder.txt"), kErrIsFolder, "is a folder"},
    };
    for (const auto& c : cases) {
        RecognitionParams p;
        p.audio = audio.get();
        p.constraintsFile = c.constraintsFile;
        p.constraintsText = c.constraintsText;
        p.trigramFile = c.trigramFile;
        RecognitionResult r;
        EXPECT_EQ(RunRecognition(p, &r), c.code) << c.what << ": " << r.message;
        const std::string file = c.constraintsFile + c.trigramFile;
        if (!file.empty()) {
            EXPECT_NE(r.message.find("\"" + file + "\""), std::string::npos) << c.what << ": " << r.message;
        }
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.what << ": " << r.message;
        EXPECT_EQ(r.message.find("WAV"), std::string::npos) << c.what << ": " << r.message;
        EXPECT_TRUE(r.records.empty()) << c.what;
    }
}
