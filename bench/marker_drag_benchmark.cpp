// Dragging a phoneme boundary on a 60-minute document: the time from a mouse move to the marker
// bands repainted in the back buffer (the snapshot copied back, the edge moved, every marker band
// redrawn), with 45,000 phonemes, 9,000 words, events and gestures on track 1; and the release
// that commits the drag through the document (articulation redone around it). Goal: under 16 ms a
// move. Run: marker_drag_benchmark.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <memory>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/marker_test_support.h"
#include "views/timeline/timeline_test_support.h"

namespace {

constexpr int kWidth = 1920, kHeight = 700;
constexpr int kMinutes = 60;
constexpr int kPhonemeMs = 80;

CMemoryPCMStream* Hour() {
    static std::unique_ptr<CMemoryPCMStream> stream =
        timeline_test::Recording(16000u * 60 * kMinutes, timeline_test::SpeechLike);
    return stream.get();
}

app_sync_results HourOfMarkers() {
    static const char* const kCodes[] = {"AA", "b", "EH", "k", "IY", "s", "OW", "t"};
    app_sync_results t;
    const int end = kMinutes * 60 * 1000;
    for (int ms = 0, i = 0; ms < end; ms += kPhonemeMs, ++i) t.phonemes.push_back(phn_marker(ms, ms + kPhonemeMs, kCodes[i % 8], 60));
    for (int ms = 0; ms < end; ms += 400) t.words.push_back(og_marker(ms, ms + 350, "word"));
    for (int ms = 0; ms < end; ms += 5000) t.xml_events.push_back(og_marker(ms, ms + 300, "event"));
    for (int ms = 0; ms < end; ms += 4000) t.gestures.push_back(FGesture(FGesture::kPose, ms, ms + 2500, 0));
    return t;
}

struct Drag {
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host = [this] {
        document_host h;
        h.profile = &profile;
        h.prompts = &prompts;
        return h;
    }();
    CPhonarcDoc doc{host};
    std::unique_ptr<timeline_test::MarkerHost> view;
    COffscreenDib dib;
    TimelineState state;
    ChannelList channels;
    CMXChannelPhns* phonemes = nullptr;
    int grabX = 0, y = 0;

    Drag() {
        doc.SetTrackResults(HourOfMarkers(), 1);
        view = std::make_unique<timeline_test::MarkerHost>(&doc);
        dib.Create(kWidth, kHeight, 24);
        state.stream = Hour();
        state.displayMask = kShowWaveform | kShowPhonemes | kShowPhonemeEnergy | kShowWords | kShowEvents | kShowGestures;
        // 25 seconds across the view, in the middle of the hour.
        const int spp = InitialSamplesPerPixel(Hour()->GetFrameCount(), 16000, kWidth - kMarginWidth);
        state.map = {16000 * 60 * kMinutes / 2, spp};
        channels = view->MakeChannels(&state, ComputeChannelArea({0, 0, kWidth, kHeight}, 17));
        // What the view does on RedrawChannels(false): the marker bands only, whole.
        view->onRedraw = [this](bool) {
            {
                QPainter p(&dib.Image());
                for (auto& c : channels)
                    p.fillRect(c->band.left, c->band.top + 1, c->band.Width(), c->band.Height() - 1, Qt::white);
            }
            for (auto& c : channels) c->Draw(dib, c->band);
        };
        for (auto& c : channels)
            if (c->displayBit == kShowPhonemes) phonemes = static_cast<CMXChannelPhns*>(c.get());
        const int boundaryMs = (kMinutes * 60 * 1000 / 2 / kPhonemeMs + 100) * kPhonemeMs;
        grabX = state.map.MsToX(Hour(), boundaryMs);
        y = (phonemes->band.top + phonemes->band.bottom) / 2;
    }
};

void BM_DragMoveToRepaintedBands(benchmark::State& st) {
    Drag d;
    if (!d.phonemes->OnLButtonDown(d.grabX, d.y, 0)) {
        st.SkipWithError("no boundary under the pointer");
        return;
    }
    int step = 0;
    for (auto _ : st) {
        step = (step + 1) % 20;
        d.phonemes->OnMouseMove(d.grabX - 10 + step, d.y, 0);
    }
    d.phonemes->OnLButtonUp(d.grabX, d.y, 0);
    st.counters["phonemes"] = static_cast<double>(d.view->tracks[1].phonemes.size());
}
BENCHMARK(BM_DragMoveToRepaintedBands)->Unit(benchmark::kMillisecond);

// The release: one undoable "Move Phoneme" with the articulation redone around the drag.
void BM_DragReleaseCommit(benchmark::State& st) {
    Drag d;
    for (auto _ : st) {
        d.phonemes->OnLButtonDown(d.grabX, d.y, 0);
        d.phonemes->OnMouseMove(d.grabX + 3, d.y, 0);
        d.phonemes->OnLButtonUp(d.grabX + 3, d.y, 0);
        st.PauseTiming();
        d.doc.OnEditUndo();
        st.ResumeTiming();
    }
}
BENCHMARK(BM_DragReleaseCommit)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
