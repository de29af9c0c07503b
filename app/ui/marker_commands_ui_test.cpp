// The Markers menu in the program: its items and their state, commands run through the router and
// from the timeline's keys, with the real dialogs answered from a timer.
#include "app/ui/marker_commands_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/phonarc_app.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"
#include "views/timeline/marker_channels.h"

namespace {

namespace fs = std::filesystem;

TEST(MarkerMenus, ItemsFollowTheSelectionAndRunFromMenusAndKeys) {
    const fs::path folder = fs::path(::testing::TempDir()) / ("murmurex_marks_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "dicts");
    fs::copy_file(fs::path(MURMUREX_TESTDATA_DIR) / "speech" / "en_us_f4_0003_clean.wav", folder / "take.wav");
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        CMainFrame* frame = app.MainFrame();
        QMenu* markers = frame->MenuOf("Markers");
        ASSERT_NE(markers, nullptr);
        QAction* aa = frame->Action(cmd::PhonemeFirst + 26);
        ASSERT_NE(aa, nullptr);
        EXPECT_EQ(aa->text(), "AA\tfather");
        EXPECT_EQ(frame->Action(cmd::Framize)->text(), "Align to Frame Rate");

        ASSERT_TRUE(app.OpenDocumentFile((folder / "take.wav").string()));
        CPhonarcDoc& doc = *app.Documents()->ActiveDocument();
        CPhonarcView* view = app.Documents()->ActiveFrame()->View();
        ASSERT_NE(view, nullptr);
        app_sync_results t = doc.track(1);
        t.phonemes.clear();
        t.xml_events.push_back(og_marker(1200, 1400, "nod"));
        doc.SetTrackResults(t, 1);
        auto select = [&](int s, int e) { view->SetSelection(doc.audio()->MsToFrames(s), doc.audio()->MsToFrames(e), false); };

        select(300, 700);
        frame->UpdateCommands();
        EXPECT_TRUE(aa->isEnabled());
        EXPECT_FALSE(frame->Action(cmd::EditEvent)->isEnabled()) << "no event in the selection";
        aa->trigger();
        ASSERT_EQ(doc.track(1).phonemes.size(), 1u);
        EXPECT_EQ(doc.track(1).phonemes[0].label, "AA");
        EXPECT_EQ(doc.track(1).phonemes[0].start, 300);

        // A typed vowel letter and Enter set the phoneme it stands for.
        select(800, 900);
        view->setFocus();
        QTest::keyClick(view, 'O');
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_EQ(doc.track(1).phonemes.size(), 2u);
        EXPECT_EQ(doc.track(1).phonemes[1].label, "OW");

        // Edit Event: the real dialog opens with the event's length and OK keeps it.
        select(1300, 1300);
        frame->UpdateCommands();
        ASSERT_TRUE(frame->Action(cmd::EditEvent)->isEnabled());
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CAddEventDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->durationEdit->text();
            dialog->accept();
        });
        frame->Action(cmd::EditEvent)->trigger();
        EXPECT_EQ(shown, "200");
        EXPECT_EQ(doc.track(1).xml_events[0].end, 1400);

        // Delete on a selected event: the Delete Markers dialog, here for events in the selection.
        select(1250, 1350);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CDeleteMarkersDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (QCheckBox* box : {dialog->articulation, dialog->phonemes, dialog->words, dialog->gestures})
                box->setChecked(false);
            dialog->selectionOnly->setChecked(true);
            dialog->events->setChecked(true);
            dialog->accept();
        });
        QTest::keyClick(view, Qt::Key_Delete);
        EXPECT_TRUE(doc.track(1).xml_events.empty());
        EXPECT_EQ(doc.track(1).phonemes.size(), 2u);
        prompts.answers = {PromptAnswer::No};
        frame->close();
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

}  // namespace
