// Opening files from outside the window: a second start of the program hands its file to the
// running one (two real processes, a name of their own per test), hand-overs that are not ours
// open nothing, and a recent file that no longer opens leaves the list.
#include "app/ui/shell_open.h"

#include <QAction>
#include <QApplication>
#include <QLocalSocket>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "model/pub_queue.h"

namespace {

namespace fs = std::filesystem;

class ShellOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder = fs::path(::testing::TempDir()) / ("murmurex_shell_open_" + std::to_string(::getpid()) + "_" + test);
        fs::remove_all(folder);
        fs::create_directories(folder);
        const fs::path speech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
        fs::copy_file(speech / "en_us_f4_0003_clean.wav", folder / "take.wav");
        name = QStringLiteral("murmurex-test-%1-%2").arg(::getpid()).arg(QString::fromStdString(test));
        app = std::make_unique<CPhonarcApp>(profile, prompts, folder.string());
    }
    void TearDown() override {
        if (app->MainFrame()) app->MainFrame()->close();
        app->ExitInstance();
        app.reset();
        pub_queue::destroy_instance();
        fs::remove_all(folder);
    }

    fs::path folder;
    QString name;
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    std::unique_ptr<CPhonarcApp> app;
};

TEST_F(ShellOpenTest, SecondStartHandsItsFileToTheRunningProgramAndEnds) {
    ASSERT_TRUE(app->InitInstance({}));
    CShellOpenServer* server = ListenForShellOpens(*app, name);
    ASSERT_NE(server, nullptr);
    // The name is taken while this program answers on it.
    CShellOpenServer other;
    EXPECT_FALSE(other.Listen(name));

    // The second program gets a path relative to its own folder, as a desktop may pass it.
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(QString::fromStdString(folder.string()));
    second.start(MURMUREX_PROGRAM, {"--instance=" + name, "take.wav"});
    ASSERT_TRUE(second.waitForStarted());
    // This event loop must run for the running program to answer.
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
    if (second.state() != QProcess::NotRunning) {
        second.kill();
        second.waitForFinished();
    }
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    QTRY_COMPARE(app->DocumentCount(), 1);
    EXPECT_EQ(app->Documents()->ActiveDocument()->path_name(), (folder / "take.wav").string());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ShellOpenTest, NothingListeningMeansTheStartIsTheFirstProgram) {
    EXPECT_FALSE(HandFilesToRunningProgram(name, {"take.wav"}, 500));
    // A socket file left by a program that crashed does not block the next one.
    const std::string stale = (folder / "stale.sock").string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(stale.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, stale.c_str(), stale.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(fs::exists(stale));
    EXPECT_FALSE(HandFilesToRunningProgram(QString::fromStdString(stale), {"take.wav"}, 500));
    CShellOpenServer server;
    EXPECT_TRUE(server.Listen(QString::fromStdString(stale)));
}

TEST_F(ShellOpenTest, HandOversThatAreNotOursOpenNothing) {
    ASSERT_TRUE(app->InitInstance({}));
    ASSERT_NE(ListenForShellOpens(*app, name), nullptr);
    const QString file = QString::fromStdString((folder / "take.wav").string());
    const QByteArray tooLong = "murmurex-open 1\n" + QByteArray(CShellOpenServer::kMaxMessageBytes, 'a');
    QByteArray tooMany = "murmurex-open 1\n";
    for (int i = 0; i <= CShellOpenServer::kMaxFiles; ++i) tooMany += QUrl::toPercentEncoding(file) + '\n';
    tooMany += '\n';
    const struct {
        const char* what;
        QByteArray message;
    } cases[] = {
        {"another protocol", "GET / HTTP/1.0\n\n" + file.toUtf8() + "\n\n"},
        {"a relative path", "murmurex-open 1\ntake.wav\n\n"},
        {"too long", tooLong},
        {"too many files", tooMany},
    };
    for (const auto& c : cases) {
        QLocalSocket socket;
        socket.connectToServer(name);
        ASSERT_TRUE(socket.waitForConnected(1000)) << c.what;
        socket.write(c.message);
        QTRY_VERIFY_WITH_TIMEOUT(socket.state() == QLocalSocket::UnconnectedState, 3000);
        EXPECT_FALSE(socket.readAll().startsWith("OK")) << c.what;
        QTest::qWait(20);
        EXPECT_EQ(app->DocumentCount(), 0) << c.what;
    }
}

TEST_F(ShellOpenTest, RecentFileThatNoLongerOpensLeavesTheList) {
    const std::string gone = (folder / "gone.wav").string();
    const std::string take = (folder / "take.wav").string();
    profile.WriteString("Recent File List", "File1", gone);
    profile.WriteString("Recent File List", "File2", take);
    ASSERT_TRUE(app->InitInstance({}));
    QMenu* recent = CMainFrame::SubMenuOf(app->MainFrame()->MenuOf("File"), "Recent File");
    ASSERT_NE(recent, nullptr);
    ASSERT_EQ(recent->actions().size(), 2);

    recent->actions()[0]->trigger();
    EXPECT_EQ(app->DocumentCount(), 0);
    ASSERT_EQ(prompts.messages.size(), 1u);  // the failure is reported as any open's
    EXPECT_EQ(app->RecentFiles(), std::vector<std::string>{take});
    EXPECT_EQ(profile.GetString("Recent File List", "File1", ""), take);
    EXPECT_EQ(profile.GetString("Recent File List", "File2", "x"), "");
    QTRY_COMPARE(recent->actions().size(), 1);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith(QString::fromStdString(take)));

    // One that opens stays, first.
    recent->actions()[0]->trigger();
    EXPECT_EQ(app->DocumentCount(), 1);
    EXPECT_EQ(app->RecentFiles(), std::vector<std::string>{take});
}

}  // namespace
