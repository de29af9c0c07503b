// The Flash gesture channel on a Flash document with the sample template: hit tests, drags on the
// working copy, the context menu's items and commands, and what each commits.
#include "views/flash_channel/flash_gesture_channel.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/core/document_test_support.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"
#include "flash/char_test_support.h"
#include "flash/gesture_selection.h"
#include "views/offscreen/offscreen_dib.h"
#include "views/timeline/marker_test_support.h"

namespace {

namespace fs = std::filesystem;

using document_test::kBase;
using document_test::kSpeech;
const fs::path kTemplate = fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf";

class fake_selection : public flash_gesture_selection {
public:
    int GetSelectedGesture() const override { return selected; }
    bool OnCharacterChanged(bool) override { return true; }
    int selected = -1;
};

class fake_frame : public flash_document_frame {
public:
    void ShowFlashGesturesBar(bool) override {}
    void ShowChannel(uint32_t) override {}
    flash_gesture_selection* FindFlashGesturesView() override { return has_view ? &view : nullptr; }
    bool has_view = true;
    fake_selection view;
};

const channel_menu_item* Find(const channel_menu& menu, int id) {
    for (const channel_menu_item& item : menu) {
        if (item.id == id && item.submenu.empty()) return &item;
        if (const channel_menu_item* inner = Find(item.submenu, id)) return inner;
    }
    return nullptr;
}

class FlashChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("flashchan_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file(kSpeech / (std::string(kBase) + ".wav"), dir_ / (std::string(kBase) + ".wav"));
        std::ifstream base(kSpeech / (std::string(kBase) + ".zuvo"), std::ios::binary);
        std::ofstream(dir_ / "f.zuvo", std::ios::binary)
            << std::string(std::istreambuf_iterator<char>(base), {}) << "character " << kTemplate.string()
            << "\nend_character_info\ngesture 100 900 128 0 wave|idle\ngesture 1200 1800 384 0 point|talk\n";
        host_.profile = &profile_;
        host_.prompts = &prompts_;
        doc_ = std::make_unique<CPhonarcDocFlash>(host_);
        doc_->SetFrame(&frame_);
        ASSERT_TRUE(doc_->OnOpenDocument((dir_ / "f.zuvo").string()));
        ASSERT_TRUE(doc_->HasTemplate());
        // A cursor (start == end) stays selected.
        selection_ = document_test::selection_view(doc_.get());
        doc_->AddView(&selection_);
        doc_->SetSelectionSource(&selection_);
        state_.stream = doc_->audio();
        // One millisecond per column.
        state_.map.samplesPerPixel = doc_->audio()->MsToFrames(1000) / 1000;
        channel_ = std::make_unique<CMXChannelSWFGestures>(&state_, doc_.get(), &view_);
        channel_->popup = [this](const channel_menu& menu, int, int) {
            shown_ = menu;
            return choice_;
        };
        channel_->band = {15, 100, 2000, 180};
    }
    void TearDown() override {
        channel_.reset();
        doc_.reset();
        fs::remove_all(dir_);
    }
    int X(int ms) const { return state_.map.MsToX(state_.stream, ms); }
    const gesture_marker_list& Gestures() const { return *doc_->GetAnim()->get_gestures(); }
    int Clip(const char* pose, const char* gesture) const { return doc_->character()->find_gesture(pose, gesture); }
    void Select(int startMs, int endMs) {
        selection_.SelectMs(startMs, endMs);
    }
    const FGesture* At(int ms) const {
        for (const FGesture& g : Gestures())
            if (g.start <= ms && ms <= g.end && !(g.type & FGesture::kTween)) return &g;
        return nullptr;
    }

    fs::path dir_;
    CMemoryProfileStore profile_;
    CScriptedPrompts prompts_;
    document_host host_;
    fake_frame frame_;
    document_test::selection_view selection_;
    std::unique_ptr<CPhonarcDocFlash> doc_;
    TimelineState state_;
    // The timeline view as the channel sees it; the channel's own document takes its commits.
    timeline_test::MarkerHost view_{nullptr};
    std::unique_ptr<CMXChannelSWFGestures> channel_;
    channel_menu shown_;
    int choice_ = 0;
};

