// The gestures bar over a template: wrap layout, rebuilding, selection by clicks, the name strip,
// and a screenshot of the bar with the sample character template.
#include "flash/ui/flash_gestures_view.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <filesystem>
#include <set>

#include "flash/char_test_support.h"
#include "flash/character_source.h"
#include "flash/swf_char.h"
#include "flash/ui/swf_player_control.h"
#include "swf/flash_stream.h"

namespace {

class fake_document : public flash_character_source {
public:
    std::string character_path() const override { return path; }
    const zuvo_swf_char* character() const override { return loaded ? &templ : nullptr; }

    std::string path;
    zuvo_swf_char templ;
    bool loaded = false;
};

fake_document FiveClips() {
    fake_document doc;
    std::vector<std::string> errors;
    doc.templ = MakeTemplate({{"G(idle)", {1, 2, 3}},
                              {"G(idle, nod)", {4, 5}},
                              {"G(idle, idle)", {6, 7}},
                              {"G(talk)", {8, 9}},
                              {"G(talk, wave)", {10, 11, 12}}},
                             errors);
    EXPECT_TRUE(errors.empty());
    doc.path = "/nonexistent/five.swf";  // the thumbnails stay empty; the layout does not care
    doc.loaded = true;
    return doc;
}

void ShowAt(FlashGesturesView& view, int width, int height) {
    view.setFrameShape(QFrame::NoFrame);
    view.resize(width, height);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_EQ(view.viewport()->width(), width);
}

TEST(FlashGesturesView, FiveClipsInTwoHundredPixelsWrapAfterTwoCells) {
    fake_document doc = FiveClips();
    FlashGesturesView view;
    ShowAt(view, 200, 400);
    view.SetDocument(&doc);
    ASSERT_TRUE(view.OnCharacterChanged(true));

    ASSERT_EQ(view.CellCount(), 5);
    EXPECT_EQ(view.ScrollSize(), QSize(200, 315));
    EXPECT_EQ(view.GetCellRect(1, 0), QRect(77, 2, 71, 80));
    const QRect expected[] = {view.GetCellRect(0, 0), view.GetCellRect(1, 0), view.GetCellRect(0, 1),
                              view.GetCellRect(1, 1), view.GetCellRect(0, 2)};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(view.Controls()[static_cast<size_t>(i)]->geometry(), expected[i]) << i;
    EXPECT_EQ(view.GetSelectedGesture(), 0);  // the first cell after every rebuild

    // Clicks: on a cell's label strip, on a thumbnail (the control takes the click), below the last cell.
    QTest::mouseClick(view.widget(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(view.GetSelectedGesture(), 1);
    QTest::mouseClick(view.Controls()[3], Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(view.GetSelectedGesture(), 3);
    QTest::mouseClick(view.widget(), Qt::LeftButton, {}, QPoint(120, 260));  // right of the last cell
    view.SelectAt(10, 330);                                                   // under the last row
    EXPECT_EQ(view.GetSelectedGesture(), 3);
    QTest::mouseClick(view.widget(), Qt::LeftButton, {}, QPoint(30, 250));
    EXPECT_EQ(view.GetSelectedGesture(), 4);

    // The same path keeps the controls and the selection; a new path rebuilds.
    const std::vector<CSwfPlayerControl*> before = view.Controls();
    EXPECT_TRUE(view.OnCharacterChanged(true));
    EXPECT_EQ(view.Controls(), before);
    EXPECT_EQ(view.GetSelectedGesture(), 4);
    doc.path = "/nonexistent/other.swf";
    EXPECT_TRUE(view.OnCharacterChanged(true));
    EXPECT_EQ(view.GetSelectedGesture(), 0);
    EXPECT_EQ(view.ShownPath(), doc.path);

    // A wider view lays the same cells out again in one row.
    view.resize(400, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.ScrollSize(), QSize(400, 210));  // the fifth cell still wraps the row count
    EXPECT_EQ(view.Controls()[4]->geometry(), view.GetCellRect(4, 0));
}

// A template choice undone back to none takes the thumbnails and the selection with it; the
// same template chosen again builds them anew.
TEST(FlashGesturesView, EmptyPathClearsTheThumbnails) {
    fake_document doc = FiveClips();
    FlashGesturesView view;
    ShowAt(view, 200, 400);
    view.SetDocument(&doc);
    ASSERT_TRUE(view.OnCharacterChanged(true));
    view.SelectAt(100, 100);
    ASSERT_EQ(view.GetSelectedGesture(), 1);

    const std::string path = doc.path;
    doc.path.clear();
    doc.loaded = false;
    EXPECT_FALSE(view.OnCharacterChanged(false));
    EXPECT_EQ(view.CellCount(), 0);
    EXPECT_TRUE(view.Controls().empty());
    EXPECT_EQ(view.widget()->findChildren<CSwfPlayerControl*>().size(), 0);
    EXPECT_EQ(view.SelectedCell(), -1);
    EXPECT_EQ(view.GetSelectedGesture(), -1);
    EXPECT_TRUE(view.ShownPath().empty());
    QSignalSpy asked(&view, &FlashGesturesView::SelectCharacterRequested);
    QTest::mouseClick(view.widget(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(asked.count(), 1);

    doc.path = path;
    doc.loaded = true;
    EXPECT_TRUE(view.OnCharacterChanged(true));
    EXPECT_EQ(view.CellCount(), 5);
    EXPECT_EQ(view.GetSelectedGesture(), 0);
}

TEST(FlashGesturesView, WithoutTemplateAsksForOneOnClick) {
    fake_document doc;
    FlashGesturesView view;
    ShowAt(view, 200, 200);
    view.SetDocument(&doc);
    EXPECT_FALSE(view.OnCharacterChanged(true));  // no path
    doc.path = "/nonexistent/broken.swf";         // a path whose template did not load
    EXPECT_TRUE(view.OnCharacterChanged(true));
    EXPECT_EQ(view.CellCount(), 0);
    EXPECT_EQ(view.GetSelectedGesture(), -1);
    QSignalSpy asked(&view, &FlashGesturesView::SelectCharacterRequested);
    QTest::mouseClick(view.widget(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(asked.count(), 1);
}

TEST(FlashGesturesView, NameStripShowsEqualNamesOnce) {
    struct item {
        const char* pose;
        const char* gesture;
        QStringList lines;
    };
    for (const item& c : std::vector<item>{{"idle", "", {"idle"}},
                                           {"idle", "nod", {"idle", "nod"}},
                                           {"idle", "idle", {"idle"}},
                                           {"", "", {""}}}) {
        swf_char_gesture clip;
        clip.pose = c.pose;
        clip.gesture = c.gesture;
        EXPECT_EQ(FlashGestureNameLines(clip), c.lines) << c.pose << "|" << c.gesture;
    }
    // A hookup clip has no names of its own: it shows the clips it leads between.
    swf_char_gesture hookup;
    hookup.hookup_from = "idle|nod";
    hookup.hookup_to = "talk";
    EXPECT_EQ(FlashGestureNameLines(hookup),
              (QStringList{QStringLiteral("idle|nod \u2192"), QStringLiteral("talk")}));
}

TEST(FlashGesturesView, SampleTemplateShowsOneDistinctThumbnailPerClip) {
    fake_document doc;
    doc.path = std::string(MURMUREX_TESTDATA_DIR) + "/flash/sample_character.swf";
    flash_ifstream in(doc.path);
    std::vector<std::string> errors;
    ASSERT_TRUE(doc.templ.load(in, errors));
    ASSERT_TRUE(errors.empty()) << errors.front();
    doc.loaded = true;
    const auto& clips = doc.templ.get_gestures();
    ASSERT_EQ(clips.size(), 7u);  // six gesture clips and one hookup

    FlashCharacterBar bar;
    bar.SetDocument(&doc);
    bar.resize(310, 300);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.RefreshCharacter();
    FlashGesturesView& view = *bar.View();
    ASSERT_EQ(view.CellCount(), 7);
    QTest::mouseClick(view.Controls()[1], Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(view.GetSelectedGesture(), 1);

    // Each thumbnail stands on its clip's last frame, and the gesture clips' pictures all differ.
    std::vector<QImage> shots;
    for (size_t i = 0; i < clips.size(); ++i) {
        CSwfPlayerControl* control = view.Controls()[i];
        EXPECT_TRUE(control->HasMovie());
        EXPECT_EQ(control->CurrentFrame(), clips[i].first_frame + clips[i].frame_count - 1);
        shots.push_back(control->Snapshot());
    }
    for (size_t a = 0; a < 6; ++a)
        for (size_t b = a + 1; b < 6; ++b) {
            int differing = 0;
            for (int y = 0; y < shots[a].height(); ++y)
                for (int x = 0; x < shots[a].width(); ++x) differing += shots[a].pixel(x, y) != shots[b].pixel(x, y);
            EXPECT_GT(differing, 40) << "clips " << a << " and " << b;
        }

    // Every cell has its names under it, the hookup clip's too.
    const QImage canvas = view.widget()->grab().toImage();
    for (int i = 0; i < view.CellCount(); ++i) {
        const QRect thumb = view.Controls()[static_cast<size_t>(i)]->geometry();
        const QRect strip(thumb.left() + 2, thumb.bottom() + 4, thumb.width() - 4,
                          FlashGesturesView::kLabelStrip - 6);
        int ink = 0;
        for (int y = strip.top(); y <= strip.bottom(); ++y)
            for (int x = strip.left(); x <= strip.right(); ++x) ink += qGray(canvas.pixel(x, y)) < 128;
        EXPECT_GT(ink, 10) << "cell " << i;
    }

    std::filesystem::create_directories(MURMUREX_SCREENSHOT_DIR);
    const QString file = QStringLiteral(MURMUREX_SCREENSHOT_DIR "/flash_gestures_bar.png");
    EXPECT_TRUE(bar.grab().save(file));
}

// The bar's scroll bar takes clicks on its arrow and its trough: it scrolls, and the selection
// stays where it was.
TEST(FlashGesturesView, ScrollBarClicksScrollAndLeaveTheSelection) {
    fake_document doc;
    doc.path = std::string(MURMUREX_TESTDATA_DIR) + "/flash/sample_character.swf";
    flash_ifstream in(doc.path);
    std::vector<std::string> errors;
    ASSERT_TRUE(doc.templ.load(in, errors));
    doc.loaded = true;

    FlashCharacterBar bar;
    bar.SetDocument(&doc);
    bar.resize(200, 160);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.RefreshCharacter();
    QCoreApplication::processEvents();  // the scroll bar shows once the layout has run
    FlashGesturesView& view = *bar.View();
    ASSERT_EQ(view.CellCount(), 7);
    QTest::mouseClick(view.Controls()[1], Qt::LeftButton, {}, QPoint(30, 30));
    ASSERT_EQ(view.GetSelectedGesture(), 1);

    QScrollBar* scroll = view.verticalScrollBar();
    ASSERT_TRUE(scroll->isVisible());
    ASSERT_GT(scroll->maximum(), 0);
    QStyleOptionSlider option;
    option.initFrom(scroll);
    option.subControls = QStyle::SC_All;
    option.orientation = Qt::Vertical;
    option.minimum = scroll->minimum();
    option.maximum = scroll->maximum();
    option.sliderPosition = option.sliderValue = scroll->value();
    option.singleStep = scroll->singleStep();
    option.pageStep = scroll->pageStep();
    const auto part = [&](QStyle::SubControl control) {
        return scroll->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, scroll);
    };
    const QRect arrow = part(QStyle::SC_ScrollBarAddLine);
    const QRect trough = part(QStyle::SC_ScrollBarAddPage);
    ASSERT_FALSE(arrow.isEmpty());
    ASSERT_FALSE(trough.isEmpty());
    for (const QPoint at : {arrow.center(), trough.center()}) {
        scroll->setValue(0);
        for (int click = 0; click < 3; ++click) {
            QTest::mouseClick(scroll, Qt::LeftButton, {}, at);
            QCoreApplication::processEvents();
        }
        EXPECT_GT(scroll->value(), 0) << at.x() << "," << at.y();
        EXPECT_EQ(view.GetSelectedGesture(), 1);
    }
    // The thumbnails still select, scrolled.
    QTest::mouseClick(view.Controls()[4], Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(view.GetSelectedGesture(), 4);
}

}  // namespace
