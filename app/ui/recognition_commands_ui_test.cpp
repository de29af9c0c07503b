// The road from a recording and its script to a lip-sync track through the real main window on the
// offscreen platform: the toolbar's Lipsync With Text and Textless Lipsync, undo and redo, saving
// and reopening, Cancel in the progress dialog, and a model file that is not a model.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "app/core/display_channels.h"
#include "app/core/document_commands.h"
#include "app/core/marker_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/recognition_commands.h"
#include "app/core/transcription_view.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "views/timeline/phonarc_view.h"
#include <QComboBox>
#include "app/ui/main_frame.h"
#include "app/ui/output_bar.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/progress_dlg.h"
#include "app/ui/recognition_commands_ui.h"
#include "engine/api/error_messages.h"
#include "engine/audio/audio_test_support.h"
#include "engine/audio/default_audio_readers.h"
#include "engine/audio/memory_pcm_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "model/pub_queue.h"

namespace {

namespace fs = std::filesystem;
const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
constexpr const char* kBase = "en_us_f4_0003_clean";

std::string TrackText(const app_sync_results& track) {
    sync_results_file f;
    f.results = track;
    std::ostringstream out;
    f.write(out, 0, kWriteAll & ~kWriteHeader);
    return out.str();
}

// The utterance repeated to at least seconds, as a 16 kHz mono WAV, with its script repeated.
void WriteLongTake(const fs::path& wav, const fs::path& txt, int seconds) {
    InstallDefaultAudioFileReaders();
    PCMFormat format{};
    format.sampleRate = 16000u << 16;
    format.bitsPerSample = 16;
    format.channels = 1;
    CMemoryPCMStream* audio = nullptr;
    ASSERT_EQ(CreateMemoryPCMStreamFromFile((kSpeech / (std::string(kBase) + ".wav")).c_str(), &format, nullptr, &audio), 0);
    const auto* data = static_cast<const int16_t*>(audio->GetData());
    const std::vector<int16_t> one(data, data + audio->GetFrameCount());
    audio->Destroy();
    std::ifstream in(kSpeech / (std::string(kBase) + ".txt"));
    std::string line;
    std::getline(in, line);
    std::vector<int16_t> all;
    std::string script;
    while (all.size() < static_cast<size_t>(seconds) * 16000) {
        all.insert(all.end(), one.begin(), one.end());
        script += line + "\n";
    }
    ASSERT_TRUE(audio_test::WriteWav(wav.string(), all));
    std::ofstream(txt) << script;
}

class RecognitionUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("murmurex_recog_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        fs::copy_file(kSpeech / (std::string(kBase) + ".wav"), folder / "take.wav");
        fs::copy_file(kSpeech / (std::string(kBase) + ".txt"), folder / "take.txt");
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        ASSERT_TRUE(app->InitInstance({}));
        app->Documents()->SetShowProgress(false);
    }
    void TearDown() override {
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }
    // Presses the command's button on the main window's toolbar.
    void Press(int id) {
        QAction* action = app->MainFrame()->Action(id);
        ASSERT_NE(action, nullptr);
        QToolButton* button = nullptr;
        for (QToolBar* bar : app->MainFrame()->findChildren<QToolBar*>())
            if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(action))) button = b;
        ASSERT_NE(button, nullptr) << id;
        app->MainFrame()->UpdateCommands();
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    CPhonarcDoc& Doc() { return *app->Documents()->ActiveDocument(); }
    const app_sync_results& Track() { return Doc().track(Doc().GetRecognitionTrack()); }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

