// The menus, toolbars and pop-ups of the real main window, built from the command table: every
// command reachable, mnemonics unique in each menu as shown, states following the document, the
// selection and the clipboard without a timer, and the commands that only these places reach.
#include "app/ui/command_menus.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

#include "app/core/command_ids.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/profile_store.h"
#include "engine/audio/memory_pcm_stream.h"
#include "app/core/prompts.h"
#include "app/ui/character_preview_dlg.h"
#include "app/ui/character_setup_dlg.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/sizing_control_bar.h"
#include "app/ui/transcription_edit.h"
#include "flash/ui/swf_player_control.h"
#include "model/pub_queue.h"
#include "views/timeline/display_menu.h"
#include "views/timeline/marker_channels.h"
#include "views/timeline/phonarc_view.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";

class CommandMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("murmurex_menus_" + std::to_string(::getpid()) + "_" +
                                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        fs::copy_file(kSpeech / "en_us_f4_0003_clean.wav", folder / "one.wav");
        fs::copy_file(kSpeech / "en_us_f4_0003_clean.wav", folder / "two.wav");
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        ASSERT_TRUE(app->InitInstance({}));
        frame = app->MainFrame();
        frame->resize(1000, 700);
    }
    void TearDown() override {
        prompts.answers.assign(8, PromptAnswer::No);
        frame->close();
        app->ExitInstance();
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }
    std::string Wav(const char* name) const { return (folder / name).string(); }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
    CMainFrame* frame = nullptr;
};

QString Stripped(QString text) { return text.left(text.indexOf(QLatin1Char('\t'))).remove(QLatin1Char('&')); }

// The letter after a single '&'; 0 when none.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

void CheckMnemonics(const QString& where, const QList<QAction*>& actions) {
    std::map<QChar, QString> taken;
    for (QAction* a : actions) {
        if (a->isSeparator()) continue;
        if (a->menu()) CheckMnemonics(where + " > " + a->text(), a->menu()->actions());
        const QChar m = Mnemonic(a->text());
        if (m.isNull()) continue;
        EXPECT_FALSE(taken.count(m)) << where.toStdString() << ": " << a->text().toStdString() << " and "
                                     << taken[m].toStdString();
        taken[m] = a->text();
    }
}

std::vector<QString> Titles(QMenu* menu) {
    std::vector<QString> titles;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) titles.push_back(a->text());
    return titles;
}

bool Holds(QMenu* menu, int id) {
    for (QAction* a : menu->actions()) {
        if (a->data().toInt() == id && !a->menu()) return true;
        if (a->menu() && Holds(a->menu(), id)) return true;
    }
    return false;
}

// The window with the menu drawn where it opened (the offscreen platform keeps pop-ups apart).
void SaveWithMenu(QWidget* window, QMenu* menu, const QString& name) {
    QApplication::processEvents();
    QImage shot = window->grab().toImage();
    QPainter p(&shot);
    p.drawPixmap(window->mapFromGlobal(menu->pos()), menu->grab());
    p.end();
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(shot.save(QStringLiteral(MURMUREX_SCREENSHOT_DIR "/%1.png").arg(name)));
}

