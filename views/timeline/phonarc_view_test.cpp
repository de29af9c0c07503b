// The timeline view driven with synthetic mouse and key events on the offscreen platform: play
// ranges, play and stop by key, looping against a user's stop, zoom limits, the selection drag
// and swap, double-click selection and its extension.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QScrollBar>
#include <chrono>
#include <thread>

#include "app/core/noise_gate.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "model/pub_queue.h"
#include "platform/wave_out.h"
#include "platform/wave_out_silent.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_player.h"
#include "views/playback/wave_player.h"
#include "views/timeline/phonarc_view.h"
#include "views/timeline/timeline_test_support.h"

namespace {

// Records what it was asked to play and plays nothing.
class RecordingPlayer : public pcmsrc_wave_player {
public:
    RecordingPlayer() : pcmsrc_wave_player([](const wave_format& f, std::unique_ptr<wave_out_device>* out) {
        return open_wave_out(f, out, true);
    }) {}
    int Play(IMemoryPCMStream*, double, double, int start, int count) override {
        plays.push_back({start, count});
        playing = true;
        return 0;
    }
    void Stop() override { playing = false; }
    bool IsPlaying() override { return playing; }
    int GetPosition() override { return 0; }

    struct Range {
        int start, count;
    };
    std::vector<Range> plays;
    bool playing = false;
};

// A real player on the silent device, which plays on the real clock.
std::unique_ptr<pcmsrc_wave_player> SilentPlayer() {
    return std::make_unique<pcmsrc_wave_player>(
        [](const wave_format& f, std::unique_ptr<wave_out_device>* out) { return open_wave_out(f, out, true); });
}

// Waits (1 ms steps, at most 20 s) until done() holds; whether it did.
bool playback_test_wait(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class TimelineViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.profile = &profile;
        host.prompts = &prompts;
        doc = std::make_unique<CPhonarcDoc>(host);
        // A bundled recording gives the document its audio, which the test's own then replaces.
        ASSERT_TRUE(doc->OnOpenDocument(std::string(MURMUREX_TESTDATA_DIR) + "/speech/rms_0003_clean.wav"));
        auto audio = timeline_test::Recording(160000, timeline_test::SpeechLike);  // 10 s at 16 kHz
        ASSERT_TRUE(doc->SetAudioSamples(*audio));
        app_sync_results t;
        const char* labels[] = {"m", "AA", "b", "IY"};
        for (int i = 0; i < 4; ++i) t.phonemes.push_back(phn_marker(1000 + 100 * i, 1100 + 100 * i, labels[i], 80));
        doc->SetTrackResults(t, 1);
        profile.WriteInt("display", "ulmode", kShowWaveform | kShowPhonemes);
    }
    void TearDown() override {
        view.reset();
        doc.reset();
        pub_queue::destroy_instance();
    }
    CPhonarcView& Make(std::unique_ptr<pcmsrc_wave_player> player = nullptr, TimelineViewHooks hooks = {}) {
        timeline_view_setup setup;
        setup.hooks = std::move(hooks);
        setup.player = player ? std::move(player) : SilentPlayer();
        view = std::make_unique<CPhonarcView>(*doc, std::move(setup));
        view->resize(815, 300);  // 800 columns after the margin
        view->show();
        return *view;
    }
    // Delivers posted messages and queued calls until done() holds (or 10 s pass).
    bool Pump(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            pub_queue::dispatch();
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // The y of the track 1 phonemes band.
    int PhonemeY() const {
        for (const auto& c : view->Channels())
            if (c->displayBit == kShowPhonemes) return (c->band.top + c->band.bottom) / 2;
        return -1;
    }

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host;
    std::unique_ptr<CPhonarcDoc> doc;
    std::unique_ptr<CPhonarcView> view;
};

TEST_F(TimelineViewTest, PlayRangesFromCursorAndSelection) {
    auto owned = std::make_unique<RecordingPlayer>();
    RecordingPlayer& player = *owned;
    CPhonarcView& v = Make(std::move(owned));
    const struct {
        int selStart, selEnd;
        bool plays;
        int start, count;
    } cases[] = {
        {48000, 48000, true, 48000, 112000},   // a cursor plays to the end
        {1000, 500000, true, 1000, 159000},    // a selection past the end stops at the end
        {500000, 1000, true, 1000, 159000},    // ends the wrong way round still play forwards
        {200000, 200000, false, 0, 0},         // a cursor past the end has nothing to play
        {160000, 160000, false, 0, 0},
    };
    for (const auto& c : cases) {
        player.plays.clear();
        v.SetSelection(c.selStart, c.selEnd, false);
        v.OnPlay();
        ASSERT_EQ(player.plays.size(), c.plays ? 1u : 0u) << c.selStart;
        if (c.plays) {
            EXPECT_EQ(player.plays[0].start, c.start);
            EXPECT_EQ(player.plays[0].count, c.count);
            v.OnPlay();  // stops
            EXPECT_FALSE(player.playing);
        }
    }
}

// The document's commands work on the view's selection, in order while a drag has the ends
// reversed, and on none once the view is gone.
TEST_F(TimelineViewTest, TheDocumentWorksOnTheViewsSelectionUntilTheViewGoes) {
    CPhonarcView& v = Make();
    v.SetSelection(32000, 16000, false);
    int s = 0, e = 0;
    ASSERT_TRUE(doc->GetSelectionMs(&s, &e));
    EXPECT_EQ(s, 1000);
    EXPECT_EQ(e, 2000);
    view.reset();
    EXPECT_FALSE(doc->GetSelectionMs(&s, &e));
}

TEST_F(TimelineViewTest, SpacePlaysAndStopsAndAutoRepeatDoesNotToggle) {
    CPhonarcView& v = Make();
    v.SetSelection(16000, 16000, false);
    QTest::keyClick(&v, Qt::Key_Space);
    EXPECT_TRUE(v.IsPlaying());
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(&v, &repeat);
    EXPECT_TRUE(v.IsPlaying());
    // The cursor follows the play position.
    ASSERT_TRUE(Pump([&] {
        int s = 0, e = 0;
        v.GetSelection(&s, &e);
        return s > 16000;
    }));
    QTest::keyClick(&v, Qt::Key_Space);
    EXPECT_FALSE(v.IsPlaying());
    // Play-rewind (on by default) puts the cursor back where the play began.
    int s = 0, e = 0;
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 16000);
    QTest::keyClick(&v, Qt::Key_F5);
    EXPECT_TRUE(v.IsPlaying());
    v.OnRewind();
    EXPECT_FALSE(v.IsPlaying());
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 0);
}