TEST_F(RecognitionUiTest, LipsyncGivesOneUndoableStepThatSavesAndReopensEqual) {
    struct {
        int command;
        const char* undo;
        bool words;
    } cases[] = {
        {cmd::AlignTextWithAudio, "Undo Text-based Lipsync\tCtrl+Z", true},
        {cmd::TextlessLipsync, "Undo Textless Lipsync\tCtrl+Z", false},
    };
    int round = 0;
    for (const auto& c : cases) {
        const std::string zuvo = (folder / ("take" + std::to_string(round++) + ".zuvo")).string();
        ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
        CPhonarcView* view = app->Documents()->ActiveFrame()->View();
        view->SetDisplayMode(view->DisplayMode() & ~kShowWords);
        app->MainFrame()->show();
        app->MainFrame()->activateWindow();
        Press(c.command);
        ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
        // The keys (Ctrl+Z first of all) reach the document's window again once the run is over.
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == app->MainFrame(); }, 1000));
        EXPECT_FALSE(Track().phonemes.empty());
        EXPECT_EQ(Track().words.empty(), !c.words);
        EXPECT_FALSE(Track().articulation.empty());
        const std::string done = TrackText(Track());
        // Text-based alignment brings the hidden words channel into view.
        if (c.words) {
            EXPECT_NE(app->Documents()->ActiveFrame()->View()->DisplayMode() & kShowWords, 0u);
        }
        if (c.words) {
            app->MainFrame()->resize(900, 600);
            QTest::qWait(50);
            QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
            EXPECT_TRUE(app->MainFrame()->grab().save(MURMUREX_SCREENSHOT_DIR "/lipsync_with_text.png"));
        }

        CMainFrame* frame = app->MainFrame();
        frame->UpdateCommands();
        EXPECT_EQ(frame->Action(cmd::EditUndo)->text().toStdString(), c.undo);
        app->Router().Execute(cmd::EditUndo);
        EXPECT_TRUE(Track().phonemes.empty() && Track().words.empty() && Track().articulation.empty());
        EXPECT_FALSE(Doc().GetUndoManager().CanUndo(&Doc(), 1));  // one level, no more
        app->Router().Execute(cmd::EditRedo);
        EXPECT_EQ(TrackText(Track()), done);

        prompts.files = {zuvo};
        app->Router().Execute(cmd::FileSave);
        ASSERT_TRUE(fs::exists(zuvo));
        app->Router().Execute(cmd::FileClose);
        ASSERT_TRUE(QTest::qWaitFor([&] { return app->DocumentCount() == 0; }, 5000));
        ASSERT_TRUE(app->OpenDocumentFile(zuvo));
        EXPECT_EQ(TrackText(Track()), done);
        app->Router().Execute(cmd::FileClose);
        ASSERT_TRUE(QTest::qWaitFor([&] { return app->DocumentCount() == 0; }, 5000));
    }
    EXPECT_TRUE(prompts.messages.empty());
}

// The script editor and the timeline give the text and audio of a selection: the words come from
// the selected text only, inside the selected audio, and both cue tags go into the script in the
// same undo step.
TEST_F(RecognitionUiTest, AligningTheEditorsSelectionWithTheViewsSelectionTagsTheScript) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    ASSERT_NE(frame, nullptr);
    const std::string script = frame->ScriptView().control().GetText();
    const auto space = script.find(' ', script.size() / 2);
    ASSERT_NE(space, std::string::npos);
    frame->AlignmentList()->setCurrentIndex(1);  // selected text with selected audio
    frame->ScriptView().control().SetSel(static_cast<int32_t>(space + 1), static_cast<int32_t>(script.find_last_not_of(" \r\n") + 1));
    const int rate = 16000;
    frame->View()->SetSelection(rate * 900 / 1000, rate * 2000 / 1000, false);

    Press(cmd::AlignTextWithAudio);
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    ASSERT_FALSE(Track().words.empty());
    EXPECT_GE(Track().words.front().start, 900);
    EXPECT_LE(Track().words.back().end, 2000 + 10);
    const std::string tagged = frame->ScriptView().control().GetText();
    EXPECT_NE(tagged.find("<cut ms=\""), std::string::npos) << tagged;

    app->Router().Execute(cmd::EditUndo);
    EXPECT_TRUE(Track().words.empty());
    EXPECT_EQ(frame->ScriptView().control().GetText(), script);
    prompts.answers = {PromptAnswer::No};
}

TEST_F(RecognitionUiTest, CancelPartWayLeavesTheDocumentAsItWas) {
    WriteLongTake(folder / "long.wav", folder / "long.txt", 60);
    ASSERT_TRUE(app->OpenDocumentFile((folder / "long.wav").string()));
    const std::string before = TrackText(Track());
    // Cancel as soon as the dialog shows progress; the window keeps answering meanwhile.
    int position_at_cancel = -1;
    bool painted = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        painted = painted || app->Documents()->Recognition()->Running();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CProgressDlg*>(w);
            if (!dlg || !dlg->isVisible() || position_at_cancel >= 0 || dlg->Position() == 0) continue;
            position_at_cancel = dlg->Position();
            EXPECT_EQ(dlg->StatusText(), "Performing Recognition...");
            QTest::mouseClick(dlg->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    watch.start();
    Press(cmd::AlignTextWithAudio);
    watch.stop();
    EXPECT_TRUE(painted);
    ASSERT_GT(position_at_cancel, 0);
    EXPECT_LT(position_at_cancel, 100);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(TrackText(Track()), before);
    EXPECT_FALSE(Doc().GetUndoManager().CanUndo(&Doc(), 1));
    EXPECT_FALSE(Doc().IsModified());
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<CProgressDlg*>(w) && w->isVisible());
}

