// The program's window as users see it: where it opens, the status panes following the active
// document, message box icons, and a lip-synced Flash document with the Output Window open laid
// out on a 1600x1000 screen (screenshots layout_scale100.png, or layout_scale150.png when the
// suite runs with QT_SCALE_FACTOR=1.5).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

#include "app/core/document_commands.h"
#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "app/core/command_table.h"
#include "app/core/marker_commands.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/flash_document_frame.h"
#include "app/ui/main_frame.h"
#include "app/ui/output_bar.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/qt_prompts.h"
#include "app/ui/sel_lang_dlg.h"
#include "app/core/lexicon_mgr.h"
#include "engine/audio/memory_pcm_stream.h"
#include "flash/ui/flash_gestures_view.h"
#include "model/pub_queue.h"
#include "views/playback/viseme_handler.h"
#include "views/timeline/phonarc_view.h"

QT_BEGIN_NAMESPACE
// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

namespace fs = std::filesystem;
const fs::path kSpeech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
const fs::path kTemplate = fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf";

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) /
                 ("murmurex_layout_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "dicts");
        for (const char* base : {"en_us_f4_0003_clean", "en_us_f4_0011_clean"})
            for (const char* ext : {".wav", ".zuvo"}) fs::copy_file(kSpeech / (std::string(base) + ext), folder / (std::string(base) + ext));
    }
    void TearDown() override {
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }
    CPhonarcApp& Start() {
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        EXPECT_TRUE(app->InitInstance({}));
        return *app;
    }
    void Stop() {
        app->MainFrame()->close();
        app->ExitInstance();
        app.reset();
    }
    QString Pane(int i) const {
        auto* pane = app->MainFrame()->findChild<QLabel*>(QStringLiteral("Pane%1").arg(114 + i));
        return pane ? pane->text() : QStringLiteral("<no pane>");
    }
    std::string Path(const char* base) const { return (folder / (std::string(base) + ".zuvo")).string(); }

    fs::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

TEST_F(LayoutTest, TheFirstWindowFillsMostOfTheScreenAndAMaximisedOneComesBackMaximised) {
    CPhonarcApp& a = Start();
    const QRect screen = a.MainFrame()->screen()->availableGeometry();
    EXPECT_GE(a.MainFrame()->width(), screen.width() * 8 / 10);
    EXPECT_GE(a.MainFrame()->height(), screen.height() * 8 / 10);
    a.MainFrame()->showMaximized();
    QCoreApplication::processEvents();
    Stop();
    CPhonarcApp& b = Start();
    QCoreApplication::processEvents();
    EXPECT_TRUE(b.MainFrame()->isMaximized());
    b.MainFrame()->showNormal();
    QCoreApplication::processEvents();
    Stop();
    EXPECT_FALSE(Start().MainFrame()->isMaximized());
}

TEST_F(LayoutTest, StatusPanesFollowTheActiveDocument) {
    CPhonarcApp& a = Start();
    ASSERT_TRUE(a.OpenDocumentFile(Path("en_us_f4_0003_clean")));
    CDocumentFrame* first = a.Documents()->ActiveFrame();
    ASSERT_TRUE(a.OpenDocumentFile(Path("en_us_f4_0011_clean")));
    CDocumentFrame* second = a.Documents()->ActiveFrame();
    ASSERT_NE(first, second);
    QCoreApplication::processEvents();

    // Each document gets its own cursor inside a phoneme of its own.
    auto cursorIn = [](CDocumentFrame* f, size_t phoneme) {
        const auto& p = f->Document().track(1).phonemes;
        const int ms = (p[phoneme].start + p[phoneme].end) / 2;
        f->View()->SetSelection(f->View()->Stream()->MsToFrames(ms), f->View()->Stream()->MsToFrames(ms), false);
        return QString::fromStdString(p[phoneme].label);
    };
    const QString firstLabel = cursorIn(first, 3);
    const QString firstStart = Pane(0);
    const QString secondLabel = cursorIn(second, 5);
    const QString secondStart = Pane(0);
    ASSERT_NE(firstStart, secondStart);
    EXPECT_EQ(Pane(2), secondLabel);

    // Switching documents shows the other one's cursor and phoneme.
    a.MainFrame()->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    QCoreApplication::processEvents();
    EXPECT_EQ(Pane(0), firstStart);
    EXPECT_EQ(Pane(2), firstLabel);

    // Set Phoneme over the cursor's phoneme: the pane names the new one.
    CPhonarcView* view = first->View();
    const auto& p = first->Document().track(1).phonemes;
    const int ms = (p[3].start + p[3].end) / 2;
    view->SetSelection(view->Stream()->MsToFrames(p[3].start), view->Stream()->MsToFrames(p[3].end), false);
    const QString replacement = firstLabel == "IY" ? "UW" : "IY";
    auto* edit = view->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(replacement);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(QString::fromStdString(first->Document().track(1).phonemes[3].label), replacement);
    EXPECT_EQ(Pane(2), replacement) << "at " << ms << " ms";

    // Undo makes Redo name the step; a new edit empties the redo list and Redo says only "Redo".
    a.MainFrame()->UpdateCommands();
    ASSERT_TRUE(a.Router().Execute(cmd::EditUndo));
    a.MainFrame()->UpdateCommands();
    EXPECT_TRUE(a.MainFrame()->Action(cmd::EditRedo)->isEnabled());
    EXPECT_TRUE(a.MainFrame()->Action(cmd::EditRedo)->text().startsWith("Redo Set Phoneme"));
    edit->setText(replacement);
    QTest::keyClick(edit, Qt::Key_Return);
    a.MainFrame()->UpdateCommands();
    EXPECT_FALSE(a.MainFrame()->Action(cmd::EditRedo)->isEnabled());
    EXPECT_EQ(a.MainFrame()->Action(cmd::EditRedo)->text(), "&Redo\tCtrl+Y");

    // Closing the active document shows the one left, its phoneme and its mouth at its cursor;
    // closing that one puts the head at rest and empties the panes.
    struct : IVisemeHandler {
        void SetVisemeMix(const ArticulationKey*) override { last = "mix"; }
        void SetViseme(const char* label, int32_t) override { last = label; }
        std::string last;
    } head;
    a.MainFrame()->SetVisemeTarget(&head);
    view->SetSelection(view->Stream()->MsToFrames(ms), view->Stream()->MsToFrames(ms), false);
    EXPECT_NE(head.last, "x");
    first->Document().SetModifiedFlag(false);
    ASSERT_TRUE(a.Router().Execute(cmd::FileClose));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(a.DocumentCount(), 1);
    EXPECT_NE(head.last, "x");
    EXPECT_EQ(Pane(0), secondStart);
    EXPECT_EQ(Pane(2), secondLabel);
    ASSERT_TRUE(a.Router().Execute(cmd::FileClose));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(a.DocumentCount(), 0);
    EXPECT_EQ(head.last, "x");
    a.MainFrame()->SetVisemeTarget(nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Pane(i), QString()) << i;
}