TEST_F(CommandMenusTest, MenuBarHasEveryMenuWithUniqueMnemonicsAndTheTextsUsersLookFor) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    frame->UpdateCommands();
    CheckMnemonics(QStringLiteral("menu bar"), frame->menuBar()->actions());

    std::vector<QString> top;
    for (QAction* a : frame->menuBar()->actions()) top.push_back(a->text());
    EXPECT_EQ(top, (std::vector<QString>{"&File", "&Edit", "&View", "&Display", "&Lipsync", "&Markers", "Fl&ash",
                                         "&Playback", "&Options", "&Window", "&Help"}));

    // Every menu of the bar shown open, as a person sees it.
    for (QAction* a : frame->menuBar()->actions()) {
        QMenu* menu = a->menu();
        menu->popup(frame->mapToGlobal(frame->menuBar()->mapTo(frame, frame->menuBar()->actionGeometry(a).bottomLeft())));
        QTest::qWait(10);
        SaveWithMenu(frame, menu, QStringLiteral("menu_") + Stripped(a->text()).toLower());
        menu->hide();
    }

    const struct {
        const char* menu;
        int id;
        const char* text;
    } items[] = {
        {"Playback", cmd::Play, "Play Audio\t<space key> or F5"},
        {"Playback", cmd::PlayOrStop, "Stop Audio"},
        {"Playback", cmd::Rewind, "Rewind <<"},
        {"File", cmd::SaveTextTranscriptionAs, "Save Text Transcription As..."},
        {"File", cmd::FileSaveAs, "Save &As..."},
        {"File", cmd::ReloadAudio, "Reload A&udio..."},
        {"File", cmd::PrintSetup, "P&rint Setup..."},
        {"File", cmd::Print, "&Print...\tCtrl+P"},
        {"File", cmd::PrintPreview, "Print Pre&view"},
        {"Lipsync", cmd::LipsyncWithText, "&Lipsync with Text"},
        {"Edit", cmd::EditCut, "Cu&t\tCtrl+X"},
        {"Edit", cmd::EditCopy, "&Copy\tCtrl+C"},
        {"Edit", cmd::EditPaste, "&Paste\tCtrl+V"},
        {"Edit", cmd::EditFind, "&Find...\tCtrl+F"},
        {"Edit", cmd::EditReplace, "Rep&lace...\tCtrl+H"},
        {"Edit", cmd::AddCutMarker, "Add Cut &Marker at cursor\tF4"},
        {"View", cmd::ShowTranscriptionEditor, "Script &Editor"},
        {"Flash", cmd::SelectCharacter, "Select Flash Character Template"},
        {"Flash", cmd::PreviewCharacter, "Preview the character in Flash"},
        {"Window", cmd::WindowCascade, "&Cascade"},
        {"Help", cmd::HelpFile, "Phonarc &Help..."},
    };
    for (const auto& item : items) {
        QMenu* menu = frame->MenuOf(item.menu);
        ASSERT_NE(menu, nullptr) << item.menu;
        EXPECT_TRUE(Holds(menu, item.id)) << item.text;
        EXPECT_EQ(frame->Action(item.id)->text().toStdString(), item.text);
    }
    EXPECT_EQ(frame->Action(cmd::AddCutMarker)->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(frame->Action(cmd::ImportSyncMarkers)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    // Publishing is not built: offered, never enabled.
    for (int id : {cmd::ExportLipsync, cmd::PublishSettings, cmd::PublishSwf})
        EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;

    // The toolbars keep their buttons in their order.
    std::vector<int> playback;
    for (QToolBar* bar : frame->findChildren<QToolBar*>())
        if (bar->property("barId").toInt() == toolbar_id::Playback)
            for (QAction* a : bar->actions())
                if (!a->isSeparator()) playback.push_back(a->data().toInt());
    EXPECT_EQ(playback, (std::vector<int>{cmd::Play, cmd::PlayOrStop, cmd::Rewind, cmd::PlayRewindMode}));
}

TEST_F(CommandMenusTest, TimelineContextMenuIsMenu197AndRunsThroughTheRouter) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    CDocumentFrame* doc_frame = app->Documents()->ActiveFrame();
    CPhonarcView* view = doc_frame->View();
    CPhonarcDoc& doc = doc_frame->Document();
    view->SetSelection(doc.audio()->MsToFrames(300), doc.audio()->MsToFrames(700), false);

    std::unique_ptr<QMenu> menu(frame->BuildPopup(menu_id::TimelineContext));
    EXPECT_EQ(Titles(menu.get()),
              (std::vector<QString>{"Phoneme", "Gestures", "Events", "Words", "&Undo\tCtrl+Z", "Redo\tCtrl+Y"}));
    QMenu* phoneme = CMainFrame::SubMenuOf(menu.get(), "Phoneme");
    ASSERT_NE(phoneme, nullptr);
    EXPECT_EQ(Titles(phoneme),
              (std::vector<QString>{"All", "closed mouth", "consonants", "vowels", "semi-vowels", "Clear"}));
    QMenu* closed = CMainFrame::SubMenuOf(phoneme, "closed mouth");
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(Titles(closed), (std::vector<QString>{"b\tbig", "m\tman", "p\tpet"}));
    EXPECT_EQ(Titles(CMainFrame::SubMenuOf(menu.get(), "Gestures")),
              (std::vector<QString>{"Add Gesture...", "Edit Gesture...", "Delete Gesture"}));

    menu->popup(view->mapToGlobal(QPoint(200, 60)));
    phoneme->popup(menu->mapToGlobal(menu->actionGeometry(phoneme->menuAction()).topRight()));
    QTest::qWait(10);
    {
        QApplication::processEvents();
        QImage shot = frame->grab().toImage();
        QPainter p(&shot);
        p.drawPixmap(frame->mapFromGlobal(menu->pos()), menu->grab());
        p.drawPixmap(frame->mapFromGlobal(phoneme->pos()), phoneme->grab());
        p.end();
        QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
        EXPECT_TRUE(shot.save(MURMUREX_SCREENSHOT_DIR "/menu_timeline_context.png"));
    }
    phoneme->hide();
    menu->hide();

    // Choosing "p" sets the selection's phoneme through the document's command; Undo's item then
    // names the step and takes it back.
    closed->actions()[2]->trigger();
    ASSERT_EQ(doc.track(1).phonemes.size(), 1u);
    EXPECT_EQ(doc.track(1).phonemes[0].label, "p");
    std::unique_ptr<QMenu> again(frame->BuildPopup(menu_id::TimelineContext));
    QAction* undo = again->actions()[4];
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(undo->text().startsWith("Undo Set Phoneme")) << undo->text().toStdString();
    undo->trigger();
    EXPECT_TRUE(doc.track(1).phonemes.empty());
}

