// The document frame and its script editor driven through the real widgets: typing into the
// editor lands in the document's undo history, the language list follows the program's language
// in every frame, the script bar's setting and commands (their rows installed as the program
// installs them), and a screenshot of a frame.
#include "app/ui/document_frame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "app/core/active_context.h"
#include "app/core/command_router.h"
#include "app/core/document_commands.h"
#include "app/core/lexicon_mgr.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "app/ui/find_replace_dlg.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/transcription_edit.h"
#include "engine/text/lexicon_file.h"
#include "model/pub_queue.h"
#include "views/timeline/phonarc_view.h"

namespace {

namespace fs = std::filesystem;

std::string LexiconHeader(const std::string& name) {
    std::string b;
    auto i32 = [&](uint32_t v) {
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<char>(v >> (8 * k)));
    };
    i32(static_cast<uint32_t>(kLexiconMagic));
    b.push_back(static_cast<char>(kLexiconVersion));
    b.push_back(0);
    b += name;
    b.push_back(0);
    i32(7);
    i32(0);
    return b;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The active frame: the main window's active document, else the frame made last.
class frame_context : public active_context {
public:
    std::function<CDocumentFrame*()> frame;
    CPhonarcDoc* Document() const override {
        CDocumentFrame* f = frame();
        return f ? &f->Document() : nullptr;
    }
};
CDocumentFrame* TargetOf(const frame_context& context, CDocumentFrame*) { return context.frame(); }

class DocumentFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / ("document_frame_" + std::to_string(::getpid()) + "_" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "dicts");
        std::ofstream(dir / "dicts" / "spanish.zlex", std::ios::binary) << LexiconHeader("Espanol");
        languages.Load((dir / "dicts").string(), "LEXICON");
        host.profile = &profile;
        host.prompts = &prompts;
        context.frame = [this]() -> CDocumentFrame* {
            if (main) {
                QMdiSubWindow* sub = main->MdiArea()->activeSubWindow();
                return sub ? qobject_cast<CDocumentFrame*>(sub->widget()) : nullptr;
            }
            return frames.empty() ? nullptr : frames.back().get();
        };
        InstallActiveRows(router, context, CDocumentFrame::CommandRows());
        InstallActiveRows(router, context, DocumentCommandRows());
    }
    void TearDown() override {
        frames.clear();
        main.reset();
        docs.clear();
        pub_queue::destroy_instance();
        fs::remove_all(dir);
    }
    CPhonarcDoc& NewDoc() { return *docs.emplace_back(std::make_unique<CPhonarcDoc>(host)); }
    std::unique_ptr<CDocumentFrame> MakeFrame(CPhonarcDoc& doc, lexicon_mgr& langs) {
        auto f = std::make_unique<CDocumentFrame>(doc, document_frame_context{&langs, &profile, &prompts, &router},
                                                  timeline_view_setup{});
        EXPECT_TRUE(f->Create());
        return f;
    }
    // A frame on doc, or on a new document.
    CDocumentFrame* NewFrame(CPhonarcDoc* doc = nullptr) {
        std::unique_ptr<CDocumentFrame> f = MakeFrame(doc ? *doc : NewDoc(), languages);
        if (main) {
            main->MdiArea()->addSubWindow(f.get())->showMaximized();
            main->MdiArea()->setActiveSubWindow(main->MdiArea()->subWindowList().last());
            return f.release();
        }
        f->show();
        return frames.emplace_back(std::move(f)).get();
    }
    void MakeMainFrame() {
        main = std::make_unique<CMainFrame>(router, profile);
        ASSERT_TRUE(main->Create());
        main->resize(1000, 700);
        main->show();
    }

    fs::path dir;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    lexicon_mgr languages;
    CCommandRouter router;
    frame_context context;
    document_host host;
    std::vector<std::unique_ptr<CPhonarcDoc>> docs;
    std::unique_ptr<CMainFrame> main;
    std::vector<std::unique_ptr<CDocumentFrame>> frames;
};

