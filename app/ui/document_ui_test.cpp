// Documents in the program on the offscreen platform with scripted prompts: opening from the
// command line, the menu and a drop, the recent list, the title, undo texts, closing with the
// save question, and the progress and Delete dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/core/command_ids.h"
#include "app/core/document_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/output_bar.h"
#include "engine/audio/memory_pcm_stream.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/progress_dlg.h"
#include "model/pub_queue.h"

namespace {

namespace fs = std::filesystem;
const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";

class DocumentUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("murmurex_docs_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        fs::copy_file(kSpeech / "en_us_f4_0003_clean.wav", folder / "take.wav");
        fs::copy_file(kSpeech / "en_us_f4_0003_clean.txt", folder / "take.txt");
        std::ofstream(folder / "take.phn") << "3200 4800 AA\n4800 6400 b\n";
    }
    void TearDown() override {
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }
    CPhonarcApp& Start(const QStringList& args = {}) {
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        EXPECT_TRUE(app->InitInstance(args));
        return *app;
    }
    std::string Wav() const { return (folder / "take.wav").string(); }
    void Edit(CPhonarcDoc& doc) {
        app_sync_results t = doc.track(1);
        t.words.push_back(og_marker(0, 100, "hello"));
        doc.CommitTrackEdit("Edit", t, 1, -1, -1);
    }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

TEST_F(DocumentUiTest, CommandLineFileOpensAsADocumentWithItsSummaryAndTitle) {
    CPhonarcApp& a = Start({"--quit-when-shown", QString::fromStdString(Wav())});
    ASSERT_EQ(a.DocumentCount(), 1);
    CMainFrame* frame = a.MainFrame();
    EXPECT_EQ(frame->windowTitle(), "The Phonarc! - take.wav");
    CDocumentFrame* doc_frame = a.Documents()->ActiveFrame();
    ASSERT_NE(doc_frame, nullptr);
    EXPECT_TRUE(doc_frame->SummaryText().contains("Reference track: 2 phonemes")) << doc_frame->SummaryText().toStdString();
    EXPECT_EQ(a.RecentFiles().front(), Wav());
    EXPECT_EQ(profile.GetString("Recent File List", "File1", ""), Wav());

    // Opening the same path again brings its frame forward instead of a second document.
    EXPECT_TRUE(a.OpenDocumentFile(Wav()));
    EXPECT_EQ(a.DocumentCount(), 1);

    // Undo is disabled on a fresh document and names the edit after one.
    frame->UpdateCommands();
    EXPECT_FALSE(frame->Action(cmd::EditUndo)->isEnabled());
    Edit(doc_frame->Document());
    frame->UpdateCommands();
    EXPECT_TRUE(frame->Action(cmd::EditUndo)->isEnabled());
    EXPECT_EQ(frame->Action(cmd::EditUndo)->text(), "Undo Edit\tCtrl+Z");
    EXPECT_TRUE(doc_frame->windowTitle().endsWith("*"));

    frame->resize(900, 600);
    QTest::qWait(50);
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(frame->grab().save(MURMUREX_SCREENSHOT_DIR "/document_frame.png"));

    prompts.answers = {PromptAnswer::No};
    frame->close();
}

TEST_F(DocumentUiTest, ClosingAModifiedDocumentAsksAndCancelKeepsItOpen) {
    CPhonarcApp& a = Start();
    ASSERT_TRUE(a.OpenDocumentFile(Wav()));
    CMainFrame* frame = a.MainFrame();
    Edit(*a.Documents()->ActiveDocument());

    // File Close, then the program: Cancel keeps both open.
    prompts.answers = {PromptAnswer::Cancel};
    a.Router().Execute(cmd::FileClose);
    QTest::qWait(10);
    EXPECT_EQ(a.DocumentCount(), 1);
    EXPECT_EQ(prompts.messages.back(), "Save changes to take.wav?");
    prompts.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(a.DocumentCount(), 1);

    // Save names a results file beside the recording; the recent list takes the new name.
    const std::string zuvo = (folder / "take.zuvo").string();
    prompts.answers = {PromptAnswer::Yes};
    prompts.files = {zuvo};
    a.Router().Execute(cmd::FileClose);
    EXPECT_TRUE(QTest::qWaitFor([&] { return a.DocumentCount() == 0; }, 5000));
    EXPECT_TRUE(fs::exists(zuvo));
    EXPECT_EQ(a.RecentFiles().front(), zuvo);
    EXPECT_EQ(frame->windowTitle(), "The Phonarc!");

    // The saved file opens again by a drop on the main window (the file the window reports).
    emit frame->FileDropped(QString::fromStdString(zuvo));
    ASSERT_EQ(a.DocumentCount(), 1) << (prompts.messages.empty() ? "" : prompts.messages.back());
    EXPECT_EQ(a.Documents()->ActiveDocument()->track(1).words.size(), 1u);
    EXPECT_TRUE(frame->close());
}

// Through the program's window: a results file with a phoneme to the end of time and a record
// that ends before it starts opens, cut to its recording, with the Output Window naming the lines;
// a recording that is a folder is refused with what is wrong, and nothing opens.
TEST_F(DocumentUiTest, BadResultsFileOpensWithWhatIsSoundAndAFolderIsRefused) {
    CPhonarcApp& a = Start();
    CMainFrame* frame = a.MainFrame();
    const std::string zuvo = (folder / "far.zuvo").string();
    std::ofstream(zuvo) << "version 1.2\naudio take.wav\nphn 0 100 50 AA\nphn 300 200 50 AA\nphn 100 2147483647 0 b\n"
                           "end_markers\n";
    ASSERT_TRUE(a.OpenDocumentFile(zuvo)) << (prompts.messages.empty() ? "" : prompts.messages.back());
    CPhonarcDoc* doc = a.Documents()->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    const int length = static_cast<int>(doc->audio()->FramesToMs(doc->audio()->GetFrameCount()));
    ASSERT_EQ(doc->track(1).phonemes.size(), 2u);
    EXPECT_EQ(doc->track(1).phonemes[1].end, length);
    EXPECT_FALSE(doc->track(1).articulation.empty());
    const QString log = frame->OutputBar()->Text();
    EXPECT_TRUE(log.contains("Line[4]: 'phn' record ends at 200 before it starts at 300: left out")) << log.toStdString();
    EXPECT_TRUE(log.contains("Line[5]: markers reach 2147483.647 s, past the end of the recording")) << log.toStdString();
    EXPECT_TRUE(frame->OutputBar()->isVisible());
    frame->resize(1000, 700);
    QTest::qWait(50);
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(frame->grab().save(MURMUREX_SCREENSHOT_DIR "/bad_results_file.png"));

    fs::create_directories(folder / "folder.wav");
    prompts.messages.clear();
    EXPECT_FALSE(a.OpenDocumentFile((folder / "folder.wav").string()));
    EXPECT_EQ(a.DocumentCount(), 1);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("is a folder, not an ordinary file"), std::string::npos) << prompts.messages[0];
    EXPECT_TRUE(frame->close());
}