// Both Display menus come from the channel table, each in its own order, and every switch works
// from both: the pitch estimate has no channel of its own, yet its item toggles it.
TEST_F(CommandMenusTest, DisplayMenusListTheChannelTableAndEverySwitchToggles) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    frame->UpdateCommands();
    CPhonarcView* view = app->Documents()->ActiveFrame()->View();
    const std::vector<QString> shared = {"Waveform", "Spectral", "Flash Gesture Channel", "Raw Pitch Contour (slow)",
                                         "Phonemes Channel", "Morph/Energy Channel", "Words Channel"};
    std::vector<QString> bar = shared, popup = shared;
    bar.insert(bar.end(), {"User Events Channel", "Gestures Channel", "Energy Contour"});
    popup.insert(popup.end(), {"Gestures Channel", "User Events Channel", "Energy Contour"});
    QMenu* display = frame->MenuOf("Display");
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(Titles(display), bar);
    std::unique_ptr<QMenu> margin(MakeDisplayMenu(view, view->DisplayMode(), [view](uint32_t bit) {
        view->ToggleChannel(bit);
    }));
    EXPECT_EQ(Titles(margin.get()), popup);

    QAction* pitch = frame->Action(cmd::ShowPitch);
    ASSERT_NE(pitch, nullptr);
    EXPECT_TRUE(pitch->isEnabled());
    EXPECT_FALSE(view->DisplayMode() & kShowPitch);
    pitch->trigger();
    EXPECT_TRUE(view->DisplayMode() & kShowPitch);
    frame->UpdateCommands();
    EXPECT_TRUE(pitch->isChecked());
    margin->actions()[3]->trigger();
    EXPECT_FALSE(view->DisplayMode() & kShowPitch);
}

