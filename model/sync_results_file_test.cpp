// Results file: byte-exact round trip of a hand-written file, writer flags and order, every reader
// error message, and malformed input that must fail cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>

#include "engine/util/comma_locale_test_support.h"
#include "model/sync_results_file.h"

namespace {

std::string read_fixture(const char* name) {
    std::ifstream in(std::string(MURMUREX_TESTDATA_DIR) + "/results/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct read_result {
    bool ok;
    std::string errors;
    sync_results_file file;
};

read_result read_text(const std::string& text) {
    read_result r;
    std::istringstream in(text);
    std::ostringstream errors;
    r.ok = r.file.read(in, errors);
    r.errors = errors.str();
    return r;
}

std::string read_whole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string write_text(sync_results_file& file, uint32_t flags) {
    std::ostringstream out;
    file.write(out, 0, flags);
    return out.str();
}

TEST(ResultsFile, HandWrittenFileRoundTripsByteForByte) {
    const std::string original = read_fixture("every_record.zuvo");
    ASSERT_FALSE(original.empty());
    read_result r = read_text(original);
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.errors, "");

    const sync_results_file& f = r.file;
    EXPECT_FLOAT_EQ(f.version, 1.2f);
    EXPECT_EQ(f.audio_path, "C:\\Users\\Dana\\My Takes\\take one.wav");
    EXPECT_EQ(f.text_file_path, "D:\\scripts\\take one.txt");
    EXPECT_EQ(f.script_text, "<cut ms=\"0\"/>Hello, there, world.\n  Second line <laugh/>");
    EXPECT_EQ(f.results.phonemes.size(), 3u);
    ASSERT_EQ(f.results.phonemes[0].energy.size(), 2u);
    EXPECT_FLOAT_EQ(f.results.phonemes[0].energy[1].value, 35.0f);
    EXPECT_EQ(f.results.words[1].label, "there, world");
    EXPECT_EQ(f.results.punctuation.size(), 2u);
    EXPECT_EQ(f.results.xml_events[0].label, "<cut ms=\"0\"/>");
    ASSERT_EQ(f.results.gestures.size(), 3u);
    EXPECT_EQ(f.results.gestures[0].label, "idle:nod");
    EXPECT_EQ(f.results.gestures[1].gesture_name, "wave");
    EXPECT_EQ(f.results.gestures[2].label, "pause");
    ASSERT_EQ(f.results.articulation.size(), 3u);
    EXPECT_EQ(f.results.articulation[1].key.count, 3);
    EXPECT_STREQ(f.results.articulation[1].key.pairs[2].code, "EH");
    ASSERT_EQ(f.results.envelope.size(), 2u);
    EXPECT_EQ(f.results.envelope[1].points.size(), 3u);
    EXPECT_EQ(f.results.envelope[1].points[0].base, 120);

    sync_results_file copy = r.file;
    EXPECT_EQ(write_text(copy, kWriteAll), original);
}

TEST(ResultsFile, ReadsAndWritesTheSameUnderACommaDecimalLocale) {
    const std::string original = read_fixture("every_record.zuvo");
    ASSERT_FALSE(original.empty());
    CommaDecimalLocale locale;
    if (!locale.active()) GTEST_SKIP() << CommaDecimalLocale::MissingMessage();
    // Streams made now take the comma locale, which would write 0,75 and 1.200.
    read_result r = read_text(original);
    ASSERT_TRUE(r.ok) << r.errors;
    ASSERT_EQ(r.file.results.articulation.size(), 3u);
    EXPECT_FLOAT_EQ(r.file.results.articulation[0].key.pairs[0].weight, 0.75f);
    EXPECT_EQ(r.file.results.gestures[2].end, 1200);
    EXPECT_EQ(write_text(r.file, kWriteAll), original);
    // The caller's stream keeps its own locale.
    std::ostringstream out;
    r.file.write(out, 0, 0);
    out << 0.5;
    EXPECT_EQ(out.str(), "end_markers\n0,5");
}

TEST(ResultsFile, EachWriterFlagChoosesItsRecords) {
    sync_results_file f = read_text(read_fixture("every_record.zuvo")).file;
    struct {
        uint32_t flag;
        std::vector<std::string> prefixes;
    } cases[] = {
        {kWriteHeader, {"version ", "audio ", "text_file "}},
        {kWritePhonemes, {"phn ", "energy "}},
        {kWriteWords, {"word "}},
        {kWritePunctuation, {"punct "}},
        {kWriteXml, {"xml "}},
        {kWriteGestures, {"gest "}},
        {kWriteScript, {"%%-begin-zuvo-text-%% ", "%%-end-zuvo-text-%%"}},
        {kWriteArticulation, {"phn_vis "}},
        {kWriteEnvelopes, {"phn_env 120 "}},
        {kWriteEnvelopes | kWriteSilenceEnvelopes, {"phn_env 0 "}},
    };
    auto lines_with = [](const std::string& text, const std::string& prefix) {
        int n = 0;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) ++n;
        return n;
    };
    for (const auto& c : cases) {
        const std::string only = write_text(f, c.flag);
        const std::string without = write_text(f, kWriteAll & ~c.flag);
        for (const std::string& prefix : c.prefixes) {
            EXPECT_GT(lines_with(only, prefix), 0) << "flag " << c.flag << " prefix " << prefix;
            EXPECT_EQ(lines_with(without, prefix), 0) << "flag " << c.flag << " prefix " << prefix;
        }
        EXPECT_EQ(only.substr(only.size() - 12), "end_markers\n") << "flag " << c.flag;
    }
    EXPECT_EQ(write_text(f, 0), "end_markers\n");

