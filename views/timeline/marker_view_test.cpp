// The marker channels inside the timeline view, driven with synthetic mouse events on the
// offscreen platform: the view dispatches the press to the channel under the pointer and the
// moves and the release to the capturing one, and the channel commits through the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "model/pub_queue.h"
#include "platform/wave_out.h"
#include "views/playback/wave_player.h"
#include "views/timeline/marker_channels.h"
#include "views/timeline/phonarc_view.h"
#include "views/timeline/timeline_test_support.h"

namespace {

class MarkerViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.profile = &profile;
        host.prompts = &prompts;
        doc = std::make_unique<CPhonarcDoc>(host);
        ASSERT_TRUE(doc->OnOpenDocument(std::string(MURMUREX_TESTDATA_DIR) + "/speech/rms_0003_clean.wav"));
        auto audio = timeline_test::Recording(160000, timeline_test::SpeechLike);  // 10 s at 16 kHz
        ASSERT_TRUE(doc->SetAudioSamples(*audio));
        app_sync_results t;
        const char* labels[] = {"m", "AA", "b", "IY"};
        for (int i = 0; i < 4; ++i) t.phonemes.push_back(phn_marker(1000 + 500 * i, 1500 + 500 * i, labels[i], 80));
        t.words = {og_marker(1000, 2000, "one"), og_marker(2500, 3000, "two")};
        doc->SetTrackResults(t, 1);
        profile.WriteInt("display", "ulmode", kShowWaveform | kShowPhonemes | kShowPhonemeEnergy | kShowWords);
        view = Make({});
    }
    // A view on the silent device, made with that channel factory.
    std::unique_ptr<CPhonarcView> Make(MarkerChannelFactory factory) {
        timeline_view_setup setup;
        setup.channels = std::move(factory);
        setup.player = std::make_unique<pcmsrc_wave_player>(
            [](const wave_format& f, std::unique_ptr<wave_out_device>* out) { return open_wave_out(f, out, true); });
        auto made = std::make_unique<CPhonarcView>(*doc, std::move(setup));
        made->resize(815, 300);
        made->show();
        return made;
    }
    void TearDown() override {
        view.reset();
        doc.reset();
        pub_queue::destroy_instance();
    }
    static CPhonarcChannelView* Channel(const CPhonarcView& v, uint32_t bit) {
        for (const auto& c : v.Channels())
            if (c->displayBit == bit) return c.get();
        return nullptr;
    }
    CPhonarcChannelView* Channel(uint32_t bit) { return Channel(*view, bit); }
    int X(int ms) { return Channel(kShowPhonemes)->view->map.MsToX(Channel(kShowPhonemes)->stream, ms); }
    int Ms(int x) { return Channel(kShowPhonemes)->view->map.XToMs(Channel(kShowPhonemes)->stream, x); }
    int Mid(uint32_t bit) { return (Channel(bit)->band.top + Channel(bit)->band.bottom) / 2; }
    std::string UndoName() { return doc->GetUndoManager().GetActionName(doc.get(), false, 0); }
    bool CanUndo(int n) { return doc->GetUndoManager().CanUndo(doc.get(), n); }

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    document_host host;
    std::unique_ptr<CPhonarcDoc> doc;
    std::unique_ptr<CPhonarcView> view;
};

TEST_F(MarkerViewTest, DraggingABoundaryMovesBothNeighboursAsOneStep) {
    ASSERT_NE(dynamic_cast<CMXChannelPhns*>(Channel(kShowPhonemes)), nullptr) << "the editable channel";
    const int y = Mid(kShowPhonemes);
    const int x0 = X(1500), x1 = X(1800);
    int s = 0, e = 0;
    view->GetSelection(&s, &e);
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x0, y));
    QTest::mouseMove(view.get(), QPoint((x0 + x1) / 2, y));
    QTest::mouseMove(view.get(), QPoint(x1, y));
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x1, y));
    const phn_marker_list& p = doc->track(1).phonemes;
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].end, Ms(x1));
    EXPECT_EQ(p[1].start, Ms(x1));
    EXPECT_EQ(p[1].end, 2000);
    EXPECT_EQ(UndoName(), kUndoMovePhoneme);
    EXPECT_FALSE(CanUndo(2));
    int s2 = 0, e2 = 0;
    view->GetSelection(&s2, &e2);
    EXPECT_EQ(s2, s) << "the press went to the channel, not to the selection";
    EXPECT_EQ(view->CapturingChannel(), nullptr);

    // There and back again: nothing.
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x1, y));
    QTest::mouseMove(view.get(), QPoint(x1 - 30, y));
    QTest::mouseMove(view.get(), QPoint(x1, y));
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(x1, y));
    EXPECT_FALSE(CanUndo(2));
}