TEST_F(CommandMenusTest, StatesFollowTheSelectionAndTheClipboardWithoutPolling) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    CDocumentFrame* doc_frame = app->Documents()->ActiveFrame();
    CPhonarcView* view = doc_frame->View();
    CPhonarcDoc& doc = doc_frame->Document();
    QApplication::processEvents();

    // Nothing in the windows wakes up on its own to ask the commands again.
    for (QObject* owner : {static_cast<QObject*>(frame), static_cast<QObject*>(doc_frame)})
        for (QTimer* t : owner->findChildren<QTimer*>())
            EXPECT_FALSE(t->isActive() && !t->isSingleShot()) << t->objectName().toStdString() << " polls";

    view->SetSelection(0, 0, false);
    QApplication::processEvents();
    EXPECT_FALSE(frame->Action(cmd::ClearPhonemes)->isEnabled());
    view->SetSelection(doc.audio()->MsToFrames(100), doc.audio()->MsToFrames(400), false);
    QApplication::processEvents();
    EXPECT_TRUE(frame->Action(cmd::ClearPhonemes)->isEnabled()) << "the selection changed";

    QApplication::clipboard()->clear();
    QApplication::processEvents();
    EXPECT_FALSE(frame->Action(cmd::EditPaste)->isEnabled());
    QApplication::clipboard()->setText(QStringLiteral("hello"));
    QApplication::processEvents();
    EXPECT_TRUE(frame->Action(cmd::EditPaste)->isEnabled()) << "the clipboard changed";
    QApplication::clipboard()->clear();
}

TEST_F(CommandMenusTest, ScriptEditorComesBackInNewFramesAndF4TiesTheScriptToTheSelection) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    CDocumentFrame* first = app->Documents()->ActiveFrame();
    QApplication::processEvents();
    ASSERT_TRUE(first->ScriptBar()->isVisible());
    frame->Action(cmd::ShowTranscriptionEditor)->trigger();
    EXPECT_FALSE(first->ScriptBar()->isVisible());
    EXPECT_FALSE(first->ScriptToolBar()->isVisible());
    first->parentWidget()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    ASSERT_EQ(app->DocumentCount(), 0);

    // The next frame opens as the last one was left; the View menu brings both back.
    ASSERT_TRUE(app->OpenDocumentFile(Wav("two.wav")));
    CDocumentFrame* second = app->Documents()->ActiveFrame();
    QApplication::processEvents();
    EXPECT_FALSE(second->ScriptBar()->isVisible());
    EXPECT_TRUE(frame->Action(cmd::ShowTranscriptionEditor)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::ShowTranscriptionEditor)->isChecked());
    frame->Action(cmd::ShowTranscriptionEditor)->trigger();
    EXPECT_TRUE(second->ScriptBar()->isVisible());
    EXPECT_TRUE(second->ScriptToolBar()->isVisible());
    EXPECT_TRUE(frame->Action(cmd::ShowTranscriptionEditor)->isChecked());

    // F4 in the window: a cue tag for the timeline's cursor at the script's caret.
    CTranscriptionEdit* edit = second->ScriptEdit();
    edit->setPlainText(QStringLiteral("hello world"));
    QTextCursor c = edit->textCursor();
    c.setPosition(6);
    edit->setTextCursor(c);
    CPhonarcDoc& doc = second->Document();
    second->View()->SetSelection(doc.audio()->MsToFrames(500), doc.audio()->MsToFrames(500), false);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    second->View()->setFocus();
    QApplication::processEvents();
    QTest::keyClick(second->View(), Qt::Key_F4);
    EXPECT_EQ(edit->toPlainText(), "hello <cut ms=\"500\"/>world");

    // Ctrl+I really imports: it asks for the file of sync markers.
    const size_t asked = prompts.fileRequests.size();
    QTest::keyClick(second->View(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(prompts.fileRequests.size(), asked + 1);
}

// The letters work from the keyboard: Alt+F opens File and A is Save As, nothing else.
TEST_F(CommandMenusTest, AltFThenARunsSaveAs) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    QApplication::processEvents();
    QTest::keyClick(frame, Qt::Key_F, Qt::AltModifier);
    QApplication::processEvents();
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup, frame->MenuOf("File"));
    prompts.files = {std::nullopt};
    QTest::keyClick(popup, Qt::Key_A);
    QApplication::processEvents();
    ASSERT_EQ(prompts.fileRequests.size(), 1u);
    EXPECT_FALSE(prompts.fileRequests[0].open) << "a save dialog";
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(CommandMenusTest, WindowMenuListsTheDocumentsAndArrangesThem) {
    frame->show();
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    ASSERT_TRUE(app->OpenDocumentFile(Wav("two.wav")));
    QMdiArea* area = frame->MdiArea();
    ASSERT_EQ(area->subWindowList().size(), 2);
    QMenu* window = frame->MenuOf("Window");
    emit window->aboutToShow();
    std::vector<QString> entries;
    QAction* first = nullptr;
    for (QAction* a : window->actions())
        if (a->data().toInt() >= cmd::WindowFirstDocument) {
            entries.push_back(a->text());
            if (!first) first = a;
        }
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].startsWith("&1 ") && entries[0].contains("one.wav")) << entries[0].toStdString();
    EXPECT_TRUE(entries[1].startsWith("&2 ") && entries[1].contains("two.wav")) << entries[1].toStdString();
    first->trigger();
    EXPECT_EQ(area->activeSubWindow(), area->subWindowList()[0]);

    frame->UpdateCommands();
    ASSERT_TRUE(frame->Action(cmd::WindowCascade)->isEnabled());
    frame->Action(cmd::WindowTile)->trigger();
    QApplication::processEvents();
    for (QMdiSubWindow* sub : area->subWindowList()) EXPECT_FALSE(sub->isMaximized());
    const QRect a = area->subWindowList()[0]->geometry(), b = area->subWindowList()[1]->geometry();
    EXPECT_FALSE(a.intersects(b)) << "tiled windows lie side by side";
    frame->Action(cmd::WindowCascade)->trigger();
    QApplication::processEvents();
    EXPECT_NE(area->subWindowList()[0]->pos(), area->subWindowList()[1]->pos());
}