    // Empty paths and an empty script are left out even with their flags.
    sync_results_file empty;
    EXPECT_EQ(write_text(empty, kWriteHeader | kWriteScript), "version 1.2\nend_markers\n");
    // An "X" envelope counts as silence too.
    empty.results.envelope.emplace_back(0, 10, "X");
    EXPECT_EQ(write_text(empty, kWriteEnvelopes), "end_markers\n");
    EXPECT_EQ(write_text(empty, kWriteEnvelopes | kWriteSilenceEnvelopes), "phn_env 0 10 X 0\nend_markers\n");
}

TEST(ResultsFile, WriterOrderAtEqualStarts) {
    sync_results_file f;
    f.results.gestures.push_back(FGesture(FGesture::kLight, 100, 200, 1.0f));
    f.results.phonemes.emplace_back(100, 200, "AA", 37.9f);
    f.results.words.emplace_back(50, 100, "early");
    f.results.words.emplace_back(100, 200, "hi");
    EXPECT_EQ(write_text(f, kWriteAll),
              "version 1.2\nword 50 100 early\nword 100 200 hi\nphn 100 200 37 AA\ngest 100 200 1 |\nend_markers\n");
    read_result back = read_text(write_text(f, kWriteAll));
    ASSERT_TRUE(back.ok);
    EXPECT_FLOAT_EQ(back.file.results.phonemes[0].value, 37.0f);
}

