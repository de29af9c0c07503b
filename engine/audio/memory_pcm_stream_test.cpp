// Tests of in-memory audio: loading files at the working rate (tones, widths, rates), progress
// and cancel, read errors, frame access, writes, copies and the range window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/memory_pcm_stream.h"

using namespace audio_test;

namespace {

const PCMFormat kTarget{16000u << 16, 16, 1};

struct MemoryDeleter {
    void operator()(CMemoryPCMStream* p) const {
        if (p) p->Destroy();
    }
};
using MemoryPtr = std::unique_ptr<CMemoryPCMStream, MemoryDeleter>;

MemoryPtr Load(const std::string& path, int* rc, CProgress* progress = nullptr) {
    CMemoryPCMStream* out = nullptr;
    *rc = CreateMemoryPCMStreamFromFile(path.c_str(), &kTarget, progress, &out);
    return MemoryPtr(out);
}

std::vector<double> Samples(CMemoryPCMStream& m) {
    std::vector<float> f(m.GetFrameCount());
    int count = m.GetFrameCount();
    EXPECT_EQ(m.ReadFramesFloat(f.data(), 0, &count, 0), 0);
    return std::vector<double>(f.begin(), f.end());
}

TEST(MemoryLoad, StereoToneFileLoadsAsItsFirstChannelAtSixteenKilohertz) {
    TempDir dir;
    WavSpec spec;
    spec.channels = 2;
    spec.rate = 44100;
    ASSERT_TRUE(WriteBytes(dir.File("tone.wav"), BuildWav(spec, Pcm16(Tones(44100, 44100, {1000, 3000})))));
    int rc;
    MemoryPtr m = Load(dir.File("tone.wav"), &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->GetRate(), 16000u << 16);
    EXPECT_EQ(m->GetBits(), 16);
    EXPECT_EQ(m->GetBytesPerFrame(), 2);
    EXPECT_EQ(m->GetFrameCount(), 16001);  // ceil(44100 x the single-precision ratio)
    EXPECT_EQ(m->GetByteLength(), 32002);

    const std::vector<double> x = Samples(*m);
    const size_t n = 8192;  // bins of 16000 / 8192 Hz
    const std::vector<double> mag = Spectrum(std::vector<double>(x.begin() + 4000, x.end()), n);
    const double binHz = 16000.0 / n;
    EXPECT_NEAR(PeakBin(mag) * binHz, 1000.0, binHz);
    const double at3k = mag[static_cast<size_t>(std::lround(3000 / binHz))];
    EXPECT_LT(at3k, mag[PeakBin(mag)] * 1e-3) << "the second channel leaked in";
}

// Every supported width and rate arrives at the working rate with the tone in place and the
// signal running to the end (no input lost between reads).
TEST(MemoryLoad, WidthsAndRatesConvertToTheWorkingFormat) {
    TempDir dir;
    const struct {
        unsigned rate, bits, channels;
        int frames;
    } cases[] = {{48000, 16, 1, 16001}, {48000, 8, 2, 16001}, {8000, 16, 1, 16000}, {8000, 8, 1, 16000},
                 {16000, 16, 2, 16000}, {22050, 16, 1, 16001}, {11025, 8, 1, 16001}};
    for (const auto& c : cases) {
        const std::vector<int16_t> tone = Tones(c.rate, c.rate, std::vector<double>(c.channels, 1000.0));
        std::vector<unsigned char> bytes;
        if (c.bits == 16) {
            bytes = Pcm16(tone);
        } else {
            for (int16_t v : tone) bytes.push_back(static_cast<unsigned char>((v >> 8) + 128));
        }
        WavSpec spec;
        spec.rate = c.rate;
        spec.bits = c.bits;
        spec.channels = c.channels;
        ASSERT_TRUE(WriteBytes(dir.File("w.wav"), BuildWav(spec, bytes)));
        int rc;
        MemoryPtr m = Load(dir.File("w.wav"), &rc);
        ASSERT_EQ(rc, 0) << c.rate << "/" << c.bits;
        EXPECT_EQ(m->GetFrameCount(), c.frames) << c.rate << "/" << c.bits;
        const std::vector<double> x = Samples(*m);
        const std::vector<double> mag = Spectrum(std::vector<double>(x.begin() + 2000, x.end()), 8192);
        EXPECT_NEAR(PeakBin(mag) * 16000.0 / 8192, 1000.0, 16000.0 / 8192) << c.rate << "/" << c.bits;
        // The tone lasts to the last few frames: the 0.9 filter gain of 12000 is about 10800.
        double peakNearEnd = 0;
        for (int i = c.frames - 40; i < c.frames - 3; ++i) peakNearEnd = std::max(peakNearEnd, std::abs(x[i]));
        EXPECT_GT(peakNearEnd, 9000) << c.rate << "/" << c.bits;
    }
}

class RecordingProgress : public CProgress {
public:
    explicit RecordingProgress(int cancelAt) : cancelAt_(cancelAt) {}
    void SetStatusText(const char*) override {}
    bool Progress(int done, int total) override {
        calls.push_back(done);
        lastTotal = total;
        return static_cast<int>(calls.size()) == cancelAt_;
    }
    std::vector<int> calls;
    int lastTotal = 0;

private:
    int cancelAt_;
};

TEST(MemoryLoad, ReportsProgressAndCancelGivesAnEmptyStream) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("p.wav"), BuildWav(WavSpec{}, Pcm16(Tones(16000, 4000, {500})))));
    RecordingProgress all(-1);
    int rc;
    MemoryPtr m = Load(dir.File("p.wav"), &rc, &all);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(m->GetFrameCount(), 4000);
    ASSERT_GE(all.calls.size(), 3u);
    EXPECT_EQ(all.calls[0], 352);
    EXPECT_EQ(all.calls[1], 512);
    EXPECT_EQ(all.calls.back(), 4000);
    EXPECT_EQ(all.lastTotal, 4000);

    for (int cancelAt : {1, 3}) {
        RecordingProgress cancel(cancelAt);
        MemoryPtr c = Load(dir.File("p.wav"), &rc, &cancel);
        EXPECT_EQ(rc, 0);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->GetFrameCount(), 0);
        EXPECT_EQ(c->GetByteLength(), 0);
        EXPECT_EQ(static_cast<int>(cancel.calls.size()), cancelAt);
    }
}