TEST_F(CommandMenusTest, FlashTemplateIsChosenAsOneUndoableStepAndPreviewed) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    auto& doc = dynamic_cast<CPhonarcDocFlash&>(*app->Documents()->ActiveDocument());
    frame->UpdateCommands();
    EXPECT_TRUE(frame->Action(cmd::SelectCharacter)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::PreviewCharacter)->isEnabled());

    // A file that does not open: the reason in the results file's words, nothing changes.
    prompts.files = {(folder / "none.swf").string()};
    prompts.answers = {PromptAnswer::Ok};
    frame->Action(cmd::SelectCharacter)->trigger();
    ASSERT_EQ(prompts.fileRequests.size(), 1u);
    EXPECT_NE(prompts.fileRequests[0].filter.find("*.swf"), std::string::npos);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0],
              "Can't open character file " + (folder / "none.swf").string() + ": No such file or directory\n");
    EXPECT_FALSE(doc.HasTemplate());

    // A file that is not a movie.
    prompts.files = {Wav("one.wav")};
    prompts.answers = {PromptAnswer::Ok};
    frame->Action(cmd::SelectCharacter)->trigger();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1].rfind("Reading Character file ", 0), 0u) << prompts.messages[1];
    EXPECT_FALSE(doc.HasTemplate());

    const std::string swf = (fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf").string();
    prompts.files = {swf};
    frame->Action(cmd::SelectCharacter)->trigger();
    ASSERT_TRUE(doc.HasTemplate());
    EXPECT_EQ(doc.character_path(), swf);
    EXPECT_TRUE(doc.IsModified());
    frame->UpdateCommands();
    EXPECT_TRUE(frame->Action(cmd::PreviewCharacter)->isEnabled());
    EXPECT_TRUE(frame->Action(cmd::EditUndo)->text().startsWith("Undo Select Flash Character Template"));

    // The preview shows the template's clips in the program's player.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CCharacterPreviewDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        std::vector<const swf_char_gesture*> named;
        for (const swf_char_gesture& g : doc.GetCharacter()->get_gestures())
            if (!g.pose.empty() || !g.gesture.empty()) named.push_back(&g);
        ASSERT_EQ(dialog->clips->count(), static_cast<int>(named.size()));
        ASSERT_GE(named.size(), 2u);
        EXPECT_TRUE(dialog->player->HasMovie());
        dialog->clips->setCurrentRow(1);
        EXPECT_EQ(dialog->clips->currentItem()->text().toStdString(), named[1]->pose + " | " + named[1]->gesture);
        EXPECT_EQ(dialog->player->CurrentFrame(), named[1]->first_frame);
        dialog->frame->setValue(dialog->frame->maximum());
        EXPECT_EQ(dialog->player->CurrentFrame(), named[1]->first_frame + named[1]->frame_count - 1);
        QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
        dialog->grab().save(MURMUREX_SCREENSHOT_DIR "/character_preview.png");
        dialog->reject();
    });
    frame->Action(cmd::PreviewCharacter)->trigger();
    EXPECT_TRUE(shown);

    frame->Action(cmd::EditUndo)->trigger();
    EXPECT_FALSE(doc.HasTemplate());
    EXPECT_TRUE(doc.character_path().empty());
    frame->Action(cmd::EditRedo)->trigger();
    EXPECT_TRUE(doc.HasTemplate());
}