TEST(ResultsFile, EveryLabelTheTrackCanHoldRoundTrips) {
    // Texts the plain records can't carry: too long for a phoneme token, blanks, line breaks,
    // bars, escapes of their own, the empty-label placeholder itself.
    const std::string texts[] = {"sil", "a b", " ", "two\r\nlines", "\n", "<a\nb/>", "no|d", "|", "%", "%41",
                                 "<empty>", "  padded  ", std::string("nul\0in", 6), "\xc3\xa9t\xc3\xa9", "AA"};
    for (const std::string& text : texts) {
        sync_results_file f;
        f.audio_path = text;
        f.text_file_path = text + "x";
        phn_marker p(0, 10, "", 40.0f);
        p.label = text;
        p.add_energy(7.0f, 0, 10);
        f.results.phonemes.push_back(p);
        phn_env_marker env(0, 10, "");
        env.label = text;
        env.points.emplace_back(0, 5, 0.5f);
        f.results.envelope.push_back(env);
        f.results.words.emplace_back(0, 10, text.c_str());
        f.results.words[0].label = text;
        f.results.punctuation.emplace_back(0, 10, "");
        f.results.punctuation[0].label = text;
        f.results.xml_events.emplace_back(0, 10, "");
        f.results.xml_events[0].label = text;
        FGesture g(FGesture::kPose, 0, 10, 0.0f);
        g.type = 0xFFFFFED4u;  // read from "-300"
        g.gesture_name = text;
        g.pose_name = text + "|" + text;
        f.results.gestures.push_back(g);
        ArticulationKey key{};
        key.count = 2;
        std::strncpy(key.pairs[0].code, text.c_str(), 3);
        std::strcpy(key.pairs[1].code, "AA");
        key.pairs[1].weight = 0.5f;
        f.results.articulation.emplace_back(key);
        // A record after them all must still be read.
        f.results.words.emplace_back(20, 30, "after");

        const std::string written = write_text(f, kWriteAll);
        read_result back = read_text(written);
        ASSERT_TRUE(back.ok) << back.errors << written;
        EXPECT_TRUE(back.file.warnings.empty()) << written;
        const app_sync_results& t = back.file.results;
        EXPECT_EQ(back.file.audio_path, text) << written;
        EXPECT_EQ(back.file.text_file_path, text + "x") << written;
        ASSERT_EQ(t.phonemes.size(), 1u) << written;
        EXPECT_EQ(t.phonemes[0].label, text) << written;
        EXPECT_EQ(t.phonemes[0].energy.size(), 1u) << written;
        ASSERT_EQ(t.envelope.size(), 1u) << written;
        EXPECT_EQ(t.envelope[0].label, text) << written;
        EXPECT_EQ(t.envelope[0].points.size(), 1u) << written;
        ASSERT_EQ(t.words.size(), 2u) << written;
        EXPECT_EQ(t.words[0].label, text) << written;
        EXPECT_EQ(t.words[1].label, "after") << written;
        ASSERT_EQ(t.punctuation.size(), 1u) << written;
        EXPECT_EQ(t.punctuation[0].label, text) << written;
        ASSERT_EQ(t.xml_events.size(), 1u) << written;
        EXPECT_EQ(t.xml_events[0].label, text) << written;
        ASSERT_EQ(t.gestures.size(), 1u) << written;
        EXPECT_EQ(t.gestures[0].gesture_name, text) << written;
        EXPECT_EQ(t.gestures[0].type, 0xFFFFFED4u) << written;
        EXPECT_EQ(t.gestures[0].pose_name, text + "|" + text) << written;
        ASSERT_EQ(t.articulation.size(), 1u) << written;
        EXPECT_EQ(std::string(t.articulation[0].key.pairs[0].code), std::string(key.pairs[0].code)) << written;
        EXPECT_EQ(std::string(t.articulation[0].key.pairs[1].code), "AA") << written;
        // Saving what was read gives the same file.
        EXPECT_EQ(write_text(back.file, kWriteAll), written);
    }
}

