// Repaints of the timeline (ruler, waveform, spectrogram, energy) over a 60-minute recording at
// every zoom: a full composition with the summaries warm, the first one at a new zoom, a scroll step
// and a cursor move, and the one-off waveform summary. Run: timeline_benchmark.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <memory>

#include "engine/analysis/spectral_data_source.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/signal_summaries.h"
#include "views/timeline/time_ruler.h"
#include "views/timeline/timeline_composer.h"
#include "views/timeline/timeline_test_support.h"

namespace {

constexpr int kWidth = 1920, kHeight = 700;
constexpr unsigned kFrames = 16000u * 60 * 60;

CMemoryPCMStream* Hour() {
    static std::unique_ptr<CMemoryPCMStream> stream = timeline_test::Recording(kFrames, timeline_test::SpeechLike);
    return stream.get();
}

// A timeline as the view keeps it, with the default signal channels.
struct Timeline {
    COffscreenDib dib;
    TimelineState view;
    CSignalSummaries summaries;
    ISpectralDataSource* source = nullptr;
    ChannelList channels;
    CWinRulerView ruler;
    BandRect client{0, 0, kWidth, kHeight};
    BandRect area = ComputeChannelArea(client, 17);

    explicit Timeline(int spp) {
        dib.Create(kWidth, kHeight, 24);
        view.stream = Hour();
        view.summaries = &summaries;
        view.displayMask = kShowWaveform | kShowSpectrogram | kShowEnergy;
        view.map = {0, spp};
        CreateSpectralDataSource(&source);
        for (const ChannelBand& band : LayoutChannels(view.displayMask, 1, area))
            channels.push_back(CreateSignalChannel(band, &view, source));
        ruler.SetStream(view.stream);
        ruler.SetRect({kMarginWidth, 0, kWidth, kRulerHeight});
        ruler.SetSamplesPerPixel(spp);
        ruler.SetMode(CWinRulerView::kTime, view.stream->MsToFrames(83));
    }
    ~Timeline() {
        channels.clear();
        source->Destroy();
    }
    void ScrollTo(int first) {
        view.map.firstSample = first;
        ruler.SetFirstSample(first);
    }
    void Compose() { ComposeTimeline(dib, client, ruler, channels, area, QColor(0xEF, 0xEF, 0xEF)); }
};

// Zooms from one sample a pixel to the whole hour across the view; the view starts mid-recording.
void Zooms(benchmark::internal::Benchmark* b) {
    for (int spp : {1, 16, 160, 1600, static_cast<int>(kFrames / (kWidth - kMarginWidth))}) b->Arg(spp);
}

int Middle(int spp) { return std::max(0, static_cast<int>(kFrames / 2) - spp * kWidth / 2); }

void BM_FullRepaintWarm(benchmark::State& state) {
    Timeline t(static_cast<int>(state.range(0)));
    t.ScrollTo(Middle(t.view.map.samplesPerPixel));
    t.Compose();
    for (auto _ : state) t.Compose();
}
BENCHMARK(BM_FullRepaintWarm)->Apply(Zooms)->Unit(benchmark::kMillisecond);

// The first paint at a zoom: every spectrogram column is computed.
void BM_FullRepaintNewZoom(benchmark::State& state) {
    Timeline t(static_cast<int>(state.range(0)));
    t.ScrollTo(Middle(t.view.map.samplesPerPixel));
    t.Compose();
    for (auto _ : state) {
        t.summaries.Columns().Clear();
        t.Compose();
    }
}
BENCHMARK(BM_FullRepaintNewZoom)->Apply(Zooms)->Unit(benchmark::kMillisecond);

// Scrolling 8 pixels a frame (480 pixels a second at 60 frames): a full composition each time.
void BM_ScrollRepaint(benchmark::State& state) {
    Timeline t(static_cast<int>(state.range(0)));
    const int spp = t.view.map.samplesPerPixel;
    int first = spp >= 1600 ? 0 : Middle(spp);
    t.ScrollTo(first);
    t.Compose();
    for (auto _ : state) {
        first += 8 * spp;
        if (first + spp * kWidth > static_cast<int>(kFrames)) first = 0;
        t.ScrollTo(first);
        t.Compose();
    }
}
BENCHMARK(BM_ScrollRepaint)->Apply(Zooms)->Unit(benchmark::kMillisecond);

// Playback cursor: the channels stay; the selection is inverted, the ruler redrawn, inverted back.
void BM_CursorMove(benchmark::State& state) {
    Timeline t(160);
    t.Compose();
    int cursor = 0;
    for (auto _ : state) {
        cursor = (cursor + 160 * 3) % (160 * 1900);
        const BandRect r = SelectionRect(t.view.map, cursor, cursor, t.area);
        InvertRect(t.dib, r);
        QPainter painter(&t.dib.Image());
        t.ruler.Draw(painter, nullptr);
        painter.end();
        InvertRect(t.dib, r);
    }
}
BENCHMARK(BM_CursorMove)->Unit(benchmark::kMicrosecond);

// Once per recording, at its first paint.
void BM_WaveformSummaryBuild(benchmark::State& state) {
    for (auto _ : state) {
        CWaveformSummary summary;
        summary.Build(Hour());
        benchmark::DoNotOptimize(summary.FrameCount());
    }
}
BENCHMARK(BM_WaveformSummaryBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
