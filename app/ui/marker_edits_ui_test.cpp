// Edits land where the user meant them, through the real main window, frame, script editor and
// timeline: a save with the second visual channel on keeps the main track's edits, the cue
// segment around the caret selects its own audio and is aligned into it, and the timeline's
// context menus act on what was right-clicked.
#include <QApplication>
#include <QCheckBox>
#include <cstdlib>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include "app/core/dialog_values.h"
#include "app/core/document_commands.h"
#include "app/core/marker_commands.h"
#include "app/core/phonarc_doc_flash.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/transcription_view.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/marker_dialogs.h"
#include "app/ui/phonarc_app.h"
#include "app/core/command_ids.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"
#include "views/flash_channel/flash_gesture_channel.h"
#include "views/timeline/phonarc_view.h"
#include "views/timeline/timeline_layout.h"

namespace {

namespace fs = std::filesystem;
const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
const fs::path kTemplate = fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf";
constexpr const char* kBase = "en_us_f4_0003_clean";

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int PhonemeCommand(const char* code) {
    for (int id = cmd::PhonemeFirst; id <= cmd::PhonemeLast; ++id)
        if (LoadCommandLabel(id) == code) return id;
    return -1;
}

// The phoneme of the track that spans [start, end] exactly, or null.
const phn_marker* PhonemeAt(const app_sync_results& track, int start, int end) {
    for (const phn_marker& p : track.phonemes)
        if (p.start == start && p.end == end) return &p;
    return nullptr;
}

class MarkerEditsUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("murmurex_edits_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        fs::copy_file(kSpeech / (std::string(kBase) + ".wav"), folder / (std::string(kBase) + ".wav"));
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        ASSERT_TRUE(app->InitInstance({}));
        app->Documents()->SetShowProgress(false);
        app->MainFrame()->resize(1100, 700);
        app->MainFrame()->show();
    }
    void TearDown() override {
        prompts.answers.assign(8, PromptAnswer::No);
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }
    // The bundled alignment with the given sections after it, opened.
    CDocumentFrame* OpenAligned(const std::string& sections = "") {
        const fs::path zuvo = folder / "take.zuvo";
        std::ofstream(zuvo, std::ios::binary) << Read(kSpeech / (std::string(kBase) + ".zuvo")) << sections;
        if (!app->OpenDocumentFile(zuvo.string())) return nullptr;
        QTest::qWait(20);
        return app->Documents()->ActiveFrame();
    }
    int Frames(int ms) { return app->Documents()->ActiveDocument()->audio()->MsToFrames(ms); }
    // The vertical middle of the view's channel with that display bit.
    static int BandMiddle(CPhonarcView* view, uint32_t bit) {
        for (const auto& c : view->Channels())
            if (c->displayBit == bit) return (c->band.top + c->band.bottom) / 2;
        ADD_FAILURE() << "no channel " << bit;
        return 0;
    }
    // Right-clicks the view at (x, y); while the menu is open, during runs and the menu closes.
    static void RightClick(CPhonarcView* view, int x, int y, const std::function<void(QMenu*)>& during) {
        bool ran = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || ran) return;
            ran = true;
            during(menu);
            if (menu->isVisible()) menu->close();
        });
        poll.start();
        const QPoint at(x, y);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->mapToGlobal(at));
        QApplication::sendEvent(view, &event);
        poll.stop();
        EXPECT_TRUE(ran) << "no menu showed";
    }

    // Runs answer on the next modal dialog that opens, from inside its event loop; the caller
    // then does what opens it.
    void AnswerNextDialog(std::function<void(QDialog*)> answer) {
        auto* poll = new QTimer(app->MainFrame());
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        });
        poll->start();
    }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