TEST_F(DocumentFrameTest, TypingInTheEditorIsOneUndoLevelOfTheDocument) {
    CPhonarcDoc& doc = NewDoc();
    ASSERT_NO_FATAL_FAILURE(MakeMainFrame());
    CDocumentFrame* frame = NewFrame(&doc);
    CTranscriptionEdit* edit = frame->ScriptEdit();
    edit->setFocus();
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(edit->toPlainText(), "abc");
    EXPECT_EQ(doc.results_file().script_text, "abc");
    EXPECT_TRUE(doc.IsModified());
    QAction* undo = main->Action(cmd::EditUndo);
    main->UpdateCommands();
    EXPECT_EQ(undo->text(), "Undo Typing\tCtrl+Z");
    EXPECT_TRUE(undo->isEnabled());
    undo->trigger();
    EXPECT_EQ(edit->toPlainText(), "");
    main->UpdateCommands();
    EXPECT_EQ(main->Action(cmd::EditRedo)->text(), "Redo Typing\tCtrl+Y");
    // With nothing left to undo the item is disabled and names no action gone.
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo\tCtrl+Z");
    QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);  // the editor's own Redo key
    EXPECT_EQ(edit->toPlainText(), "abc");

    // Caret keys end the run: a new level; Backspace and Return go through the history too.
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, "X");
    EXPECT_EQ(edit->toPlainText(), "abXc");
    EXPECT_EQ(edit->GetText(), "abXc");
    doc.OnEditUndo();
    EXPECT_EQ(edit->toPlainText(), "ab\nc");
    doc.OnEditUndo();
    EXPECT_EQ(edit->toPlainText(), "abc");
}

