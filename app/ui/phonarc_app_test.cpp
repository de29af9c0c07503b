// The program's shell on the offscreen platform: start-up, languages, shutdown settings, the
// output log, the saved layout, the playback options and shapes from other threads.
#include "app/ui/phonarc_app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <unistd.h>
#include <gtest/gtest.h>
#include <thread>

#include "app/core/output_log.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/about_dlg.h"
#include "app/core/command_ids.h"
#include "app/core/document_test_support.h"
#include "app/ui/main_frame.h"
#include "app/ui/output_bar.h"
#include "app/ui/sel_lang_dlg.h"
#include "engine/text/lexicon_file.h"
#include "model/articulation_key.h"
#include "model/messaging.h"
#include "model/pub_queue.h"
#include "views/playback/viseme_handler.h"
#include "views/playback/viseme_relay.h"

namespace {

std::string LexiconHeader(const std::string& name, uint32_t magic = static_cast<uint32_t>(kLexiconMagic)) {
    std::string b;
    auto i32 = [&](uint32_t v) { for (int k = 0; k < 4; ++k) b.push_back(static_cast<char>(v >> (8 * k))); };
    i32(magic);
    b.push_back(1);
    b.push_back(0);
    b += name;
    b.push_back(0);
    i32(3);
    i32(0);
    return b;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

class Listener : public subscriber {
public:
    void notify(publisher*, pub_message* m) override {
        ++count;
        m->release();
    }
    int count = 0;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::path(::testing::TempDir()) /
              ("murmurex_shell_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "dicts");
    }
    void TearDown() override {
        app.reset();
        pub_queue::destroy_instance();
        std::filesystem::remove_all(folder);
    }
    CPhonarcApp& Start(const QStringList& args = {}) {
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
        EXPECT_TRUE(app->InitInstance(args));
        return *app;
    }
    // Closes the window and ends the run as the program does.
    void Stop() {
        app->MainFrame()->close();
        app->ExitInstance();
        app.reset();
    }

    std::filesystem::path folder;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

TEST_F(ShellTest, EmptyProfileStartsWithTheEmptyMainWindow) {
    CPhonarcApp& a = Start();
    CMainFrame* frame = a.MainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), "The Phonarc!");
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(a.DocumentCount(), 0);
    for (const char* menu : {"File", "View", "Options", "Help"}) EXPECT_NE(frame->MenuOf(menu), nullptr) << menu;
    EXPECT_EQ(frame->findChildren<QToolBar*>().size(), 3);
    EXPECT_EQ(frame->dockWidgetArea(frame->ViewerBar()), Qt::RightDockWidgetArea);
    EXPECT_EQ(frame->ViewerBar()->windowTitle(), "View");
    EXPECT_FALSE(frame->ViewerBar()->isHidden());
    EXPECT_TRUE(frame->OutputBar()->isHidden());
    EXPECT_EQ(frame->GetLipsyncRangeSelection(), 0);
    EXPECT_TRUE(frame->PlayRewind());
    EXPECT_FALSE(frame->PlayLoop());

    // File New makes nothing; commands without a handler yet are disabled.
    EXPECT_TRUE(a.Router().Execute(cmd::FileNew));
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
    frame->UpdateCommands();
    EXPECT_FALSE(frame->Action(cmd::FileSave)->isEnabled());
    EXPECT_TRUE(frame->Action(cmd::FileOpen)->isEnabled());
    EXPECT_EQ(frame->Action(cmd::CurrentLanguage)->text(), "English - Default");

    // Open asks with the program's filter; a cancel does nothing, a chosen file that does not
    // open is reported and gives no document.
    prompts.files = {std::nullopt, std::string("/tmp/no_such_speech.wav")};
    a.Router().Execute(cmd::FileOpen);
    EXPECT_TRUE(prompts.messages.empty());
    a.Router().Execute(cmd::FileOpen);
    ASSERT_EQ(prompts.fileRequests.size(), 2u);
    EXPECT_EQ(prompts.fileRequests[0].title, "Open Sound File");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("/tmp/no_such_speech.wav"), std::string::npos);
    EXPECT_EQ(a.DocumentCount(), 0);

    frame->resize(900, 600);
    frame->SetStatusPanes("00:01.250", "0.500 s", "1");
    QTest::qWait(50);
    QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
    EXPECT_TRUE(frame->grab().save(MURMUREX_SCREENSHOT_DIR "/main_window.png"));
}

TEST_F(ShellTest, MissingFileOnTheCommandLineIsReportedAndOpensNothing) {
    CPhonarcApp& a = Start({"--quit-when-shown", "/data/take1.zuvo"});
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].rfind("sorry, the specified file could not be opened", 0), 0u);
    EXPECT_EQ(a.DocumentCount(), 0);
}