TEST_F(FlashChannelTest, HitTestByEdgeAndControl) {
    struct Case {
        int ms;
        uint32_t flags;
        int kind;
    };
    const Case cases[] = {
        {100, 0, CMXChannelSWFGestures::kStartEdge}, {101, 0, CMXChannelSWFGestures::kStartEdge},
        {900, 0, CMXChannelSWFGestures::kEndEdge},   {500, 0, CMXChannelSWFGestures::kNone},
        {500, kMouseControl, CMXChannelSWFGestures::kWhole}, {1000, kMouseControl, CMXChannelSWFGestures::kNone},
    };
    for (const Case& c : cases) EXPECT_EQ(channel_->HitTest(X(c.ms), 120, c.flags), c.kind) << c.ms;
}

TEST_F(FlashChannelTest, EdgeDragEditsTheWorkingCopyThenCommitsOneMove) {
    const uint32_t id = At(500)->id;
    ASSERT_TRUE(channel_->OnLButtonDown(X(900), 120, 0));
    EXPECT_EQ(view_.capture, channel_.get());
    channel_->OnMouseMove(X(800), 120, 0);
    channel_->OnMouseMove(X(700), 120, 0);
    const gesture_marker_list& working = *channel_->WorkingCopy().get_gestures();
    ASSERT_GE(working.index_of_id(id), 0);
    EXPECT_EQ(working[working.index_of_id(id)].end, 700);
    EXPECT_EQ(At(500)->end, 900);  // the document waits for the button-up
    EXPECT_EQ(view_.redraws, 2);
    channel_->OnLButtonUp(X(700), 120, 0);
    EXPECT_EQ(view_.capture, nullptr);
    EXPECT_EQ(doc_->GetAnim()->get_gestures()->find_id(id)->end, 700);
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Move\tCtrl+Z");
    doc_->OnEditUndo();
    EXPECT_EQ(doc_->GetAnim()->get_gestures()->find_id(id)->end, 900);
    EXPECT_FALSE(doc_->UpdateUndo().enabled);

    // Back where it started: nothing to commit.
    ASSERT_TRUE(channel_->OnLButtonDown(X(100), 120, 0));
    channel_->OnMouseMove(X(60), 120, 0);
    channel_->OnMouseMove(X(100), 120, 0);
    channel_->OnLButtonUp(X(100), 120, 0);
    EXPECT_FALSE(doc_->UpdateUndo().enabled);
    EXPECT_FALSE(channel_->Dragging());

    // A press on no gesture is not the channel's.
    EXPECT_FALSE(channel_->OnLButtonDown(X(1000), 120, 0));
    EXPECT_FALSE(channel_->OnLButtonDown(X(500), 120, 0));
}

TEST_F(FlashChannelTest, ControlDragMovesTheWholeGesture) {
    const uint32_t id = At(1500)->id;
    ASSERT_TRUE(channel_->OnLButtonDown(X(1500), 120, kMouseControl));
    channel_->OnMouseMove(X(1600), 120, kMouseControl);
    channel_->OnLButtonUp(X(1600), 120, kMouseControl);
    const FGesture* g = doc_->GetAnim()->get_gestures()->find_id(id);
    EXPECT_EQ(g->start, 1300);
    EXPECT_EQ(g->end, 1900);
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Move\tCtrl+Z");
}