// Save through the program's command: the envelopes the saving preferences leave out (all of them
// by default) are named in one Output Window line, and the file holds none.
TEST_F(DocumentUiTest, SaveNamesTheEnvelopesThePreferencesLeaveOutInTheOutputWindow) {
    CPhonarcApp& a = Start();
    const std::string zuvo = (folder / "enveloped.zuvo").string();
    std::ofstream(zuvo) << "version 1.2\naudio take.wav\nphn_env 0 120 x 2 0 0 120 0\nphn 0 120 0 x\n"
                           "phn_env 120 300 AA 3 120 0 200 0.8 300 0\nphn 120 300 0 AA\nend_markers\n";
    ASSERT_TRUE(a.OpenDocumentFile(zuvo)) << (prompts.messages.empty() ? "" : prompts.messages.back());
    ASSERT_EQ(a.Documents()->ActiveDocument()->track(1).envelope.size(), 2u);
    const QString before = a.MainFrame()->OutputBar()->Text();
    a.Router().Execute(cmd::FileSave);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    const QString logged = a.MainFrame()->OutputBar()->Text().mid(before.size()).trimmed();
    EXPECT_EQ(logged.toStdString(), "2 envelope records are not saved in " + zuvo +
                                        ": \"Save Articulation Envelopes\" is off in Options > Preferences.");
    std::ifstream in(zuvo);
    const std::string saved{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(saved.find("phn_env"), std::string::npos) << saved;
    EXPECT_NE(saved.find("phn 120 300"), std::string::npos) << saved;
}

TEST_F(DocumentUiTest, PhonemeTestDialogShowsTheLanguagesPhonemesOfTheScript) {
    CPhonarcApp& a = Start();
    ASSERT_TRUE(a.OpenDocumentFile(Wav()));
    CPhonemeDialog dlg(a.Languages(), prompts);
    ASSERT_EQ(dlg.languageList->count(), 1);
    EXPECT_EQ(dlg.languageList->currentText(), "English - Default");
    dlg.textEdit->setPlainText("hello world");
    QPushButton* generate = nullptr;
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        if (b->text() == "Generate Phonemes..") generate = b;
    ASSERT_NE(generate, nullptr);
    QTest::mouseClick(generate, Qt::LeftButton);
    EXPECT_TRUE(dlg.outputEdit->toPlainText().contains("\nhello=")) << dlg.outputEdit->toPlainText().toStdString();
    dlg.widthEdit->setText("3");
    dlg.accept();
    EXPECT_EQ(dlg.searchWidth, 300);
    EXPECT_EQ(dlg.text, "hello world");
}

TEST(ProgressDialog, ReportsPercentAndTakesOneCancelRequest) {
    CProgressDlg dlg;
    dlg.SetStatusText("Opening file...");
    dlg.CreateModeless();
    EXPECT_EQ(dlg.windowTitle(), "Progress");
    const int total = 22 * 60 * 16000;  // done x 100 overflows 32 bits here
    EXPECT_FALSE(dlg.Progress(total / 2, total));
    EXPECT_EQ(dlg.Position(), 50);
    EXPECT_EQ(dlg.PercentShown(), "50%");
    QPushButton* cancel = dlg.findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());  // stays until the command ends
    EXPECT_TRUE(dlg.Progress(total - 1, total));
    EXPECT_FALSE(dlg.Progress(total, total));
    EXPECT_EQ(dlg.PercentShown(), "100%");
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(dlg.grab().save(MURMUREX_SCREENSHOT_DIR "/progress_dialog.png"));
}

TEST(DeleteDialog, AllMarkerTypesDrivesTheFiveKindsAndTheMaskIsOfferedNextTime) {
    CMemoryProfileStore profile;
    {
        CDeleteMarkersDlg dlg(profile, false);
        EXPECT_FALSE(dlg.selectionOnly->isEnabled());
        QTest::mouseClick(dlg.all, Qt::LeftButton);
        EXPECT_TRUE(dlg.words->isChecked() && dlg.events->isChecked() && dlg.gestures->isChecked());
        QTest::mouseClick(dlg.all, Qt::LeftButton);
        EXPECT_FALSE(dlg.phonemes->isChecked() || dlg.articulation->isChecked());
        dlg.events->setChecked(true);
        dlg.accept();
        EXPECT_EQ(dlg.mask(), 0x10u);
    }
    CDeleteMarkersDlg next(profile, true);
    EXPECT_TRUE(next.selectionOnly->isEnabled());
    EXPECT_TRUE(next.selectionOnly->isChecked());  // the last use was on the whole file
    EXPECT_TRUE(next.events->isChecked());
    EXPECT_FALSE(next.words->isChecked());
}

}  // namespace
