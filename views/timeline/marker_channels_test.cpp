// Marker channels driven the way the view drives them: presses, moves and releases at pixel
// positions, with the document taking the commits. 10 ms per pixel, column 15 is 0 ms.
#include "views/timeline/marker_channels.h"

#include <gtest/gtest.h>

#include <QColor>
#include <filesystem>
#include <sstream>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/marker_test_support.h"
#include "views/timeline/signal_channels.h"
#include "views/timeline/time_ruler.h"
#include "views/timeline/timeline_test_support.h"

namespace {

using timeline_test::MarkerHost;

constexpr int kWidth = 400;
constexpr int kHeight = 260;

int X(int ms) { return kMarginWidth + ms / 10; }

template <class L>
std::string Describe(const L& list) {
    std::ostringstream out;
    for (const auto& m : list) out << (out.tellp() > 0 ? " " : "") << m.label << "[" << m.start << "," << m.end << "]";
    return out.str();
}

template <class L, class M = typename L::value_type>
L Make(std::initializer_list<std::tuple<const char*, int, int>> items) {
    L list;
    for (const auto& [label, s, e] : items) {
        M m;
        m.start = s;
        m.end = e;
        m.label = label;
        list.push_back(m);
    }
    return list;
}

class MarkerChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The table tests set up again: the old view leaves the old document first.
        channels_.clear();
        host_view_.reset();
        host_.profile = &profile_;
        host_.prompts = &prompts_;
        doc_ = std::make_unique<CPhonarcDoc>(host_);
        stream_ = timeline_test::Recording(16000 * 4, timeline_test::SpeechLike);
        view_.stream = stream_.get();
        view_.map = {0, 160};
        view_.displayMask = kShowWaveform | kShowPhonemes | kShowPhonemeEnergy | kShowWords | kShowEvents |
                            kShowGestures;
        app_sync_results track;
        track.phonemes = Make<phn_marker_list>({{"a", 0, 500}, {"b", 500, 1000}, {"c", 1000, 1500}});
        track.phonemes[0].value = 40;
        track.phonemes[1].value = 90;
        track.phonemes[2].value = 60;
        track.words = Make<og_marker_list>({{"one", 0, 500}, {"two", 600, 900}});
        track.xml_events = Make<event_marker_list>({{"wave", 200, 400}, {"nod", 1200, 1400}});
        for (auto [s, e] : {std::pair{100, 700}, std::pair{1000, 1800}}) {
            FGesture g(FGesture::kPose, s, e, 0);
            g.label = s < 1000 ? "g1" : "g2";
            track.gestures.push_back(g);
        }
        doc_->SetTrackResults(track, 1);
        host_view_ = std::make_unique<MarkerHost>(doc_.get());
        channels_ = host_view_->MakeChannels(&view_, area_);
    }

    CPhonarcChannelView* Channel(uint32_t bit) {
        for (auto& c : channels_)
            if (c->displayBit == bit) return c.get();
        return nullptr;
    }
    int Mid(uint32_t bit) {
        const BandRect& b = Channel(bit)->band;
        return (b.top + b.bottom) / 2;
    }
    // A press, moves to each of the times in turn and a release, as the view dispatches them: the
    // press to the channel under the pointer, then everything to the capturing channel.
    bool Drag(uint32_t bit, int fromMs, std::initializer_list<std::pair<int, int>> moves, uint32_t flags = 0) {
        CPhonarcChannelView* c = Channel(bit);
        const int y = Mid(bit);
        if (!c->OnLButtonDown(X(fromMs), y, flags | kMouseFlagLeft)) return false;
        EXPECT_EQ(host_view_->capture, c);
        std::pair<int, int> last{X(fromMs), y};
        for (auto [ms, dy] : moves) {
            last = {X(ms), y + dy};
            host_view_->capture->OnMouseMove(last.first, last.second, flags | kMouseFlagLeft);
        }
        host_view_->capture->OnLButtonUp(last.first, last.second, flags);
        EXPECT_EQ(host_view_->capture, nullptr);
        return true;
    }
    std::string UndoName() { return doc_->GetUndoManager().GetActionName(doc_.get(), false, 0); }
    bool CanUndo(int n) { return doc_->GetUndoManager().CanUndo(doc_.get(), n); }
    const app_sync_results& DocTrack() { return doc_->track(1); }

    CMemoryProfileStore profile_;
    CScriptedPrompts prompts_;
    document_host host_;
    std::unique_ptr<CPhonarcDoc> doc_;
    std::unique_ptr<CMemoryPCMStream> stream_;
    TimelineState view_;
    const BandRect area_{kMarginWidth, kRulerHeight, kWidth, kHeight};
    std::unique_ptr<MarkerHost> host_view_;
    ChannelList channels_;
};