// Every marker command edits the main track; with recognition on the second channel the save
// must still write it.
TEST_F(MarkerEditsUiTest, SaveWithTheSecondChannelOnKeepsTheMainTracksEdits) {
    CDocumentFrame* frame = OpenAligned();
    ASSERT_NE(frame, nullptr);
    frame->View()->SetSelection(Frames(875), Frames(967), false);  // the EY of "frain"
    ASSERT_TRUE(app->Router().Execute(PhonemeCommand("ZH")));
    ASSERT_TRUE(app->Router().Execute(cmd::SecondChannel));
    ASSERT_TRUE(app->Documents()->ActiveDocument()->settings().second_channel);
    ASSERT_TRUE(app->Router().Execute(cmd::FileSave));
    EXPECT_FALSE(app->Documents()->ActiveDocument()->IsModified());
    app->Router().Execute(cmd::FileClose);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->DocumentCount() == 0; }, 5000));
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages.front();

    ASSERT_TRUE(app->OpenDocumentFile((folder / "take.zuvo").string()));
    const phn_marker* set = PhonemeAt(app->Documents()->ActiveDocument()->track(1), 875, 967);
    ASSERT_NE(set, nullptr);
    EXPECT_STREQ(set->get_label(), "ZH");
}

// The cue tags around the caret give both the text and the audio: Hilight cut marker selects
// the tags' times in the timeline, and "Align Current Cue Point" aligns the segment's words into
// them, whatever the timeline had selected before.
TEST_F(MarkerEditsUiTest, CueSegmentSelectsItsAudioAndIsAlignedIntoIt) {
    ASSERT_TRUE(app->OpenDocumentFile((folder / (std::string(kBase) + ".wav")).string()));
    CDocumentFrame* frame = app->Documents()->ActiveFrame();
    ASSERT_NE(frame, nullptr);
    const std::string script = "Yang spragg on <cut ms=\"735\"/>frain to noyd<cut ms=\"1454\"/> rynearson?";
    frame->ScriptView().SetInitialText(script);
    const auto caret = static_cast<int32_t>(script.find("to noyd"));
    frame->ScriptView().control().SetSel(caret, caret);
    frame->View()->SetSelection(Frames(100), Frames(600), false);

    ASSERT_TRUE(app->Router().Execute(cmd::HilightCutMarker));
    int s = 0, e = 0;
    ASSERT_TRUE(frame->View()->GetSelection(&s, &e));
    EXPECT_EQ(s, Frames(735));
    EXPECT_EQ(e, Frames(1454));
    int32_t p = 0, q = 0;
    frame->ScriptView().GetSel(&p, &q);
    EXPECT_EQ(script.substr(static_cast<size_t>(p), static_cast<size_t>(q - p)), "frain to noyd");

    frame->View()->SetSelection(Frames(100), Frames(600), false);
    frame->ScriptView().control().SetSel(caret, caret);
    frame->AlignmentList()->setCurrentIndex(2);  // Align Current Cue Point
    ASSERT_TRUE(app->Router().Execute(cmd::AlignTextWithAudio));
    ASSERT_TRUE(prompts.messages.empty()) << prompts.messages.front();
    const app_sync_results& track = app->Documents()->ActiveDocument()->track(1);
    ASSERT_EQ(track.words.size(), 3u);
    for (const og_marker& w : track.words) {
        EXPECT_GE(w.start, 735) << w.label;
        EXPECT_LE(w.end, 1454 + 10) << w.label;
    }
}

// A right-click away from the selection acts on the marker under the pointer, not on a selection
// the user may not even see.
TEST_F(MarkerEditsUiTest, RightClickOutsideTheSelectionActsOnTheMarkerClicked) {
    CDocumentFrame* frame = OpenAligned();
    ASSERT_NE(frame, nullptr);
    CPhonarcView* view = frame->View();
    const int zh = PhonemeCommand("ZH");
    const int y = BandMiddle(view, kShowPhonemes);
    struct {
        const char* what;
        int selStart, selEnd;  // ms
        int clickMs;
        int changedStart, changedEnd;  // the phoneme Set Phoneme replaces
    } cases[] = {
        // Outside: the OY of "noyd" is clicked while the AA of "Yang" is selected.
        {"outside", 93, 189, 1300, 1245, 1379},
        // Inside the selection: the selection stays what the command acts on.
        {"inside", 875, 967, 920, 875, 967},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        view->SetSelection(Frames(c.selStart), Frames(c.selEnd), false);
        const int x = view->SampleToX(Frames(c.clickMs));
        RightClick(view, x, y, [&](QMenu*) { app->MainFrame()->Action(zh)->trigger(); });
        const app_sync_results& track = app->Documents()->ActiveDocument()->track(1);
        const phn_marker* changed = PhonemeAt(track, c.changedStart, c.changedEnd);
        ASSERT_NE(changed, nullptr);
        EXPECT_STREQ(changed->get_label(), "ZH");
        if (c.changedStart != c.selStart) {
            const phn_marker* selected = PhonemeAt(track, c.selStart, c.selEnd);
            ASSERT_NE(selected, nullptr);
            EXPECT_STRNE(selected->get_label(), "ZH");
        }
        app->Router().Execute(cmd::EditUndo);
    }
}

