// SWF files made elsewhere (see testdata/README.md): every tag read and written back by its own class
// gives the same bytes, and the decoded headers, tags and display-list fields agree with an
// independent parser's decoding (committed as NAME.expected.txt by tools/swf_oracle_dump.py, and
// re-made here when that parser is installed).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "swf/flash_actions.h"
#include "swf/flash_display.h"
#include "swf/swf_test_support.h"

namespace {

const std::string kDir = std::string(MURMUREX_TESTDATA_DIR) + "/swf/";
const char* const kFixtures[] = {"express_install", "soundmanager2", "videojs_player", "videojs_flashls_player",
                                 "display_list"};

std::string ReadText(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

struct Decoded {
    std::string text;  // in the oracle's format
    size_t tags = 0;
    std::vector<uint16_t> normalized;  // codes with long headers on short bodies, written back short
    std::map<uint16_t, int> rawCodes;  // codes read through the raw fallback
    std::vector<std::string> mismatches;
};

std::string Opt(bool has, long value) { return has ? std::to_string(value) : "-"; }

Decoded Decode(const std::string& name) {
    Decoded d;
    flash_ifstream in(kDir + name + ".swf");
    EXPECT_TRUE(in.good()) << name;
    FlashHeader h;
    std::string error;
    if (!ReadFlashHeader(in, h, error, nullptr)) {
        ADD_FAILURE() << name << ": " << error;
        return d;
    }
    in.version = h.version;
    const uint8_t sig = in.data()[0];
    std::ostringstream out;
    out << "header " << (sig == 'C' ? "CWS" : "FWS") << ' ' << int(h.version) << ' ' << h.fileLength << ' '
        << h.frame.xmin << ' ' << h.frame.xmax << ' ' << h.frame.ymin << ' ' << h.frame.ymax << ' '
        << (h.rateInteger * 256 + h.rateFraction) << ' ' << h.frameCount << '\n';
    RecordingVisitor v;
    for (;;) {
        uint64_t start = in.tellg();
        std::unique_ptr<FlashTag> tag;
        bool more = ReadFlashTag(in, tag, &v);
        if (!tag) break;
        ++d.tags;
        out << "tag " << tag->code << ' ' << tag->GetLength() << '\n';
        if (typeid(*tag) == typeid(FlashTag)) d.rawCodes[tag->code]++;
        if (auto* p = dynamic_cast<FlashTagPlaceObject2*>(tag.get())) {
            out << "  place2 depth=" << p->depth << " char=" << Opt(p->hasCharacter, p->characterId)
                << " move=" << int(p->move) << " matrix="
                << (p->hasMatrix ? std::to_string(p->matrix.translateX) + "," + std::to_string(p->matrix.translateY) : "-")
                << " ratio=" << Opt(p->hasRatio, p->ratio) << " name=" << (p->hasName ? p->name : "-")
                << " clipdepth=" << Opt(p->hasClipDepth, p->clipDepth)
                << " clipactions=" << (p->clipActions.empty() ? "no" : "yes") << '\n';
        } else if (auto* r = dynamic_cast<FlashTagRemoveObject2*>(tag.get())) {
            out << "  remove2 depth=" << r->depth << '\n';
        } else if (auto* l = dynamic_cast<FlashTagLabelFrame*>(tag.get())) {
            out << "  label " << l->label << '\n';
        }
        // The tag written back by its own class must give the bytes it was read from.
        std::vector<uint8_t> original(in.data() + start, in.data() + in.tellg());
        flash_ostream w;
        w.version = h.version;
        tag->Write(w);
        // A body under 63 bytes behind a long header (some writers do that) comes back with the short
        // header; everything else must be identical.
        size_t header_size = FlashTagHeader::SizeFor(tag->GetLength());
        if (original.size() - tag->GetLength() == 6 && header_size == 2) {
            d.normalized.push_back(tag->code);
            flash_ostream canonical;
            WriteTagHeader(canonical, tag->code, tag->GetLength());
            original.erase(original.begin(), original.begin() + 6);
            original.insert(original.begin(), canonical.bytes().begin(), canonical.bytes().end());
        }
        if (w.bytes() != original)
            d.mismatches.push_back(name + ": " + flash_tag_name(tag->code) + " at " + std::to_string(start));
        if (!more) break;
    }
    EXPECT_TRUE(v.tooFar.empty() && v.extra.empty()) << name;
    EXPECT_EQ(in.remaining(), 0u) << name;
    d.text = out.str();
    return d;
}

// The python that has the independent parser, or empty.
std::string OraclePython() {
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        std::string probe = std::string(python) + " -c 'import yaswfp' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) return python;
    }
    return "";
}

}  // namespace