TEST_F(FlashChannelTest, AddingNeedsASelectionAndTakesItsSpan) {
    const int wave = Clip("idle", "wave");
    choice_ = cmd::FlashAddGestureFirst + wave;
    channel_->OnContextMenu(X(2500), 120);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_NE(prompts_.messages[0].find("can only be performed when audio is selected"), std::string::npos);
    EXPECT_EQ(Gestures().size(), 2u);

    struct Case {
        int start, end;
        uint32_t type;
    };
    // The recording lasts about 2 s.
    for (const Case c : {Case{1000, 1150, 384u}, Case{300, 300, 128u}}) {
        Select(c.start, c.end);
        channel_->OnContextMenu(X(2500), 120);
        const FGesture* g = nullptr;
        for (const FGesture& x : Gestures())
            if (x.type == c.type && x.start == c.start) g = &x;
        ASSERT_TRUE(g) << c.start;
        EXPECT_EQ(g->start, c.start);
        // A point gesture is given a length of its own by the animation.
        if (c.type == 384u) { EXPECT_EQ(g->end, c.end); }
        EXPECT_EQ(g->pose_name, "idle");
        EXPECT_EQ(g->gesture_name, "wave");
        EXPECT_EQ(g->clip_index, wave);
        EXPECT_EQ(doc_->UpdateUndo().text, "Undo Add Gesture\tCtrl+Z");
    }
    // The selected clip through the first item.
    frame_.view.selected = Clip("talk", "point");
    Select(1500, 1700);
    choice_ = cmd::FlashAddSelected;
    channel_->OnContextMenu(X(100), 120);
    const FGesture* added = At(1600);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->gesture_name, "point");
    EXPECT_EQ(added->start, 1500);
}

// A point gesture is given seconds of its own, more than is left of a short recording: it ends
// with the recording, and at the very end, where nothing would be left, none is added.
TEST_F(FlashChannelTest, AddedGesturesEndWithTheRecording) {
    const int length = static_cast<int>(doc_->audio()->FramesToMs(doc_->audio()->GetFrameCount()));
    ASSERT_GT(length, 1990);
    choice_ = cmd::FlashAddGestureFirst + Clip("idle", "wave");
    for (const int at : {1950, length - 1}) {
        SCOPED_TRACE(at);
        Select(at, at);
        channel_->OnContextMenu(X(100), 120);
        EXPECT_TRUE(prompts_.messages.empty());
        const FGesture* g = At(at);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->start, at);
        EXPECT_EQ(g->end, length);
        for (const FGesture& x : Gestures()) EXPECT_LE(x.end, length);
        doc_->OnEditUndo();
    }
    const size_t before = Gestures().size();
    Select(length, length);
    channel_->OnContextMenu(X(100), 120);
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_NE(prompts_.messages[0].find("no room for a gesture at the end of the recording"), std::string::npos);
    EXPECT_EQ(Gestures().size(), before);
    EXPECT_FALSE(doc_->UpdateUndo().enabled);
}

// Adding cuts only the gesture added: the user's gestures that lie past the recording's end (read
// from a results file made on a longer take) stay as they were.
TEST_F(FlashChannelTest, AddingLeavesOtherGesturesPastTheEndAlone) {
    const int length = static_cast<int>(doc_->audio()->FramesToMs(doc_->audio()->GetFrameCount()));
    ASSERT_LT(length, 2100);
    FZuvoAnim anim = *doc_->GetAnim();
    gesture_marker_list& list = *anim.get_gestures();
    list.clear();
    for (const auto& [start, end] : {std::pair{1900, 2600}, std::pair{3000, 4000}}) {
        FGesture g(kGestureUserClip, start, end, 100.0f);
        g.pose_name = "talk";
        g.gesture_name = "point";
        g.update_label();
        list.push_back(g);
    }
    doc_->CommitAnim("Edit", anim);
    const gesture_marker_list before = Gestures();

    choice_ = cmd::FlashAddGestureFirst + Clip("idle", "wave");
    Select(200, 300);
    channel_->OnContextMenu(X(100), 120);
    ASSERT_TRUE(prompts_.messages.empty());
    ASSERT_EQ(Gestures().size(), 3u);
    EXPECT_EQ(Gestures()[0].start, 200);
    EXPECT_EQ(Gestures()[0].end, 300);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(Gestures()[i + 1].id, before[i].id);
        EXPECT_EQ(Gestures()[i + 1].start, before[i].start);
        EXPECT_EQ(Gestures()[i + 1].end, before[i].end);
    }
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Add Gesture\tCtrl+Z");
}

