// The user guide: an HTML page and its pictures in the program's resources, written to a folder
// the desktop's viewer can read and opened there.
#pragma once

#include <QUrl>
#include <functional>
#include <string>

class CMainFrame;
class IPrompts;
class QObject;

// Writes the user guide and its pictures from the program's resources into folder (made when
// missing) and returns the page's path; empty when it cannot be written.
std::string ExtractHelpFile(const std::string& folder);

// Asks the desktop to show a page and, maybe later, tells done whether it did. Never waits for
// the viewer; GUI thread only.
using PageOpener = std::function<void(const QUrl& url, std::function<void(bool shown)> done)>;

// The desktop's opener: xdg-open where it is installed, watched to its end, as it reports success
// only by its exit status (a viewer may keep it running; one that has run a minute showed the
// page, whatever its status when it ends); elsewhere Qt's own opener. The watch ends unreported
// with context.
void OpenWithDesktop(const QUrl& url, QObject* context, std::function<void(bool shown)> done);

// Writes the guide to the user's cache and asks open (the desktop's viewer) to show it. The status
// bar says where it was written, so a desktop whose viewer starts but shows nothing still tells the
// user where to look; when open reports that nothing showed it a message says so. Returns the
// page's path, empty when it could not be written.
std::string ShowUserGuide(CMainFrame* frame, IPrompts& prompts, const PageOpener& open);