TEST_F(TimelineViewTest, LoopRestartsAtTheEndButAUsersStopStops) {
    TimelineViewHooks hooks;
    hooks.playLoop = [] { return true; };
    hooks.playRewind = [] { return true; };
    CPhonarcView& v = Make(nullptr, hooks);
    v.SetSelection(8000, 16000, false);  // half a second: time to stop it after the restart
    v.OnPlay();
    ASSERT_TRUE(v.IsPlaying());
    // The play ends by itself and the loop starts it again: seen as a play with the range restored.
    int restarts = 0;
    ASSERT_TRUE(Pump([&] {
        if (!v.IsPlaying()) ++restarts;
        return restarts > 0 && v.IsPlaying();
    }));
    // A user's stop, with the stopped pump's message already queued, stays stopped.
    QTest::keyClick(&v, Qt::Key_Space);
    EXPECT_FALSE(v.IsPlaying());
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < until) {
        pub_queue::dispatch();
        QCoreApplication::processEvents();
        EXPECT_FALSE(v.IsPlaying());
    }
    int s = 0, e = 0;
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 8000);
    EXPECT_EQ(e, 16000);
}

// A play that has ended by itself leaves its end message waiting and its viseme thread reading
// the wave player until that message is handled. Reloading the audio, gating it or closing the
// document right then must stop both players before the samples go (under AddressSanitizer a
// read of the freed stream is reported; without it the state checks below catch the fault).
TEST_F(TimelineViewTest, ReloadGateAndCloseRightAfterTheEndOfAPlayTouchNoFreedAudio) {
    auto clock = std::make_shared<wave_out_virtual_clock>();
    CPhonarcView& v = Make(std::make_unique<pcmsrc_wave_player>(wave_out_silent::opener(clock)));
    const auto playToTheEnd = [&](int round) {
        v.SetSelection(0, 1600, false);  // 0.1 s
        v.OnPlay();
        ASSERT_TRUE(v.IsPlaying()) << "round " << round;
        // The device plays on the virtual clock: the pump finds it drained and ends; its end
        // message is left undelivered.
        ASSERT_TRUE(playback_test_wait([&] {
            clock->advance_ms(10);
            return !v.IsPlaying();
        })) << "round " << round;
        ASSERT_TRUE(v.Playback().VisemePlayer().IsRunning()) << "round " << round;
    };
    const auto expectStopped = [&](const char* what, int round) {
        // A viseme thread left running gets a turn (it naps 14 ms) on the freed samples.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(v.Playback().VisemePlayer().IsRunning()) << what << ", round " << round;
        EXPECT_FALSE(v.Playback().WavePlayer().HoldsStream()) << what << ", round " << round;
    };
    for (int round = 0; round < 100; ++round) {
        playToTheEnd(round);
        doc->OnReloadAudio();
        expectStopped("reload", round);
        ASSERT_EQ(v.Stream(), doc->audio());
        // The range of the ended play is restored as its end message would have done.
        int s = -1, e = -1;
        v.GetSelection(&s, &e);
        EXPECT_EQ(s, 0);
        EXPECT_EQ(e, 1600);
        if (round % 25 == 0) {
            playToTheEnd(round);
            ASSERT_TRUE(ApplyNoiseGate(*doc, MeasureGateLevels(*doc->audio()), -30));
            expectStopped("noise gate", round);
        }
        pub_queue::dispatch();  // nothing of the stopped plays is left to deliver
        EXPECT_FALSE(v.IsPlaying());
    }
    // Closing: the view goes first, then the document frees the audio.
    playToTheEnd(100);
    view.reset();
    doc.reset();
}

