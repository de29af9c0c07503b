// The engine's optional debug log and its scope trace: nothing is written unless a caller has
// opened the log, and every line is flushed at once.
#pragma once

#include <ctime>
#include <string>

// Closes an open log (without its closing line) and opens path with mode "w+", writing the
// starting line with the local date and time. Null opens SdkLogDefaultPath(). A file that does
// not open leaves the log closed.
void SdkLogOpen(const char* path);
// Writes the ending line and closes the log; nothing when no log is open.
void SdkLogClose();
// The formatted text and a line break, when a log is open.
void SdkLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool SdkLogIsOpen();
// "zuvo_log.txt" in the user's temporary folder.
std::string SdkLogDefaultPath();

// Writes "Enter: name" when made and "Leave: name" when destroyed, each only while a log is open.
// The name is kept only when the log was open at construction.
class CFuncTrace {
public:
    explicit CFuncTrace(const char* name);
    // "Enter: name" directly followed by the formatted arguments.
    CFuncTrace(const char* name, const char* format, ...) __attribute__((format(printf, 3, 4)));
    CFuncTrace(const CFuncTrace&) = delete;
    CFuncTrace& operator=(const CFuncTrace&) = delete;
    virtual ~CFuncTrace();

private:
    std::string name_;
};

// Test seam: the clock that stamps the starting and ending lines (null restores std::time).
void SdkLogSetClock(std::time_t (*clock)(std::time_t*));