// The long reads of opening a file (a walk through a great many chunks, the decoding of ADPCM
// data) come before the samples are loaded; a cancel there stops the open at once, as a cancel
// and not as a file that is no good.
TEST(MemoryLoad, CancelWhileOpeningStopsTheOpen) {
    TempDir dir;
    std::vector<unsigned char> walk = BuildWav(WavSpec{}, {});
    walk.resize(walk.size() - 8);  // no data chunk: the walk goes to the end
    for (int i = 0; i < 20000; ++i) {
        PutTag(walk, "JUNK");
        PutU32(walk, 0);
    }
    const uint32_t riffSize = static_cast<uint32_t>(walk.size() - 8);
    std::memcpy(walk.data() + 4, &riffSize, 4);
    WavSpec ima;
    ima.formatTag = 0x11;
    ima.bits = 4;
    ima.blockAlign = 256;  // 505 frames a block
    const struct {
        const char* file;
        std::vector<unsigned char> bytes;
        int uncancelled;  // the result when nothing cancels
    } cases[] = {
        {"many_chunks.wav", walk, kErrBadData},
        {"ima.wav", BuildWav(ima, std::vector<unsigned char>(3000 * 256, 0x35)), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(WriteBytes(dir.File(c.file), c.bytes));
        RecordingProgress cancel(1);
        int rc;
        MemoryPtr m = Load(dir.File(c.file), &rc, &cancel);
        EXPECT_EQ(rc, kErrCancelled);
        EXPECT_FALSE(m);
        EXPECT_EQ(cancel.calls.size(), 1u);

        RecordingProgress all(-1);
        m = Load(dir.File(c.file), &rc, &all);
        EXPECT_EQ(rc, c.uncancelled);
        EXPECT_FALSE(all.calls.empty());
    }
}

TEST(MemoryLoad, OpeningErrorsComeBackWithTheirCodes) {
    TempDir dir;
    int rc;
    EXPECT_FALSE(Load(dir.File("missing.wav"), &rc));
    EXPECT_EQ(rc, kErrFileNotFound);
    WavSpec compressed;
    compressed.formatTag = 0x31;  // GSM
    ASSERT_TRUE(WriteBytes(dir.File("c.wav"), BuildWav(compressed, Pcm16({1, 2}))));
    EXPECT_FALSE(Load(dir.File("c.wav"), &rc));
    EXPECT_EQ(rc, kErrCompressedWav);
    // No reader claims the extension and the bytes name no format.
    ASSERT_TRUE(WriteBytes(dir.File("u.xyz"), std::vector<unsigned char>(64, 'x')));
    EXPECT_FALSE(Load(dir.File("u.xyz"), &rc));
    EXPECT_EQ(rc, kErrNotRecording);
    // A rate of a few hertz would blow a small file up to gigabytes at 16 kHz.
    WavSpec crawling;
    crawling.rate = 2;
    ASSERT_TRUE(WriteBytes(dir.File("slow.wav"), BuildWav(crawling, Pcm16(std::vector<int16_t>(30000, 5)))));
    EXPECT_FALSE(Load(dir.File("slow.wav"), &rc));
    EXPECT_EQ(rc, kErrBadData);
    CMemoryPCMStream* out = reinterpret_cast<CMemoryPCMStream*>(1);
    EXPECT_EQ(CreateMemoryPCMStreamFromFile(nullptr, &kTarget, nullptr, &out), kErrInvalidArgument);
    EXPECT_EQ(out, nullptr);
}

TEST(MemoryLoad, SourceReadErrorIsReportedNotAnEmptySuccess) {
    Ref<MemoryStream> src(new MemoryStream(16000, std::vector<float>(2000, 5.0f)));
    src->failAtRead = 3;
    CMemoryPCMStream m;
    EXPECT_EQ(m.LoadFromStreamWithProgress(src.get(), nullptr), kErrBadData);
    EXPECT_EQ(m.GetFrameCount(), 0);
    EXPECT_EQ(m.GetByteLength(), 0);
}

// An application source for LoadFromStream: a byte vector that can fail or be cancelled.
class BytesSource : public IZuvoPCMStream {
public:
    BytesSource(std::vector<unsigned char> b, bool failing) : bytes(std::move(b)), failing_(failing) {}
    int GetFormat(PCMFormat* out) override {
        *out = {16000, 16, 1};
        return 0;
    }
    int GetLength() override { return static_cast<int>(bytes.size()); }
    int Read(void* buffer, int n) override {
        if (failing_ && pos > 0) return -1;
        const int k = std::min<int>(n, static_cast<int>(bytes.size()) - pos);
        std::memcpy(buffer, bytes.data() + pos, k);
        pos += k;
        return k;
    }
    int Rewind() override {
        pos = 0;
        return 0;
    }
    std::vector<unsigned char> bytes;
    int pos = 0;

private:
    bool failing_;
};

TEST(MemoryLoad, ApplicationSourcesLoadInBytes) {
    BytesSource good(Pcm16(Tones(16000, 5000, {300})), false);
    CMemoryPCMStream m;
    RecordingProgress progress(-1);
    ASSERT_EQ(m.LoadFromStream(&good, &progress), 0);
    EXPECT_EQ(m.GetFrameCount(), 5000);
    EXPECT_EQ(m.GetRate(), 16000u);  // kept as the source gave it
    EXPECT_EQ(progress.calls.front(), 4128);
    EXPECT_EQ(progress.lastTotal, 10000);
    EXPECT_EQ(std::memcmp(m.GetData(), good.bytes.data(), 10000), 0);

    BytesSource bad(Pcm16(Tones(16000, 5000, {300})), true);
    EXPECT_EQ(m.LoadFromStream(&bad, nullptr), kErrBadData);
    EXPECT_EQ(m.GetFrameCount(), 0);

    RecordingProgress cancel(1);
    EXPECT_EQ(m.LoadFromStream(&good, &cancel), 0);
    EXPECT_EQ(m.GetByteLength(), 0);
}

// An application source at 16 kHz (16.16) with a given channel count.
class ChannelsSource : public BytesSource {
public:
    ChannelsSource(std::vector<unsigned char> b, unsigned channels) : BytesSource(std::move(b), false), ch(channels) {}
    int GetFormat(PCMFormat* out) override {
        *out = {16000u << 16, 16, static_cast<uint16_t>(ch)};
        return 0;
    }

private:
    unsigned ch;
};

// Loads frames 0, 1, 2, ... n-1 (negated in the second channel).
void LoadRamp(CMemoryPCMStream& m, int n, unsigned channels = 1) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        for (unsigned c = 0; c < channels; ++c) v.push_back(static_cast<int16_t>(i * (c ? -1 : 1)));
    ChannelsSource s(Pcm16(v), channels);
    ASSERT_EQ(m.LoadFromStream(&s, nullptr), 0);
}