TEST_F(TimelineViewTest, ZoomInStopsAtOneSamplePerPixelZoomOutDoubles) {
    CPhonarcView& v = Make();
    EXPECT_EQ(v.SamplesPerPixel(), 160000 / 815);  // the whole 10 s across the view
    const int start = v.SamplesPerPixel();
    v.ZoomOut();
    EXPECT_EQ(v.SamplesPerPixel(), start * 2);
    while (v.SamplesPerPixel() > 1) v.ZoomIn();
    const int first = v.FirstSample();
    v.ZoomIn();
    EXPECT_EQ(v.SamplesPerPixel(), 1);
    EXPECT_EQ(v.FirstSample(), first);
    // Zooming in keeps a cursor that would leave the view on the right in sight: a third in.
    for (int i = 0; i < 6; ++i) v.ZoomOut();  // 64 samples per pixel
    v.OnHScroll(CPhonarcView::kLeftEnd);
    v.SetSelection(100000, 100000, false);
    v.ZoomIn();
    const int span = 800 * 32;
    EXPECT_EQ(v.FirstSample(), 100000 - span / 3);
    // Ctrl+wheel zooms, the wheel scrolls ten pixels a notch.
    const int spp = v.SamplesPerPixel();
    QWheelEvent out(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&v, &out);
    EXPECT_EQ(v.SamplesPerPixel(), spp * 2);
    const int before = v.FirstSample();
    QWheelEvent right(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&v, &right);
    EXPECT_EQ(v.FirstSample(), (before / v.SamplesPerPixel() + 10) * v.SamplesPerPixel());
}

