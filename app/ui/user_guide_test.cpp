// The user guide: every picture it shows is in the program's resources, Help writes the guide and
// says where, and the guide's pictures are made here from the real window (written to
// screenshots/guide/; when the window changes, `cp build/test/screenshots/guide/*.png
// resources/app/help/` brings the guide up to date).
#include "app/ui/help_file.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

#include "app/core/document_commands.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/core/command_ids.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/noise_gate_dlg.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/preferences_dlg.h"
#include "app/ui/transcription_edit.h"
#include "engine/audio/memory_pcm_stream.h"
#include "model/pub_queue.h"
#include "views/timeline/phonarc_view.h"
#include "views/timeline/timeline_layout.h"

namespace {

namespace fs = std::filesystem;

// Takes the file URLs the desktop would be asked to show.
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

// PATH is the folder for the guard's life (where programs such as xdg-open are looked up).
class SearchPath {
public:
    explicit SearchPath(const fs::path& folder) : saved_(qgetenv("PATH")) { qputenv("PATH", folder.c_str()); }
    ~SearchPath() { qputenv("PATH", saved_); }
    SearchPath(const SearchPath&) = delete;
    SearchPath& operator=(const SearchPath&) = delete;

private:
    QByteArray saved_;
};

TEST(UserGuide, ShowsOnlyPicturesItHasAndHelpSaysWhereItWasWritten) {
    const std::string folder = ::testing::TempDir() + "murmurex_guide_" + std::to_string(::getpid());
    const std::string page = ExtractHelpFile(folder);
    ASSERT_FALSE(page.empty());
    QFile f(QString::fromStdString(page));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(html.contains("The Phonarc! - User Guide"));
    int pictures = 0;
    for (const QRegularExpressionMatch& m : QRegularExpression("<img src=\"([^\"]+)\"").globalMatch(html)) {
        ++pictures;
        EXPECT_TRUE(fs::exists(fs::path(folder) / m.captured(1).toStdString())) << m.captured(1).toStdString();
    }
    EXPECT_GE(pictures, 5);
    fs::remove_all(folder);

    // Without a viewer the user is told where the guide is; with one, it gets the page. (The
    // guide goes to the test folders, not the user's cache.)
    QStandardPaths::setTestModeEnabled(true);
    CScriptedPrompts prompts;
    const std::string written =
        ShowUserGuide(nullptr, prompts, [](const QUrl&, std::function<void(bool)> done) { done(false); });
    ASSERT_FALSE(written.empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find(written), std::string::npos) << prompts.messages[0];
    EXPECT_TRUE(fs::exists(written));

    // Without xdg-open, Qt's own opener is asked.
    const fs::path noOpener = fs::path(::testing::TempDir()) / ("murmurex_no_opener_" + std::to_string(::getpid()));
    fs::create_directories(noOpener);
    const SearchPath path(noOpener);
    CMemoryProfileStore profile;
    CScriptedPrompts appPrompts;
    CPhonarcApp app(profile, appPrompts, ::testing::TempDir());
    ASSERT_TRUE(app.InitInstance({}));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    EXPECT_TRUE(app.Router().Execute(cmd::HelpFile));
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), written);
    EXPECT_TRUE(appPrompts.messages.empty());
    EXPECT_TRUE(app.MainFrame()->statusBar()->currentMessage().contains(QString::fromStdString(written)));
    app.MainFrame()->close();
    app.ExitInstance();
    pub_queue::destroy_instance();
    fs::remove_all(noOpener);
}