TEST_F(DocumentFrameTest, ClipboardKeysAndTheContextMenuGoThroughTheHistory) {
    CDocumentFrame* frame = NewFrame();
    CTranscriptionEdit* edit = frame->ScriptEdit();
    frame->ScriptView().SetInitialText("one two");
    edit->SetSel(0, 4);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->toPlainText(), "two");
    edit->SetSel(3, 3);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->toPlainText(), "twoone ");
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->toPlainText(), "one two");

    // Find and Replace from the editor's own key: Replace All is one level, undone exactly.
    frame->ScriptView().SetInitialText("a cat\r\nthe Cat sat");
    edit->SetSel(0, 0);
    QTest::keyClick(edit, Qt::Key_H, Qt::ControlModifier);
    auto* dlg = edit->findChild<CFindReplaceDlg*>();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    dlg->FindEdit()->setText("cat");
    dlg->ReplaceEdit()->setText("\u00E9l\u00E9phant");
    dlg->ReplaceAll();
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("a \u00E9l\u00E9phant\nthe \u00E9l\u00E9phant sat"));
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->GetText(), "a cat\r\nthe Cat sat");
    dlg->MatchCase()->setChecked(true);
    dlg->FindEdit()->setText("Cat");
    dlg->FindNext();
    EXPECT_EQ(edit->textCursor().selectedText(), "Cat");
    dlg->hide();

    std::unique_ptr<QMenu> menu(edit->MakeContextMenu());
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, QStringList({"&Undo\tCtrl+Z", "Redo\tCtrl+Y", "-", "Add Cut Marker at cursor", "-",
                                  "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));
}

TEST_F(DocumentFrameTest, LanguageChosenInOneFrameShowsInTheOthersAfterTheNextDispatch) {
    CDocumentFrame* a = NewFrame();
    CDocumentFrame* b = NewFrame();
    CDocumentFrame* c = NewFrame();
    ASSERT_EQ(a->LanguageList()->count(), 2);
    EXPECT_EQ(b->LanguageList()->currentText(), "English - Default");
    const int spanish = a->LanguageList()->findText("Espanol");
    a->LanguageList()->setCurrentIndex(spanish);
    emit a->LanguageList()->activated(spanish);
    EXPECT_EQ(languages.GetCurrentLanguageName(), "Espanol");
    EXPECT_EQ(b->LanguageList()->currentText(), "English - Default");  // not before the dispatch
    pub_queue::dispatch();
    EXPECT_EQ(b->LanguageList()->currentText(), "Espanol");
    EXPECT_EQ(c->LanguageList()->currentText(), "Espanol");
    // A frame closed before the dispatch is simply left out.
    languages.SelectLanguageByName("English - Default");
    frames.pop_back();
    pub_queue::dispatch();
    EXPECT_EQ(a->LanguageList()->currentText(), "English - Default");
}

// Lexicon names arrive as header bytes, UTF-8 or code page 1252, and two lexicons may share a
// name: every list shows the same decoded names, and each entry chooses its own lexicon.
TEST_F(DocumentFrameTest, EveryInstalledLexiconShowsOneNameAndCanBeChosen) {
    std::ofstream(dir / "dicts" / "b_french.zlex", std::ios::binary) << LexiconHeader("Fran\xE7" "ais");  // 1252
    std::ofstream(dir / "dicts" / "c_twin.zlex", std::ios::binary) << LexiconHeader("Twin");
    std::ofstream(dir / "dicts" / "d_twin.zlex", std::ios::binary) << LexiconHeader("Twin");
    std::ofstream(dir / "dicts" / "e_greek.zlex", std::ios::binary) << LexiconHeader("\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC");
    lexicon_mgr all;
    all.Load((dir / "dicts").string(), "LEXICON");
    const auto& records = all.GetRecords();
    const QStringList names = {"English - Default", "Fran\u00E7ais", "Twin", "Twin",
                               "\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC", "Espanol"};
    ASSERT_EQ(records.size(), static_cast<size_t>(names.size()));
    auto a = MakeFrame(NewDoc(), all);
    auto b = MakeFrame(NewDoc(), all);
    CPhonemeDialog test_dialog(all, prompts);
    QStringList frame_names, dialog_names;
    for (int i = 0; i < a->LanguageList()->count(); ++i) frame_names << a->LanguageList()->itemText(i);
    for (int i = 0; i < test_dialog.languageList->count(); ++i) dialog_names << test_dialog.languageList->itemText(i);
    EXPECT_EQ(frame_names, names);
    EXPECT_EQ(dialog_names, names);
    for (int i = 0; i < a->LanguageList()->count(); ++i) {
        SCOPED_TRACE(i);
        a->LanguageList()->setCurrentIndex(i);
        emit a->LanguageList()->activated(i);
        EXPECT_EQ(all.GetCurrentLanguageId(), records[static_cast<size_t>(i)].id);
        EXPECT_EQ(QString::fromStdString(all.GetCurrentLanguageName()), names[i]);
        pub_queue::dispatch();
        EXPECT_EQ(b->LanguageList()->currentIndex(), i);
    }
    // A name kept by the settings selects its lexicon again.
    EXPECT_TRUE(all.SelectLanguageByName("Fran\xC3\xA7" "ais"));
    EXPECT_EQ(all.GetCurrentLanguageId(), records[1].id);
}

// The bar's state is the frame's last word only when the frame really closes.
TEST_F(DocumentFrameTest, ACancelledCloseLeavesTheScriptBarSettingAlone) {
    profile.WriteInt("UI", "ShowTranscribeBar", 1);
    CDocumentFrame* frame = NewFrame();
    bool allow = false;
    frame->SetCloseQuery([&allow] { return allow; });
    frame->ScriptBar()->hide();  // as the bar's own close button does, without a word to the settings
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(profile.GetInt("UI", "ShowTranscribeBar", -1), 1);
    allow = true;
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(profile.GetInt("UI", "ShowTranscribeBar", -1), 0);
}

TEST_F(DocumentFrameTest, ScriptBarFollowsItsSettingAndItsCommandsWorkFromTheToolbar) {
    profile.WriteInt("UI", "ShowTranscribeBar", 0);
    CDocumentFrame* frame = NewFrame();
    EXPECT_FALSE(frame->ScriptBar()->isVisible());
    EXPECT_FALSE(frame->ScriptToolBar()->isVisible());
    EXPECT_EQ(frame->GetAlignmentMode(), 0);
    QStringList modes;
    for (int i = 0; i < frame->AlignmentList()->count(); ++i) modes << frame->AlignmentList()->itemText(i);
    EXPECT_EQ(modes, QStringList({"Align All Text with All Audio", "Align Selected Text with Selected Audio",
                                  "Align Current Cue Point"}));
    frame->AlignmentList()->setCurrentIndex(2);
    EXPECT_EQ(frame->GetAlignmentMode(), 2);
    EXPECT_FALSE(frame->FlashBar()->isVisible());

    // The command brings the editor back with its toolbar.
    EXPECT_TRUE(router.Execute(cmd::ShowTranscriptionEditor));
    EXPECT_TRUE(frame->ScriptBar()->isVisible());
    EXPECT_TRUE(frame->ScriptToolBar()->isVisible());
    EXPECT_EQ(profile.GetInt("UI", "ShowTranscribeBar", -1), 1);
    // Buttons whose command nobody carries out are disabled.
    frame->UpdateToolBar();
    for (QAction* a : frame->ScriptToolBar()->actions()) {
        if (a->data().toInt() == cmd::AlignTextWithAudio || a->data().toInt() == cmd::AddCutMarker) {
            EXPECT_FALSE(a->isEnabled());
        } else if (a->data().toInt() != 0) {
            EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
        }
    }


    // Save Text Transcription from the toolbar while the editor does not have the focus.
    frame->ScriptView().SetInitialText("Caf\xC3\xA9 \xE2\x80\x94 ok\r\n");
    frame->AlignmentList()->setFocus();
    prompts.files.push_back((dir / "script.txt").string());
    for (QAction* a : frame->ScriptToolBar()->actions())
        if (a->data().toInt() == cmd::SaveTextTranscription) a->trigger();
    EXPECT_EQ(ReadBytes(dir / "script.txt"), "Caf\xC3\xA9 \xE2\x80\x94 ok\r\n");

    frame->close();  // writes the bar's state
    frames.clear();
    EXPECT_EQ(profile.GetInt("UI", "ShowTranscribeBar", -1), 1);
}

TEST_F(DocumentFrameTest, NonAsciiScriptKeepsItsBytesAndOffsetsInTheWidget) {
    CPhonarcDoc& doc = NewDoc();
    const std::string script = "\xE2\x80\x9CNa\xC3\xAFve\xE2\x80\x9D \xE2\x80\x94 caf\xC3\xA9\r\n<cut ms=\"1500\"/>Deux \xF0\x9F\x99\x82\r\n";
    doc.results_file().script_text = script;
    CDocumentFrame* frame = NewFrame(&doc);
    CTranscriptionEdit* edit = frame->ScriptEdit();
    EXPECT_EQ(edit->GetText(), script);
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("\u201CNa\u00EFve\u201D \u2014 caf\u00E9\n<cut ms=\"1500\"/>Deux \U0001F642\n"));
    // A selection by byte offsets lands on the same characters.
    const auto dash = static_cast<int32_t>(script.find("\xE2\x80\x94"));
    edit->SetSel(dash, dash + 3);
    EXPECT_EQ(edit->textCursor().selectedText(), QString::fromUtf8("\u2014"));
    int32_t s = 0, e = 0;
    edit->GetSel(&s, &e);
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(dash, dash + 3));
    // The cue segment after the tag, in the document's offsets.
    int32_t start = 0, length = 0, start_ms = 0, end_ms = 0;
    frame->ScriptView().FindCutSegment(static_cast<int32_t>(script.find("Deux")), &start, &length, &start_ms, &end_ms);
    EXPECT_EQ(script.substr(static_cast<size_t>(start), static_cast<size_t>(length)), "Deux \xF0\x9F\x99\x82\r\n");
    EXPECT_EQ(start_ms, 1500);
    // Typing after the emoji, undone.
    const auto end = static_cast<int32_t>(script.find("\r\n", script.find("Deux")));
    edit->SetSel(end, end);
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\u00E0"));
    QApplication::sendEvent(edit, &key);
    EXPECT_EQ(doc.results_file().script_text, script.substr(0, end) + "\xC3\xA0" + script.substr(end));
    doc.OnEditUndo();
    EXPECT_EQ(edit->GetText(), script);
    QTest::keyClick(edit, Qt::Key_Backspace);  // at the caret after the emoji: all four bytes go
    EXPECT_EQ(edit->GetText(), script.substr(0, end - 4) + script.substr(end));
    doc.OnEditUndo();
    EXPECT_EQ(edit->GetText(), script);
}

