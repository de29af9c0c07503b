// Tests of the file reader streams (WAV, NIST) and the source wrapper: formats, channel reads,
// sample conversion and malformed headers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/api/error_messages.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/nist_stream.h"
#include "engine/audio/wav_reader_stream.h"
#include "engine/audio/zuvo_stream.h"

using namespace audio_test;

namespace {

Ref<CWavRdrStream> OpenWav(const std::string& path, int* rc) {
    Ref<CWavRdrStream> s(new CWavRdrStream);
    *rc = s->Open(path.c_str());
    return s;
}

TEST(WavReader, StereoChannelReadsPickOneSideOrInterleaveAll) {
    TempDir dir;
    const std::vector<int16_t> samples = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5};
    WavSpec spec;
    spec.channels = 2;
    spec.rate = 22050;
    spec.junkBeforeData = true;  // a padded odd-sized chunk before "data" is skipped
    ASSERT_TRUE(WriteBytes(dir.File("s.wav"), BuildWav(spec, Pcm16(samples))));
    int rc;
    auto s = OpenWav(dir.File("s.wav"), &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(s->GetRate(), 22050u << 16);
    EXPECT_EQ(s->GetFrameCount(), 5u);
    EXPECT_EQ(s->GetByteLength(), 20u);

    ASSERT_EQ(s->Start(), 0);
    float right[5];
    unsigned frames = 5;
    ASSERT_EQ(s->ReadChannelFloat(right, &frames, 2), 0);
    ASSERT_EQ(frames, 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(right[i], -(i + 1));

    ASSERT_EQ(s->Start(), 0);
    float all[10];
    frames = 5;
    ASSERT_EQ(s->ReadChannelFloat(all, &frames, 0), 0);
    ASSERT_EQ(frames, 5u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(all[i], samples[i]);

    // Repeated channel reads of a smaller count reuse the scratch block and move on each time.
    ASSERT_EQ(s->Start(), 0);
    short left[2];
    frames = 2;
    ASSERT_EQ(s->ReadChannel16(left, &frames, 1), 0);
    EXPECT_EQ(left[0], 1);
    EXPECT_EQ(left[1], 2);
    frames = 2;
    ASSERT_EQ(s->ReadChannel16(left, &frames, 1), 0);
    EXPECT_EQ(left[0], 3);
    EXPECT_EQ(left[1], 4);
    frames = 2;
    ASSERT_EQ(s->ReadChannel16(left, &frames, 1), 0);
    EXPECT_EQ(frames, 1u);
    EXPECT_EQ(left[0], 5);
    // At the end: no frames and no error; a channel that is not there is refused.
    frames = 2;
    EXPECT_EQ(s->ReadChannel16(left, &frames, 1), 0);
    EXPECT_EQ(frames, 0u);
    frames = 2;
    EXPECT_EQ(s->ReadChannel16(left, &frames, 3), kErrOutOfRange);
    EXPECT_EQ(frames, 0u);
    ASSERT_EQ(s->Start(), 0);
    frames = 1;
    ASSERT_EQ(s->ReadChannel16(left, &frames, 2), 0);
    EXPECT_EQ(left[0], -1);
}

TEST(WavReader, EightBitSamplesWidenAroundTheMidpoint) {
    TempDir dir;
    const std::vector<unsigned char> bytes = {128, 0, 255, 129};
    for (unsigned fmtSize : {16u, 14u}) {  // the 14-byte block has no bits field and means 8-bit
        WavSpec spec;
        spec.bits = 8;
        spec.fmtSize = fmtSize;
        ASSERT_TRUE(WriteBytes(dir.File("b.wav"), BuildWav(spec, bytes)));
        int rc;
        auto s = OpenWav(dir.File("b.wav"), &rc);
        ASSERT_EQ(rc, 0) << fmtSize;
        EXPECT_EQ(s->GetBits(), 8u);
        short out[4];
        unsigned frames = 4;
        ASSERT_EQ(s->ReadChannel16(out, &frames, 1), 0);
        ASSERT_EQ(frames, 4u);
        EXPECT_EQ(out[0], 0);
        EXPECT_EQ(out[1], -32768);
        EXPECT_EQ(out[2], 32512);
        EXPECT_EQ(out[3], 256);
        ASSERT_EQ(s->Start(), 0);
        float f[4];
        frames = 4;
        ASSERT_EQ(s->ReadChannelFloat(f, &frames, 1), 0);
        EXPECT_EQ(f[1], -32768.0f);
    }
}

// Stored samples of the widened WAV codings, each made from the same 16-bit values.
std::vector<unsigned char> Encode(const std::vector<int16_t>& values, const std::string& coding) {
    std::vector<unsigned char> b;
    for (int16_t v : values) {
        if (coding == "s24") {
            PutU16(b, 0x5A00);  // low byte, then the 16-bit value above it
            b.pop_back();
            PutU16(b, static_cast<uint16_t>(v));
        } else if (coding == "s32") {
            PutU16(b, 0x1234);
            PutU16(b, static_cast<uint16_t>(v));
        } else if (coding == "f32") {
            const float f = v / 32768.0f;
            uint32_t u;
            std::memcpy(&u, &f, 4);
            PutU32(b, u);
        } else if (coding == "f64") {
            const double d = v / 32768.0;
            uint64_t u;
            std::memcpy(&u, &d, 8);
            PutU32(b, static_cast<uint32_t>(u));
            PutU32(b, static_cast<uint32_t>(u >> 32));
        } else {
            PutU16(b, static_cast<uint16_t>(v));
        }
    }
    return b;
}

// A "fmt " block of the extensible kind around a sub-format tag.
WavSpec Extensible(unsigned subFormat, unsigned bits, unsigned channels) {
    WavSpec s;
    s.formatTag = 0xFFFE;
    s.bits = bits;
    s.channels = channels;
    s.fmtSize = 40;
    s.extensibleSubFormat = subFormat;
    return s;
}

TEST(WavReader, WidenedCodingsChannelsAndRatesReadAsSixteenBit) {
    TempDir dir;
    const std::vector<int16_t> mono = {0, 1000, -1000, 32767, -32768, 12345};
    struct Case {
        const char* what;
        WavSpec spec;
        std::string coding;
        unsigned rateHz;
    };
    auto spec = [](unsigned tag, unsigned bits, unsigned channels, uint32_t rate = 16000) {
        WavSpec s;
        s.formatTag = tag;
        s.bits = bits;
        s.channels = channels;
        s.rate = rate;
        return s;
    };
    const std::vector<Case> cases = {
        {"24-bit", spec(1, 24, 1, 48000), "s24", 48000},
        {"32-bit integer", spec(1, 32, 2), "s32", 16000},
        {"32-bit float", spec(3, 32, 1), "f32", 16000},
        {"64-bit float", spec(3, 64, 1), "f64", 16000},
        {"extensible 16-bit", Extensible(1, 16, 2), "s16", 16000},
        {"extensible 24-bit", Extensible(1, 24, 1), "s24", 16000},
        {"extensible float", Extensible(3, 32, 1), "f32", 16000},
        {"6 channels", spec(1, 16, 6), "s16", 16000},
        {"96 kHz", spec(1, 16, 1, 96000), "s16", 96000},
        {"192 kHz 24-bit", spec(1, 24, 2, 192000), "s24", 192000},
        {"88.2 kHz", spec(1, 16, 1, 88200), "s16", 88200},
    };
    for (const Case& c : cases) {
        // Channel 1 holds the values; the others their negation, so a wrong stride shows.
        std::vector<int16_t> interleaved;
        for (int16_t v : mono) {
            interleaved.push_back(v);
            for (unsigned ch = 1; ch < c.spec.channels; ++ch) interleaved.push_back(static_cast<int16_t>(~v));
        }
        ASSERT_TRUE(WriteBytes(dir.File("w.wav"), BuildWav(c.spec, Encode(interleaved, c.coding))));
        int rc;
        auto s = OpenWav(dir.File("w.wav"), &rc);
        ASSERT_EQ(rc, 0) << c.what;
        EXPECT_EQ(s->GetRateHz(), c.rateHz) << c.what;
        EXPECT_EQ(s->GetBits(), 16u) << c.what;
        EXPECT_EQ(s->GetChannels(), c.spec.channels) << c.what;
        EXPECT_EQ(s->GetFrameCount(), mono.size()) << c.what;
        ASSERT_EQ(s->Start(), 0);
        std::vector<short> out(mono.size() + 4);
        unsigned frames = static_cast<unsigned>(out.size());
        ASSERT_EQ(s->ReadChannel16(out.data(), &frames, 1), 0) << c.what;
        ASSERT_EQ(frames, mono.size()) << c.what;
        for (size_t i = 0; i < mono.size(); ++i) EXPECT_EQ(out[i], mono[i]) << c.what << " sample " << i;
        if (c.spec.channels > 1) {
            ASSERT_EQ(s->Start(), 0);
            frames = 2;
            ASSERT_EQ(s->ReadChannel16(out.data(), &frames, c.spec.channels), 0);
            EXPECT_EQ(out[1], static_cast<int16_t>(~mono[1])) << c.what;
        }
    }
}

TEST(WavReader, CompandedSamplesDecode) {
    TempDir dir;
    const struct {
        unsigned tag;
        std::vector<unsigned char> bytes;
        std::vector<int16_t> values;
    } cases[] = {
        {6, {0xD5, 0x55, 0xAA, 0x2A}, {8, -8, 32256, -32256}},       // A-law
        {7, {0xFF, 0x7F, 0x80, 0x00}, {0, 0, 32124, -32124}},        // mu-law
    };
    for (const auto& c : cases) {
        WavSpec spec;
        spec.formatTag = c.tag;
        spec.bits = 8;
        spec.fmtSize = 18;
        ASSERT_TRUE(WriteBytes(dir.File("g.wav"), BuildWav(spec, c.bytes)));
        int rc;
        auto s = OpenWav(dir.File("g.wav"), &rc);
        ASSERT_EQ(rc, 0) << c.tag;
        ASSERT_EQ(s->Start(), 0);
        short out[4];
        unsigned frames = 4;
        ASSERT_EQ(s->ReadChannel16(out, &frames, 1), 0);
        ASSERT_EQ(frames, 4u);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], c.values[i]) << c.tag << " sample " << i;
    }
}

TEST(WavReader, MalformedAndUnsupportedFilesGiveTheirCodes) {
    TempDir dir;
    const auto samples = Pcm16({1, 2, 3, 4});
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        int code;
    };
    auto wav = [&](auto change) {
        WavSpec s;
        change(s);
        return BuildWav(s, samples);
    };
    std::vector<unsigned char> notRiff = wav([](WavSpec&) {});
    std::memcpy(notRiff.data(), "RIFX", 4);
    std::vector<unsigned char> noData = wav([](WavSpec&) {});
    noData.resize(12 + 8 + 16);  // RIFF header and "fmt " only
    std::vector<unsigned char> shortFmt = wav([](WavSpec&) {});
    shortFmt.resize(12 + 8 + 6);
    const std::vector<Case> cases = {
        {"GSM", wav([](WavSpec& s) { s.formatTag = 0x31; }), kErrCompressedWav},
        {"extensible MPEG", BuildWav(Extensible(0x55, 0, 1), samples), kErrCompressedWav},
        {"extensible, foreign sub-format", wav([](WavSpec& s) {
             s = Extensible(1, 16, 1);
             s.extensibleGuidTail = false;
         }), kErrCompressedWav},
        {"extensible block cut short", wav([](WavSpec& s) {
             s = Extensible(1, 16, 1);
             s.fmtSize = 24;
         }), kErrBadData},
        {"16-bit float", wav([](WavSpec& s) { s.formatTag = 3; }), kErrBadData},
        {"16-bit IMA ADPCM", wav([](WavSpec& s) { s.formatTag = 0x11; }), kErrBadData},
        {"ADPCM of 3 channels", wav([](WavSpec& s) {
             s.formatTag = 2;
             s.bits = 4;
             s.channels = 3;
             s.blockAlign = 256;
         }), kErrBadData},
        {"IMA ADPCM, no whole block", wav([](WavSpec& s) {
             s.formatTag = 0x11;
             s.bits = 4;
             s.blockAlign = 7;
         }), kErrBadData},
        {"40-bit", wav([](WavSpec& s) { s.bits = 40; }), kErrBadData},
        {"0-bit", wav([](WavSpec& s) { s.bits = 0; }), kErrBadData},
        {"16-bit mu-law", wav([](WavSpec& s) { s.formatTag = 7; }), kErrBadData},
        {"no channels", wav([](WavSpec& s) { s.channels = 0; }), kErrBadData},
        {"rate 0", wav([](WavSpec& s) { s.rate = 0; }), kErrBadData},
        {"rate beyond 384 kHz", wav([](WavSpec& s) { s.rate = 400000; }), kErrBadData},
        {"fmt of 12 bytes", wav([](WavSpec& s) { s.fmtSize = 12; }), kErrBadData},
        {"not RIFF", notRiff, kErrBadData},
        {"no data chunk", noData, kErrBadData},
        {"fmt cut short", shortFmt, kErrBadData},
        {"empty file", {}, kErrBadData},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteBytes(dir.File("m.wav"), c.bytes));
        int rc;
        auto s = OpenWav(dir.File("m.wav"), &rc);
        EXPECT_EQ(rc, c.code) << c.what;
    }
    int rc;
    auto missing = OpenWav(dir.File("missing.wav"), &rc);
    EXPECT_NE(rc, 0);
}