// Delete over a selection works inside it, also when the dialog was last used on the whole
// file: the user selects one phoneme, presses Delete and Enter, and only that phoneme goes.
TEST_F(MarkerEditsUiTest, DeleteKeyOverASelectionAfterAWholeFileDeleteKeepsToTheSelection) {
    CDocumentFrame* frame = OpenAligned();
    ASSERT_NE(frame, nullptr);
    CPhonarcView* view = frame->View();
    CPhonarcDoc* doc = app->Documents()->ActiveDocument();
    const size_t phonemes = doc->track(1).phonemes.size();
    ASSERT_GT(phonemes, 3u);

    // A whole-file delete of the phonemes, taken back.
    view->SetSelection(0, 0, false);
    view->setFocus();
    AnswerNextDialog([](QDialog* dialog) {
        auto* d = qobject_cast<CDeleteMarkersDlg*>(dialog);
        ASSERT_NE(d, nullptr);
        EXPECT_FALSE(d->selectionOnly->isEnabled());
        d->phonemes->setChecked(true);
        QTest::keyClick(d, Qt::Key_Return);
    });
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_TRUE(doc->track(1).phonemes.empty());
    ASSERT_TRUE(app->Router().Execute(cmd::EditUndo));
    ASSERT_EQ(doc->track(1).phonemes.size(), phonemes);

    view->SetSelection(Frames(875), Frames(967), false);  // the EY of "frain"
    bool checked = false;
    AnswerNextDialog([&](QDialog* dialog) {
        auto* d = qobject_cast<CDeleteMarkersDlg*>(dialog);
        ASSERT_NE(d, nullptr);
        checked = d->selectionOnly->isEnabled() && d->selectionOnly->isChecked() && d->phonemes->isChecked();
        QTest::keyClick(d, Qt::Key_Return);
    });
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_TRUE(checked);
    const app_sync_results& track = doc->track(1);
    EXPECT_EQ(track.phonemes.size(), phonemes - 1);
    EXPECT_EQ(PhonemeAt(track, 875, 967), nullptr);
}

// File > Import of the script instead of a results file: a message box names the file, line and
// reason, and the alignment stays as it was, with no step to undo and nothing to save; the
// recording itself is refused untouched too.
TEST_F(MarkerEditsUiTest, ImportOfAScriptSaysWhyAndLeavesTheMarkers) {
    CDocumentFrame* frame = OpenAligned();
    ASSERT_NE(frame, nullptr);
    CPhonarcDoc* doc = app->Documents()->ActiveDocument();
    const size_t phonemes = doc->track(1).phonemes.size();
    ASSERT_GT(phonemes, 0u);
    doc->SetModifiedFlag(false);
    const auto undo = doc->UpdateUndo().text;
    const fs::path script = folder / "take.txt";
    fs::copy_file(kSpeech / (std::string(kBase) + ".txt"), script);

    prompts.files = {script.string()};
    ASSERT_TRUE(app->Router().Execute(cmd::ImportSyncMarkers));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find(script.string()), std::string::npos) << prompts.messages[0];
    EXPECT_NE(prompts.messages[0].find("is not a results file"), std::string::npos) << prompts.messages[0];
    EXPECT_NE(prompts.messages[0].find("Line[1]: unrecognized marker"), std::string::npos) << prompts.messages[0];
    EXPECT_EQ(doc->track(1).phonemes.size(), phonemes);
    EXPECT_EQ(frame->View()->Track(1).phonemes.size(), phonemes);
    EXPECT_EQ(doc->UpdateUndo().text, undo);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(frame->windowTitle().endsWith(" *")) << frame->windowTitle().toStdString();

    prompts.messages.clear();
    prompts.files = {(folder / (std::string(kBase) + ".wav")).string()};
    ASSERT_TRUE(app->Router().Execute(cmd::ImportSyncMarkers));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("is not a results file"), std::string::npos) << prompts.messages[0];
    EXPECT_EQ(doc->track(1).phonemes.size(), phonemes);
}