TEST(ResultsFile, BinaryAndWideTextAreNoResultsFile) {
    using namespace std::string_literals;
    const struct {
        std::string head;
        const char* reason;  // empty: may be a results file
    } cases[] = {
        {"version 1.2\nphn 0 10 50 AA\n", ""},
        {"", ""},
        {"Yang spragg on frain to noyd.\n", ""},  // a script: text, read and refused by the reader
        {"\xFF\xFEv\0e\0r\0"s, "it is UTF-16 text"},
        {"\xFE\xFF\0v\0e"s, "it is UTF-16 text"},
        {"\xFF\xFE\0\0v\0\0\0"s, "it is UTF-32 text"},
        {"v\0e\0r\0s\0"s, "it holds binary data or text wider than 8 bits"},
        {"RIFF\x24\x08\0\0WAVEfmt "s, "it holds binary data or text wider than 8 bits"},
        // Past the bytes looked at, and inside the script, a NUL is the user's.
        {std::string(kResultsTextProbeSize, 'x') + "\0"s, ""},
        {"version 1.2\n%%-begin-zuvo-text-%% a\0b\n%%-end-zuvo-text-%%\n"s, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NotResultsTextReason(c.head), c.reason) << c.head;

    // Nothing the writer writes is refused, a NUL in every text the track and script can hold.
    const std::string nul("n\0l", 3);
    sync_results_file f;
    f.audio_path = nul;
    f.script_text = nul;
    f.results.phonemes.push_back(phn_marker(0, 10, "", 40.0f));
    f.results.phonemes[0].label = nul;
    f.results.words.emplace_back(0, 10, "");
    f.results.words[0].label = nul;
    FGesture g(FGesture::kPose, 0, 10, 0.0f);
    g.gesture_name = nul;
    f.results.gestures.push_back(g);
    const std::string written = write_text(f, kWriteAll);
    EXPECT_EQ(NotResultsTextReason(written), "") << written;
}

TEST(ResultsFile, ValuesBeyondWholeNumbersAreWrittenSaturated) {
    read_result r = read_text("phn 0 10 56666666666637 a\nenergy 0 10 -1e30\nphn 10 20 nan b\n");
    sync_results_file& f = r.file;
    f.results.phonemes.emplace_back(20, 30, "c", std::numeric_limits<float>::quiet_NaN());
    const std::string text = write_text(f, kWritePhonemes);
    EXPECT_NE(text.find("phn 0 10 2147483647 a\nenergy 0 10 -2147483648\n"), std::string::npos) << text;
    EXPECT_NE(text.find("phn 20 30 0 c\n"), std::string::npos) << text;
}

TEST(ResultsFile, EmptyPhonemeAndEnvelopeLabelsRoundTrip) {
    // An empty label must neither swallow the next token nor stop the file from opening again.
    sync_results_file f;
    phn_marker orphan(0, 40, "", 12.0f);
    orphan.add_energy(5.0f, 0, 20);
    f.results.phonemes.push_back(orphan);
    f.results.phonemes.emplace_back(40, 80, "AA", 30.0f);
    phn_env_marker no_points(0, 40, "");
    phn_env_marker with_points(40, 80, "");
    with_points.points.emplace_back(40, 50, 0.25f);
    with_points.points.emplace_back(40, 70, 0.75f);
    f.results.envelope = {no_points, with_points, phn_env_marker(80, 90, "AA")};
    f.results.words.emplace_back(80, 90, "after");

    const std::string written = write_text(f, kWriteAll);
    read_result back = read_text(written);
    ASSERT_TRUE(back.ok) << back.errors << written;
    const app_sync_results& t = back.file.results;
    ASSERT_EQ(t.phonemes.size(), 2u);
    EXPECT_EQ(t.phonemes[0].label, "");
    EXPECT_FLOAT_EQ(t.phonemes[0].value, 12.0f);
    ASSERT_EQ(t.phonemes[0].energy.size(), 1u);
    EXPECT_FLOAT_EQ(t.phonemes[0].energy[0].value, 5.0f);
    EXPECT_EQ(t.phonemes[1].label, "AA");
    ASSERT_EQ(t.envelope.size(), 3u);
    EXPECT_EQ(t.envelope[0].label, "");
    EXPECT_TRUE(t.envelope[0].points.empty());
    EXPECT_EQ(t.envelope[1].label, "");
    ASSERT_EQ(t.envelope[1].points.size(), 2u);
    EXPECT_EQ(t.envelope[1].points[1].time, 70);
    EXPECT_FLOAT_EQ(t.envelope[1].points[1].value, 0.75f);
    EXPECT_EQ(t.envelope[2].label, "AA");
    ASSERT_EQ(t.words.size(), 1u);
    EXPECT_EQ(t.words[0].label, "after");
    // Saving the file read back gives the same file.
    EXPECT_EQ(write_text(back.file, kWriteAll), written);
}

TEST(ResultsFile, ScriptHoldingTheEndMarkRoundTrips) {
    const std::string mark = "%%-end-zuvo-text-%%";
    const std::string scripts[] = {
        "before\n" + mark + "\nafter",
        mark + "\nat the start",
        "at the end\n" + mark,
        "inside a line " + mark + " goes on",
        mark + mark + "\n" + mark,
        "%%-end-zuvo-text-%%-end-zuvo-text-%%",  // two marks sharing their "%%"
        mark + "+ already followed by the continuation",
        "%%-begin-zuvo-text-%% a begin mark\n%%-end-zuvo-text-% nearly a mark\n-end-zuvo-text-%%",
    };
    for (const std::string& script : scripts) {
        sync_results_file f;
        f.script_text = script;
        f.results.words.emplace_back(0, 10, "word");
        // Another section follows the base ones in a Flash document's file.
        const std::string written = write_text(f, kWriteAll) + "flash section\n";
        std::istringstream in(written);
        std::ostringstream errors;
        sync_results_file back;
        EXPECT_TRUE(back.read(in, errors)) << errors.str() << written;
        EXPECT_EQ(back.script_text, script) << written;
        EXPECT_EQ(back.results.words.size(), 1u) << written;
        std::string rest(std::istreambuf_iterator<char>(in), {});
        EXPECT_EQ(rest, "\nflash section\n") << written;
    }

    // A script without the mark is written as it is.
    sync_results_file plain;
    plain.script_text = "one + two\n%% three";
    EXPECT_EQ(write_text(plain, kWriteScript),
              "%%-begin-zuvo-text-%% one + two\n%% three\n%%-end-zuvo-text-%%\nend_markers\n");
    // A mark followed by anything but the continuation still ends the script.
    read_result same_line = read_text("%%-begin-zuvo-text-%% a\n%%-end-zuvo-text-%% word 1 2 b\nend_markers\n");
    ASSERT_TRUE(same_line.ok) << same_line.errors;
    EXPECT_EQ(same_line.file.script_text, "a");
    EXPECT_EQ(same_line.file.results.words.size(), 1u);
}

TEST(ResultsFile, ReaderRecords) {
    read_result r = read_text(
        "energy 0 10 5\n"
        "WORD 10 20   hello world  \n"
        "Phn 0 100 50 AA\n"
        "energy 0 50 7\n"
        "gest 0 500 8 nod|idle\n"
        "%%-BEGIN-ZUVO-TEXT-%% Hello,\nthere\n%%-end-zuvo-text-%%\n"
        "\n\n"
        "end_markers\nnot read");
    ASSERT_TRUE(r.ok) << r.errors;
    EXPECT_EQ(r.file.results.words[0].label, "hello world");
    ASSERT_EQ(r.file.results.phonemes.size(), 1u);
    ASSERT_EQ(r.file.results.phonemes[0].energy.size(), 1u);  // the energy before any phoneme is dropped
    EXPECT_EQ(r.file.results.gestures[0].gesture_name, "nod");
    EXPECT_EQ(r.file.results.gestures[0].pose_name, "idle");
    EXPECT_EQ(r.file.results.gestures[0].label, "idle:nod");
    EXPECT_EQ(r.file.script_text, "Hello,\nthere");
    EXPECT_EQ(r.file.results.phonemes[0].label, "AA");

    // Reading stops right after "end_markers": the caller reads on from there.
    std::istringstream in("word 1 2 a\nend_markers\nflash section\n");
    std::ostringstream errors;
    sync_results_file f;
    EXPECT_TRUE(f.read(in, errors));
    std::string rest(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(rest, "\nflash section\n");

    // No "end_markers": read to the end, still a success.
    read_result open_end = read_text("word 1 2 a\nphn 0 10 1 x");
    EXPECT_TRUE(open_end.ok);
    EXPECT_EQ(open_end.file.results.phonemes.size(), 1u);
    EXPECT_TRUE(read_text("version 1.2\n").ok);
    EXPECT_TRUE(read_text("").ok);
}

// Editors that save UTF-8 may start the file with a byte-order mark: it is no part of the first
// keyword, and a script so saved is still refused by its first word alone.
TEST(ResultsFile, AByteOrderMarkBeforeTheFirstKeywordIsSkipped) {
    const std::string bom = "\xEF\xBB\xBF";
    struct {
        std::string input;
        bool ok;
        size_t words;
        const char* errors;
    } cases[] = {
        {bom + "version 1.2\nword 0 10 a\nend_markers\n", true, 1, ""},
        {bom + "WORD 0 10 a\n", true, 1, ""},
        {bom + "\nword 0 10 a\nbogus\n", false, 1, "Error: Line[3]: unrecognized marker 'bogus'\n"},
        {bom + "Yang spragg on frain\n", false, 0, "Error: Line[1]: unrecognized marker 'Yang'\n"},
        // Only at the start of the file.
        {"word 0 10 a\n" + bom + "word 10 20 b\n", false, 1, "Error: Line[2]: unrecognized marker '\xEF\xBB\xBFword'\n"},
    };
    for (const auto& c : cases) {
        read_result r = read_text(c.input);
        EXPECT_EQ(r.ok, c.ok) << c.input;
        EXPECT_EQ(r.errors, c.errors) << c.input;
        EXPECT_EQ(r.file.results.words.size(), c.words) << c.input;
        EXPECT_EQ(NotResultsTextReason(c.input), "") << c.input;
    }
}

TEST(ResultsFile, ReaderErrorMessages) {
    struct {
        const char* input;
        const char* errors;
    } cases[] = {
        {"phn 0 100 50 abc\n", "Error: Line[1]: Incorrect or empty phoneme label 'abc'\n"},
        {"word 0 1 a\nphn_env 0 100 abc 0\n", "Error: Line[2]: Incorrect or empty phoneme label 'abc'\n"},
        {"word 0 1 a\nword 1 2 b\nversion 1.3\n", "Error: Line[1]: zuvo file version newer than this program can handle\n"},
        {"word 1 2 a\nbogus 1 2\nword 3 4 c\n", "Error: Line[2]: unrecognized marker 'bogus'\n"},
        {"%%-begin-zuvo-text-%% abc\n", "Error: Line[1]: Script Text is not correctly delimited in zuvo file\n"},
        {"phn 0 x 50 AA\n", "Error: Line[1]: Incorrect or missing number in 'phn' record\n"},
        {"word 1\n", "Error: Line[1]: Incorrect or missing number in 'word' record\n"},
        {"phn_vis 0 10 11 AA 1\n", "Error: Line[1]: Articulation count 11 is not between 0 and 10\n"},
        {"phn_vis 0 10 -1\n", "Error: Line[1]: Articulation count -1 is not between 0 and 10\n"},
        {"phn_vis 0 10 1 ABCD 1\n", "Error: Line[1]: Incorrect or empty phoneme code 'ABCD'\n"},
        {"phn_env 0 10 AA -2\n", "Error: Line[1]: Envelope point count -2 is negative\n"},
        {"Version 2\n", "Error: Line[1]: zuvo file version newer than this program can handle\n"},
    };
    for (const auto& c : cases) {
        read_result r = read_text(c.input);
        EXPECT_FALSE(r.ok) << c.input;
        EXPECT_EQ(r.errors, c.errors) << c.input;
    }

    std::string long_word = "word 0 1 " + std::string(3000, 'a') + "\n";
    read_result r = read_text(long_word);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Error: Line[1]: Field longer than 2047 characters in 'word' record\n");
    std::string long_keyword = std::string(5000, 'k') + " 1 2\n";
    r = read_text(long_keyword);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, "Error: Line[1]: Keyword longer than 2047 characters\n");
}

TEST(ResultsFile, WhatWasReadBeforeAnErrorStays) {
    read_result r = read_text("word 0 10 kept\nphn 0 100 50 abc\nword 10 20 lost\n");
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.file.results.words.size(), 1u);
    ASSERT_EQ(r.file.results.phonemes.size(), 1u);
    EXPECT_EQ(r.file.results.phonemes[0].label, "");
    EXPECT_FLOAT_EQ(read_text("version 1.2\n").file.version, 1.2f);
}

