// Printing in the program: the File menu's printing items, a print to a PDF file and the print
// preview of a bundled recording's timeline, through the real main window.
#include "app/ui/timeline_print.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/core/command_ids.h"
#include "app/core/document_test_support.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "app/ui/document_frame.h"
#include "app/ui/document_manager.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "model/pub_queue.h"
#include "views/timeline/phonarc_view.h"

namespace {

namespace fs = std::filesystem;

// Runs f on the next modal dialog of type T once it shows.
template <typename T, typename F>
void WhenModal(F f) {
    QTimer::singleShot(50, [f] {
        if (T* d = qobject_cast<T*>(QApplication::activeModalWidget())) f(d);
        else WhenModal<T>(f);
    });
}

TEST(TimelinePrinting, PrintAndPreviewShowTheComposedTimeline) {
    const fs::path folder = document_test::FreshTakeFolder("murmurex_print");

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        CMainFrame* frame = app.MainFrame();
        frame->resize(1100, 700);

        // The File menu has the three items; without a document only Print Setup is enabled.
        QStringList items;
        for (QAction* a : frame->MenuOf("File")->actions()) items << a->text();
        const qsizetype print = items.indexOf("&Print...\tCtrl+P");
        ASSERT_GE(print, 0) << items.join('|').toStdString();
        EXPECT_EQ(items.value(print + 1), "Print Pre&view");
        EXPECT_EQ(items.value(print + 2), "P&rint Setup...");
        frame->UpdateCommands();
        EXPECT_TRUE(frame->Action(cmd::PrintSetup)->isEnabled());
        EXPECT_FALSE(frame->Action(cmd::Print)->isEnabled());
        EXPECT_FALSE(frame->Action(cmd::PrintPreview)->isEnabled());
        EXPECT_EQ(frame->Action(cmd::Print)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

        ASSERT_TRUE(app.OpenDocumentFile((folder / "en_us_f4_0003_clean.zuvo").string()));
        QCoreApplication::processEvents();
        CPhonarcView* view = app.Documents()->ActiveFrame()->View();
        ASSERT_NE(view, nullptr);
        frame->UpdateCommands();
        EXPECT_TRUE(frame->Action(cmd::Print)->isEnabled());
        EXPECT_TRUE(frame->Action(cmd::PrintPreview)->isEnabled());

        // Print to a PDF file: the dialog is accepted as it comes.
        auto* printer = frame->findChild<CTimelinePrinter*>();
        ASSERT_NE(printer, nullptr);
        QDir().mkpath(MURMUREX_SCREENSHOT_DIR);
        const QString pdf = QStringLiteral(MURMUREX_SCREENSHOT_DIR "/timeline_print.pdf");
        QFile::remove(pdf);
        printer->Printer().setOutputFormat(QPrinter::PdfFormat);
        printer->Printer().setOutputFileName(pdf);
        WhenModal<QPrintDialog>([](QPrintDialog* d) { d->accept(); });
        ASSERT_TRUE(app.Router().Execute(cmd::Print));
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("%PDF"));
        // One page, and on it one picture of the view's size: the composed timeline.
        EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
        EXPECT_TRUE(bytes.contains(QStringLiteral("/Width %1").arg(view->width()).toLatin1()));
        EXPECT_TRUE(bytes.contains(QStringLiteral("/Height %1").arg(view->height()).toLatin1()));

        // The preview shows the same single page; its screenshot is for a person to judge.
        int pages = -1;
        WhenModal<QPrintPreviewDialog>([&pages](QPrintPreviewDialog* d) {
            d->resize(900, 700);
            QTest::qWait(100);
            if (auto* w = d->findChild<QPrintPreviewWidget*>()) pages = w->pageCount();
            d->grab().save(QStringLiteral(MURMUREX_SCREENSHOT_DIR "/timeline_print_preview.png"));
            d->reject();
        });
        ASSERT_TRUE(app.Router().Execute(cmd::PrintPreview));
        EXPECT_EQ(pages, 1);
        frame->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

// A print to a file proposes the document's name beside it (speech.wav prints to speech.pdf),
// and the next document its own name in the folder printed to last, never the last file again.
TEST(TimelinePrinting, PrintToAFileProposesTheDocumentsName) {
    const fs::path folder = document_test::FreshTakeFolder("murmurex_print_name");
    const fs::path out = folder / "prints";
    fs::create_directories(out);
    fs::copy_file(folder / "en_us_f4_0003_clean.wav", folder / "second take.wav");

    CMemoryProfileStore profile;
    CScriptedPrompts prompts;
    {
        CPhonarcApp app(profile, prompts, folder.string());
        ASSERT_TRUE(app.InitInstance({}));
        auto* printer = app.MainFrame()->findChild<CTimelinePrinter*>();
        ASSERT_NE(printer, nullptr);
        printer->Printer().setOutputFormat(QPrinter::PdfFormat);  // as on a desktop with no printer
        const struct {
            const char* document;
            QString moveTo;  // where the user puts the file in the dialog; empty: as proposed
            fs::path proposed;
            fs::path printed;
        } cases[] = {
            {"en_us_f4_0003_clean.wav", QString::fromStdString((out / "first.pdf").string()),
             folder / "en_us_f4_0003_clean.pdf", out / "first.pdf"},
            {"second take.wav", {}, out / "second take.pdf", out / "second take.pdf"},
            {"en_us_f4_0003_clean.zuvo", {}, out / "en_us_f4_0003_clean.pdf", out / "en_us_f4_0003_clean.pdf"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.document);
            ASSERT_TRUE(app.OpenDocumentFile((folder / c.document).string()));
            QCoreApplication::processEvents();
            QString proposed, job;
            WhenModal<QPrintDialog>([&, moveTo = c.moveTo](QPrintDialog* d) {
                proposed = d->printer()->outputFileName();
                job = d->printer()->docName();
                if (!moveTo.isEmpty()) {
                    auto* name = d->findChild<QLineEdit*>(QStringLiteral("filename"));
                    ASSERT_NE(name, nullptr);
                    name->setText(moveTo);
                }
                d->accept();
            });
            ASSERT_TRUE(app.Router().Execute(cmd::Print));
            EXPECT_EQ(proposed.toStdString(), c.proposed.string());
            EXPECT_EQ(job.toStdString(), c.document);
            EXPECT_TRUE(fs::exists(c.printed));
        }
        app.MainFrame()->close();
        app.ExitInstance();
    }
    pub_queue::destroy_instance();
    fs::remove_all(folder);
}

}  // namespace