TEST(WavReader, ZeroBlockAlignAndOversizedDataChunkStillReadSafely) {
    TempDir dir;
    const std::vector<int16_t> samples = {10, 20, 30, 40, 50, 60};
    WavSpec spec;
    spec.channels = 2;
    spec.blockAlign = 0;
    spec.dataSize = 0x7FFFFFF0;  // claims far more than the file holds
    ASSERT_TRUE(WriteBytes(dir.File("z.wav"), BuildWav(spec, Pcm16(samples))));
    int rc;
    auto s = OpenWav(dir.File("z.wav"), &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(s->GetByteLength(), 12u);
    EXPECT_EQ(s->GetFrameCount(), 3u);
    short out[16];
    unsigned frames = 8;
    ASSERT_EQ(s->Read(out, &frames), 0);
    EXPECT_EQ(frames, 3u);
    EXPECT_EQ(out[5], 60);
    frames = 8;
    EXPECT_EQ(s->Read(out, &frames), 0);
    EXPECT_EQ(frames, 0u);
    // Start rewinds to the first frame.
    ASSERT_EQ(s->Start(), 0);
    frames = 1;
    ASSERT_EQ(s->Read(out, &frames), 0);
    EXPECT_EQ(out[0], 10);
}

// A file cut short is told apart from a whole one (and from one with chunks after its data),
// so the program can say that only part of the recording was there.
TEST(WavReader, CutShortFilesAreToldApart) {
    TempDir dir;
    const std::vector<int16_t> samples(100, 7);
    WavSpec spec;
    ASSERT_TRUE(WriteBytes(dir.File("whole.wav"), BuildWav(spec, Pcm16(samples))));
    std::vector<unsigned char> trailing = BuildWav(spec, Pcm16(samples));
    trailing.insert(trailing.end(), {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'});
    ASSERT_TRUE(WriteBytes(dir.File("trailing.wav"), trailing));
    spec.dataSize = 1000;
    ASSERT_TRUE(WriteBytes(dir.File("cut.wav"), BuildWav(spec, Pcm16(samples))));
    ASSERT_TRUE(WriteBytes(dir.File("noise.wav"), std::vector<unsigned char>(64, 'x')));
    const struct {
        const char* name;
        bool cut;
        uint64_t announced, present;
    } cases[] = {
        {"whole.wav", false, 200, 200},
        {"trailing.wav", false, 200, 212},
        {"cut.wav", true, 1000, 200},
        {"noise.wav", false, 0, 0},
        {"missing.wav", false, 0, 0},
    };
    for (const auto& c : cases) {
        uint64_t announced = 0, present = 0;
        EXPECT_EQ(WaveFileCutShort(dir.File(c.name).c_str(), &announced, &present), c.cut) << c.name;
        EXPECT_EQ(announced, c.announced) << c.name;
        EXPECT_EQ(present, c.present) << c.name;
    }
}

Ref<CNistStream> OpenNist(const std::string& path, int* rc) {
    Ref<CNistStream> s(new CNistStream);
    *rc = s->Open(path.c_str());
    return s;
}

TEST(NistReader, HonoursTheByteOrderField) {
    TempDir dir;
    const std::vector<int16_t> values = {0x0102, -2, 300, -32768};
    std::vector<unsigned char> little = Pcm16(values), big;
    for (size_t i = 0; i < little.size(); i += 2) big.insert(big.end(), {little[i + 1], little[i]});
    std::vector<unsigned char> big24;  // each value above a low byte, high byte first
    for (int16_t v : values)
        big24.insert(big24.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v), 0x33});
    const std::string common = "channel_count -i 1\nsample_rate -i 8000\nsample_count -i 4\n";
    const struct {
        std::string order;
        const std::vector<unsigned char>* bytes;
    } cases[] = {{"sample_n_bytes -i 2\nsample_byte_format -s2 01\n", &little},
                 {"sample_n_bytes -i 2\nsample_byte_format -s2 10\n", &big},
                 {"sample_n_bytes -i 3\nsample_byte_format -s3 210\n", &big24},
                 {"sample_n_bytes -i 2\n", &little}};  // no field: little-endian
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(dir.File("n.sph"), BuildNist(common + c.order, *c.bytes)));
        int rc;
        auto s = OpenNist(dir.File("n.sph"), &rc);
        ASSERT_EQ(rc, 0) << c.order;
        EXPECT_EQ(s->GetRate(), 8000u << 16);
        EXPECT_EQ(s->GetFrameCount(), 4u);
        ASSERT_EQ(s->Start(), 0);
        short out[4];
        unsigned frames = 4;
        ASSERT_EQ(s->ReadChannel16(out, &frames, 1), 0);
        ASSERT_EQ(frames, 4u);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], values[i]) << c.order << " sample " << i;
    }
}