// A gesture's end dragged past the recording stops at its end, as an added gesture is cut there;
// moved whole, the gesture keeps its length and stops with its end there.
TEST_F(FlashChannelTest, DraggedEndStopsAtTheRecordingsEnd) {
    const int length = static_cast<int>(doc_->audio()->FramesToMs(doc_->audio()->GetFrameCount()));
    ASSERT_LT(length, 2100);
    struct Case {
        int grabMs;
        uint32_t flags;
        int toMs;
        int start, end;
    };
    const Case cases[] = {
        {1800, 0, 2600, 1200, length},                              // the end edge
        {1800, 0, 1950, 1200, 1950},                                // on the recording: as dragged
        {1500, kMouseControl, 2500, 1200 + length - 1800, length},  // the whole gesture
        {1500, kMouseControl, 1550, 1250, 1850},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toMs);
        const uint32_t id = At(1500)->id;
        ASSERT_TRUE(channel_->OnLButtonDown(X(c.grabMs), 120, c.flags));
        channel_->OnMouseMove(X(c.toMs), 120, c.flags);
        const gesture_marker_list& working = *channel_->WorkingCopy().get_gestures();
        ASSERT_GE(working.index_of_id(id), 0);
        EXPECT_EQ(working[working.index_of_id(id)].end, c.end);
        channel_->OnLButtonUp(X(c.toMs), 120, c.flags);
        const int at = Gestures().index_of_id(id);
        ASSERT_GE(at, 0);
        EXPECT_EQ(Gestures()[at].start, c.start);
        EXPECT_EQ(Gestures()[at].end, c.end);
        for (const FGesture& x : Gestures()) EXPECT_LE(x.end, length);
        doc_->OnEditUndo();
    }

    // At the end already, a drag further on changes nothing and commits no step.
    const uint32_t id = At(1500)->id;
    for (int i = 0; i < 2; ++i) {
        const int from = i == 0 ? 1800 : length;
        ASSERT_TRUE(channel_->OnLButtonDown(X(from), 120, 0));
        channel_->OnMouseMove(X(length + 200), 120, 0);
        channel_->OnLButtonUp(X(length + 200), 120, 0);
        EXPECT_EQ(Gestures()[Gestures().index_of_id(id)].end, length);
    }
    doc_->OnEditUndo();
    EXPECT_EQ(Gestures()[Gestures().index_of_id(id)].end, 1800);
    EXPECT_FALSE(doc_->UpdateUndo().enabled);
}

// A gesture with no length lies between the times two columns start at; the pop-up at the
// column it is drawn in still acts on it, and the columns beside it have nothing.
TEST_F(FlashChannelTest, ZeroLengthGestureIsPickedAtItsOwnColumn) {
    FZuvoAnim anim = *doc_->GetAnim();
    FGesture point(kGestureUserClip, 1004, 1004, 100.0f);
    point.pose_name = "idle";
    point.gesture_name = "wave";
    point.update_label();
    anim.get_gestures()->push_back(point);  // after 900 and before 1200: no room is made
    std::sort(anim.get_gestures()->begin(), anim.get_gestures()->end(),
              [](const FGesture& a, const FGesture& b) { return a.start < b.start; });
    doc_->CommitAnim("Edit", anim);
    state_.map.samplesPerPixel = doc_->audio()->MsToFrames(10);  // ten milliseconds a column
    const int x = X(1004);
    ASSERT_NE(state_.map.XToMs(state_.stream, x), 1004);
    const FGesture* picked = channel_->GestureAt(x);
    ASSERT_NE(picked, nullptr);
    EXPECT_EQ(picked->start, 1004);
    EXPECT_EQ(channel_->GestureAt(x - 2), nullptr);
    EXPECT_EQ(channel_->GestureAt(x + 2), nullptr);

    choice_ = cmd::FlashDeleteGesture;
    channel_->OnContextMenu(x, 120);
    EXPECT_TRUE(Find(shown_, cmd::FlashDeleteGesture)->enabled);
    EXPECT_TRUE(Find(shown_, cmd::EditGesture)->enabled);
    for (const FGesture& g : Gestures()) EXPECT_NE(g.start, 1004);
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Delete Gesture\tCtrl+Z");
}