// Every view edits its own marker channels; the factory it is made with only fills the bands
// those leave (the Flash gestures), and only in that view: without one the band stays empty.
TEST_F(MarkerViewTest, AViewEditsItsMarkersAndItsFactoryAddsOnlyTheBandsLeft) {
    std::vector<uint32_t> asked;
    struct Marked : CPhonarcChannelView {
        using CPhonarcChannelView::CPhonarcChannelView;
    };
    auto flash = Make([&asked](const ChannelBand& band, const TimelineState* state) -> std::unique_ptr<CPhonarcChannelView> {
        asked.push_back(band.bit);
        if (band.bit != kShowFlashGestures) return nullptr;
        auto c = std::make_unique<Marked>(state);
        c->displayBit = band.bit;
        c->band = band.band;
        return c;
    });
    const uint32_t mask = kShowWaveform | kShowPhonemes | kShowPhonemeEnergy | kShowWords | kShowFlashGestures;
    flash->SetDisplayMode(mask);
    view->SetDisplayMode(mask);
    ASSERT_FALSE(asked.empty());
    for (uint32_t bit : asked) EXPECT_EQ(bit, static_cast<uint32_t>(kShowFlashGestures)) << "asked for the Flash band alone";
    for (CPhonarcView* v : {view.get(), flash.get()}) {
        for (uint32_t bit : {kShowPhonemes, kShowPhonemeEnergy, kShowWords})
            EXPECT_NE(dynamic_cast<CMXMarkerChannel*>(Channel(*v, bit)), nullptr) << "bit " << bit;
        ASSERT_NE(Channel(*v, kShowFlashGestures), nullptr);
    }
    EXPECT_NE(dynamic_cast<Marked*>(Channel(*flash, kShowFlashGestures)), nullptr);
    EXPECT_EQ(dynamic_cast<Marked*>(Channel(*view, kShowFlashGestures)), nullptr) << "an empty band";

    // Both edit the one document.
    const int y = Mid(kShowPhonemes);
    QTest::mousePress(flash.get(), Qt::LeftButton, Qt::NoModifier, QPoint(X(1500), y));
    QTest::mouseMove(flash.get(), QPoint(X(1800), y));
    QTest::mouseRelease(flash.get(), Qt::LeftButton, Qt::NoModifier, QPoint(X(1800), y));
    EXPECT_EQ(doc->track(1).phonemes[0].end, Ms(X(1800)));
    EXPECT_EQ(UndoName(), kUndoMovePhoneme);
}

// A new view gets its audio and several sizes before it shows; its channels are built once, when
// it shows, at the size it shows at (the factory is asked once per build).
TEST_F(MarkerViewTest, AHiddenViewBuildsItsChannelsOnceWhenItShows) {
    profile.WriteInt("display", "ulmode", kShowWaveform | kShowPhonemes | kShowFlashGestures);
    int builds = 0;
    timeline_view_setup setup;
    setup.channels = [&builds](const ChannelBand& band, const TimelineState* state) -> std::unique_ptr<CPhonarcChannelView> {
        ++builds;
        auto c = std::make_unique<CPhonarcChannelView>(state);
        c->displayBit = band.bit;
        c->band = band.band;
        return c;
    };
    CPhonarcView hidden(*doc, std::move(setup));
    for (int w : {300, 600, 815}) hidden.resize(w, 300);
    hidden.SetDisplayMode(hidden.DisplayMode());
    EXPECT_EQ(builds, 0);
    EXPECT_TRUE(hidden.Channels().empty());
    hidden.show();
    EXPECT_EQ(builds, 1);
    ASSERT_EQ(hidden.Channels().size(), 3u);
    EXPECT_EQ(hidden.Channels().back()->band.right, hidden.ChannelArea().right) << "laid out at the shown size";
    EXPECT_EQ(hidden.ChannelArea().right, 815);
}

TEST_F(MarkerViewTest, WordDraggedOutOfItsBandIsRemoved) {
    const int y = Mid(kShowWords);
    const int x = X(2750);
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(x, y));
    QTest::mouseMove(view.get(), QPoint(x, Channel(kShowWords)->band.bottom + 20));
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(x, Channel(kShowWords)->band.bottom + 20));
    ASSERT_EQ(doc->track(1).words.size(), 1u);
    EXPECT_EQ(doc->track(1).words[0].label, "one");
    EXPECT_EQ(UndoName(), kUndoMoveWords);
}

TEST_F(MarkerViewTest, CtrlClickInTheEnergyBand) {
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ControlModifier,
                      QPoint(X(2200), Channel(kShowPhonemeEnergy)->band.bottom - 28));
    EXPECT_EQ(doc->track(1).phonemes[2].value, 40.0f);
    EXPECT_EQ(UndoName(), kUndoEnergy);
}

TEST_F(MarkerViewTest, ScreenshotWithASelectionAndABoundaryHeldMidDrag) {
    view->SetSelection(16000 * 2, 16000 * 3, false);  // 2 to 3 seconds
    const int y = Mid(kShowPhonemes);
    QTest::mousePress(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(X(2500), y));
    QTest::mouseMove(view.get(), QPoint(X(2800), y));
    QApplication::processEvents();
    std::filesystem::create_directories(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(view->grab().save(QString(MURMUREX_SCREENSHOT_DIR) + "/marker_drag_view.png"));
    QTest::mouseRelease(view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(X(2800), y));
    EXPECT_EQ(doc->track(1).phonemes[2].end, Ms(X(2800)));
}

}  // namespace
