// Tests of opening audio files by name: the extension table, error codes, reader plug-ins, and
// the Ogg Vorbis and MP3 decoders on encoded fixtures of a known chirp.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "engine/api/error_messages.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/audio/mp3_file_reader.h"
#include "engine/audio/ogg_file_reader.h"

using namespace audio_test;

namespace {

const std::string kFixtures = std::string(MURMUREX_TESTDATA_DIR) + "/audio/";

int OpenResult(const std::string& path, Ref<CPCMStream>* stream = nullptr) {
    CPCMStream* out = nullptr;
    const int rc = CreateZuvoStreamFromFile(path.c_str(), &out);
    if (stream) stream->reset(out);
    else if (out) out->Release();
    return rc;
}

// Runs first in a fresh process (a death-test child), where no plug-in has been installed.
TEST(AudioFileOpenDeathTest, OggWithoutPluginsIsNotReadable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const int rc = OpenResult(kFixtures + "chirp_44k_stereo.ogg");
            std::exit(rc == kErrBadOgg ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(AudioFileOpen, ExtensionChoosesTheReaderWithoutRegardToCase) {
    InstallDefaultAudioFileReaders();
    TempDir dir;
    const std::vector<unsigned char> wav = BuildWav(WavSpec{}, Pcm16({1, 2, 3}));
    const std::vector<unsigned char> nist = BuildNist("sample_count -i 3\n", Pcm16({1, 2, 3}));
    const std::vector<unsigned char> junk(300, 0x21);
    WavSpec gsmSpec;
    gsmSpec.formatTag = 0x31;  // GSM
    const std::vector<unsigned char> gsm = BuildWav(gsmSpec, Pcm16({1, 2, 3}));
    const struct {
        const char* name;
        const std::vector<unsigned char>* bytes;
        int code;
    } cases[] = {
        {"a.wav", &wav, 0},          {"b.WAV", &wav, 0},         {"c.Tmp", &wav, 0},
        {"d.wav", &nist, 0},         // NIST data under ".wav"
        {"e.SPH", &nist, 0},
        // The extension's reader refuses the file, or no reader claims the extension: the first
        // bytes name the format.
        {"f.sph", &wav, 0},          {"g.tmp", &nist, 0},        {"noextension", &wav, 0},
        {"h.aiff", &wav, 0},         {"i.mp3", &wav, 0},         {"j.OGG", &nist, 0},
        {"dir.wav/k", &wav, 0},      // the last '.' is in a folder name
        {"l.wav", &junk, kErrBadData}, {"n.xyz", &junk, kErrNotRecording}, {"o.mp3", &junk, kErrBadMp3},
        {"p.mp3", &gsm, kErrCompressedWav},  // identified as WAVE, which keeps its own code
    };
    std::filesystem::create_directories(dir.File("dir.wav"));
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(dir.File(c.name), *c.bytes));
        EXPECT_EQ(OpenResult(dir.File(c.name)), c.code) << c.name;
    }
    for (const char* missing : {"m.wav", "m.sph", "m.mp3", "m.ogg"}) {
        EXPECT_EQ(OpenResult(dir.File(missing)), kErrFileNotFound) << missing;
    }
    EXPECT_EQ(OpenResult(dir.File("m.xyz")), kErrFileNotFound);
}

// A file that does not open is never called a WAV file unless it is one: the code names the
// format its first bytes (else its extension) announce, or what the path is instead of a file.
TEST(AudioFileOpen, FilesThatDoNotOpenSayWhatTheyAre) {
    InstallDefaultAudioFileReaders();
    TempDir dir;
    const std::vector<unsigned char> pcm = Pcm16({1, 2, 3});
    const std::vector<unsigned char> badNist = BuildNist("sample_n_bytes -i 7\n", pcm);
    const std::vector<unsigned char> shortened = BuildNist("sample_coding -s8 shorten\n", pcm);
    const std::vector<unsigned char> cutNist(badNist.begin(), badNist.begin() + 100);
    const std::string flacText = std::string("fLaC\0\0\0\x22", 8) + std::string(60, 'f');
    const std::vector<unsigned char> flac(flacText.begin(), flacText.end());
    const std::vector<unsigned char> junk(300, 0x21);
    const std::vector<unsigned char> oggHead = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    const struct {
        const char* name;
        const std::vector<unsigned char>* bytes;
        int code;
    } cases[] = {
        {"bad.sph", &badNist, kErrBadNist},      {"bad.wav", &badNist, kErrBadNist},
        {"cut.sph", &cutNist, kErrBadNist},      {"nist", &cutNist, kErrBadNist},
        {"packed.sph", &shortened, kErrCompressedNist}, {"packed.wav", &shortened, kErrCompressedNist},
        {"junk.sph", &junk, kErrBadNist},        {"junk.wav", &junk, kErrBadData},
        {"music.flac", &flac, kErrNotRecording}, {"music.mp3", &flac, kErrBadMp3},
        {"head.ogg", &oggHead, kErrBadOgg},      {"head.wav", &oggHead, kErrBadOgg},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(dir.File(c.name), *c.bytes));
        EXPECT_EQ(OpenResult(dir.File(c.name)), c.code) << c.name << ": " << GetErrorMessage(OpenResult(dir.File(c.name)));
    }
    // Paths that are no file are refused before any reader opens them: a pipe without a writer
    // would block the reader for ever.
    std::filesystem::create_directories(dir.File("folder.wav"));
    ASSERT_EQ(::mkfifo(dir.File("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(OpenResult(dir.File("folder.wav")), kErrIsFolder);
    EXPECT_EQ(OpenResult(dir.File("pipe.wav")), kErrIsPipe);
    EXPECT_EQ(OpenResult("/dev/null"), kErrIsDevice);
}

TEST(AudioFileOpen, ContentUnderAnotherExtensionOpensAsWhatItIs) {
    InstallDefaultAudioFileReaders();
    TempDir dir;
    // Speech, whose samples hold many patterns that pass for MPEG frame headers.
    const std::vector<unsigned char> wav =
        ReadBytes(std::string(MURMUREX_TESTDATA_DIR) + "/speech/rms_0011_clean.wav");
    const std::vector<unsigned char> pcm(wav.begin() + 44, wav.end());
    ASSERT_EQ(wav.size() % 2, 0u);
    const std::vector<unsigned char> ogg = ReadBytes(kFixtures + "chirp_44k_stereo.ogg");
    const std::vector<unsigned char> mp3 = ReadBytes(kFixtures + "chirp_8k_mono.mp3");
    const struct {
        const char* name;
        const std::vector<unsigned char>* bytes;
        unsigned rateHz, channels;
    } cases[] = {{"speech.mp3", &wav, 16000, 1}, {"speech.ogg", &wav, 16000, 1},
                 {"music.oga", &ogg, 44100, 2},  {"music.wav", &ogg, 44100, 2},
                 {"music.mp3", &ogg, 44100, 2},  {"voice.wav", &mp3, 8000, 1},
                 {"voice.ogg", &mp3, 8000, 1},   {"voice", &mp3, 8000, 1}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(dir.File(c.name), *c.bytes));
        Ref<CPCMStream> s;
        ASSERT_EQ(OpenResult(dir.File(c.name), &s), 0) << c.name;
        EXPECT_EQ(s->GetRateHz(), c.rateHz) << c.name;
        EXPECT_EQ(s->GetChannels(), c.channels) << c.name;
        if (c.bytes != &wav) continue;
        // Read as the WAV file it is, not decoded as noise.
        ASSERT_EQ(s->GetFrameCount(), pcm.size() / 2) << c.name;
        ASSERT_EQ(s->Start(), 0);
        std::vector<unsigned char> out(pcm.size());
        unsigned frames = s->GetFrameCount();
        ASSERT_EQ(s->Read(out.data(), &frames), 0);
        EXPECT_EQ(out, pcm) << c.name;
    }
}

TEST(EncodedAudio, OggCommentsStayOffTheConsole) {
    InstallDefaultAudioFileReaders();
    // Comments are the file's own text (terminal escapes included) and no concern of the user's.
    ::testing::internal::CaptureStderr();
    Ref<CPCMStream> s;
    const int rc = OpenResult(kFixtures + "chirp_44k_stereo.ogg", &s);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(printed, "");
}

TEST(AudioFileOpen, PluginsAnswerOnlyForTheirExtension) {
    OggFileReaderPlugin ogg;
    Mp3FileReaderPlugin mp3;
    const struct {
        const char* path;
        bool ogg, mp3;
    } cases[] = {{"x.ogg", true, false}, {"x.OGG", true, false}, {"a.b/x.Mp3", false, true},
                 {"x.mp3.wav", false, false}, {"ogg", false, false}, {"x.", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(ogg.CanRead(c.path), c.ogg) << c.path;
        EXPECT_EQ(mp3.CanRead(c.path), c.mp3) << c.path;
    }
}

// A plug-in for ".fake" files that hands out a counted in-memory source.
class FakeSource : public IZuvoPCMStream2 {
public:
    explicit FakeSource(int* alive) : alive_(alive) { ++*alive_; }
    ~FakeSource() override { --*alive_; }
    int GetFormat(PCMFormat* out) override {
        *out = {11025, 16, 1};
        return 0;
    }
    int GetLength() override { return 8; }
    int Read(void* buffer, int bytes) override {
        const int n = std::min(bytes, 8 - pos);
        std::memset(buffer, 1, n);
        pos += n;
        return n;
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

private:
    int refs = 0;
    int pos = 0;
    int* alive_;
};

class FakePlugin : public IInstallableAudioFileReader {
public:
    bool CanRead(const char* path) override { return std::strstr(path, ".fake") != nullptr; }
    int Open(const char*, IZuvoPCMStream2** out) override {
        *out = new FakeSource(&alive);
        (*out)->AddRef();
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
    int refs = 0;
    int alive = 0;
};

TEST(AudioFileOpen, InstalledPluginSourceLivesAsLongAsItsStream) {
    // The reader list keeps the plug-in until process exit and then releases it.
    auto* plugin = new FakePlugin;
    InstallAudioFileReader(plugin);
    EXPECT_EQ(plugin->refs, 1);
    Ref<CPCMStream> stream;
    ASSERT_EQ(OpenResult("anything.fake", &stream), 0);
    EXPECT_EQ(plugin->alive, 1);
    EXPECT_EQ(stream->GetRate(), 11025u << 16);
    EXPECT_EQ(stream->GetFrameCount(), 4u);
    stream.reset();
    EXPECT_EQ(plugin->alive, 0);
}

struct Decoded {
    PCMFormat format{};
    std::vector<double> left;  // first channel, scaled to +-1
};

Decoded DecodeFixture(const std::string& name, int* rc) {
    InstallDefaultAudioFileReaders();
    Decoded d;
    Ref<CPCMStream> s;
    *rc = OpenResult(kFixtures + name, &s);
    if (*rc != 0) return d;
    s->GetFormat(&d.format);
    s->Start();
    std::vector<float> buf(1000);
    for (;;) {
        unsigned frames = 1000;
        *rc = s->ReadChannelFloat(buf.data(), &frames, 1);
        if (*rc != 0 || frames == 0) break;
        for (unsigned i = 0; i < frames; ++i) d.left.push_back(buf[i] / 32768.0);
    }
    return d;
}

std::vector<double> ChirpAt(unsigned rate) {
    std::vector<double> x(rate);
    for (unsigned n = 0; n < rate; ++n) x[n] = FixtureChirp(static_cast<double>(n) / rate);
    return x;
}

TEST(EncodedAudio, FixturesDecodeToTheChirpWithinTheCodecDelay) {
    const struct {
        const char* name;
        unsigned rate, channels;
        int maxDelay;  // frames the codec may add or shift
    } cases[] = {{"chirp_44k_stereo.ogg", 44100, 2, 0},
                 {"chirp_44k_stereo_id3.mp3", 44100, 2, 2400},
                 {"chirp_8k_mono.mp3", 8000, 1, 2400},
                 {"chirp_8k_mono_ima.wav", 8000, 1, 100},  // blocks padded at the end
                 {"chirp_8k_stereo_ima.wav", 8000, 2, 100},
                 {"chirp_8k_mono_msadpcm.wav", 8000, 1, 100},
                 {"chirp_8k_stereo_msadpcm.wav", 8000, 2, 100}};
    for (const auto& c : cases) {
        int rc;
        const Decoded d = DecodeFixture(c.name, &rc);
        ASSERT_EQ(rc, 0) << c.name;
        EXPECT_EQ(d.format.sampleRate, c.rate << 16) << c.name;
        EXPECT_EQ(d.format.channels, c.channels) << c.name;
        EXPECT_EQ(d.format.bitsPerSample, 16) << c.name;
        EXPECT_NEAR(static_cast<double>(d.left.size()), c.rate, c.maxDelay + 1) << c.name;
        int lag = 0;
        const double r = BestCorrelation(ChirpAt(c.rate), d.left, c.maxDelay, &lag);
        EXPECT_GT(r, 0.9) << c.name << " at lag " << lag;
    }
}

TEST(EncodedAudio, Mp3InfoFrameTrimsRealFilesAndIsIgnoredWhenItClaimsTooMuch) {
    // The Info frame's encoder delay and padding are trimmed: the one-second chirps decode exactly.
    for (const auto& [name, rate] :
         {std::pair{"chirp_44k_stereo_id3.mp3", 44100u}, {"chirp_8k_mono.mp3", 8000u}}) {
        int rc;
        EXPECT_EQ(DecodeFixture(name, &rc).left.size(), rate) << name;
    }

    // A frame count the file cannot hold decodes as if the Info frame gave none (the decoder used
    // to step through every claimed frame: half a minute for the fault report's file). The chirp
    // gets such a count, also with an ID3 tag that cuts its Info frame across the first piece fed.
    std::vector<unsigned char> claims = ReadBytes(kFixtures + "chirp_8k_mono.mp3");
    const size_t info = std::string(claims.begin(), claims.end()).find("Info");
    ASSERT_NE(info, std::string::npos);
    claims[info + 7] |= 1;
    std::fill(claims.begin() + info + 8, claims.begin() + info + 12, 0xFF);
    const size_t body = (1 << 16) - 6 - 10 - info;  // "Info" starts 6 bytes before the first piece ends
    std::vector<unsigned char> tagged(10 + body);   // an ID3v2.3 tag of zeros
    std::memcpy(tagged.data(), "ID3\x03", 4);
    tagged[7] = static_cast<unsigned char>(body >> 14 & 0x7F);
    tagged[8] = static_cast<unsigned char>(body >> 7 & 0x7F);
    tagged[9] = static_cast<unsigned char>(body & 0x7F);
    tagged.insert(tagged.end(), claims.begin(), claims.end());
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
    } cases[] = {{"report", ReadBytes(kFixtures + "info_frame_claims_2e32_frames.mp3")},
                 {"chirp", claims},
                 {"chirp behind a tag", tagged}};
    TempDir dir;
    for (const auto& c : cases) {
        std::vector<unsigned char> none = c.bytes;
        const std::string text(none.begin(), none.end());
        const size_t at = text.find(text.find("Xing") != std::string::npos ? "Xing" : "Info");
        ASSERT_NE(at, std::string::npos) << c.name;
        none[at + 7] &= ~1;
        ASSERT_TRUE(WriteBytes(dir.File("claims.mp3"), c.bytes));
        ASSERT_TRUE(WriteBytes(dir.File("none.mp3"), none));
        Ref<CPCMStream> claimed, plain;
        ASSERT_EQ(OpenResult(dir.File("claims.mp3"), &claimed), 0) << c.name;
        ASSERT_EQ(OpenResult(dir.File("none.mp3"), &plain), 0) << c.name;
        EXPECT_EQ(claimed->GetFrameCount(), plain->GetFrameCount()) << c.name;
        EXPECT_GT(claimed->GetFrameCount(), 0u) << c.name;
        // The files last a second or less.
        EXPECT_LT(claimed->GetFrameCount(), 2 * (claimed->GetRate() >> 16)) << c.name;
    }
}

TEST(EncodedAudio, LoadsIntoMemoryAtTheWorkingRate) {
    InstallDefaultAudioFileReaders();
    for (const char* name : {"chirp_44k_stereo.ogg", "chirp_44k_stereo_id3.mp3", "chirp_8k_mono.mp3"}) {
        CMemoryPCMStream* m = nullptr;
        const PCMFormat target{16000u << 16, 16, 1};
        ASSERT_EQ(CreateMemoryPCMStreamFromFile((kFixtures + name).c_str(), &target, nullptr, &m), 0) << name;
        std::vector<float> f(m->GetFrameCount());
        int count = m->GetFrameCount();
        ASSERT_EQ(m->ReadFramesFloat(f.data(), 0, &count, 1), 0);
        std::vector<double> x(f.begin(), f.end());
        EXPECT_NEAR(count, 16000, 1000) << name;
        int lag = 0;
        EXPECT_GT(BestCorrelation(ChirpAt(16000), x, 1000, &lag), 0.9) << name << " at lag " << lag;
        m->Destroy();
    }
}

TEST(EncodedAudio, RewindAfterAPartialReadStartsAgainAtByteZero) {
    for (IInstallableAudioFileReader* plugin :
         std::initializer_list<IInstallableAudioFileReader*>{new OggFileReaderPlugin, new Mp3FileReaderPlugin}) {
        plugin->AddRef();
        const std::string path = kFixtures + (dynamic_cast<OggFileReaderPlugin*>(plugin)
                                                  ? "chirp_44k_stereo.ogg"
                                                  : "chirp_44k_stereo_id3.mp3");
        IZuvoPCMStream2* source = nullptr;
        ASSERT_EQ(plugin->Open(path.c_str(), &source), 0) << path;
        std::vector<unsigned char> first(4000), again(4000);
        ASSERT_EQ(source->Read(first.data(), 4000), 4000);
        ASSERT_EQ(source->Read(again.data(), 4000), 4000);
        EXPECT_NE(first, again);
        ASSERT_EQ(source->Rewind(), 0);
        ASSERT_EQ(source->Read(again.data(), 4000), 4000);
        EXPECT_EQ(first, again) << path;
        EXPECT_EQ(source->Release(), 0);
        plugin->Release();
    }
}

TEST(EncodedAudio, DamagedAndForeignFilesAreHandled) {
    InstallDefaultAudioFileReaders();
    TempDir dir;
    // An Ogg file with a damaged stretch in the middle decodes what it can around it.
    // The fixture has three audio pages of about 4 KB each; the middle one is spoiled.
    std::vector<unsigned char> ogg = ReadBytes(kFixtures + "chirps_12s_8k.ogg");
    ASSERT_GT(ogg.size(), 11000u);
    Ref<CPCMStream> s;
    ASSERT_EQ(OpenResult(kFixtures + "chirps_12s_8k.ogg", &s), 0);
    const unsigned whole = s->GetFrameCount();
    EXPECT_NEAR(whole, 96000.0, 1.0);
    for (size_t i = 7200; i < 7500; ++i) ogg[i] ^= 0x5A;
    ASSERT_TRUE(WriteBytes(dir.File("damaged.ogg"), ogg));
    ASSERT_EQ(OpenResult(dir.File("damaged.ogg"), &s), 0);
    EXPECT_GT(s->GetFrameCount(), whole / 2);
    EXPECT_LT(s->GetFrameCount(), whole);

    std::vector<unsigned char> noise(5000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>((i * 37) & 0x7F);
    ASSERT_TRUE(WriteBytes(dir.File("noise.ogg"), noise));
    ASSERT_TRUE(WriteBytes(dir.File("noise.mp3"), noise));  // no frame sync anywhere
    ASSERT_TRUE(WriteBytes(dir.File("empty.mp3"), {}));
    EXPECT_EQ(OpenResult(dir.File("noise.ogg")), kErrBadOgg);
    EXPECT_EQ(OpenResult(dir.File("noise.mp3")), kErrBadMp3);
    EXPECT_EQ(OpenResult(dir.File("empty.mp3")), kErrBadMp3);
    // A frame header followed by garbage: the decoder finds nothing to decode.
    std::vector<unsigned char> fake = {0xFF, 0xFB, 0x90, 0x64};
    fake.resize(3000, 0x11);
    ASSERT_TRUE(WriteBytes(dir.File("fake.mp3"), fake));
    EXPECT_EQ(OpenResult(dir.File("fake.mp3")), kErrBadMp3);
}

TEST(Mp3FrameScan, SkipsTagsAndFindsTheFirstLayerThreeHeader) {
    // An ID3v2 tag whose body looks like an MPEG-1 header, then an MPEG-2.5 mono frame header.
    std::vector<unsigned char> data = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 8, 0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0};
    const size_t frameAt = data.size();
    data.insert(data.end(), {0xFF, 0xE3, 0x18, 0xC4, 0, 0, 0, 0});
    EXPECT_EQ(SkipId3v2Tags(data.data(), data.size()), frameAt);
    size_t at = 0;
    long rate = 0;
    int channels = 0;
    ASSERT_TRUE(FindMp3FrameHeader(data.data(), data.size(), frameAt, &at, &rate, &channels));
    EXPECT_EQ(at, frameAt);
    EXPECT_EQ(rate, 8000);  // 32000 quartered
    EXPECT_EQ(channels, 1);

    const struct {
        std::vector<unsigned char> header;
        bool found;
        long rate;
        int channels;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, true, 44100, 2},   // MPEG-1, 128 kbit/s
        {{0xFF, 0xF3, 0x84, 0x00}, true, 24000, 2},   // MPEG-2
        {{0xFF, 0xEB, 0x90, 0x64}, false, 0, 0},      // reserved version
        {{0xFF, 0xFD, 0x90, 0x64}, false, 0, 0},      // Layer II
        {{0xFF, 0xFB, 0x00, 0x64}, false, 0, 0},      // free bit rate
        {{0xFF, 0xFB, 0x9C, 0x64}, false, 0, 0},      // reserved sample rate
        {{0xFF, 0xFB, 0x90}, false, 0, 0},            // cut short
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> bytes = c.header;
        bytes.push_back(0);
        size_t where;
        long r = 0;
        int ch = 0;
        const bool found = FindMp3FrameHeader(bytes.data(), c.header.size() == 3 ? 3 : bytes.size(), 0, &where, &r, &ch);
        EXPECT_EQ(found, c.found) << std::hex << int(c.header[1]) << int(c.header[2]);
        if (found) {
            EXPECT_EQ(r, c.rate);
            EXPECT_EQ(ch, c.channels);
        }
    }
    // A tag claiming more bytes than there are ends the search at the end of the data.
    const unsigned char longTag[] = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F, 0xFF, 0xFB};
    EXPECT_EQ(SkipId3v2Tags(longTag, sizeof longTag), sizeof longTag);
}

}  // namespace
