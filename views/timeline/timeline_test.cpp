// Tests of the timeline: layout and maps, the ruler, the signal channels (also that the summaries
// change no pixel), and a screenshot of a bundled recording with its alignment.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/analysis/spectral_data_source.h"
#include "model/sync_results_file.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/signal_channels.h"
#include "views/timeline/signal_summaries.h"
#include "views/timeline/time_ruler.h"
#include "views/timeline/timeline_composer.h"
#include "views/timeline/timeline_layout.h"
#include "views/timeline/timeline_test_support.h"

using timeline_test::Recording;

namespace {

TEST(TimelineLayout, FlexibleHeightAndBands) {
    const BandRect area{15, 30, 815, 430};  // 400 high
    const struct {
        uint32_t mask;
        int areaHeight;
        int flexible;
    } cases[] = {
        {kShowSpectrogram | kShowLpc | kShowWaveform | kShowPhonemes, 400, 160},
        {kShowSpectrogram, 2000, 512},                             // clamped from above
        {kShowSpectrogram | kShowWaveform | kShowEnergy, 163, 10},  // 7 becomes 10
        {kShowSpectrogram | kShowWaveform | kShowEnergy, 167, 11},
        {kShowWaveform | kShowEnergy, 400, 200},  // no flexible channel: area / count
        {kHideBox, 400, 400},
        {0, 400, 0},
    };
    for (const auto& c : cases) {
        BandRect a = area;
        a.bottom = a.top + c.areaHeight;
        EXPECT_EQ(ComputeFlexibleHeight(c.mask, 1, a), c.flexible) << std::hex << c.mask;
    }
    // Creation order and tiling: waveform, spectrogram, phonemes of track 1, LPC.
    const auto bands = LayoutChannels(kShowSpectrogram | kShowLpc | kShowWaveform | kShowPhonemes, 1, area);
    ASSERT_EQ(bands.size(), 4u);
    const uint32_t bits[] = {kShowWaveform, kShowSpectrogram, kShowPhonemes, kShowLpc};
    const int tops[] = {30, 90, 250, 270};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bands[i].bit, bits[i]);
        EXPECT_EQ(bands[i].band.top, tops[i]);
    }
    EXPECT_EQ(bands[2].track, 1);
    EXPECT_EQ(bands[3].band.bottom, 430);
    EXPECT_EQ(ChannelAt(bands, 250), kShowSpectrogram);  // a shared edge belongs to the upper band
    EXPECT_EQ(ChannelAt(bands, 251), kShowPhonemes);
    EXPECT_EQ(ChannelAt(bands, 431), 0u);
    // Without a spectral source the spectral channels leave the layout.
    EXPECT_EQ(LayoutChannels(kShowSpectrogram | kShowWaveform, 1, area, false).size(), 1u);
    // The box is 130 wide in the middle; 0x400 hides it but keeps its 90 pixels.
    const auto box = LayoutChannels(kShowBox | kShowWaveform, 1, area);
    EXPECT_EQ(box[0].band, (BandRect{350, 30, 480, 120}));
    const auto hidden = LayoutChannels(kShowBox | kHideBox | kShowWaveform, 1, area);
    ASSERT_EQ(hidden.size(), 1u);
    EXPECT_EQ(hidden[0].band.top, 30);
    EXPECT_EQ(ComputeChannelArea({0, 0, 800, 500}, 17), (BandRect{15, 30, 800, 483}));
    EXPECT_EQ(DisplayMaskFromProfile(kDefaultDisplayMode | kShowLpc | kShowLpcError), kDefaultDisplayMode);
    EXPECT_EQ(InitialSamplesPerPixel(16000 * 60, 16000, 800), 500);  // the first 25 seconds
    EXPECT_EQ(InitialSamplesPerPixel(16000 * 10, 16000, 800), 200);  // the whole recording
    EXPECT_EQ(InitialSamplesPerPixel(10, 16000, 800), 1);
}