// The Flash gesture channel's Delete acts on the gesture under the pointer when the menu opened,
// also when playback scrolled the view while the menu was open.
TEST_F(MarkerEditsUiTest, FlashChannelDeletesTheGestureThatWasUnderThePointer) {
    CDocumentFrame* frame = OpenAligned("character " + kTemplate.string() +
                                        "\nend_character_info\ngesture 300 700 128 0 wave|idle\n"
                                        "gesture 1200 1600 128 0 wave|idle\n");
    ASSERT_NE(frame, nullptr);
    auto* doc = dynamic_cast<CPhonarcDocFlash*>(&frame->Document());
    ASSERT_TRUE(doc && doc->HasTemplate()) << (doc ? doc->logged() : "");
    ASSERT_EQ(doc->GetAnim()->get_gestures()->size(), 2u);
    CPhonarcView* view = frame->View();
    view->SetDisplayMode(view->DisplayMode() | kShowFlashGestures);
    QTest::qWait(20);
    const int x = view->SampleToX(Frames(500));
    const int y = BandMiddle(view, kShowFlashGestures);
    RightClick(view, x, y, [&](QMenu* menu) {
        // Playback moves the view on by 900 ms: the other gesture now lies under the pointer.
        view->OnHScroll(CPhonarcView::kThumbPosition, (view->FirstSample() + Frames(900)) / view->SamplesPerPixel());
        ASSERT_LE(std::abs(view->SampleToX(Frames(1400)) - x), 2);
        QAction* remove = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == "Delete Gesture") remove = a;
        ASSERT_NE(remove, nullptr);
        ASSERT_TRUE(remove->isEnabled());
        const QPoint at = menu->actionGeometry(remove).center();
        QTest::mouseClick(menu, Qt::LeftButton, {}, at);
    });
    const gesture_marker_list& left = *doc->GetAnim()->get_gestures();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].start, 1200);
}

// In the real timeline: a point gesture placed near the end of the short recording ends with it,
// also in the saved file, and a gesture with no length is picked by the pop-up at its pixel.
TEST_F(MarkerEditsUiTest, FlashChannelGesturesStayInTheRecordingAndPointGesturesCanBePicked) {
    CDocumentFrame* frame = OpenAligned("character " + kTemplate.string() +
                                        "\nend_character_info\ngesture 300 700 128 0 wave|idle\n"
                                        "gesture 1003 1003 128 0 nod|idle\n");
    ASSERT_NE(frame, nullptr);
    auto* doc = dynamic_cast<CPhonarcDocFlash*>(&frame->Document());
    ASSERT_TRUE(doc && doc->HasTemplate()) << (doc ? doc->logged() : "");
    ASSERT_EQ(doc->GetAnim()->get_gestures()->size(), 2u);
    CPhonarcView* view = frame->View();
    view->SetDisplayMode(view->DisplayMode() | kShowFlashGestures);
    QTest::qWait(20);
    const int y = BandMiddle(view, kShowFlashGestures);
    const int length = static_cast<int>(doc->audio()->FramesToMs(doc->audio()->GetFrameCount()));

    // The pop-up at the point gesture's pixel deletes it.
    RightClick(view, view->SampleToX(Frames(1003)), y, [&](QMenu* menu) {
        QAction* remove = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == "Delete Gesture") remove = a;
        ASSERT_NE(remove, nullptr);
        ASSERT_TRUE(remove->isEnabled());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(remove).center());
    });
    ASSERT_EQ(doc->GetAnim()->get_gestures()->size(), 1u);

    // A template gesture at a cursor 60 ms before the end.
    view->SetSelection(Frames(length - 60), Frames(length - 60), false);
    RightClick(view, view->SampleToX(Frames(length - 60)), y, [&](QMenu* menu) {
        QAction* sub = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == "Add Gesture") sub = a;
        ASSERT_TRUE(sub && sub->menu());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(sub).center());
        QMenu* templates = sub->menu();
        ASSERT_TRUE(QTest::qWaitFor([&] { return templates->isVisible(); }, 2000));
        ASSERT_FALSE(templates->actions().isEmpty());
        QTest::mouseClick(templates, Qt::LeftButton, {}, templates->actionGeometry(templates->actions().front()).center());
    });
    const gesture_marker_list& gestures = *doc->GetAnim()->get_gestures();
    ASSERT_FALSE(gestures.empty());
    EXPECT_EQ(gestures.back().start, length - 60);
    EXPECT_EQ(gestures.back().end, length);
    EXPECT_EQ(doc->UpdateUndo().text, "Undo Add Gesture\tCtrl+Z");

    ASSERT_TRUE(app->Router().Execute(cmd::FileSave));
    std::istringstream saved(Read(folder / "take.zuvo"));
    int lines = 0;
    for (std::string line; std::getline(saved, line);) {
        std::istringstream fields(line);
        std::string keyword;
        int start = 0, end = 0;
        if (!(fields >> keyword >> start >> end) || (keyword != "gesture" && keyword != "tween_end")) continue;
        ++lines;
        EXPECT_LE(end, length) << line;
    }
    EXPECT_EQ(lines, static_cast<int>(gestures.size()));
}