TEST_F(FlashChannelTest, MenuTexts) {
    const int point = Clip("talk", "point");
    struct Case {
        bool view;
        int selected;
        const char* add;
        const char* change;
    };
    const Case cases[] = {
        {false, -1, "Add Selected Gesture", "Change To Selected Gesture"},
        {true, -1, "", "Change To "},
        {true, point, "Add talk|point", "Change To talk|point"},
    };
    for (const Case& c : cases) {
        frame_.has_view = c.view;
        frame_.view.selected = c.selected;
        channel_->OnContextMenu(X(500), 120);
        ASSERT_GE(shown_.size(), 6u);
        EXPECT_EQ(shown_[0].id, cmd::FlashAddSelected);
        EXPECT_EQ(shown_[0].text, c.add);
        EXPECT_EQ(shown_[1].text, "Add Gesture");
        EXPECT_EQ(shown_[2].id, 0);
        EXPECT_EQ(shown_[3].text, "Delete Gesture");
        EXPECT_TRUE(shown_[3].enabled);
        EXPECT_EQ(shown_[4].id, 0);
        EXPECT_EQ(shown_[5].text, c.change);
    }
    channel_->OnContextMenu(X(1000), 120);
    EXPECT_FALSE(Find(shown_, cmd::FlashDeleteGesture)->enabled);
    EXPECT_FALSE(Find(shown_, cmd::EditGesture)->enabled);
    const channel_menu_item* first = Find(shown_, cmd::FlashAddGestureFirst);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text, "idle");
    EXPECT_EQ(Find(shown_, cmd::FlashAddGestureFirst + point)->text, "talk | point");

    // A record whose gesture repeats its pose is named once.
    std::vector<std::string> errors;
    doc_->SetCharacter(MakeTemplate({{"G(idle)", {1, 2}}, {"G(idle, idle)", {3, 4}}}, errors));
    channel_->OnContextMenu(X(1000), 120);
    EXPECT_EQ(Find(shown_, cmd::FlashAddGestureFirst + 1)->text, "idle");

    // A template without records still offers the sub-menu, greyed, and as a sub-menu.
    doc_->SetCharacter(zuvo_swf_char());
    channel_->OnContextMenu(X(1000), 120);
    ASSERT_GE(shown_.size(), 2u);
    EXPECT_EQ(shown_[1].text, "Add Gesture");
    EXPECT_TRUE(shown_[1].submenu.empty());
    EXPECT_FALSE(shown_[1].enabled);
}

TEST_F(FlashChannelTest, DeleteAndChangeAreUndoable) {
    const int nod = Clip("idle", "nod");
    frame_.view.selected = nod;
    choice_ = cmd::EditGesture;
    channel_->OnContextMenu(X(500), 120);
    EXPECT_EQ(At(500)->gesture_name, "nod");
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Edit the current gesture\tCtrl+Z");

    choice_ = cmd::FlashDeleteGesture;
    channel_->OnContextMenu(X(1500), 120);
    EXPECT_EQ(At(1500), nullptr);
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Delete Gesture\tCtrl+Z");
    channel_->OnContextMenu(X(1500), 120);  // nothing there now
    EXPECT_EQ(doc_->UpdateUndo().text, "Undo Delete Gesture\tCtrl+Z");

    doc_->OnEditUndo();
    ASSERT_NE(At(1500), nullptr);
    doc_->OnEditUndo();
    EXPECT_EQ(At(500)->gesture_name, "wave");
}

TEST_F(FlashChannelTest, DrawsGreySpansWithTheirNames) {
    COffscreenDib dib;
    ASSERT_TRUE(dib.Create(2000, 200, 32));
    dib.Image().fill(Qt::white);
    channel_->Draw(dib, channel_->band);
    const QImage& image = dib.Image();
    EXPECT_EQ(image.pixelColor(X(500), 170), QColor(0xC4, 0xC4, 0xC4));
    EXPECT_EQ(image.pixelColor(X(100), 150), QColor(Qt::black));  // the edge line
    EXPECT_EQ(image.pixelColor(X(1000), 150), QColor(Qt::white));  // between the gestures
    EXPECT_EQ(image.pixelColor(X(500), 101), QColor(Qt::white));   // above the span
    bool text = false;
    for (int x = X(100) + 2; x < X(100) + 20; ++x)
        for (int y = 104; y < 126; ++y) text = text || image.pixelColor(x, y).lightness() < 100;
    EXPECT_TRUE(text);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