TEST(ResultsFile, MalformedInputFailsCleanly) {
    std::string garbage;
    uint32_t seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(seed >> 24));
    }
    const std::string cases[] = {
        "phn 0",
        "phn 0 100",
        "phn 0 100 50",
        "energy 1 2",
        "gest 0 1",
        "phn_vis 0 10 2 AA 0.5",
        "phn_vis 0 10 10 AA",
        "phn_env 0 10 AA 2147483647 1 2",
        "phn_env 0 10 AA 3 1 2 3",
        "phn 99999999999 1 2 AA",
        "%%-begin-zuvo-text-%%",
        "%%-begin-zuvo-text-%% text %%-end-zuvo",
        std::string("word 0 1 a\0b\n", 13),
        std::string("\0\xff\xfe\x01 phn", 9),
        garbage,
        "phn 0 100 50 AA\nenergy 0 50 1e40\n",
        "phn_vis 0 10 1 AA nan\n",
    };
    for (const std::string& input : cases) {
        read_result r = read_text(input);
        if (r.ok)
            EXPECT_EQ(r.errors, "") << input.substr(0, 40);
        else
            EXPECT_EQ(r.errors.rfind("Error: Line[", 0), 0u) << input.substr(0, 40);
        // Whatever was read must write out and read back again.
        std::string written = write_text(r.file, kWriteAll);
        EXPECT_EQ(written.substr(written.size() - 12), "end_markers\n");
    }
}

