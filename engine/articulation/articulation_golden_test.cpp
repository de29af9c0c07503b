// Golden keys and envelopes of a fixed five-second phoneme track: the articulator's whole output
// is locked down, and two fresh articulators must give it byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/articulation/articulation_test_support.h"
#include "engine/articulation/phoneme_mixture_articulator.h"

namespace {

// "Bob, pass me the blue whale by five" with rests, starting after the first frame.
std::vector<phn_marker> FiveSecondTrack() {
    return MakeTrack({
        {"x", 120, 400, 100},    {"b", 400, 470, 85},    {"AA", 470, 640, 92},   {"b", 640, 720, 70},
        {"x", 720, 900, 100},    {"p", 900, 960, 64},    {"AE", 960, 1110, 88},  {"s", 1110, 1260, 55},
        {"m", 1260, 1330, 77},   {"IY", 1330, 1470, 90}, {"DH", 1470, 1520, 40}, {"AH", 1520, 1600, 66},
        {"b", 1600, 1650, 80},   {"l", 1650, 1720, 58},  {"UW", 1720, 1930, 95}, {"x", 1930, 2150, 100},
        {"w", 2150, 2230, 61},   {"EY", 2230, 2410, 89}, {"l", 2410, 2480, 52},  {"b", 2480, 2540, 73},
        {"AY", 2540, 2760, 91},  {"f", 2760, 2850, 69},  {"AY", 2850, 3050, 87}, {"v", 3050, 3120, 48},
        {"x", 3120, 3400, 100},  {"TH", 3400, 3470, 35}, {"IH", 3470, 3560, 71}, {"NG", 3560, 3650, 47},
        {"k", 3650, 3700, 30},   {"OW", 3700, 3900, 93}, {"m", 3900, 4010, 81},  {"ER", 4010, 4180, 84},
        {"ZH", 4180, 4240, 39},  {"CH", 4240, 4310, 57}, {"OY", 4310, 4520, 90}, {"p", 4520, 4580, 76},
        {"x", 4580, 5000, 100},
    });
}

std::string Dump(CPhonemeMixtureArticulator& articulator) {
    std::ostringstream out;
    char line[64];
    for (const ArticulationKey& key : articulator.Keys()) {
        out << "key " << key.start << ' ' << key.end;
        for (int i = 0; i < key.count; ++i) {
            std::snprintf(line, sizeof line, " %s:%.6f", key.pairs[i].code, key.pairs[i].weight);
            out << line;
        }
        out << '\n';
    }
    articulator.BuildEnvelopes();
    for (EnvelopeRecord* r = articulator.EnvelopesBegin(); r != articulator.EnvelopesEnd(); ++r) {
        out << "envelope " << r->label << ' ' << r->start << ' ' << r->end << ' ' << r->count;
        for (int i = 0; i < r->count; ++i) {
            std::snprintf(line, sizeof line, " %d,%d,%.6f", r->points[i].base, r->points[i].time, r->points[i].value);
            out << line;
        }
        out << '\n';
    }
    return out.str();
}

// As the document runs it: level 4, with and without smoothing; then the plain level 10.
std::string Articulate() {
    std::string all;
    for (uint32_t flags : {kArticulatorSmoothing, 0u}) {
        for (int level : {4, 10}) {
            CPhonemeMixtureArticulator articulator;
            articulator.SetFlags(flags);
            articulator.SetLevel(level);
            EXPECT_EQ(articulator.GenerateFromPhonemes(FiveSecondTrack(), -1, -1), 0);
            all += "# flags " + std::to_string(flags) + " level " + std::to_string(level) + "\n";
            all += Dump(articulator);
        }
    }
    return all;
}

TEST(ArticulationGolden, FiveSecondTrackGivesTheRecordedKeysAndEnvelopes) {
    const std::string path = std::string(MURMUREX_TESTDATA_DIR) + "/articulation/five_second_track.golden";
    const std::string actual = Articulate();
    EXPECT_EQ(actual, Articulate()) << "two fresh articulators disagree";

    if (std::getenv("MURMUREX_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing " << path << " (run with MURMUREX_UPDATE_GOLDEN=1 to record it)";
    std::stringstream expected;
    expected << in.rdbuf();
    // Compare line by line so a difference names the first key or envelope that changed.
    std::istringstream a(actual), e(expected.str());
    std::string al, el;
    int lineNo = 0;
    while (true) {
        const bool ha = static_cast<bool>(std::getline(a, al));
        const bool he = static_cast<bool>(std::getline(e, el));
        ++lineNo;
        if (!ha || !he) {
            EXPECT_EQ(ha, he) << "line count differs at line " << lineNo;
            break;
        }
        ASSERT_EQ(al, el) << "line " << lineNo;
    }
}

}  // namespace