TEST_F(ShellTest, LexiconFilesAppearInSelectLanguageAndTheChoiceReachesSubscribersAtTheNextDispatch) {
    WriteFile(folder / "dicts" / "spanish.zlex", LexiconHeader("Espanol"));
    WriteFile(folder / "dicts" / "bad.zlex", LexiconHeader("Broken", 0x12345678));
    CPhonarcApp& a = Start();

    CSelLangDlg dlg(a.Languages());
    QComboBox* list = dlg.List();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "English - Default");
    EXPECT_EQ(list->itemText(1), "Espanol");
    EXPECT_EQ(list->currentIndex(), 0);

    Listener listener;
    a.Languages().subscribe(&listener);
    list->setCurrentIndex(1);
    dlg.accept();
    EXPECT_EQ(listener.count, 0);
    // The idle timer dispatches every 10 ms; a loaded machine may take longer to run it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.count > 0; }, 5000));
    EXPECT_EQ(listener.count, 1);
    a.Languages().unsubscribe(&listener);
    a.MainFrame()->UpdateCommands();
    EXPECT_EQ(a.MainFrame()->Action(cmd::CurrentLanguage)->text(), "Espanol");

    // Cancel changes nothing.
    CSelLangDlg again(a.Languages());
    EXPECT_EQ(again.List()->currentIndex(), 1);
    again.List()->setCurrentIndex(0);
    again.reject();
    EXPECT_EQ(a.Languages().GetCurrentLanguageName(), "Espanol");
}

TEST_F(ShellTest, ExitStoresLanguageAndActorAndTheNextStartTakesThem) {
    WriteFile(folder / "dicts" / "spanish.zlex", LexiconHeader("Espanol"));
    CPhonarcApp& a = Start();
    a.Languages().SelectLanguageByName("Espanol");
    a.Actors().SelectActor(a.Actors().GetFirstActor());
    Stop();
    EXPECT_EQ(profile.GetString("UI", "zlex", ""), "Espanol");
    EXPECT_EQ(profile.GetString("UI", "SelActorGUID", ""), kWireframeActorGuid);
    EXPECT_FALSE(pub_queue::has_instance());

    CPhonarcApp& b = Start();
    EXPECT_EQ(b.Languages().GetCurrentLanguageName(), "Espanol");
    EXPECT_EQ(b.Actors().GetSelectedGUID(), kWireframeActorGuid);
    Stop();

    // A saved language whose file has gone leaves the built-in one current.
    std::filesystem::remove(folder / "dicts" / "spanish.zlex");
    EXPECT_EQ(Start().Languages().GetCurrentLanguageName(), "English - Default");
}

TEST_F(ShellTest, WritingToTheHiddenLogShowsItWithThePrefix) {
    CPhonarcApp& a = Start();
    COutputBar* bar = a.MainFrame()->OutputBar();
    ASSERT_TRUE(bar->isHidden());
    ASSERT_EQ(GetOutputLog(), bar);
    GetOutputLog()->Log("Loading");
    bar->hide();
    EXPECT_TRUE(GetOutputLog()->Warning("%d markers dropped\n", 3));
    EXPECT_FALSE(bar->isHidden());
    GetOutputLog()->Error("no audio\n");
    EXPECT_EQ(bar->Text(), "LoadingWarning: 3 markers dropped\nError: no audio\n");

    // The visibility is kept at close.
    Stop();
    EXPECT_EQ(profile.GetInt("UI", "ShowOutputBar", -1), 1);
    EXPECT_EQ(GetOutputLog(), nullptr);
    EXPECT_FALSE(Start().MainFrame()->OutputBar()->isHidden());
}

TEST_F(ShellTest, SavedLayoutIsAppliedOnlyWhenItNamesTheFramesBars) {
    {
        CPhonarcApp& a = Start();
        CMainFrame* frame = a.MainFrame();
        frame->addDockWidget(Qt::LeftDockWidgetArea, frame->ViewerBar());
        Stop();
    }
    const std::string bars = profile.GetString("BarState", "Bars", "");
    EXPECT_NE(bars.find("123"), std::string::npos);
    EXPECT_EQ(Start().MainFrame()->dockWidgetArea(app->MainFrame()->ViewerBar()), Qt::LeftDockWidgetArea);
    app->ExitInstance();
    app.reset();

    struct Case {
        const char* bars;
    } stale[] = {{"59400 59508 59509 4242 123"}, {"59400 x 123"}, {""}, {"0"}};
    for (const Case& c : stale) {
        profile.WriteString("BarState", "Bars", c.bars);
        CPhonarcApp& a = Start();
        EXPECT_FALSE(a.MainFrame()->VerifyBarState("BarState")) << c.bars;
        EXPECT_EQ(a.MainFrame()->dockWidgetArea(a.MainFrame()->ViewerBar()), Qt::RightDockWidgetArea) << c.bars;
        a.ExitInstance();
        app.reset();
    }
    // A placeholder id (above 65535) names its bar by the low 16 bits.
    profile.WriteString("BarState", "Bars", std::to_string(59405 + 65536) + " 0 123");
    EXPECT_TRUE(Start().MainFrame()->VerifyBarState("BarState"));
}

