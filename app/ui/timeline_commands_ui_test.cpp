// The timeline in the program: a bundled recording with its alignment opens on the timeline, the
// Play command moves the cursor and the mouth, and the window is saved as a screenshot.
#include <QApplication>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/core/phonarc_doc.h"
#include "app/core/document_test_support.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"
#include "views/timeline/phonarc_view.h"

namespace {

namespace fs = std::filesystem;

// Counts the mouth shapes that reach the viewer's place.
class MouthCounter : public IVisemeHandler {
public:
    void SetVisemeMix(const ArticulationKey*) override { ++shapes; }
    void SetViseme(const char*, int32_t) override { ++shapes; }
    int shapes = 0;
};

TEST(TimelineInProgram, RecordingWithAlignmentOpensOnTheTimelineAndPlays) {
    const fs::path folder = document_test::FreshTakeFolder("murmurex_timeline");

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    profile.WriteInt("display", "ulmode", kShowWaveform | kShowSpectrogram | kShowEnergy | kShowPhonemes | kShowWords);
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        CMainFrame* frame = app.MainFrame();
        frame->resize(1280, 820);
        frame->show();
        ASSERT_TRUE(app.OpenDocumentFile((folder / "en_us_f4_0003_clean.zuvo").string()));
        QCoreApplication::processEvents();
        CPhonarcView* view = app.Documents()->ActiveFrame()->View();
        ASSERT_NE(view, nullptr);
        ASSERT_NE(view->Stream(), nullptr);
        const uint32_t shown[] = {kShowWaveform, kShowSpectrogram, kShowEnergy, kShowPhonemes, kShowWords};
        ASSERT_EQ(view->Channels().size(), std::size(shown));
        for (size_t i = 0; i < std::size(shown); ++i) EXPECT_EQ(view->Channels()[i]->displayBit, shown[i]);
        // A short recording fills the width the view is shown at (not the width it was made at).
        EXPECT_GT(view->width(), 1000);
        EXPECT_EQ(view->SamplesPerPixel(), view->Stream()->GetFrameCount() / view->width());

        // Select a word so the screenshot shows a selection and the status panes its times.
        const auto& words = app.Documents()->ActiveFrame()->Document().track(1).words;
        ASSERT_GE(words.size(), 2u);
        const int y = view->Channels().back()->band.top + 5;
        const int x = view->SampleToX(view->Stream()->MsToFrames((words[1].start + words[1].end) / 2));
        QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        int s = 0, e = 0;
        view->GetSelection(&s, &e);
        EXPECT_EQ(s, view->Stream()->MsToFrames(words[1].start));
        EXPECT_EQ(e, view->Stream()->MsToFrames(words[1].end));
        QCoreApplication::processEvents();
        fs::create_directories(MURMUREX_SCREENSHOT_DIR);
        EXPECT_TRUE(frame->grab().save(QString(MURMUREX_SCREENSHOT_DIR) + "/program_timeline.png"));

        // Play from a cursor at the start: the cursor follows and the mouth moves.
        MouthCounter mouth;
        frame->SetVisemeTarget(&mouth);
        view->SetSelection(0, 0, false);
        frame->UpdateCommands();
        frame->Action(cmd::Play)->trigger();
        EXPECT_TRUE(view->IsPlaying());
        // Waits for the state, however slowly the machine runs: the post queue wakes this thread.
        int cursor = 0;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                view->GetSelection(&cursor, &e);
                return cursor >= 8000 && mouth.shapes >= 3;
            },
            120000));
        EXPECT_GE(cursor, 8000);
        EXPECT_GE(mouth.shapes, 3);
        // A slow run may have played to the end already; then the command would start a new play.
        if (view->IsPlaying()) {
            frame->UpdateCommands();
            frame->Action(cmd::PlayOrStop)->trigger();
        }
        EXPECT_FALSE(view->IsPlaying());
        frame->SetVisemeTarget(nullptr);
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

// A letter held with Alt, Ctrl or Meta that reaches the timeline (a menu's Alt key pressed before
// the window is active) is not a phoneme: the Return that follows, meant for the menu, must leave
// the alignment as it is. A plain letter still is one.
TEST(TimelineInProgram, CommandKeysAreNotTypedAsPhonemes) {
    const fs::path folder = document_test::FreshTakeFolder("murmurex_keys");

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    profile.WriteInt("display", "ulmode", kShowWaveform | kShowPhonemes | kShowWords);
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        CMainFrame* frame = app.MainFrame();
        frame->resize(1280, 820);
        frame->show();
        ASSERT_TRUE(app.OpenDocumentFile((folder / "en_us_f4_0003_clean.zuvo").string()));
        QCoreApplication::processEvents();
        CPhonarcView* view = app.Documents()->ActiveFrame()->View();
        ASSERT_NE(view, nullptr);
        CPhonarcDoc& doc = app.Documents()->ActiveFrame()->Document();
        const auto before = doc.track(1).phonemes;
        ASSERT_FALSE(before.empty());
        // Label and span of every phoneme: a typed phoneme changes at least one.
        const auto phonemeNames = [&] {
            std::vector<std::string> names;
            for (const auto& p : doc.track(1).phonemes)
                names.push_back(p.label + "@" + std::to_string(p.start) + "-" + std::to_string(p.end));
            return names;
        };
        const std::vector<std::string> names = phonemeNames();
        view->SetSelection(0, 0, false);

        for (const Qt::KeyboardModifier held : {Qt::AltModifier, Qt::ControlModifier, Qt::MetaModifier}) {
            SCOPED_TRACE(static_cast<int>(held));
            QTest::keyClick(view, Qt::Key_L, held);
            QTest::keyClick(view, Qt::Key_Return);
            QCoreApplication::processEvents();
            EXPECT_EQ(phonemeNames(), names);
            EXPECT_EQ(doc.track(1).phonemes.size(), before.size());
            EXPECT_FALSE(doc.IsModified());
        }

        QTest::keyClick(view, Qt::Key_L);
        QTest::keyClick(view, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_NE(phonemeNames(), names);
        EXPECT_TRUE(doc.IsModified());
        doc.SetModifiedFlag(false);
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

}  // namespace