TEST_F(DocumentFrameTest, DocumentOpenedInTheProgramEditsItsScriptInItsFrame) {
    const fs::path speech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
    fs::copy_file(speech / "en_us_f4_0003_clean.wav", dir / "take.wav");
    fs::copy_file(speech / "en_us_f4_0003_clean.txt", dir / "take.txt");
    const std::string script = ReadBytes(dir / "take.txt");
    auto app = std::make_unique<CPhonarcApp>(profile, prompts, dir.string());
    ASSERT_TRUE(app->InitInstance({}));
    ASSERT_TRUE(app->OpenDocumentFile((dir / "take.wav").string()));
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    ASSERT_NE(frame, nullptr);
    CTranscriptionEdit* edit = frame->ScriptEdit();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetText(), script);

    edit->SetSel(0, 0);
    QTest::keyClicks(edit, "So ");
    CMainFrame* main_frame = app->MainFrame();
    main_frame->UpdateCommands();
    EXPECT_EQ(main_frame->Action(cmd::EditUndo)->text(), "Undo Typing\tCtrl+Z");
    EXPECT_EQ(frame->Document().results_file().script_text, "So " + script);
    main_frame->Action(cmd::EditUndo)->trigger();
    EXPECT_EQ(edit->GetText(), script);

    // A cue tag at the caret, and its segment's audio in the recording's length.
    edit->SetSel(0, 0);
    frame->ScriptView().InsertCutTagAt(500, 0);
    int32_t start = 0, length = 0, start_ms = 0, end_ms = 0;
    frame->ScriptView().FindCutSegment(20, &start, &length, &start_ms, &end_ms);
    EXPECT_EQ(start_ms, 500);
    EXPECT_GT(end_ms, 1000);  // the recording's length
    main_frame->UpdateCommands();
    EXPECT_EQ(main_frame->Action(cmd::EditUndo)->text(), "Undo Cue Marker\tCtrl+Z");

    // Save Text Transcription As proposes the recording's name with ".txt".
    prompts.files.push_back(std::nullopt);
    EXPECT_TRUE(app->Router().Execute(cmd::SaveTextTranscriptionAs));
    ASSERT_FALSE(prompts.fileRequests.empty());
    EXPECT_EQ(prompts.fileRequests.back().initialPath, (dir / "take.txt").string());

    prompts.answers = {PromptAnswer::No};
    app->ExitInstance();
}

TEST_F(DocumentFrameTest, ScreenshotOfAFrameWithTheScriptBar) {
    CPhonarcDoc& doc = NewDoc();
    doc.results_file().script_text =
        "<cut ms=\"0\"/>The quick brown fox jumps over the lazy dog.\r\n<cut ms=\"2400\"/>\xE2\x80\x9CNa\xC3\xAFve caf\xC3\xA9 "
        "r\xC3\xA9sum\xC3\xA9\xE2\x80\x9D \xE2\x80\x94 she said.\r\n";
    ASSERT_NO_FATAL_FAILURE(MakeMainFrame());
    CDocumentFrame* frame = NewFrame(&doc);
    frame->ScriptEdit()->SetSel(20, 25);
    QApplication::processEvents();
    const QString dir = QStringLiteral(MURMUREX_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    ASSERT_TRUE(main->grab().save(dir + "/script_editor.png"));
}

}  // namespace