TEST(NistReader, HeaderFieldsDefaultsLimitsAndRefusals) {
    TempDir dir;
    const std::vector<unsigned char> data(400, 0x80);  // 400 bytes of samples
    struct Case {
        std::string fields;
        int headerSize;
        int code;
        unsigned rateHz, channels, bits, frames;
    };
    const std::vector<Case> cases = {
        {"sample_count -i 100\n", 1024, 0, 16000, 1, 16, 100},  // defaults
        {"sample_rate -i 96000\nchannel_count -i 3\nsample_count -i 10\n", 1024, 0, 96000, 3, 16, 10},
        {"sample_n_bytes -i 1\nchannel_count -i 2\nsample_count -i 50\n", 1024, 0, 16000, 2, 8, 50},
        {"sample_n_bytes -i 4\nsample_count -i 10\n", 1024, 0, 16000, 1, 16, 10},  // read as 16-bit
        {"sample_n_bytes -i 3\nchannel_count -i 2\n", 1024, 0, 16000, 2, 16, 66},  // count from the bytes
        {"sample_rate -i 8000\n", 1024, 0, 8000, 1, 16, 200},  // no sample count: the bytes present
        {"sample_coding -s4 ulaw\nsample_n_bytes -i 1\n", 1024, 0, 16000, 1, 16, 400},
        {"sample_n_bytes -i 5\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"sample_n_bytes -i 0\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"channel_count -i -2\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"channel_count -i 70000\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"sample_rate -i -8000\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"sample_rate -i 5000000\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"sample_coding -s26 pcm,embedded-shorten-v2.00\n", 1024, kErrCompressedWav, 0, 0, 0, 0},
        {"sample_rate -s5 16000\nsample_count -i 1\n", 1024, 0, 16000, 1, 16, 1},  // not an integer field
        {"sample_count -i 100000\n", 1024, 0, 16000, 1, 16, 200},  // bounded by the bytes present
        {"sample_count -i 4\n", 64, 0, 16000, 1, 16, 4},
        {"sample_rate -i 0\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"channel_count -i 0\n", 1024, kErrBadData, 0, 0, 0, 0},
        {"sample_count -i 4\n", 8, kErrBadData, 0, 0, 0, 0},        // header below 16 bytes
        {"sample_count -i 4\n", 100000, kErrBadData, 0, 0, 0, 0},  // header beyond the file
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> file = BuildNist(c.fields, data, c.headerSize < 64 ? 1024 : c.headerSize);
        if (c.headerSize < 64 || c.headerSize > 4096) {
            // Rewrite the size field only, keeping the rest of the file as it is.
            const std::string size = std::to_string(c.headerSize);
            std::memset(file.data() + 8, ' ', 7);
            std::memcpy(file.data() + 15 - size.size(), size.data(), size.size());
            if (c.headerSize > 4096) file.resize(2000);
        }
        ASSERT_TRUE(WriteBytes(dir.File("h.sph"), file));
        int rc;
        auto s = OpenNist(dir.File("h.sph"), &rc);
        ASSERT_EQ(rc, c.code) << c.fields;
        if (c.code != 0) continue;
        EXPECT_EQ(s->GetRateHz(), c.rateHz) << c.fields;
        EXPECT_EQ(s->GetChannels(), c.channels) << c.fields;
        EXPECT_EQ(s->GetBits(), c.bits) << c.fields;
        EXPECT_EQ(s->GetFrameCount(), c.frames) << c.fields;
    }
    std::vector<unsigned char> wrongMagic = BuildNist("", data);
    wrongMagic[5] = '2';
    ASSERT_TRUE(WriteBytes(dir.File("w.sph"), wrongMagic));
    int rc;
    auto s = OpenNist(dir.File("w.sph"), &rc);
    EXPECT_EQ(rc, kErrBadData);
    auto missing = OpenNist(dir.File("none.sph"), &rc);
    EXPECT_EQ(rc, kErrFileNotFound);
}

// An application source over a byte vector that counts its references.
class VectorSource : public IZuvoPCMStream2 {
public:
    VectorSource(PCMFormat f, std::vector<unsigned char> b, int* deleted) : fmt(f), bytes(std::move(b)), deleted_(deleted) {}
    ~VectorSource() override { ++*deleted_; }
    int GetFormat(PCMFormat* out) override {
        *out = fmt;
        return 0;
    }
    int GetLength() override { return static_cast<int>(bytes.size()); }
    int Read(void* buffer, int n) override {
        const int k = std::min<int>(n, static_cast<int>(bytes.size()) - pos);
        std::memcpy(buffer, bytes.data() + pos, k);
        pos += k;
        return k;
    }
    int Rewind() override {
        pos = 0;
        return 0;
    }
    int AddRef() override { return ++refs; }
    int Release() override {
        if (--refs <= 0) {
            delete this;
            return 0;
        }
        return refs;
    }
    int Open(const char*) override { return 0; }
    int refs = 0;

private:
    PCMFormat fmt;
    std::vector<unsigned char> bytes;
    int pos = 0;
    int* deleted_;
};

TEST(ZuvoStream, TakesWholeHertzOrFixedPointRatesAndRefusesOddWidths) {
    int deleted = 0;
    const struct {
        uint32_t rate;
        uint16_t bits;
        int code;
        uint32_t stored;
    } cases[] = {{22050, 16, 0, 22050u << 16},
                 {22050u << 16, 16, 0, 22050u << 16},
                 {55000, 8, 0, 55000u << 16},
                 {24000, 24, kErrBadData, 0}};
    for (const auto& c : cases) {
        auto* src = new VectorSource({c.rate, c.bits, 2}, Pcm16({1, 2, 3, 4, 5, 6}), &deleted);
        Ref<CZuvoStream> s(new CZuvoStream);
        EXPECT_EQ(s->Open(src), c.code);
        if (c.code == 0) {
            EXPECT_EQ(s->GetRate(), c.stored);
            EXPECT_EQ(s->GetFrameCount(), c.bits == 16 ? 3u : 6u);
        }
        delete src;
    }
    Ref<CZuvoStream> s(new CZuvoStream);
    EXPECT_EQ(s->Open(nullptr), kErrInvalidArgument);
    EXPECT_EQ(s->Start(), kErrInvalidArgument);
}

TEST(ZuvoStream, Open2HoldsOneReferenceUntilDestroyed) {
    int deleted = 0;
    auto* src = new VectorSource({16000, 16, 1}, Pcm16({7, 8, 9}), &deleted);
    src->AddRef();
    {
        Ref<CZuvoStream> s(new CZuvoStream);
        ASSERT_EQ(s->Open2(src), 0);
        EXPECT_EQ(src->refs, 2);
        src->Release();  // the caller's reference goes; the stream keeps the source alive
        EXPECT_EQ(deleted, 0);
        short out[4];
        unsigned frames = 4;
        ASSERT_EQ(s->Start(), 0);
        ASSERT_EQ(s->Read(out, &frames), 0);
        EXPECT_EQ(frames, 3u);
        EXPECT_EQ(out[2], 9);
    }
    EXPECT_EQ(deleted, 1);
}

}  // namespace