TEST_F(TimelineViewTest, SelectionDragGrabsTheNearEdgeAndSwapsWhenCrossed) {
    CPhonarcView& v = Make();
    const int y = 60, spp = v.SamplesPerPixel();
    QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, QPoint(100, y));
    QTest::mouseMove(&v, QPoint(300, y));
    QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, QPoint(300, y));
    int s = 0, e = 0;
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 85 * spp);
    EXPECT_EQ(e, 285 * spp);
    // Two pixels off the start grabs the start; dragged past the end, the ends swap on release.
    QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, QPoint(102, y));
    QTest::mouseMove(&v, QPoint(400, y));
    QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, QPoint(400, y));
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 285 * spp);
    EXPECT_EQ(e, 385 * spp);
    // Far from both ends a press starts a new cursor; a drag left of the margin stops at 0.
    QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, QPoint(600, y));
    QTest::mouseMove(&v, QPoint(5, y));
    QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, QPoint(5, y));
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 585 * spp);
    EXPECT_EQ(v.StatusText(0), "0:00:000");
}

TEST_F(TimelineViewTest, DoubleClickSelectsAPhonemeAndAnotherClickExtendsIt) {
    CPhonarcView& v = Make();
    for (int i = 0; i < 4; ++i) v.ZoomIn();  // 12 samples per pixel: phonemes are 133 pixels wide
    v.SetSelection(16000, 16000, true);
    const int y = PhonemeY();
    ASSERT_GT(y, 0);
    const int x = v.SampleToX(16000 + 1600 + 800);  // inside "AA" (1100 .. 1200 ms)
    QTest::mouseDClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    int s = 0, e = 0;
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 17600);
    EXPECT_EQ(e, 19200);
    EXPECT_EQ(v.StatusText(2), "AA");
    // Within 500 ms a plain click is another double-click: the selection grows by a phoneme.
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    v.GetSelection(&s, &e);
    EXPECT_EQ(s, 17600);
    EXPECT_EQ(e, 20800);
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    v.GetSelection(&s, &e);
    EXPECT_EQ(e, 22400);
    // Past the last phoneme there is nothing to add: the selection starts over with the phoneme.
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    v.GetSelection(&s, &e);
    EXPECT_EQ(e, 19200);
    EXPECT_EQ(v.CurrentTrack(), 1);
}

TEST_F(TimelineViewTest, MarginButtonsHideChannelsAndScrollCodes) {
    CPhonarcView& v = Make();
    ASSERT_EQ(v.Channels().size(), 2u);
    const int top = v.Channels()[0]->band.top;
    QTest::mouseClick(&v, Qt::LeftButton, Qt::NoModifier, QPoint(4, top + 5));
    EXPECT_EQ(v.DisplayMode(), static_cast<uint32_t>(kShowPhonemes));
    ASSERT_EQ(v.Channels().size(), 1u);
    EXPECT_EQ(v.Channels()[0]->band.top, top);

    for (int i = 0; i < 3; ++i) v.ZoomIn();
    const int spp = v.SamplesPerPixel(), w = v.ChannelArea().Width();
    const struct {
        CPhonarcView::ScrollCode code;
        int from, to;  // scroll positions in pixels
    } cases[] = {
        {CPhonarcView::kLineRight, 0, 10},     {CPhonarcView::kLineLeft, 5, 0},
        {CPhonarcView::kPageRight, 0, w / 2},  {CPhonarcView::kPageLeft, w / 2 + 3, 3},
        {CPhonarcView::kRightEnd, 0, 160000 / spp}, {CPhonarcView::kEndScroll, 7, 7},
    };
    for (const auto& c : cases) {
        v.OnHScroll(CPhonarcView::kThumbPosition, c.from);
        v.OnHScroll(c.code);
        EXPECT_EQ(v.FirstSample(), c.to * spp) << c.code;
    }
}

// Remembers the last shape it was asked for; the viseme player's shapes reach it when the post
// queue is dispatched.
class LastShape : public IVisemeHandler {
public:
    void SetViseme(const char* label, int32_t) override { last_ = label ? label : ""; }
    void SetVisemeMix(const ArticulationKey*) override { last_ = "mix"; }
    const std::string& Last() const { return last_; }

private:
    std::string last_;
};