// Cancel pressed while the dialog is just showing, before the run has reported anything (a long
// script is transcribed and expanded without a report), reaches the run at once: it ends before
// its search reports a single frame, and the document stays as it was.
TEST_F(RecognitionUiTest, CancelBeforeAnyProgressEndsTheRunBeforeItSearches) {
    std::string script;
    for (int i = 0; i < 12000; ++i) script += i % 12 == 11 ? "rain\n" : "she had your dark suit in greasy wash water ";
    std::ofstream(folder / "take.txt", std::ios::trunc) << script;
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    ASSERT_GT(Doc().results_file().script_text.size(), 400000u);
    const std::string before = TrackText(Track());

    // The dialog's bar when it is hidden at the end of the run: it moves only with the search.
    struct hide_watch : QObject {
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Hide) position_at_hide = static_cast<CProgressDlg*>(watched)->Position();
            return false;
        }
        int position_at_hide = -1;
    } watch_hide;
    bool pressed = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CProgressDlg*>(w);
            if (pressed || !dlg || !dlg->isVisible()) continue;
            pressed = true;
            EXPECT_EQ(dlg->Position(), 0);
            dlg->installEventFilter(&watch_hide);
            QTest::mouseClick(dlg->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    watch.start();
    Press(cmd::AlignTextWithAudio);
    watch.stop();
    ASSERT_TRUE(pressed);
    EXPECT_EQ(watch_hide.position_at_hide, 0) << "the search ran and reported frames after Cancel";
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(TrackText(Track()), before);
    EXPECT_FALSE(Doc().GetUndoManager().CanUndo(&Doc(), 1));
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(RecognitionUiTest, AModelFileThatIsNotAModelShowsTheEnginesWordsAndChangesNothing) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    std::ofstream(folder / "junk.hmm") << "not a model";
    prompts.files = {(folder / "junk.hmm").string()};
    app->Router().Execute(cmd::ChooseModel);
    CMainFrame* frame = app->MainFrame();
    frame->UpdateCommands();
    EXPECT_TRUE(frame->Action(cmd::ModelExternal)->isChecked());
    EXPECT_FALSE(frame->Action(kBuiltInModels[0].id)->isChecked());
    EXPECT_EQ(frame->Action(cmd::ModelExternal)->text().toStdString(), (folder / "junk.hmm").string());
    Press(cmd::AlignTextWithAudio);
    ASSERT_EQ(prompts.messages.size(), 1u);
    char engine_text[kAccErrorTextSize] = {};
    CAccousticHMM* model = nullptr;
    EXPECT_NE(CreateAccHMM("not a model", 11, engine_text, &model), 0);
    if (model) DestroyAccHMM(model);
    EXPECT_EQ(prompts.messages[0], engine_text);
    EXPECT_FALSE(prompts.messages[0].empty());
    EXPECT_TRUE(Track().phonemes.empty());
    EXPECT_FALSE(Doc().GetUndoManager().CanUndo(&Doc(), 1));

    // The menu shows the model items under their own texts.
    QMenu* models = nullptr;
    for (QMenu* m : frame->findChildren<QMenu*>())
        if (m->title().remove('&') == "Acoustic Model") models = m;
    ASSERT_NE(models, nullptr);
    QStringList texts;
    for (QAction* a : models->actions()) texts << a->text();
    EXPECT_EQ(texts.join('|').toStdString(),
              "Generic|Male|Female or Child|Fast||" + (folder / "junk.hmm").string() + "|Choose model from file....");
    prompts.answers = {PromptAnswer::No};
}

// A script far longer than the recording through the real window: the run fails, the engine's text
// is shown once, and the alignment the user had stays as it was, with its undo step.
TEST_F(RecognitionUiTest, AFailedLipsyncKeepsTheAlignmentTheUserHadAndSaysWhy) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    Press(cmd::AlignTextWithAudio);
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    ASSERT_FALSE(Track().words.empty());
    const std::string good = TrackText(Track());

    const std::string script = frame->ScriptView().control().GetText();
    std::string longer;
    for (int i = 0; i < 12; ++i) longer += script + "\n";
    frame->ScriptView().control().SetSel(0, -1);
    frame->ScriptView().control().ReplaceSel(longer);
    ASSERT_EQ(Doc().results_file().script_text, frame->ScriptView().control().GetText());
    app->MainFrame()->UpdateCommands();
    const std::string undo = app->MainFrame()->Action(cmd::EditUndo)->text().toStdString();
    const bool modified = Doc().IsModified();

    Press(cmd::AlignTextWithAudio);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], GetErrorMessage(kErrNoPath));
    EXPECT_EQ(TrackText(Track()), good);
    app->MainFrame()->UpdateCommands();
    EXPECT_EQ(app->MainFrame()->Action(cmd::EditUndo)->text().toStdString(), undo);
    EXPECT_EQ(Doc().IsModified(), modified);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<CProgressDlg*>(w) && w->isVisible());
    app->MainFrame()->resize(900, 600);
    QTest::qWait(50);
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(app->MainFrame()->grab().save(MURMUREX_SCREENSHOT_DIR "/lipsync_failed_run_keeps_track.png"));
    prompts.answers = {PromptAnswer::No};
}