// A stream buffer that takes the first `room` bytes and then fails, like a full disk.
class full_disk_buffer : public std::streambuf {
public:
    explicit full_disk_buffer(size_t room) : room_(room) {}

protected:
    int overflow(int c) override {
        if (room_ == 0) return traits_type::eof();
        --room_;
        return traits_type::not_eof(c);
    }

private:
    size_t room_;
};

TEST(ResultsFile, WriterReportsFailure) {
    sync_results_file f;
    f.results.words.emplace_back(0, 10, "hello");
    f.script_text = std::string(5000, 's');
    for (size_t room : {size_t(0), size_t(20), size_t(4000)}) {
        full_disk_buffer buffer(room);
        std::ostream out(&buffer);
        std::string error;
        EXPECT_FALSE(f.write(out, 0, kWriteAll, &error)) << room;
        EXPECT_NE(error, "") << room;
    }
    // A field longer than the reader takes is refused, not written to stop a later read.
    f.results.words.emplace_back(20, 30, std::string(3000, 'w').c_str());
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(f.write(out, 0, kWriteAll, &error));
    EXPECT_NE(error.find("20 ms"), std::string::npos) << error;
}

TEST(ResultsFile, SaveKeepsTheOldFileOnFailure) {
    const std::string folder = ::testing::TempDir() + "results_save_test";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/take.zuvo";
    sync_results_file f;
    f.results.phonemes.emplace_back(0, 10, "sil", 5.0f);
    std::string error;
    ASSERT_TRUE(SaveResultsFile(f, path, kWriteAll, &error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream errors;
    sync_results_file back;
    ASSERT_TRUE(back.read(in, errors)) << errors.str();
    ASSERT_EQ(back.results.phonemes.size(), 1u);
    EXPECT_EQ(back.results.phonemes[0].label, "sil");
    const std::string saved = read_whole(path);

    f.results.words.emplace_back(0, 10, std::string(3000, 'w').c_str());
    EXPECT_FALSE(SaveResultsFile(f, path, kWriteAll, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(read_whole(path), saved);
    EXPECT_FALSE(SaveResultsFile(f, folder + "/missing/take.zuvo", kWriteAll, &error));
    std::filesystem::remove_all(folder);
}

// A record that ends before it starts is left out, a phoneme label that is no phoneme code is
// kept; each kind is one warning at its first line, however many records share it.
TEST(ResultsFile, DoubtfulRecordsGiveOneWarningPerKind) {
    const struct {
        const char* input;
        size_t phonemes, words, others;  // others: punctuation, XML, gestures, keys, envelopes
        const char* warning;
    } cases[] = {
        {"phn 0 100 50 AA\nphn 300 200 50 AA\nenergy 200 300 5\n", 1, 0, 0,
         "Line[2]: 'phn' record ends at 200 before it starts at 300: left out"},
        {"word 10 5 hi\npunct 10 5 .\nxml 10 5 <x/>\ngest 10 5 8 nod|idle\nphn_vis 10 5 0\nphn_env 10 5 AA 0\n", 0, 0,
         0, "Line[1]: 'word' record ends at 5 before it starts at 10: left out (5 more like it)"},
        {"phn 0 100 50 AA\nphn 100 200 50 QQ\nphn 200 300 50 qq\n", 3, 0, 0,
         "Line[2]: 'QQ' is not a phoneme code: kept as written (1 more like it)"},
        {"word 5 5 hi\npunct 0 10 .\ngest 6535 6535 8 |\n", 0, 1, 2, nullptr},  // no length is fine
    };
    for (const auto& c : cases) {
        read_result r = read_text(std::string(c.input) + "end_markers\n");
        EXPECT_TRUE(r.ok) << c.input;
        EXPECT_EQ(r.errors, "") << c.input;
        const app_sync_results& t = r.file.results;
        EXPECT_EQ(t.phonemes.size(), c.phonemes) << c.input;
        EXPECT_EQ(t.words.size(), c.words) << c.input;
        EXPECT_EQ(t.punctuation.size() + t.xml_events.size() + t.gestures.size() + t.articulation.size() +
                      t.envelope.size(),
                  c.others)
            << c.input;
        if (c.warning) {
            ASSERT_EQ(r.file.warnings.size(), 1u) << c.input;
            EXPECT_EQ(r.file.warnings[0], c.warning);
        } else {
            EXPECT_TRUE(r.file.warnings.empty()) << c.input;
        }
    }
    // The energy line of a phoneme left out goes with it.
    read_result r = read_text("phn 0 100 50 AA\nphn 300 200 50 b\nenergy 200 300 5\nend_markers\n");
    ASSERT_EQ(r.file.results.phonemes.size(), 1u);
    EXPECT_TRUE(r.file.results.phonemes[0].energy.empty());
}

// How far the markers reach, and which line reaches there, for the caller that knows the
// recording's length.
TEST(ResultsFile, ReaderNotesTheRecordsThatReachFurthest) {
    read_result r = read_text("word -20 5 a\nphn 0 2147483647 0 AA\nphn 10 20 0 b\nend_markers\n");
    EXPECT_EQ(r.file.earliest_start, -20);
    EXPECT_EQ(r.file.earliest_start_line, 1);
    EXPECT_EQ(r.file.latest_end, 2147483647);
    EXPECT_EQ(r.file.latest_end_line, 2);
}

TEST(ResultsFile, FileWithoutItsEndReadsWithAWarning) {
    const struct {
        const char* input;
        bool warned;
    } cases[] = {
        {"word 1 2 a\nphn 0 10 1 x\n", true},
        {"word 1 2 a\nphn 0 10 1 x", true},
        {"", true},
        {"word 1 2 a\nend_markers\n", false},
        {"word 1 2 a\nend_markers", false},
    };
    for (const auto& c : cases) {
        read_result r = read_text(c.input);
        EXPECT_TRUE(r.ok) << c.input;
        EXPECT_EQ(!r.file.warnings.empty(), c.warned) << c.input;
        EXPECT_EQ(r.errors, "") << c.input;
    }
    // A second read starts with no warnings of the first.
    sync_results_file f;
    std::ostringstream errors;
    std::istringstream cut("word 1 2 a\n"), whole("end_markers\n");
    f.read(cut, errors);
    f.read(whole, errors);
    EXPECT_TRUE(f.warnings.empty());
}

}  // namespace