// The document frames have bars of their own; a quit with a document open keeps the main frame's
// layout and sizes for the next start, which has no document yet, and that start keeps them too.
TEST_F(ShellTest, QuittingWithADocumentOpenKeepsTheLayoutAndTheBarSizes) {
    const std::filesystem::path takes = document_test::FreshTakeFolder("murmurex_shell_layout");
    constexpr int kWidth = 260;
    {
        CPhonarcApp& a = Start();
        ASSERT_TRUE(a.OpenDocumentFile((takes / (std::string(document_test::kBase) + ".wav")).string()));
        CMainFrame* frame = a.MainFrame();
        frame->resize(1000, 700);
        frame->addDockWidget(Qt::LeftDockWidgetArea, frame->ViewerBar());
        frame->resizeDocks({frame->ViewerBar()}, {kWidth}, Qt::Horizontal);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame->ViewerBar()->width() == kWidth; }, 2000));
        Stop();
    }
    // The main frame kept its own bars' sizes, not those of the document's script editor.
    EXPECT_EQ(profile.GetInt("BarState-SCBar-" + std::to_string(bar_id::ScriptEditor), "sizeHorzCY", -1), -1);
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        CPhonarcApp& a = Start();
        CMainFrame* frame = a.MainFrame();
        ASSERT_EQ(a.DocumentCount(), 0);
        EXPECT_TRUE(frame->VerifyBarState("BarState")) << profile.GetString("BarState", "Bars", "");
        EXPECT_EQ(frame->dockWidgetArea(frame->ViewerBar()), Qt::LeftDockWidgetArea);
        EXPECT_EQ(frame->ViewerBar()->VertSize().width(), kWidth);
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame->ViewerBar()->width() == kWidth; }, 2000))
            << frame->ViewerBar()->width();
        Stop();
        EXPECT_EQ(profile.GetInt("BarState-SCBar-123", "sizeVertCX", 0), kWidth);
    }
    std::filesystem::remove_all(takes);
}

TEST_F(ShellTest, LoopAndPlayRewindToggleCheckAndPersist) {
    CPhonarcApp& a = Start();
    CMainFrame* frame = a.MainFrame();
    struct Case {
        int id;
        const char* key;
        bool (CMainFrame::*get)() const;
        bool initial;
    } cases[] = {{cmd::Loop, "PlayLoop", &CMainFrame::PlayLoop, false},
                 {cmd::PlayRewindMode, "Play_Rewind", &CMainFrame::PlayRewind, true}};
    for (const Case& c : cases) {
        EXPECT_EQ((frame->*c.get)(), c.initial);
        frame->Action(c.id)->trigger();
        EXPECT_EQ((frame->*c.get)(), !c.initial);
        EXPECT_EQ(frame->Action(c.id)->isChecked(), !c.initial);
        EXPECT_EQ(a.Router().Update(c.id).checked, !c.initial);
        EXPECT_EQ(profile.GetInt("UI", c.key, -1), c.initial ? 0 : 1);
    }
    Stop();
    CPhonarcApp& b = Start();
    for (const Case& c : cases) {
        EXPECT_EQ((b.MainFrame()->*c.get)(), !c.initial) << c.key;
        b.MainFrame()->UpdateCommands();
        EXPECT_EQ(b.MainFrame()->Action(c.id)->isChecked(), !c.initial) << c.key;
    }
}