TEST(TimelineLayout, MapsAtAndLeftOfTheMargin) {
    const TimeMap map{1000, 300};
    const struct {
        int x, sample;
    } toSample[] = {{-5, 0}, {0, 0}, {14, 0}, {15, 1000}, {16, 1300}, {25, 4000}};
    for (const auto& c : toSample) EXPECT_EQ(map.XToSample(c.x), c.sample) << c.x;
    const struct {
        int sample, x;
    } toX[] = {{1000, 15}, {1299, 15}, {1300, 16}, {800, 15}, {700, 14}, {399, 13}, {0, 12}};
    for (const auto& c : toX) EXPECT_EQ(map.SampleToX(c.sample), c.x) << c.sample;
    int from, to;
    EXPECT_EQ(map.XToSampleRange(15, &from, &to), 1000);
    EXPECT_EQ(from, 400);
    EXPECT_EQ(to, 1600);
    EXPECT_EQ(TimeMap({0, 300}).XToSampleRange(15, &from, &to), 0);
    EXPECT_EQ(from, 0);
    auto stream = Recording(16000, [](unsigned) { return int16_t{0}; });
    const TimeMap ms{0, 160};  // 10 ms a pixel
    EXPECT_EQ(ms.XToMsRange(stream.get(), 15, &from, &to), 0);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 10);
    EXPECT_EQ(ms.XToMsRange(stream.get(), 20, &from, &to), 50);
    EXPECT_EQ(from, 40);
    EXPECT_EQ(to, 60);
    EXPECT_EQ(ms.MsToX(stream.get(), 105), 25);
    // Selection: wholly left of the view is not drawn, partly left starts at 15, a cursor is 1 wide.
    const BandRect area{15, 30, 800, 400};
    EXPECT_TRUE(SelectionRect(map, 0, 100, area).IsEmpty());
    EXPECT_EQ(SelectionRect(map, 0, 4000, area), (BandRect{15, 30, 25, 400}));
    EXPECT_EQ(SelectionRect(map, 1600, 1600, area), (BandRect{17, 30, 18, 400}));
}