TEST(MemoryStream, ReadFramesBoundsStartsCountsAndChannels) {
    CMemoryPCMStream m;
    LoadRamp(m, 100, 2);
    ASSERT_EQ(m.GetFrameCount(), 100);
    short buf[400];
    const struct {
        int start, count, channel, code, got, first;
    } cases[] = {
        {90, 100, 1, 0, 10, 90},   // cut at the end
        {90, 100, 2, 0, 10, -90},  // the second channel
        {0, 3, 0, 0, 3, 0},        // whole frames
        {100, 1, 1, kErrOutOfRange, 0, 0},
        {-1, 5, 1, kErrOutOfRange, 0, 0},
        {5, -2, 1, kErrOutOfRange, 0, 0},
        {5, 2, 3, kErrOutOfRange, 0, 0},
        {0x7FFFFFF0, 0x7FFFFFF0, 1, kErrOutOfRange, 0, 0},
        {50, 0x7FFFFFF0, 1, 0, 50, 50},  // start + count beyond int range
    };
    for (const auto& c : cases) {
        int count = c.count;
        EXPECT_EQ(m.ReadFrames16(buf, c.start, &count, c.channel), c.code) << c.start << "," << c.count;
        EXPECT_EQ(count, c.got) << c.start << "," << c.count;
        if (c.got > 0) {
            EXPECT_EQ(buf[0], c.first) << c.start;
        }
    }
    int count = 2;
    ASSERT_EQ(m.ReadFrames(buf, 7, &count, 0), 0);
    EXPECT_EQ(buf[0], 7);
    EXPECT_EQ(buf[1], -7);
    float f[2];
    count = 2;
    ASSERT_EQ(m.ReadFramesFloat(f, 98, &count, 2), 0);
    EXPECT_EQ(f[1], -99.0f);
}