TEST_F(ShellTest, BarsCloseToHiddenAndKeepTheirSizesAboveTheMinimum) {
    CPhonarcApp& a = Start();
    CSizingControlBar* viewer = a.MainFrame()->ViewerBar();
    EXPECT_EQ(viewer->HorzSize(), QSize(210, 120));
    viewer->close();
    EXPECT_TRUE(viewer->isHidden());
    a.MainFrame()->UpdateCommands();
    EXPECT_FALSE(a.MainFrame()->Action(cmd::ShowCharacterView)->isChecked());
    a.Router().Execute(cmd::ShowCharacterView);
    EXPECT_FALSE(viewer->isHidden());

    CMemoryProfileStore sizes;
    sizes.WriteInt("BarState-SCBar-123", "sizeVertCX", 5);
    sizes.WriteInt("BarState-SCBar-123", "sizeVertCY", 300);
    sizes.WriteInt("BarState-SCBar-123", "sizeFloatCX", 20);
    viewer->LoadSizes(sizes, "BarState");
    EXPECT_EQ(viewer->VertSize(), QSize(33, 300));
    EXPECT_EQ(viewer->FloatSize(), QSize(37, 120));
    EXPECT_EQ(viewer->HorzSize(), QSize(210, 120));
    viewer->SaveSizes(sizes, "BarState");
    EXPECT_EQ(sizes.GetInt("BarState-SCBar-123", "sizeVertCX", 0), 33);
    EXPECT_EQ(sizes.GetInt("BarState-SCBar-123", "sizeHorzCY", 0), 120);
}

class RecordingHandler : public IVisemeHandler {
public:
    void SetVisemeMix(const ArticulationKey* key) override {
        offGuiThread = offGuiThread || QThread::currentThread() != qApp->thread();
        starts.push_back(key ? key->start : -1);
    }
    void SetViseme(const char* label, int32_t amount) override {
        offGuiThread = offGuiThread || QThread::currentThread() != qApp->thread();
        labels.push_back(label);
        lastAmount = amount;
    }
    bool offGuiThread = false;
    std::vector<int> starts;
    std::vector<std::string> labels;
    int lastAmount = 0;
};

// Shapes a viseme player's relay sends from another thread while the GUI thread is busy all reach
// the viewer through the main frame, once each and in order (a head's rate limit counts them), on
// the GUI thread, woken by the post alone.
TEST_F(ShellTest, ShapesFromAnotherThreadReachTheViewerOnTheGuiThreadEveryOneInOrder) {
    CPhonarcApp& a = Start();
    RecordingHandler viewer;
    a.MainFrame()->SetVisemeTarget(&viewer);
    ASSERT_EQ(GetVisemeHandler(), a.MainFrame());

    constexpr int kShapes = 2000;
    viseme_relay relay;
    std::thread player([&relay] {
        ArticulationKey key{};
        for (int i = 1; i <= kShapes; ++i) {
            key.start = i;
            relay.PostVisemeMix(&key);
        }
        relay.PostViseme("x", 0);
    });
    player.join();
    EXPECT_TRUE(viewer.starts.empty()) << "passed on off the GUI thread";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer.labels.empty(); }, 5000));
    EXPECT_FALSE(viewer.offGuiThread);
    std::vector<int> expected(kShapes);
    for (int i = 0; i < kShapes; ++i) expected[i] = i + 1;
    EXPECT_EQ(viewer.starts, expected);
    EXPECT_EQ(viewer.labels, std::vector<std::string>{"x"});

    // On the GUI thread the frame passes a shape on at once.
    a.MainFrame()->SetViseme("AA", 70);
    EXPECT_EQ(viewer.labels.back(), "AA");
    EXPECT_EQ(viewer.lastAmount, 70);
    a.MainFrame()->SetVisemeTarget(nullptr);
}

// The program at rest runs no timer of the application's own: the post queue wakes the GUI
// thread when another thread posts, and the delivery needs nothing else.
TEST_F(ShellTest, APostFromAnotherThreadWakesTheGuiThreadWithoutAPollingTimer) {
    CPhonarcApp& a = Start();
    QCoreApplication::processEvents();
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(&a).isEmpty());
    publisher sender;
    Listener listener;
    sender.subscribe(&listener);
    std::thread([&] { sender.post(new pub_message(static_cast<uint32_t>(pub_register_message("test::wake")))); }).join();
    EXPECT_EQ(listener.count, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.count == 1; }, 5000));
}

TEST(AboutBox, ShowsNameCreditAndVersion) {
    CAboutDlg dlg;
    EXPECT_TRUE(dlg.VersionText().contains(QRegularExpression("^\\d+\\.\\d+$"))) << dlg.VersionText().toStdString();
    QStringList texts;
    for (QLabel* l : dlg.findChildren<QLabel*>()) texts << l->text();
    EXPECT_TRUE(texts.contains("The Phonarc!"));
    EXPECT_TRUE(texts.contains("This software uses the Carnegie Mellon Pronunciation Dictionary."));
}

TEST(HelpFile, UserGuideIsWrittenFromTheResources) {
    const std::string folder = ::testing::TempDir() + "murmurex_help_" + std::to_string(::getpid());
    const std::string path = ExtractHelpFile(folder);
    ASSERT_FALSE(path.empty());
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("The Phonarc! - User Guide"));
    std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