TEST(TimeRuler, NiceStepsAndLabels) {
    const struct {
        uint32_t x, step;
    } steps[] = {{1, 1}, {3, 4}, {7, 5}, {8, 10}, {45, 40}, {99, 100}, {62, 50}, {1000, 1000}, {0, 1}};
    for (const auto& s : steps) EXPECT_EQ(CWinRulerView::NiceTickStep(s.x), s.step) << s.x;

    auto stream = Recording(16000, [](unsigned) { return int16_t{0}; });
    const struct {
        uint32_t spp;
        uint32_t stepMs;
        double pixelsPerTick;
        const char* labels[3];
    } zooms[] = {
        {1250, 5000, 64.0, {"0:00", "0:05", "0:10"}},
        {10, 50, 80.0, {"0:00:000", "0:00:050", "0:00:100"}},
        {32000, 240000, 120.0, {"0", "4", "8"}},
    };
    CWinRulerView ruler;
    ruler.SetStream(stream.get());
    ruler.SetMode(CWinRulerView::kTime, stream->MsToFrames(83));
    for (const auto& z : zooms) {
        ruler.SetSamplesPerPixel(z.spp);
        EXPECT_EQ(ruler.TickStepMs(), z.stepMs) << z.spp;
        EXPECT_DOUBLE_EQ(ruler.PixelsPerTick(), z.pixelsPerTick) << z.spp;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(ruler.TickLabel(k), z.labels[k]) << z.spp;
    }
    EXPECT_EQ(ruler.FormatLabel(stream->MsToFrames(61234)), "1:01:234");
    ruler.SetMode(CWinRulerView::kSamples, 0);
    EXPECT_EQ(ruler.FormatLabel(1234), "1234");
    ruler.SetMode(CWinRulerView::kFrames, 83);
    EXPECT_EQ(ruler.FormatLabel(1234), "");
    // The view never sets a zoom of 0: nothing is drawn rather than dividing by it.
    CWinRulerView idle;
    idle.SetStream(stream.get());
    idle.SetMode(CWinRulerView::kTime, 0);
    EXPECT_EQ(idle.PixelsPerTick(), 0.0);
    QImage image(100, 30, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    idle.Draw(painter, nullptr);
}

TEST(SpectralChannels, RowMapOf160Pixels) {
    const std::vector<short> map = BuildRowMap(160, 512);
    ASSERT_EQ(map.size(), 161u);
    EXPECT_EQ((std::vector<short>(map.begin(), map.begin() + 5)), (std::vector<short>{0, 1, 3, 4, 6}));
    EXPECT_EQ(map[160], 255);  // never the last bin
    EXPECT_EQ(BuildRowMap(512, 512)[3], 1);
}

// A back buffer with one channel of the given kind over a recording.
struct Strip {
    COffscreenDib dib;
    TimelineState view;
    CSignalSummaries summaries;
    ISpectralDataSource* source = nullptr;

    Strip(IMemoryPCMStream* stream, int spp, int first = 0, bool summarise = true) {
        dib.Create(415, 200, 24);
        dib.Image().fill(Qt::white);
        view.map = {first, spp};
        view.stream = stream;
        view.summaries = summarise ? &summaries : nullptr;
        CreateSpectralDataSource(&source);
    }
    ~Strip() { source->Destroy(); }
    void Draw(uint32_t bit, const BandRect& band, const BandRect* rc = nullptr) {
        auto channel = CreateSignalChannel({bit, 0, -1, band}, &view, source);
        channel->Draw(dib, rc ? *rc : band);
    }
    QRgb At(int x, int y) const { return dib.Image().pixel(x, y); }
};

TEST(SignalChannels, FlatWaveformColumnsAreOneGreenPixel) {
    auto stream = Recording(4000, [](unsigned n) { return static_cast<int16_t>(n < 2005 ? 16384 : -8192); });
    Strip strip(stream.get(), 10);
    const BandRect band{15, 0, 415, 60};
    strip.Draw(kShowWaveform, band);
    // 16384 x 60 / 65536 = 15 above the middle (30); -8192 gives 7 below.
    EXPECT_EQ(strip.At(20, 15), qRgb(0, 128, 0));
    EXPECT_EQ(strip.At(20, 30), qRgb(0, 0, 0));
    EXPECT_EQ(strip.At(20, 14), qRgb(255, 255, 255));
    EXPECT_EQ(strip.At(300, 37), qRgb(0, 128, 0));
    // The column that holds the step draws a line between them; the recording ends at column 414.
    EXPECT_EQ(strip.At(215, 20), qRgb(0, 0, 0));
    EXPECT_EQ(strip.At(414, 37), qRgb(0, 128, 0));
}

TEST(SignalChannels, SpectrogramPadsTheLastColumnsThenStops) {
    auto stream = Recording(3000, timeline_test::SpeechLike);
    Strip strip(stream.get(), 10);
    const BandRect band{15, 0, 415, 160};
    strip.Draw(kShowSpectrogram, band);
    // Past the end the window stays at the column's sample less 256, until that is past the end.
    int start;
    EXPECT_TRUE(PlaceColumnWindow(strip.view, 340, 512, 3000, &start));
    EXPECT_EQ(start, 2994);
    EXPECT_FALSE(PlaceColumnWindow(strip.view, 341, 512, 3000, &start));
    auto columnDrawn = [&](int x) {
        for (int y = 1; y < 160; ++y)
            if (strip.At(x, y) != qRgb(255, 255, 255)) return true;
        return false;
    };
    EXPECT_TRUE(columnDrawn(100));
    EXPECT_TRUE(columnDrawn(330));  // the window is cut at the end and padded with zeros
    EXPECT_FALSE(columnDrawn(341));
    EXPECT_FALSE(columnDrawn(400));
}

TEST(SignalChannels, SilenceHasNoEnergyAndSoundHas) {
    auto silent = Recording(8000, [](unsigned) { return int16_t{0}; });
    Strip quiet(silent.get(), 20);
    const BandRect band{15, 0, 415, 96};
    quiet.Draw(kShowEnergy, band);
    for (int x = 15; x < 415; ++x)
        for (int y = 0; y < 96; ++y) ASSERT_EQ(quiet.At(x, y), qRgb(255, 255, 255)) << x << "," << y;
    auto loud = Recording(8000, timeline_test::SpeechLike);
    Strip sound(loud.get(), 20);
    sound.Draw(kShowEnergy, band);
    int dark = 0;
    for (int y = 0; y < 96; ++y) dark += sound.At(100, y) != qRgb(255, 255, 255);
    EXPECT_GT(dark, 0);
}

TEST(SignalSummaries, WaveformMinMaxMatchesAScan) {
    auto stream = Recording(70000, timeline_test::SpeechLike);
    CWaveformSummary summary;
    summary.Build(stream.get());
    const int16_t* samples = static_cast<const int16_t*>(stream->GetData());
    const struct {
        int a, b;
    } ranges[] = {{0, 1}, {0, 64}, {63, 129}, {1, 70000}, {12345, 54321}, {4096, 8192}, {100, 300}, {69000, 70000}};
    for (const auto& r : ranges) {
        int lo, hi;
        summary.Query(r.a, r.b, &lo, &hi);
        const auto [mn, mx] = std::minmax_element(samples + r.a, samples + r.b);
        EXPECT_EQ(lo, *mn) << r.a << ".." << r.b;
        EXPECT_EQ(hi, *mx) << r.a << ".." << r.b;
    }
}

// The summaries are a shortcut only: every zoom and scroll position gives the same pixels.
TEST(SignalSummaries, ChangeNoPixel) {
    auto stream = Recording(16000 * 20, timeline_test::SpeechLike);
    const struct {
        int spp, first;
    } views[] = {{1, 0}, {7, 1234}, {64, 0}, {333, 5000}, {800, 16000}, {1000, 0}};
    const uint32_t kinds[] = {kShowWaveform, kShowSpectrogram, kShowEnergy, kShowLpc};
    for (const auto& v : views) {
        for (uint32_t kind : kinds) {
            Strip fast(stream.get(), v.spp, v.first, true), slow(stream.get(), v.spp, v.first, false);
            const BandRect band{15, 10, 415, 170};
            fast.Draw(kind, band);
            fast.Draw(kind, band);  // again, from the cache
            slow.Draw(kind, band);
            EXPECT_EQ(fast.dib.Image(), slow.dib.Image()) << "zoom " << v.spp << " kind " << kind;
        }
    }
}

TEST(SignalChannels, PartialRedrawMatchesTheFullOne) {
    auto stream = Recording(16000 * 5, timeline_test::SpeechLike);
    for (uint32_t kind : {kShowWaveform, kShowSpectrogram, kShowLpcError}) {
        Strip whole(stream.get(), 100), parts(stream.get(), 100);
        const BandRect band{15, 10, 415, 170};
        whole.Draw(kind, band);
        const BandRect left{15, 10, 200, 170}, right{200, 10, 415, 170};
        parts.Draw(kind, band, &left);
        parts.Draw(kind, band, &right);
        if (kind == kShowLpcError) {
            // Its windows start at the redraw's left edge, so only the untouched half must agree.
            EXPECT_EQ(whole.dib.Image().copy(15, 10, 185, 160), parts.dib.Image().copy(15, 10, 185, 160));
        } else {
            EXPECT_EQ(whole.dib.Image(), parts.dib.Image()) << kind;
        }
    }
}

// A bundled recording with its alignment: ruler, waveform, spectrogram, energy, phonemes, words.
TEST(TimelineScreenshot, BundledRecordingWithItsAlignment) {
    const std::string base = std::string(MURMUREX_TESTDATA_DIR) + "/speech/en_us_f4_0003_clean";
    PCMFormat target{16000u << 16, 16, 1};
    CMemoryPCMStream* loaded = nullptr;
    ASSERT_EQ(CreateMemoryPCMStreamFromFile((base + ".wav").c_str(), &target, nullptr, &loaded), 0);
    std::unique_ptr<CMemoryPCMStream, void (*)(CMemoryPCMStream*)> stream(loaded, [](CMemoryPCMStream* s) { s->Destroy(); });
    std::ifstream in(base + ".zuvo");
    sync_results_file results;
    std::ostringstream errors;
    ASSERT_TRUE(results.read(in, errors)) << errors.str();

    constexpr int kWidth = 1200, kHeight = 520, kScrollBar = 17;
    const BandRect client{0, 0, kWidth, kHeight};
    BandRect area = ComputeChannelArea(client, kScrollBar);
    area.bottom -= 50;  // room for the marker bands below the signal channels
    COffscreenDib dib;
    ASSERT_TRUE(dib.Create(kWidth, kHeight, 24));
    TimelineState view;
    CSignalSummaries summaries;
    view.stream = stream.get();
    view.summaries = &summaries;
    view.displayMask = kShowWaveform | kShowSpectrogram | kShowEnergy;
    view.map = {0, InitialSamplesPerPixel(stream->GetFrameCount(), 16000, kWidth - kMarginWidth)};
    ISpectralDataSource* source = nullptr;
    ASSERT_EQ(CreateSpectralDataSource(&source), 0);
    ChannelList channels;
    for (const ChannelBand& band : LayoutChannels(view.displayMask, 1, area)) {
        channels.push_back(CreateSignalChannel(band, &view, source));
    }
    CWinRulerView ruler;
    ruler.SetStream(stream.get());
    ruler.SetRect({client.left + kMarginWidth, 0, client.right, kRulerHeight});
    ruler.SetSamplesPerPixel(view.map.samplesPerPixel);
    ruler.SetMode(CWinRulerView::kTime, stream->MsToFrames(83));
    ruler.SetFirstSample(0);
    ComposeTimeline(dib, client, ruler, channels, area, QColor(0xEF, 0xEF, 0xEF));

    // The marker bands come with their own channels; here they are drawn plainly from the file.
    QPainter painter(&dib.Image());
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    auto band = [&](int top, const auto& markers) {
        painter.setPen(Qt::black);
        painter.drawLine(kMarginWidth, top, kWidth, top);
        for (const auto& m : markers) {
            const int x0 = view.map.MsToX(stream.get(), m.start), x1 = view.map.MsToX(stream.get(), m.end);
            painter.setPen(QColor(0x60, 0x60, 0xC0));
            painter.drawLine(x0, top, x0, top + 24);
            painter.setPen(Qt::black);
            painter.drawText(QRect(x0 + 1, top + 2, std::max(x1 - x0 - 1, 1), 22), Qt::AlignCenter, m.get_label());
        }
    };
    band(area.bottom, results.results.phonemes);
    band(area.bottom + 25, results.results.words);
    painter.end();
    InvertRect(dib, SelectionRect(view.map, 8000, 16000, area));  // one second selected

    source->Destroy();
    EXPECT_GT(results.results.phonemes.size(), 5u);
    EXPECT_GT(results.results.words.size(), 1u);
    std::filesystem::create_directories(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(dib.Image().save(QString(MURMUREX_SCREENSHOT_DIR) + "/timeline.png"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
