// One utterance stored in the WAV codings, channel layouts and rates that recorders write, each
// aligned with its script by the built-in model: every copy must give the records of the plain
// 16-bit 16 kHz file, within one analysis frame (nearly all of them, for copies at other rates).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/analysis/observation_stream.h"
#include "engine/api/results_collection.h"
#include "engine/audio/audio_file_reader.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/wav_reader_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/text/lexicon_file.h"
#include "engine/text/transcriber.h"
#include "engine/util/resource_data.h"

using namespace audio_test;

namespace {

const std::string kStem = std::string(MURMUREX_TESTDATA_DIR) + "/speech/rms_0011_clean";
constexpr int kDictionaryResourceId = 165;
// Boundaries of a recording at another rate may move this many frames at most.
constexpr int kResampledSlackFrames = 5;

struct Record {
    int type;
    int start, end;
    std::string label;
};

std::string ReadText(const std::string& path) {
    const std::vector<unsigned char> bytes = ReadBytes(path);
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Text-based alignment of the file with the built-in generic model and dictionary, as the
// application runs it; the phoneme and word records, or a failed expectation.
std::vector<Record> Align(const std::string& wavPath, const std::string& script, double* frameMs) {
    std::vector<Record> records;
    int size = 0;
    const void* image = LoadResourceData(nullptr, "BLAH", "GENERIC_HMM", &size, false);
    int dictionarySize = 0;
    const char* dictionary = static_cast<const char*>(
        LoadResourceDataById(nullptr, "BLAH", kDictionaryResourceId, &dictionarySize, false));
    EXPECT_TRUE(image && dictionary);
    if (!image || !dictionary) return records;
    char error[kAccErrorTextSize] = "";
    CAccousticHMM* model = nullptr;
    EXPECT_EQ(CreateAccHMM(image, size, error, &model), 0) << error;
    if (!model) return records;
    *frameMs = 1000.0 * (model->features.windowSize - model->features.windowOverlap) /
               model->features.samplerate;
    CPCMStream* source = nullptr;
    int rc = CreateZuvoStreamFromFile(wavPath.c_str(), &source);
    EXPECT_EQ(rc, 0) << wavPath;
    CSpectralStream* observations = nullptr;
    if (rc == 0) {
        rc = CreateFeatureStream(source, 1, model->features, &observations);
        source->Release();
        EXPECT_EQ(rc, 0) << wavPath;
    }
    CTranscriber* transcriber = nullptr;
    if (rc == 0) rc = CreateDefaultTranscriber(dictionary, dictionarySize, &transcriber);
    if (rc == 0) {
        CConcreteSyncMarkerCollection results;
        CTextbasedPhnRecognizer* recognizer = nullptr;
        CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&recognizer);
        EXPECT_EQ(recognizer->RecognizePhonemes(observations, model, script.c_str(), transcriber, nullptr,
                                                &results),
                  0)
            << wavPath;
        CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(recognizer);
        transcriber->Release();
        for (const SyncMarker* m = results.begin(); m != nullptr && m != results.end(); ++m) {
            if (m->type == kSyncPhoneme) records.push_back({m->type, m->start, m->end, m->label});
            if (m->type == kSyncWord && m->text) records.push_back({m->type, m->start, m->end, m->text});
        }
    }
    if (observations) DestroyObservationStream(observations);
    DestroyAccHMM(model);
    return records;
}

// The fixture's samples.
std::vector<int16_t> Samples() {
    Ref<CWavRdrStream> wav(new CWavRdrStream);
    EXPECT_EQ(wav->Open((kStem + ".wav").c_str()), 0);
    std::vector<int16_t> out(wav->GetFrameCount());
    EXPECT_EQ(wav->Start(), 0);
    unsigned frames = static_cast<unsigned>(out.size());
    EXPECT_EQ(wav->ReadChannel16(out.data(), &frames, 1), 0);
    out.resize(frames);
    return out;
}

// The samples at factor times their rate, as a recorder at that rate would have taken them: a
// windowed-sinc interpolator of unit gain and no delay (not the engine's own resampler, whose
// gain and delay the reading side then adds a second time).
std::vector<int16_t> Upsample(const std::vector<int16_t>& in, int factor) {
    constexpr int kHalfTaps = 32;  // input samples each side
    std::vector<int16_t> out(in.size() * factor);
    for (size_t n = 0; n < out.size(); ++n) {
        const double t = static_cast<double>(n) / factor;
        const long centre = static_cast<long>(n / factor);
        double sum = 0;
        for (long k = centre - kHalfTaps + 1; k <= centre + kHalfTaps; ++k) {
            if (k < 0 || k >= static_cast<long>(in.size())) continue;
            const double x = t - k;
            const double sinc = x == 0 ? 1 : std::sin(M_PI * x) / (M_PI * x);
            const double window =
                0.42 + 0.5 * std::cos(M_PI * x / kHalfTaps) + 0.08 * std::cos(2 * M_PI * x / kHalfTaps);
            sum += in[k] * sinc * window;
        }
        out[n] = static_cast<int16_t>(std::lround(std::clamp(sum, -32768.0, 32767.0)));
    }
    return out;
}

// Every sample stored in its coding, repeated over channels.
std::vector<unsigned char> Store(const std::vector<int16_t>& samples, unsigned channels,
                                 const std::function<void(std::vector<unsigned char>&, int16_t)>& put) {
    std::vector<unsigned char> bytes;
    for (int16_t v : samples)
        for (unsigned c = 0; c < channels; ++c) put(bytes, v);
    return bytes;
}

void Put16(std::vector<unsigned char>& b, int16_t v) { PutU16(b, static_cast<uint16_t>(v)); }

TEST(RecordingFormats, EveryStoredFormOfAnUtteranceAlignsAlike) {
    const std::string script = ReadText(kStem + ".txt");
    ASSERT_FALSE(script.empty());
    double frameMs = 0;
    const std::vector<Record> reference = Align(kStem + ".wav", script, &frameMs);
    ASSERT_GT(reference.size(), 4u);
    ASSERT_GT(frameMs, 0);

    const std::vector<int16_t> at16k = Samples();
    const std::vector<int16_t> at48k = Upsample(at16k, 3);
    const std::vector<int16_t> at96k = Upsample(at16k, 6);
    auto spec = [](unsigned tag, unsigned bits, unsigned channels, uint32_t rate) {
        WavSpec s;
        s.formatTag = tag;
        s.bits = bits;
        s.channels = channels;
        s.rate = rate;
        if (tag == 0xFFFE) s.fmtSize = 40;
        return s;
    };
    const struct {
        const char* what;
        WavSpec spec;
        const std::vector<int16_t>* samples;
        std::function<void(std::vector<unsigned char>&, int16_t)> put;
        bool resampled;
    } variants[] = {
        {"24-bit 48 kHz", spec(1, 24, 1, 48000), &at48k,
         [](std::vector<unsigned char>& b, int16_t v) {
             b.push_back(0x80);
             Put16(b, v);
         },
         true},
        {"32-bit float", spec(3, 32, 1, 16000), &at16k,
         [](std::vector<unsigned char>& b, int16_t v) {
             const float f = v / 32768.0f;
             uint32_t u;
             std::memcpy(&u, &f, 4);
             PutU32(b, u);
         },
         false},
        {"24-bit 16 kHz", spec(1, 24, 1, 16000), &at16k,
         [](std::vector<unsigned char>& b, int16_t v) {
             b.push_back(0x7F);
             Put16(b, v);
         },
         false},
        {"extensible 16-bit", spec(0xFFFE, 16, 2, 16000), &at16k, Put16, false},
        {"6 channels", spec(1, 16, 6, 16000), &at16k, Put16, false},
        {"96 kHz", spec(1, 16, 1, 96000), &at96k, Put16, true},
    };
    TempDir dir;
    for (const auto& v : variants) {
        const std::string path = dir.File("variant.wav");
        ASSERT_TRUE(WriteBytes(path, BuildWav(v.spec, Store(*v.samples, v.spec.channels, v.put))));
        double ms = 0;
        const std::vector<Record> found = Align(path, script, &ms);
        ASSERT_EQ(found.size(), reference.size()) << v.what;
        int near = 0, boundaries = 0;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].type, reference[i].type) << v.what << " record " << i;
            EXPECT_EQ(found[i].label, reference[i].label) << v.what << " record " << i;
            for (const int error : {found[i].start - reference[i].start, found[i].end - reference[i].end}) {
                ++boundaries;
                if (std::abs(error) <= frameMs) ++near;
                EXPECT_LE(std::abs(error), (v.resampled ? kResampledSlackFrames : 1) * frameMs)
                    << v.what << " record " << i;
            }
        }
        // Same-rate copies carry the very samples of the reference, so every boundary must
        // agree; at other rates the resampler's band limit (0.8 of the working rate's Nyquist
        // frequency) and gain shift a few boundaries by a frame or more.
        EXPECT_GE(near, v.resampled ? boundaries * 9 / 10 : boundaries) << v.what;
    }
}

}  // namespace
