// Formatting and the process-wide pointer of the output log.
#include "app/core/output_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <thread>

namespace {
COutputLog* g_log = nullptr;

std::string FormatLogText(const char* format, va_list args) {
    char buffer[kOutputLogMaxText + 1];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) return std::string();
    return std::string(buffer);  // vsnprintf cuts and terminates
}
}  // namespace

COutputLog* GetOutputLog() { return g_log; }
void SetOutputLog(COutputLog* log) { g_log = log; }

bool COutputLog::AddText(const char* text) {
    if (!IsVisible()) ShowBar();
    return AppendToLog(text ? text : "");
}

bool COutputLog::Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatLogText(format, args);
    va_end(args);
    return AddText(text.c_str());
}

bool COutputLog::Warning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatLogText(format, args);
    va_end(args);
    AddText("Warning: ");
    return AddText(text.c_str());
}

bool COutputLog::Error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatLogText(format, args);
    va_end(args);
    AddText("Error: ");
    const bool ok = AddText(text.c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return ok;
}