TEST_F(MarkerChannelTest, PhonemeDragsFollowTheNeighbourRules) {
    struct drag_case {
        const char* what;
        int from;
        uint32_t flags;
        int to;
        const char* after;
    };
    const drag_case cases[] = {
        {"shared boundary left", 500, 0, 400, "a[0,400] b[400,1000] c[1000,1500]"},
        {"shared boundary right", 500, 0, 700, "a[0,700] b[700,1000] c[1000,1500]"},
        {"first start: no predecessor", 0, 0, 100, "a[100,500] b[500,1000] c[1000,1500]"},
        {"last end: no successor", 1500, 0, 1800, "a[0,500] b[500,1000] c[1000,1800]"},
        {"Ctrl moves the whole phoneme", 750, kMouseFlagControl, 850, "a[0,600] b[600,1100] c[1100,1500]"},
        {"edge past a whole neighbour", 1000, 0, 300, "a[0,300] c[300,1500]"},
    };
    for (const drag_case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        ASSERT_TRUE(Drag(kShowPhonemes, c.from, {{(c.from + c.to) / 2, 0}, {c.to, 0}}, c.flags));
        EXPECT_EQ(Describe(DocTrack().phonemes), c.after);
        EXPECT_EQ(Describe(host_view_->tracks[1].phonemes), c.after);
        EXPECT_EQ(UndoName(), kUndoMovePhoneme);
        EXPECT_FALSE(CanUndo(2)) << "one undo level per drag";
        doc_->OnEditUndo();
        EXPECT_EQ(Describe(host_view_->tracks[1].phonemes), "a[0,500] b[500,1000] c[1000,1500]");
    }
    SetUp();
    EXPECT_FALSE(Channel(kShowPhonemes)->OnLButtonDown(X(750), Mid(kShowPhonemes), 0)) << "inside without Ctrl";
    EXPECT_FALSE(Channel(kShowPhonemes)->OnLButtonDown(X(2500), Mid(kShowPhonemes), kMouseFlagControl));
    EXPECT_EQ(host_view_->capture, nullptr);
}

TEST_F(MarkerChannelTest, PhonemeDragShowsEachStepAndBackAtTheGrabCommitsNothing) {
    auto* phns = static_cast<CMXChannelPhns*>(Channel(kShowPhonemes));
    ASSERT_TRUE(phns->OnLButtonDown(X(500), Mid(kShowPhonemes), 0));
    EXPECT_EQ(phns->dragKind, CMXChannelPhns::kStartEdge);
    phns->OnMouseMove(X(300), Mid(kShowPhonemes), 0);
    EXPECT_EQ(Describe(host_view_->tracks[1].phonemes), "a[0,300] b[300,1000] c[1000,1500]");
    const int redraws = host_view_->redraws;
    phns->OnMouseMove(X(300), Mid(kShowPhonemes), 0);  // the same point: nothing
    EXPECT_EQ(host_view_->redraws, redraws);
    // Each step applies the whole displacement to the list as it was at the press.
    phns->OnMouseMove(X(800), Mid(kShowPhonemes), 0);
    EXPECT_EQ(Describe(host_view_->tracks[1].phonemes), "a[0,800] b[800,1000] c[1000,1500]");
    EXPECT_EQ(Describe(DocTrack().phonemes), "a[0,500] b[500,1000] c[1000,1500]") << "nothing committed yet";
    phns->OnMouseMove(X(500), Mid(kShowPhonemes), 0);
    phns->OnLButtonUp(X(500), Mid(kShowPhonemes), 0);
    EXPECT_FALSE(CanUndo(1));
    EXPECT_EQ(Describe(host_view_->tracks[1].phonemes), "a[0,500] b[500,1000] c[1000,1500]");
}