TEST_F(TimelineViewTest, AfterPlaybackTheViewShowsTheRestoredCursorAndTheHeadRests) {
    LastShape head;
    SetVisemeHandler(&head);
    TimelineViewHooks hooks;
    hooks.playRewind = [] { return true; };
    CPhonarcView& v = Make(nullptr, hooks);
    for (int i = 0; i < 4; ++i) v.ZoomIn();  // 12 samples per pixel: 0.6 s across
    // 1.25 s from the cursor to the end: following the play pages the view past the cursor.
    v.SetSelection(140000, 140000, true);
    v.OnPlay();
    ASSERT_TRUE(v.IsPlaying());
    ASSERT_TRUE(Pump([&] { return v.FirstSample() > 150000; }));
    ASSERT_TRUE(Pump([&] {
        int s = 0, e = 0;
        v.GetSelection(&s, &e);
        return !v.IsPlaying() && s == 140000;
    }));
    const int spp = v.SamplesPerPixel();
    EXPECT_LE(v.FirstSample(), 140000);
    EXPECT_LT(140000, v.FirstSample() + v.ChannelArea().Width() * spp);
    EXPECT_EQ(head.Last(), "x");

    // A stop by the user in the middle of a phoneme rests the head too.
    v.SetSelection(17600, 17600, false);  // "AA"
    v.OnPlay();
    ASSERT_TRUE(v.IsPlaying());
    v.OnPlay();
    EXPECT_FALSE(v.IsPlaying());
    v.OnRewind();
    EXPECT_EQ(head.Last(), "x");
    SetVisemeHandler(nullptr);
}

TEST_F(TimelineViewTest, RulerLabelsKeepTheirInkOverRepaints) {
    CPhonarcView& v = Make();
    const auto ink = [&] {
        const QImage image = v.grab().toImage();
        long long sum = 0;
        for (int y = 0; y < kRulerHeight; ++y)
            for (int x = kMarginWidth; x < image.width(); ++x) sum += 255 - qGray(image.pixel(x, y));
        return sum;
    };
    const long long first = ink();
    ASSERT_GT(first, 0);
    for (int i = 0; i < 20; ++i) ink();
    EXPECT_EQ(ink(), first);
}

TEST_F(TimelineViewTest, ADoubleClickInTheMarginHidesOneChannel) {
    profile.WriteInt("display", "ulmode", kShowWaveform | kShowPhonemes | kShowWords);
    CPhonarcView& v = Make();
    ASSERT_EQ(v.Channels().size(), 3u);
    const int top = v.Channels()[0]->band.top;
    // Through the window, so that the platform makes the press, release, press and
    // double-click a real double-click is.
    QTest::mouseDClick(v.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(4, top + 5));
    EXPECT_EQ(v.DisplayMode(), static_cast<uint32_t>(kShowPhonemes | kShowWords));
    ASSERT_EQ(v.Channels().size(), 2u);
}

TEST_F(TimelineViewTest, ChannelsThatDoNotFitScrollAndKeepTheirHeights) {
    profile.WriteInt("display", "ulmode", kShowWaveform | kShowSpectrogram | kShowEnergy | kShowPhonemes | kShowWords);
    CPhonarcView& v = Make();
    auto heightOf = [&](uint32_t bit) {
        for (const auto& c : v.Channels())
            if (c->displayBit == bit) return c->band.Height();
        return -1;
    };
    auto bottom = [&] { return v.Channels().back()->band.bottom; };
    // Tall enough: no scroll bar, the spectrogram takes what is left.
    v.resize(815, 600);
    EXPECT_GT(heightOf(kShowSpectrogram), kMinFlexibleHeight);
    EXPECT_LE(bottom(), v.ChannelArea().bottom);
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : v.findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) bar = b;
    ASSERT_TRUE(bar);
    EXPECT_FALSE(bar->isVisible());
    // Too low: the spectrogram keeps its least height, the words can be scrolled to.
    v.resize(815, 200);
    EXPECT_EQ(heightOf(kShowSpectrogram), kMinFlexibleHeight);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bottom(), v.ChannelArea().bottom);
    bar->setValue(bar->maximum());
    EXPECT_EQ(bottom(), v.ChannelArea().bottom);
    EXPECT_EQ(v.Channels().back()->displayBit, static_cast<uint32_t>(kShowWords));
}

}  // namespace
