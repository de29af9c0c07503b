// The user guide: an HTML page and its pictures in the program's resources, written to a folder
// the desktop's viewer can read and opened there.
#pragma once

#include <QUrl>
#include <functional>
#include <string>

class CMainFrame;
class IPrompts;

// Writes the user guide and its pictures from the program's resources into folder (made when
// missing) and returns the page's path; empty when it cannot be written.
std::string ExtractHelpFile(const std::string& folder);

// Writes the guide to the user's cache and asks open (the desktop's viewer) to show it. The status
// bar says where it was written, so a desktop whose viewer starts but shows nothing still tells the
// user where to look; when open fails a message says so. Returns the page's path, empty when it
// could not be written.
std::string ShowUserGuide(CMainFrame* frame, IPrompts& prompts, const std::function<bool(const QUrl&)>& open);