TEST_F(MarkerChannelTest, SpanChannelDrags) {
    struct drag_case {
        const char* what;
        uint32_t bit;
        int from;
        uint32_t flags;
        int to, dy;
        const char* name;
        const char* after;  // the channel's list in the document
    };
    const drag_case cases[] = {
        {"word straight down, 20 px below the band", kShowWords, 750, kMouseFlagControl, 750, 30, kUndoMoveWords,
         "one[0,500]"},
        {"word moved right", kShowWords, 750, kMouseFlagControl, 850, 0, kUndoMoveWords, "one[0,500] two[700,1000]"},
        {"word end pushes the next", kShowWords, 500, 0, 700, 0, kUndoMoveWords, "one[0,700] two[700,850]"},
        {"event start past its end refused", kShowEvents, 200, 0, 500, 0, kUndoMoveEvent, "wave[200,400] nod[1200,1400]"},
        {"event end kept after its start", kShowEvents, 1400, 0, 1100, 0, kUndoMoveEvent,
         "wave[200,400] nod[1200,1200]"},
        {"event shifted past the next", kShowEvents, 300, kMouseFlagControl, 1400, 0, kUndoMoveEvent,
         "nod[1200,1400] wave[1300,1500]"},
        {"gesture end", kShowGestures, 700, 0, 900, 0, kUndoMoveGestures, "g1[100,900] g2[1000,1800]"},
        {"gesture moved over the next", kShowGestures, 400, kMouseFlagControl, 1500, 0, kUndoMoveGestures,
         "g2[1000,1800] g1[1200,1800]"},
        {"gesture dragged out, 13 px above", kShowGestures, 1400, kMouseFlagControl, 1400, -23, kUndoMoveGestures,
         "g1[100,700]"},
    };
    for (const drag_case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        ASSERT_TRUE(Drag(c.bit, c.from, {{c.to, c.dy}}, c.flags));
        const app_sync_results& t = DocTrack();
        const std::string after = c.bit == kShowWords    ? Describe(t.words)
                                  : c.bit == kShowEvents ? Describe(t.xml_events)
                                                         : Describe(t.gestures);
        EXPECT_EQ(after, c.after);
        if (c.name) {
            EXPECT_EQ(UndoName(), c.name);
            EXPECT_FALSE(CanUndo(2));
        } else {
            EXPECT_FALSE(CanUndo(1));
        }
    }
    SetUp();
    EXPECT_FALSE(Channel(kShowWords)->OnLButtonDown(X(750), Mid(kShowWords), 0)) << "inside without Ctrl";
    EXPECT_FALSE(Channel(kShowWords)->OnLButtonDown(X(550), Mid(kShowWords), kMouseFlagControl)) << "between words";
}

TEST_F(MarkerChannelTest, CursorFollowsTheHitTest) {
    host_view_->control = false;
    EXPECT_TRUE(Channel(kShowPhonemes)->OnSetCursor(X(500), Mid(kShowPhonemes)));
    EXPECT_EQ(host_view_->cursor, Qt::SizeHorCursor);
    EXPECT_FALSE(Channel(kShowWords)->OnSetCursor(X(750), Mid(kShowWords)));
    host_view_->control = true;
    EXPECT_TRUE(Channel(kShowWords)->OnSetCursor(X(750), Mid(kShowWords)));
    EXPECT_EQ(host_view_->cursor, Qt::SizeAllCursor);
}

TEST_F(MarkerChannelTest, CtrlClickSetsAnEnergy) {
    app_sync_results track = DocTrack();
    track.phonemes[2].add_energy(10, 1000, 1250);
    track.phonemes[2].add_energy(20, 1250, 1500);
    doc_->SetTrackResults(track, 1);
    CPhonarcChannelView* energy = Channel(kShowPhonemeEnergy);
    const int y = energy->band.bottom - 28;
    EXPECT_FALSE(energy->OnLButtonDown(X(300), y, 0)) << "without Ctrl";
    EXPECT_FALSE(energy->OnLButtonDown(X(2500), y, kMouseFlagControl)) << "no phoneme there";
    EXPECT_FALSE(CanUndo(1));

    ASSERT_TRUE(energy->OnLButtonDown(X(300), y, kMouseFlagControl));
    EXPECT_EQ(DocTrack().phonemes[0].value, 40.0f);
    EXPECT_EQ(UndoName(), kUndoEnergy);
    ASSERT_TRUE(energy->OnLButtonDown(X(1300), energy->band.bottom - 2, kMouseFlagControl));  // below the baseline
    EXPECT_EQ(DocTrack().phonemes[2].energy[1].value, 0.0f);
    EXPECT_EQ(DocTrack().phonemes[2].energy[0].value, 10.0f);
    EXPECT_EQ(DocTrack().phonemes[2].value, 60.0f);
}

QRgb Pixel(COffscreenDib& dib, int x, int y) { return dib.Image().pixel(x, y) & 0xFFFFFF; }

TEST_F(MarkerChannelTest, DrawsSpansEdgesAndEnergyBars) {
    COffscreenDib dib;
    ASSERT_TRUE(dib.Create(kWidth, kHeight, 24));
    dib.Image().fill(Qt::white);
    for (auto& c : channels_) c->Draw(dib, c->band);
    const BandRect& p = Channel(kShowPhonemes)->band;
    EXPECT_EQ(Pixel(dib, X(500), p.bottom - 2), 0x000000u) << "boundary line";
    EXPECT_EQ(Pixel(dib, X(700), p.bottom - 2), 0xC4C4C4u) << "span fill";
    EXPECT_EQ(Pixel(dib, X(700), p.top), 0xFFFFFFu) << "the band's top row is left alone";
    EXPECT_EQ(Pixel(dib, X(2000), p.bottom - 2), 0xFFFFFFu) << "no phoneme there";
    const BandRect& e = Channel(kShowPhonemeEnergy)->band;
    const int y0 = e.bottom - kEnergyBaselineOffset;
    EXPECT_EQ(Pixel(dib, X(700), y0 - 45), 0xFF0000u) << "energy 90 stands 45 pixels up, filled red";
    EXPECT_EQ(Pixel(dib, X(700), y0 - 46), 0x000000u) << "outlined black";
    EXPECT_EQ(Pixel(dib, X(2000), y0), 0x808080u) << "grey baseline";
    // Drawing only part of the band touches nothing outside it.
    dib.Image().fill(Qt::white);
    Channel(kShowPhonemes)->Draw(dib, {X(600), p.top, X(800), p.bottom});
    EXPECT_EQ(Pixel(dib, X(500), p.bottom - 2), 0xFFFFFFu);
    EXPECT_EQ(Pixel(dib, X(700), p.bottom - 2), 0xC4C4C4u);
}