// A cue tag inside the aligned text holds a time of the recording, as the tags the program writes
// do: the selection aligns to the words and times it gives without the tag.
TEST_F(RecognitionUiTest, ACueTagInsideTheAlignedSelectionKeepsItsWordsAndTimes) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    edit_control& edit = frame->ScriptView().control();
    const std::string script = edit.GetText();
    const size_t from = script.find(' ', script.size() / 2) + 1;
    const size_t to = script.find_last_not_of(" \r\n") + 1;
    frame->AlignmentList()->setCurrentIndex(1);  // selected text with selected audio
    const int rate = 16000;
    const auto align = [&](size_t end) {
        edit.SetSel(static_cast<int32_t>(from), static_cast<int32_t>(end));
        frame->View()->SetSelection(rate * 900 / 1000, rate * 2000 / 1000, false);
        Press(cmd::AlignTextWithAudio);
    };
    align(to);
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    const og_marker_list plain = Track().words;
    ASSERT_GE(plain.size(), 2u);
    app->Router().Execute(cmd::EditUndo);
    ASSERT_EQ(edit.GetText(), script);

    // The tag goes before the piece's second word, at the time the alignment found for it.
    const size_t second = script.find(' ', from) + 1;
    const std::string tag = MakeCutTag(plain[1].start) + " ";
    edit.SetSel(static_cast<int32_t>(second), static_cast<int32_t>(second));
    edit.ReplaceSel(tag);
    align(to + tag.size());
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    ASSERT_EQ(Track().words.size(), plain.size());
    constexpr int kToleranceMs = 40;
    for (size_t i = 0; i < plain.size(); ++i) {
        SCOPED_TRACE(plain[i].label);
        EXPECT_EQ(Track().words[i].label, plain[i].label);
        EXPECT_NEAR(Track().words[i].start, plain[i].start, kToleranceMs);
        EXPECT_NEAR(Track().words[i].end, plain[i].end, kToleranceMs);
    }
    prompts.answers = {PromptAnswer::No};
}

// With only a cursor in the timeline, the commands that work on the selection ask for one and
// change nothing: not the alignment the user has, the script, the history or the modified state.
TEST_F(RecognitionUiTest, SelectionCommandsWithOnlyACursorAskForASelectionAndChangeNothing) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    Press(cmd::AlignTextWithAudio);  // an alignment of the whole take, which the user keeps
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    auto* range = app->MainFrame()->findChild<QComboBox*>(QStringLiteral("RecognitionRange"));
    ASSERT_NE(range, nullptr);
    edit_control& edit = frame->ScriptView().control();
    const std::string script = edit.GetText();
    const struct {
        const char* name;
        int command;
        int alignment;  // the script frame's choice
        int range;      // the main frame's recognition range
    } cases[] = {
        {"Align Selected Text with Selected Audio", cmd::AlignTextWithAudio, 1, 0},
        {"Textless Lipsync, Lipsync Selection Only", cmd::TextlessLipsync, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        frame->AlignmentList()->setCurrentIndex(c.alignment);
        range->setCurrentIndex(c.range);
        edit.SetSel(static_cast<int32_t>(script.find(' ') + 1), static_cast<int32_t>(script.size()));
        frame->View()->SetSelection(16000, 16000, false);  // a cursor at 1 s
        const std::string track = TrackText(Track());
        app->MainFrame()->UpdateCommands();
        const std::string undo = app->MainFrame()->Action(cmd::EditUndo)->text().toStdString();
        const bool modified = Doc().IsModified();
        prompts.messages.clear();

        Press(c.command);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0], kTextNeedSelection);
        EXPECT_EQ(TrackText(Track()), track);
        EXPECT_EQ(edit.GetText(), script);
        app->MainFrame()->UpdateCommands();
        EXPECT_EQ(app->MainFrame()->Action(cmd::EditUndo)->text().toStdString(), undo);
        EXPECT_EQ(Doc().IsModified(), modified);
    }
    range->setCurrentIndex(0);
    prompts.answers = {PromptAnswer::No};
}