TEST(MemoryStream, ConversionsBetweenFramesBytesAndTime) {
    CMemoryPCMStream m;
    LoadRamp(m, 16);
    EXPECT_DOUBLE_EQ(m.FramesToMs(16000), 1000.0);
    EXPECT_EQ(m.MsToFrames(1), 16);
    EXPECT_EQ(m.FramesToBytes(10), 20);
    EXPECT_EQ(m.BytesToFrames(21), 10);
    // Huge values saturate instead of wrapping into negative ones.
    EXPECT_EQ(m.MsToFrames(2147483647), 2147483647);
    EXPECT_EQ(m.MsToFrames(-2147483647), -2147483647 - 1);
    EXPECT_EQ(m.FramesToBytes(2000000000), 2147483647);
}

TEST(MemoryStream, WritesClampAndStayInsideTheAudio) {
    CMemoryPCMStream m;
    LoadRamp(m, 10);
    const float values[] = {1e9f, -1e9f, 12.7f, -12.7f};
    ASSERT_EQ(m.WriteFramesFromFloat(values, 6, 4), 0);
    short buf[10];
    int count = 10;
    ASSERT_EQ(m.ReadFrames16(buf, 0, &count, 0), 0);
    EXPECT_EQ(buf[5], 5);
    EXPECT_EQ(buf[6], 32767);
    EXPECT_EQ(buf[7], -32767);
    EXPECT_EQ(buf[8], 12);
    EXPECT_EQ(buf[9], -12);
    EXPECT_EQ(m.WriteFramesFromFloat(values, 7, 4), kErrOutOfRange);
    EXPECT_EQ(m.WriteFramesFromFloat(values, -1, 1), kErrOutOfRange);
    EXPECT_EQ(m.WriteFramesFromFloat(values, 0, -1), kErrOutOfRange);
    CMemoryPCMStream stereo;
    LoadRamp(stereo, 10, 2);
    EXPECT_EQ(stereo.WriteFramesFromFloat(values, 0, 1), 6);
}