// With two documents open, the pop-up menu and the Delete key of the view that is not in the
// active frame edit that view's own document, as its drags do, and leave the active one alone.
TEST_F(MarkerEditsUiTest, TheInactiveViewsMenuAndDeleteKeyEditItsOwnDocument) {
    CDocumentFrame* mine = OpenAligned();
    ASSERT_NE(mine, nullptr);
    fs::copy_file(folder / "take.zuvo", folder / "other.zuvo");
    ASSERT_TRUE(app->OpenDocumentFile((folder / "other.zuvo").string()));
    QTest::qWait(20);
    CDocumentFrame* other = app->Documents()->ActiveFrame();
    ASSERT_NE(other, mine);
    const auto activateOther = [&] {
        app->MainFrame()->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
        ASSERT_EQ(app->Documents()->ActiveFrame(), other);
    };
    CPhonarcDoc& doc = mine->Document();
    const app_sync_results untouched = other->Document().track(1);
    CPhonarcView* view = mine->View();
    const auto frames = [&](int ms) { return doc.audio()->MsToFrames(ms); };

    // The menu: Set Phoneme on the phoneme selected in this view.
    activateOther();
    const phn_marker target = doc.track(1).phonemes[doc.track(1).phonemes.size() / 2];
    ASSERT_STRNE(target.get_label(), "ZH");
    view->SetSelection(frames(target.start), frames(target.end), false);
    const int zh = PhonemeCommand("ZH");
    RightClick(view, view->SampleToX(frames((target.start + target.end) / 2)), BandMiddle(view, kShowPhonemes),
               [&](QMenu*) { app->MainFrame()->Action(zh)->trigger(); });
    const phn_marker* changed = PhonemeAt(doc.track(1), target.start, target.end);
    ASSERT_NE(changed, nullptr);
    EXPECT_STREQ(changed->get_label(), "ZH");

    // The Delete key: the words of the selection, as the dialog (accepted as last time) says.
    activateOther();
    profile.WriteInt("UI", "Delete_Last", kDeleteSelectionOnly | kDeleteWords);
    const size_t words = doc.track(1).words.size();
    ASSERT_GE(words, 2u);
    const og_marker word = doc.track(1).words[words / 2];
    view->SetSelection(frames(word.start), frames(word.end), false);
    QTimer accept;
    accept.setInterval(10);
    QObject::connect(&accept, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
    });
    accept.start();
    QTest::keyClick(view, Qt::Key_Delete);
    accept.stop();
    EXPECT_LT(doc.track(1).words.size(), words);
    for (const og_marker& w : doc.track(1).words) EXPECT_NE(w.label, word.label) << "the selected word is gone";

    // The active document kept every marker.
    const app_sync_results& kept = other->Document().track(1);
    ASSERT_EQ(kept.phonemes.size(), untouched.phonemes.size());
    for (size_t i = 0; i < kept.phonemes.size(); ++i) EXPECT_EQ(kept.phonemes[i].label, untouched.phonemes[i].label) << i;
    EXPECT_EQ(kept.words.size(), untouched.words.size());
    EXPECT_FALSE(other->Document().IsModified());
}

}  // namespace