TEST(FlashFixtures, EveryTagWritesBackItsOwnBytes) {
    for (const char* name : kFixtures) {
        Decoded d = Decode(name);
        EXPECT_GT(d.tags, 2u) << name;
        EXPECT_TRUE(d.mismatches.empty()) << d.mismatches.front();
        // Only the sound player's sprite and asset list come with long headers on short bodies.
        std::vector<uint16_t> expected;
        if (std::string(name) == "soundmanager2") expected = {39, 56};
        EXPECT_EQ(d.normalized, expected) << name;
    }
}

TEST(FlashFixtures, DisplayListFixtureUsesNoRawFallback) {
    // Every code in it except 77 has a class of its own.
    Decoded d = Decode("display_list");
    EXPECT_EQ(d.rawCodes, (std::map<uint16_t, int>{{77, 1}}));
}

TEST(FlashFixtures, DecodingAgreesWithTheIndependentParser) {
    for (const char* name : kFixtures) {
        std::string expected = ReadText(kDir + name + ".expected.txt");
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(Decode(name).text, expected) << name;
    }
}

TEST(FlashFixtures, CommittedExpectationsMatchTheParserWhenInstalled) {
    std::string python = OraclePython();
    if (python.empty()) GTEST_SKIP() << "python3-yaswfp is not installed; the committed expectations stand";
    for (const char* name : kFixtures) {
        std::string out = testing::TempDir() + "swf_oracle_" + name + ".txt";
        std::string cmd = python + " " + MURMUREX_SOURCE_DIR + "/tools/swf_oracle_dump.py " + kDir + name + ".swf > " + out;
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
        EXPECT_EQ(ReadText(out), ReadText(kDir + name + ".expected.txt")) << name;
        std::remove(out.c_str());
    }
}

TEST(FlashFixtures, EveryTruncationFailsCleanly) {
    flash_ifstream whole(kDir + "display_list.swf");
    ASSERT_TRUE(whole.good());
    std::vector<uint8_t> file(whole.data(), whole.data() + whole.size());
    testing::internal::CaptureStderr();
    for (size_t cut = 0; cut < file.size(); ++cut) {
        flash_istream in(file.data(), cut);
        FlashHeader h;
        std::string error;
        if (!ReadFlashHeader(in, h, error, nullptr)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        in.version = h.version;
        RecordingVisitor v;
        std::vector<std::unique_ptr<FlashTag>> tags;
        ReadFlashTags(in, tags, &v);
        EXPECT_EQ(v.ends, 0) << cut;
        EXPECT_EQ(v.tooFar.size(), 1u) << cut;
    }
    // The compressed files cut short refuse to open.
    flash_ifstream packed(kDir + "videojs_player.swf");
    std::vector<uint8_t> cfile(packed.data(), packed.data() + packed.size());
    // (The last bytes are the zlib checksum: without them the data is still whole, and reads.)
    for (size_t cut : {size_t(9), cfile.size() / 2, cfile.size() * 3 / 4}) {
        flash_istream in(cfile.data(), cut);
        FlashHeader h;
        std::string error;
        EXPECT_FALSE(ReadFlashHeader(in, h, error, nullptr)) << cut;
    }
    testing::internal::GetCapturedStderr();
}
