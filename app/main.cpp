// The program: makes the application object on the user's settings and runs it.
#include <QApplication>
#include <QTimer>
#include <QWindow>

#include "app/core/string_table.h"
#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"
#include "app/ui/qt_profile_store.h"
#include "app/ui/qt_prompts.h"
#include "app/ui/shell_open.h"
#include "platform/program_folder.h"

namespace {
// Closes the main window once it is on the screen and the events of its showing are handled;
// for start-up measurements.
void QuitWhenShown(CMainFrame* frame) {
    QTimer::singleShot(0, frame, [frame] {
        if (frame->windowHandle() && frame->windowHandle()->isExposed()) frame->close();
        else QuitWhenShown(frame);
    });
}
}  // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zuvotrix"));
    QApplication::setApplicationName(QString::fromUtf8(LoadProgramString(kIdsAppName)));

    // A file opened from the desktop while the program runs goes to the running program.
    const QStringList arguments = QApplication::arguments().mid(1);
    const QString instance = ShellOpenNameFrom(arguments);
    QStringList files;
    for (const QString& a : arguments)
        if (!a.startsWith(QStringLiteral("--"))) files << a;
    if (!files.isEmpty() && HandFilesToRunningProgram(instance, files)) return 0;

    CQtProfileStore profile;
    CQtPrompts prompts;
    CPhonarcApp app(profile, prompts, GetProgramFolder());
    if (!app.InitInstance(arguments)) return 1;
    ListenForShellOpens(app, instance);
    prompts.SetParent(app.MainFrame());
    if (arguments.contains(QStringLiteral("--quit-when-shown"))) QuitWhenShown(app.MainFrame());

    QApplication::exec();
    const int code = app.ExitInstance();
    profile.Sync();
    return code;
}