// "Lipsync Selection Only" chosen in the list before any audio is selected is kept: a menu update
// and a run that asks for a selection come first, and still the next document and the next start
// show the choice.
TEST_F(RecognitionUiTest, TheRangeChosenBeforeAnyAudioIsSelectedIsKept) {
    fs::copy_file(folder / "take.wav", folder / "other.wav");
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    const auto range = [this] { return app->MainFrame()->findChild<QComboBox*>(QStringLiteral("RecognitionRange")); };
    ASSERT_NE(range(), nullptr);
    ASSERT_EQ(range()->currentIndex(), 0);
    app->MainFrame()->show();
    app->MainFrame()->activateWindow();
    range()->setFocus();
    QTest::keyClick(range(), Qt::Key_Down);  // the user picks the second item
    ASSERT_EQ(range()->currentIndex(), 1);
    EXPECT_EQ(profile.GetInt("UI", "LipsyncEntireFile", -1), 0);  // kept as it is chosen
    app->MainFrame()->UpdateCommands();
    EXPECT_FALSE(app->MainFrame()->Action(cmd::LipsyncEntireFile)->isChecked());
    Press(cmd::TextlessLipsync);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], kTextNeedSelection);
    EXPECT_EQ(profile.GetInt("UI", "LipsyncEntireFile", -1), 0);

    ASSERT_TRUE(app->OpenDocumentFile((folder / "other.wav").string()));
    EXPECT_EQ(range()->currentIndex(), 1);
    app->MainFrame()->close();
    app->ExitInstance();
    app.reset();
    pub_queue::destroy_instance();

    app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
    ASSERT_TRUE(app->InitInstance({}));
    app->Documents()->SetShowProgress(false);
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    EXPECT_EQ(range()->currentIndex(), 1);
    app->MainFrame()->UpdateCommands();
    EXPECT_FALSE(app->MainFrame()->Action(cmd::LipsyncEntireFile)->isChecked());

    // Chosen with no document open, it is the next document's too.
    app->Router().Execute(cmd::FileClose);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->DocumentCount() == 0; }, 5000));
    range()->setFocus();
    QTest::keyClick(range(), Qt::Key_Up);
    ASSERT_EQ(range()->currentIndex(), 0);
    ASSERT_TRUE(app->OpenDocumentFile((folder / "other.wav").string()));
    EXPECT_EQ(range()->currentIndex(), 0);
    EXPECT_EQ(profile.GetInt("UI", "LipsyncEntireFile", -1), 1);
}

// Recognition on the second visual channel: its band shows while the option is on or it holds
// results, and as Save writes the main track only, the document stays modified and closing asks.
TEST_F(RecognitionUiTest, ResultsOnTheSecondVisualChannelShowAndClosingAsksBeforeLosingThem) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.wav").string()));
    CPhonarcView* view = app->Documents()->ActiveFrame()->View();
    const auto shown = [&] { return (view->DisplayMode() & kShowPhonemesTrack2) != 0; };
    EXPECT_FALSE(shown());
    app->Router().Execute(cmd::SecondChannel);
    EXPECT_TRUE(shown());
    app->Router().Execute(cmd::SecondChannel);
    EXPECT_FALSE(shown());  // nothing on it to show
    app->Router().Execute(cmd::SecondChannel);

    Press(cmd::TextlessLipsync);
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    ASSERT_FALSE(Doc().track(2).phonemes.empty());
    EXPECT_TRUE(Doc().track(1).phonemes.empty());
    EXPECT_TRUE(shown());
    EXPECT_TRUE(Doc().IsModified());

    const std::string zuvo = (folder / "second.zuvo").string();
    prompts.files = {zuvo};
    app->Router().Execute(cmd::FileSave);
    ASSERT_TRUE(fs::exists(zuvo));
    EXPECT_TRUE(app->MainFrame()->OutputBar()->Text().contains("The second visual channel is not saved"));
    EXPECT_TRUE(Doc().IsModified());
    app->Router().Execute(cmd::SecondChannel);  // back to the main channel: the results stay in view
    EXPECT_TRUE(shown());

    prompts.answers = {PromptAnswer::Cancel};
    app->Router().Execute(cmd::FileClose);
    QTest::qWait(10);
    EXPECT_EQ(app->DocumentCount(), 1);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back(), "Save changes to second.zuvo?");
    prompts.answers = {PromptAnswer::No};
    app->Router().Execute(cmd::FileClose);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app->DocumentCount() == 0; }, 5000));
}

}  // namespace