TEST_F(CommandMenusTest, DockingBarCaptionsFollowTheFocusAndTheirGlyphCloses) {
    ASSERT_TRUE(app->OpenDocumentFile(Wav("one.wav")));
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    CDocumentFrame* doc_frame = app->Documents()->ActiveFrame();
    CSizingControlBar* script = doc_frame->ScriptBar();
    CSizingControlBar* viewer = frame->ViewerBar();
    ASSERT_NE(script->titleBarWidget(), nullptr);
    ASSERT_NE(viewer->titleBarWidget(), nullptr);

    doc_frame->ScriptEdit()->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(script->CaptionActive());
    EXPECT_FALSE(viewer->CaptionActive());
    const QImage active = script->titleBarWidget()->grab().toImage();
    doc_frame->View()->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(script->CaptionActive());
    const QImage inactive = script->titleBarWidget()->grab().toImage();
    EXPECT_NE(active.pixelColor(2, 2), inactive.pixelColor(2, 2)) << "the caption's colour shows the focus";
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    active.save(MURMUREX_SCREENSHOT_DIR "/bar_caption_active.png");

    auto* glyph = script->titleBarWidget()->findChild<QToolButton*>(QStringLiteral("CloseGlyph"));
    ASSERT_NE(glyph, nullptr);
    glyph->click();
    EXPECT_FALSE(script->isVisible());
    frame->UpdateCommands();
    EXPECT_FALSE(frame->Action(cmd::ShowTranscriptionEditor)->isChecked());
}

TEST(PhonemeListEdit, ContextMenuHasTheGroupsAndAppendsTheChosenCode) {
    CPhonemeEditCtrl edit;
    edit.setText(QStringLiteral("AA"));
    std::unique_ptr<QMenu> menu(edit.MakeContextMenu());
    EXPECT_EQ(Titles(menu.get()), (std::vector<QString>{"All", "closed mouth", "consonants", "vowels", "semi-vowels"}));
    QMenu* all = CMainFrame::SubMenuOf(menu.get(), "All");
    ASSERT_NE(all, nullptr);
    ASSERT_EQ(all->actions().size(), 40);
    EXPECT_EQ(all->actions()[0]->text(), "x\tsilence");
    QMenu* semi = CMainFrame::SubMenuOf(menu.get(), "semi-vowels");
    ASSERT_NE(semi, nullptr);
    EXPECT_EQ(semi->actions()[2]->text(), "w\twet");
    semi->actions()[2]->trigger();
    EXPECT_EQ(edit.text(), "AA,w");
}

}  // namespace