// A channel with no host to edit through draws the view state's tracks exactly as an editing one
// draws its host's, and lets every press and hover through.
TEST_F(MarkerChannelTest, WithoutAHostTheChannelsDrawTheSameAndTakeNoMouse) {
    TimelineState readOnly = view_;
    readOnly.tracks = host_view_->tracks;
    ChannelList drawn;
    for (const ChannelBand& band : LayoutChannels(view_.displayMask, 1, area_))
        if (auto c = CreateMarkerChannel(band, &readOnly, nullptr)) drawn.push_back(std::move(c));
    ASSERT_EQ(drawn.size(), channels_.size());
    COffscreenDib editing, plain;
    ASSERT_TRUE(editing.Create(kWidth, kHeight, 24));
    ASSERT_TRUE(plain.Create(kWidth, kHeight, 24));
    editing.Image().fill(Qt::white);
    plain.Image().fill(Qt::white);
    for (auto& c : channels_) c->Draw(editing, c->band);
    for (auto& c : drawn) c->Draw(plain, c->band);
    EXPECT_EQ(Pixel(plain, X(700), Channel(kShowPhonemes)->band.bottom - 2), 0xC4C4C4u) << "a span is drawn";
    EXPECT_TRUE(plain.Image() == editing.Image());

    for (auto& c : drawn) {
        const int y = (c->band.top + c->band.bottom) / 2;
        for (int ms : {0, 500, 700, 1000}) {
            EXPECT_FALSE(c->OnSetCursor(X(ms), y)) << c->displayBit << " at " << ms;
            EXPECT_FALSE(c->OnLButtonDown(X(ms), y, kMouseFlagLeft | kMouseFlagControl)) << c->displayBit << " at " << ms;
        }
    }
    EXPECT_FALSE(CanUndo(1));
    EXPECT_EQ(host_view_->capture, nullptr);

    // With no tracks at all there is nothing to draw.
    readOnly.tracks = nullptr;
    plain.Image().fill(Qt::white);
    for (auto& c : drawn) c->Draw(plain, c->band);
    EXPECT_EQ(Pixel(plain, X(700), Channel(kShowPhonemes)->band.bottom - 2), 0xFFFFFFu);
}

TEST_F(MarkerChannelTest, ScreenshotOfADraggedBoundary) {
    COffscreenDib dib;
    ASSERT_TRUE(dib.Create(kWidth, kHeight, 24));
    ChannelList all;
    for (const ChannelBand& band : LayoutChannels(view_.displayMask, 1, area_)) {
        auto c = CreateMarkerChannel(band, &view_, host_view_.get());
        all.push_back(c ? std::move(c) : CreateSignalChannel(band, &view_, nullptr));
    }
    CPhonarcChannelView* phns = nullptr;
    for (auto& c : all)
        if (c->displayBit == kShowPhonemes) phns = c.get();
    ASSERT_TRUE(phns->OnLButtonDown(X(1000), (phns->band.top + phns->band.bottom) / 2, 0));
    phns->OnMouseMove(X(1200), phns->band.top + 5, 0);  // held mid-drag: c starts at 1200 ms
    CWinRulerView ruler;
    ruler.SetStream(stream_.get());
    ruler.SetRect({kMarginWidth, 0, kWidth, kRulerHeight});
    ruler.SetSamplesPerPixel(view_.map.samplesPerPixel);
    ruler.SetMode(CWinRulerView::kTime, stream_->MsToFrames(83));
    ruler.SetFirstSample(0);
    ComposeTimeline(dib, {0, 0, kWidth, kHeight}, ruler, all, area_, QColor(0xEF, 0xEF, 0xEF));
    EXPECT_EQ(Pixel(dib, X(1200), phns->band.bottom - 2), 0x000000u);
    EXPECT_EQ(Pixel(dib, X(1000), phns->band.bottom - 2), 0xC4C4C4u);
    std::filesystem::create_directories(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(dib.Image().save(QString(MURMUREX_SCREENSHOT_DIR) + "/marker_drag.png"));
}

}  // namespace
