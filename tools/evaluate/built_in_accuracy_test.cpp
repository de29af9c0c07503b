// The built-in models on utterances of two voices that no model saw in training (a male synthetic
// voice and a female one), against the synthesisers' exact phone times. The bars sit a little
// below what the models reach, so a change anywhere from the audio readers to the search that
// makes alignments worse fails here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/evaluate/utterance_recognition.h"

namespace {

const std::string kSpeech = MURMUREX_TESTDATA_DIR "/speech/";
const char* const kUtterances[] = {"0003", "0011", "0017", "0024", "0031"};

struct Figures {
    ErrorSummary phones;
    ErrorSummary words;
    EditCounts edits;
    int wordsInOrder = 0;
    int wordsInScript = 0;
};

std::string ReadScript(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        std::fclose(f);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

int CountWords(const std::string& script) {
    int words = 0;
    bool inWord = false;
    for (char c : script) {
        const bool blank = c == ' ' || c == '\t';
        if (!blank && !inWord) ++words;
        inWord = !blank;
    }
    return words;
}

Figures Measure(const char* model, const std::string& voice, bool textless) {
    RecognitionSettings settings;
    EXPECT_TRUE(LoadBuiltInSettings(model, &settings)) << model;
    Figures figures;
    std::vector<double> phoneErrors, wordErrors;
    for (const char* number : kUtterances) {
        const std::string stem = kSpeech + voice + "_" + number + "_clean";
        const std::string script = ReadScript(stem + ".txt");
        EXPECT_FALSE(script.empty()) << stem;
        Alignment reference;
        std::string error;
        EXPECT_TRUE(ReadAlignment(stem + ".zuvo", &reference, &error)) << error;
        RecognitionResult results;
        EXPECT_EQ(RecogniseUtterance(settings, stem + ".wav", textless ? "" : script, &results), 0) << stem;
        const Alignment found = AlignmentFromRecords(results.records);
        const std::vector<double> pe = PhoneBoundaryErrors(reference.phones, found.phones);
        phoneErrors.insert(phoneErrors.end(), pe.begin(), pe.end());
        figures.edits += PhoneErrors(reference.phones, found.phones);
        if (textless) continue;
        const std::vector<double> we = WordBoundaryErrors(reference.words, found.words);
        wordErrors.insert(wordErrors.end(), we.begin(), we.end());
        figures.wordsInScript += CountWords(script);
        for (size_t i = 1; i < found.words.size(); ++i) {
            if (found.words[i].start >= found.words[i - 1].end) ++figures.wordsInOrder;
        }
        if (!found.words.empty()) ++figures.wordsInOrder;
    }
    figures.phones = Summarise(phoneErrors);
    figures.words = Summarise(wordErrors);
    std::printf("%s %s %s: phones within 20 ms %.1f%%, mean %.1f ms; words mean %.1f ms; PER %.1f%%\n",
                model, voice.c_str(), textless ? "textless" : "text-based", 100 * figures.phones.within20,
                figures.phones.mean, figures.words.mean, 100 * figures.edits.ErrorRate());
    return figures;
}

TEST(BuiltInModels, AlignUnseenVoicesWithTheirScripts) {
    struct Case {
        const char* model;
        const char* voice;
        double minWithin20;
        double maxMeanMs;
    } cases[] = {
        {"GENERIC_HMM", "rms", 0.80, 16.0},
        {"GENERIC_HMM", "en_us_f4", 0.80, 16.0},
        {"MALE_HMM", "rms", 0.80, 16.0},
        {"FEMALE_HMM", "en_us_f4", 0.80, 16.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " on " + c.voice);
        const Figures f = Measure(c.model, c.voice, false);
        EXPECT_GE(f.phones.within20, c.minWithin20);
        EXPECT_LE(f.phones.mean, c.maxMeanMs);
        // Every word of the script comes out once, in order, where it is spoken.
        EXPECT_EQ(f.wordsInOrder, f.wordsInScript);
        if (f.words.count > 0) { EXPECT_LE(f.words.mean, 40.0); }
    }
}

TEST(BuiltInModels, RecogniseAnUnseenVoiceWithoutText) {
    const Figures f = Measure("GENERIC_HMM", "en_us_f4", true);
    EXPECT_LE(f.edits.ErrorRate(), 0.40);
    EXPECT_GE(f.phones.within20, 0.70);
}

}  // namespace
