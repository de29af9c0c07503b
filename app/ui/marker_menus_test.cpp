// The Markers menu in the program: its items and their state, and commands run through the
// router with the real dialogs answered from a timer.
#include "app/ui/marker_menus.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/phonarc_app.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"

namespace {

namespace fs = std::filesystem;

class fixed_selection : public document_view {
public:
    explicit fixed_selection(CPhonarcDoc& doc) : doc_(doc) {}
    bool GetSelection(int* s, int* e) override {
        if (startMs < 0) return false;
        *s = doc_.audio()->MsToFrames(startMs);
        *e = doc_.audio()->MsToFrames(endMs);
        return true;
    }
    int startMs = -1, endMs = -1;

private:
    CPhonarcDoc& doc_;
};

TEST(MarkerMenus, ItemsFollowTheSelectionAndRunOnTheActiveDocument) {
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
        QAction* aa = frame->Action(kCmdPhonemeFirst + 26);
        ASSERT_NE(aa, nullptr);
        EXPECT_EQ(aa->text(), "AA\tfather");
        EXPECT_EQ(frame->Action(kCmdFramize)->text(), "Align to Frame Rate");

        ASSERT_TRUE(app.OpenDocumentFile((folder / "take.wav").string()));
        CPhonarcDoc& doc = *app.Documents()->ActiveDocument();
        fixed_selection selection(doc);
        // The document reads the selection of its first view, where the timeline will be.
        const std::vector<document_view*> others = doc.views();
        for (document_view* v : others) doc.RemoveView(v);
        doc.AddView(&selection);
        for (document_view* v : others) doc.AddView(v);
        app_sync_results t = doc.track(1);
        t.xml_events.push_back(og_marker(1200, 1400, "nod"));
        doc.SetTrackResults(t, 1);

        frame->UpdateCommands();
        EXPECT_FALSE(aa->isEnabled()) << "no selection";
        EXPECT_TRUE(frame->Action(kCmdDeleteMarkers)->isEnabled());
        selection.startMs = 300;
        selection.endMs = 700;
        frame->UpdateCommands();
        EXPECT_TRUE(aa->isEnabled());
        EXPECT_FALSE(frame->Action(kCmdEditEvent)->isEnabled()) << "no event in the selection";
        aa->trigger();
        ASSERT_EQ(doc.track(1).phonemes.size(), 1u);
        EXPECT_EQ(doc.track(1).phonemes[0].label, "AA");

        // Edit Event: the real dialog opens with the event's length and OK keeps it.
        selection.startMs = selection.endMs = 1300;
        frame->UpdateCommands();
        ASSERT_TRUE(frame->Action(kCmdEditEvent)->isEnabled());
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CAddEventDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->durationEdit->text();
            dialog->accept();
        });
        frame->Action(kCmdEditEvent)->trigger();
        EXPECT_EQ(shown, "200");
        EXPECT_EQ(doc.track(1).xml_events[0].end, 1400);
        doc.RemoveView(&selection);
        prompts.answers = {PromptAnswer::No};
        frame->close();
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

}  // namespace