TEST(MemoryStream, CopiesAreDeep) {
    CMemoryPCMStream m;
    LoadRamp(m, 50);
    MemoryPtr clone(m.Clone());
    ASSERT_TRUE(clone);
    CMemoryPCMStream other;
    LoadRamp(other, 5, 2);
    ASSERT_EQ(other.CopyFrom(m), 0);
    ASSERT_EQ(other.CopyFrom(other), 0);
    const float loud[] = {999};
    ASSERT_EQ(m.WriteFramesFromFloat(loud, 3, 1), 0);
    for (CMemoryPCMStream* copy : {clone.get(), &other}) {
        EXPECT_EQ(copy->GetFrameCount(), 50);
        EXPECT_EQ(copy->GetBytesPerFrame(), 2);
        short v;
        int count = 1;
        ASSERT_EQ(copy->ReadFrames16(&v, 3, &count, 1), 0);
        EXPECT_EQ(v, 3);
    }
}

TEST(MemoryRangeStream, WindowIsClampedAndReadsStopAtItsEnd) {
    CMemoryPCMStream m;
    LoadRamp(m, 100);
    CMemoryPCMRangeStream* range = nullptr;
    ASSERT_EQ(CreateMemoryPCMRangeStream(&m, &range), 0);
    EXPECT_EQ(range->GetLength(), 200);
    range->SetRange(20, 10);  // frames 10 to 14
    EXPECT_EQ(range->GetLength(), 10);
    ASSERT_EQ(range->Rewind(), 0);
    short buf[50];
    EXPECT_EQ(range->Read(buf, 100), 10);
    EXPECT_EQ(buf[0], 10);
    EXPECT_EQ(buf[4], 14);
    EXPECT_EQ(range->Read(buf, 100), 0);

    range->SetRange(500, 10);  // a start beyond the end moves to 0
    EXPECT_EQ(range->GetLength(), 10);
    range->SetRange(190, 50);  // a length running past the end is cut
    EXPECT_EQ(range->GetLength(), 10);
    range->Rewind();
    EXPECT_EQ(range->Read(buf, 4), 4);
    EXPECT_EQ(buf[0], 95);
    PCMFormat f;
    range->GetFormat(&f);
    EXPECT_EQ(f.sampleRate, 16000u << 16);
    EXPECT_EQ(DestroyMemoryPCMRangeStream(range), 0);
    EXPECT_EQ(DestroyMemoryPCMRangeStream(nullptr), 0);
    EXPECT_EQ(CreateMemoryPCMRangeStream(nullptr, &range), kErrInvalidArgument);
    EXPECT_EQ(range, nullptr);
}

}  // namespace