// Where xdg-open is installed, its exit status says whether a browser showed the guide: Help does
// not wait for it, and a message follows only when it failed.
TEST(UserGuide, HelpWatchesTheDesktopOpenerAndSaysSoWhenNoBrowserShowsTheGuide) {
    QStandardPaths::setTestModeEnabled(true);
    const fs::path bin = fs::path(::testing::TempDir()) / ("murmurex_opener_" + std::to_string(::getpid()));
    fs::remove_all(bin);
    fs::create_directories(bin);
    const fs::path seen = bin / "seen";
    const SearchPath path(bin);
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    CPhonarcApp app(profile, prompts, ::testing::TempDir());
    ASSERT_TRUE(app.InitInstance({}));
    const struct {
        const char* name;
        int exit;
        bool message;
    } cases[] = {{"no browser", 3, true}, {"a browser", 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(seen);
        // Slow enough that a Help which waited for it would be seen to.
        std::ofstream(bin / "xdg-open") << "#!/bin/sh\nPATH=/usr/bin:/bin\nsleep 0.3\nprintf '%s' \"$1\" > '"
                                        << seen.string() << "'\nexit " << c.exit << "\n";
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        prompts.messages.clear();
        ASSERT_TRUE(app.Router().Execute(cmd::HelpFile));
        EXPECT_TRUE(prompts.messages.empty());
        const QString status = app.MainFrame()->statusBar()->currentMessage();
        EXPECT_TRUE(status.startsWith("User guide: ")) << status.toStdString();
        const std::string page = status.mid(12).toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app.MainFrame()->findChild<QObject*>("DesktopOpener"); }, 10000));
        std::ifstream in(seen);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), page);
        ASSERT_EQ(prompts.messages.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_NE(prompts.messages[0].find(page), std::string::npos) << prompts.messages[0];
        }
    }
    app.MainFrame()->close();
    app.ExitInstance();
    pub_queue::destroy_instance();
    fs::remove_all(bin);
}

// The guide tells what each list of the real window chooses: the Script Editor's alignment list
// under lip-sync with text, the main toolbar's range list under lip-sync without text (it does
// not change what Lipsync With Text aligns).
TEST(UserGuide, EachListIsExplainedWithTheCommandItChangesAndByItsOwnEntries) {
    const std::string folder = ::testing::TempDir() + "murmurex_guide_lists_" + std::to_string(::getpid());
    const std::string page = ExtractHelpFile(folder);
    ASSERT_FALSE(page.empty());
    QFile f(QString::fromStdString(page));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll()).simplified();
    fs::remove_all(folder);
    const auto section = [&](const char* from, const char* to) {
        const qsizetype a = html.indexOf(from), b = html.indexOf(to);
        return a >= 0 && b > a ? html.mid(a, b - a) : QString();
    };
    const QString withText = section("<h2>3.", "<h2>4.");
    const QString textless = section("<h2>4.", "<h2>5.");
    ASSERT_FALSE(withText.isEmpty());
    ASSERT_FALSE(textless.isEmpty());

    const fs::path dir = fs::path(::testing::TempDir()) / ("murmurex_guide_lists_app_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::copy_file(fs::path(MURMUREX_TESTDATA_DIR) / "speech" / "rms_0003_clean.wav", dir / "take.wav",
                  fs::copy_options::overwrite_existing);
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    {
        CPhonarcApp app(profile, prompts, dir.string());
        ASSERT_TRUE(app.InitInstance({}));
        ASSERT_TRUE(app.OpenDocumentFile((dir / "take.wav").string()));
        const QComboBox* alignment = app.Documents()->ActiveFrame()->AlignmentList();
        const auto* range = app.MainFrame()->findChild<QComboBox*>(QStringLiteral("RecognitionRange"));
        ASSERT_NE(alignment, nullptr);
        ASSERT_NE(range, nullptr);
        ASSERT_EQ(alignment->count(), 3);
        for (int i = 0; i < alignment->count(); ++i) {
            EXPECT_TRUE(withText.contains(alignment->itemText(i))) << alignment->itemText(i).toStdString();
        }
        ASSERT_EQ(range->count(), 2);
        for (int i = 0; i < range->count(); ++i) {
            EXPECT_TRUE(textless.contains(range->itemText(i))) << range->itemText(i).toStdString();
            EXPECT_FALSE(withText.contains(range->itemText(i))) << range->itemText(i).toStdString();
        }
        EXPECT_TRUE(textless.contains("range list")) << textless.toStdString();
        EXPECT_FALSE(withText.contains("range list on the toolbar chooses")) << withText.toStdString();
        prompts.answers = {PromptAnswer::No, PromptAnswer::No};
        app.MainFrame()->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    fs::remove_all(dir);
}

