// The output log: any part of the program writes plain lines, warnings and errors through the
// process-wide pointer; the output bar shows them and shows itself when written to.
#pragma once

#include <string>

// The longest text one call appends; longer results are cut here.
constexpr int kOutputLogMaxText = 2047;

// The writing side of the output bar. Texts are appended exactly as given: callers end them with
// a line break where they want one. User-interface thread only.
class COutputLog {
public:
    virtual ~COutputLog() = default;

    // Shows the bar when hidden, then appends the text; false when the log window does not exist.
    virtual bool AddText(const char* text);
    bool Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // "Warning: " and the formatted text.
    bool Warning(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // "Error: " and the formatted text; then yields the processor for 1 ms.
    bool Error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual bool IsVisible() const = 0;

protected:
    virtual void ShowBar() = 0;
    // Appends at the end of the log; false when the log window does not exist.
    virtual bool AppendToLog(const std::string& text) = 0;
};

// The process-wide log; null until the output bar exists. User-interface thread only.
COutputLog* GetOutputLog();
void SetOutputLog(COutputLog* log);