// Names every mouth shape that reaches the head: a label, or the codes and weights of a mix.
class ShapeRecorder : public IVisemeHandler {
public:
    void SetVisemeMix(const ArticulationKey* key) override {
        last = "mix";
        for (int i = 0; key && i < key->count; ++i)
            last += std::string(" ") + key->pairs[i].code + " " + std::to_string(key->pairs[i].weight);
    }
    void SetViseme(const char* label, int32_t amount) override { last = std::string(label) + " " + std::to_string(amount); }
    std::string last;
};

// The head shows the active document's mouth at its cursor: when a document opens, when another
// becomes active, and right after Set Phoneme from the timeline's pop-up; at rest where the
// document has no phonemes.
TEST_F(LayoutTest, TheHeadShowsTheActiveDocumentsMouthAtItsCursor) {
    // Phonemes with energy, long enough that the middle of one shows its own mouth.
    std::ofstream(folder / "voiced.zuvo") << "version 1.2\naudio en_us_f4_0003_clean.wav\n"
                                             "phn 0 300 70 x\nphn 300 700 70 AA\nphn 700 1100 70 OW\n"
                                             "phn 1100 1500 70 x\nend_markers\n";
    CPhonarcApp& a = Start();
    ShapeRecorder head;
    a.MainFrame()->SetVisemeTarget(&head);
    ASSERT_TRUE(a.OpenDocumentFile((folder / "voiced.zuvo").string()));
    CDocumentFrame* voiced = a.Documents()->ActiveFrame();
    QCoreApplication::processEvents();
    CPhonarcView* view = voiced->View();
    const int cursor = view->Stream()->MsToFrames(500);
    view->SetSelection(cursor, cursor, false);
    const std::string shape = head.last;
    ASSERT_EQ(shape.rfind("mix AA", 0), 0u) << shape;

    // A recording without phonemes opens: the head rests.
    ASSERT_TRUE(a.OpenDocumentFile((folder / "en_us_f4_0011_clean.wav").string()));
    CDocumentFrame* bare = a.Documents()->ActiveFrame();
    ASSERT_NE(bare, voiced);
    ASSERT_TRUE(bare->Document().track(1).phonemes.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(head.last, "x 0");

    auto activate = [&](CDocumentFrame* f) {
        head.last.clear();
        a.MainFrame()->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(f->parentWidget()));
        QCoreApplication::processEvents();
    };
    activate(voiced);
    EXPECT_EQ(head.last, shape);
    activate(bare);
    EXPECT_EQ(head.last, "x 0");
    activate(voiced);
    EXPECT_EQ(head.last, shape);

    // Set Phoneme "m" from the pop-up over the cursor's phoneme: the head closes the mouth at
    // once, as it would once the cursor moved.
    std::unique_ptr<QMenu> popup(a.MainFrame()->BuildPopup(menu_id::TimelineContext));
    QAction* setPhoneme = nullptr;
    for (QAction* action : popup->findChildren<QAction*>())
        if (action->data().toInt() == PhonemeCommandFromLabel("m") && action->isEnabled()) setPhoneme = action;
    ASSERT_NE(setPhoneme, nullptr);
    head.last.clear();
    setPhoneme->trigger();
    ASSERT_EQ(voiced->Document().track(1).phonemes[1].label, "m");
    const std::string shown = head.last;
    EXPECT_EQ(shown.rfind("mix m", 0), 0u) << shown;
    view->SetSelection(cursor, cursor, false);
    EXPECT_EQ(shown, head.last);
    a.MainFrame()->SetVisemeTarget(nullptr);
}