// Saves a picture for the guide, no wider than a page column, in 256 colours to keep it small.
void SaveGuidePicture(const QImage& image, const char* name) {
    const QString dir = QStringLiteral(MURMUREX_SCREENSHOT_DIR "/guide");
    QDir().mkpath(dir);
    QImage shot = image.width() > 760 ? image.scaledToWidth(760, Qt::SmoothTransformation) : image;
    // 216 colours of a cube and 40 greys: the window is mostly grey, and the spectrogram wholly.
    QList<QRgb> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) palette << qRgb(r * 51, g * 51, b * 51);
    for (int i = 0; i < 40; ++i) palette << qRgb(i * 255 / 39, i * 255 / 39, i * 255 / 39);
    shot = shot.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
    EXPECT_TRUE(shot.save(dir + '/' + name)) << name;
}

TEST(UserGuide, PicturesOfTheRealWindow) {
    const fs::path folder = fs::path(::testing::TempDir()) / ("murmurex_guide_pictures_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "dicts");
    const fs::path speech = fs::path(MURMUREX_TESTDATA_DIR) / "speech";
    const fs::path swf = fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf";
    fs::copy_file(speech / "en_us_f4_0003_clean.wav", folder / "en_us_f4_0003_clean.wav");
    {
        std::ifstream in(speech / "en_us_f4_0003_clean.zuvo", std::ios::binary);
        std::ofstream out(folder / "take.zuvo", std::ios::binary);
        out << in.rdbuf() << "character " << swf.string()
            << "\nend_character_info\ngesture 300 700 128 0 wave|idle\n";
    }
    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    profile.WriteInt("display", "ulmode",
                     kShowWaveform | kShowSpectrogram | kShowPhonemes | kShowWords | kShowEvents | kShowGestures |
                         kShowFlashGestures);
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        CMainFrame* main = app.MainFrame();
        main->resize(1000, 720);
        main->show();
        SaveGuidePicture(main->grab().toImage(), "empty_window.png");

        ASSERT_TRUE(app.OpenDocumentFile((folder / "take.zuvo").string()));
        QTest::qWait(100);
        CDocumentFrame* frame = app.Documents()->ActiveFrame();
        CPhonarcView* view = frame->View();
        const auto& words = frame->Document().track(1).words;
        ASSERT_GE(words.size(), 3u);
        // The script with a cue tag, as a user would have it after aligning.
        std::string script;
        for (size_t i = 0; i < words.size(); ++i) {
            if (i == 3) script += "<cut ms=\"" + std::to_string(words[i].start) + "\"/>";
            script += words[i].label + (i + 1 < words.size() ? " " : "");
        }
        frame->ScriptEdit()->SetText(script);
        view->SetSelection(view->Stream()->MsToFrames(words[1].start), view->Stream()->MsToFrames(words[2].end), false);
        QTest::qWait(100);
        SaveGuidePicture(main->grab().toImage(), "document_window.png");
        SaveGuidePicture(view->Grab(), "timeline.png");

        for (const char* name : {"File", "Lipsync", "Display"}) {
            QMenu* menu = main->MenuOf(name);
            ASSERT_NE(menu, nullptr) << name;
            main->UpdateCommands();
            menu->adjustSize();
            SaveGuidePicture(menu->grab().toImage(), (QString(name).toLower() + "_menu.png").toLatin1().constData());
        }
        {
            CPreferencesSheet sheet(profile, prompts, main);
            sheet.adjustSize();
            SaveGuidePicture(sheet.grab().toImage(), "preferences.png");
        }
        {
            CNoiseGateDlg gate(frame->Document(), prompts, main);
            gate.adjustSize();
            SaveGuidePicture(gate.grab().toImage(), "noise_gate.png");
        }
        prompts.answers = {PromptAnswer::No, PromptAnswer::No};
        main->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

}  // namespace

#include "user_guide_test.moc"