TEST(MessageBoxIcons, ProblemsWarnAndQuestionsAsk) {
    const struct {
        PromptButtons buttons;
        QMessageBox::Icon icon;
    } cases[] = {
        {PromptButtons::Ok, QMessageBox::Warning},
        {PromptButtons::YesNo, QMessageBox::Question},
        {PromptButtons::YesNoCancel, QMessageBox::Question},
        {PromptButtons::OkCancel, QMessageBox::Question},
    };
    CQtPrompts prompts;
    for (const auto& c : cases) {
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    shown = box->icon();
                    box->reject();
                }
        });
        prompts.MessageBox("Something happened.", c.buttons);
        EXPECT_EQ(shown, c.icon) << static_cast<int>(c.buttons);
    }
}

// The width a combo box needs to show text whole: the text, the arrow and the frame.
int NeededWidth(const QComboBox* box, const QString& text) {
    return box->fontMetrics().horizontalAdvance(text) + 20;
}

TEST_F(LayoutTest, ALipSyncedFlashDocumentFitsTheScreen) {
    // Lip-synced: the bundled alignment; the Flash sections name the sample template.
    const fs::path zuvo = folder / "flash.zuvo";
    std::ofstream(zuvo, std::ios::binary) << Read(kSpeech / "en_us_f4_0003_clean.zuvo") << "character "
                                          << kTemplate.string() << "\nend_character_info\n"
                                          << "gesture 300 700 128 0 wave|idle\n";
    profile.WriteInt("display", "ulmode",
                     kShowWaveform | kShowSpectrogram | kShowEnergy | kShowPhonemes | kShowWords | kShowFlashGestures);
    CPhonarcApp& a = Start();
    CMainFrame* main = a.MainFrame();
    // A 1600x1000 screen, in the window's own (scaled) units.
    const double scale = main->devicePixelRatioF();
    main->showNormal();
    main->resize(static_cast<int>(1600 / scale), static_cast<int>(1000 / scale));
    ASSERT_TRUE(a.OpenDocumentFile(zuvo.string()));
    GetOutputLog()->Log("Opened %s\n", zuvo.filename().c_str());
    QTest::qWait(100);
    CDocumentFrame* frame = a.Documents()->ActiveFrame();
    CPhonarcView* view = frame->View();
    ASSERT_TRUE(main->OutputBar()->isVisible());
    ASSERT_TRUE(view->DisplayMode() & kShowFlashGestures);
    view->SetSelection(view->Stream()->MsToFrames(600), view->Stream()->MsToFrames(900), false);
    QTest::qWait(50);

    // The spectrogram keeps a useful height; channels that do not fit can be scrolled to.
    int spectrogram = 0;
    for (const auto& c : view->Channels())
        if (c->displayBit == kShowSpectrogram) spectrogram = c->band.Height();
    EXPECT_GE(spectrogram, kMinFlexibleHeight);
    EXPECT_GE(view->height(), 200);
    QScrollBar* vertical = nullptr;
    for (QScrollBar* b : view->findChildren<QScrollBar*>())
        if (b->orientation() == Qt::Vertical) vertical = b;
    ASSERT_NE(vertical, nullptr);
    const bool fits = view->Channels().back()->band.bottom <= view->ChannelArea().bottom;
    EXPECT_TRUE(fits || vertical->isVisible());

    // The Flash Gestures bar: two columns of thumbnails and a whole row with its names.
    CFlashDocumentBinding* binding = CFlashDocumentBinding::Of(frame);
    ASSERT_NE(binding, nullptr);
    const FlashGesturesView* gestures = binding->View();
    EXPECT_GE(gestures->viewport()->width(), 2 * FlashGesturesView::kCellWidth);
    EXPECT_GE(gestures->viewport()->height(), FlashGesturesView::kCellHeight);

    // Combo boxes show their texts whole.
    const auto* range = main->findChild<QComboBox*>(QStringLiteral("RecognitionRange"));
    ASSERT_NE(range, nullptr);
    EXPECT_GE(range->width(), NeededWidth(range, "Lipsync Selection Only"));
    const auto* language = frame->findChild<QComboBox*>(QStringLiteral("LanguageList"));
    ASSERT_NE(language, nullptr);
    EXPECT_GE(language->width(), NeededWidth(language, "English - Default"));
    CSelLangDlg dialog(a.Languages(), main);
    EXPECT_GE(dialog.minimumWidth(), dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 100);

    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    const char* name = scale > 1.25 ? "/layout_scale150.png" : "/layout_scale100.png";
    EXPECT_TRUE(main->grab().save(QString(MURMUREX_SCREENSHOT_DIR) + name));
}

}  // namespace
