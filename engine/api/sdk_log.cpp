// The engine's debug log: one process-wide file, written only while open, flushed line by line.
#include "engine/api/sdk_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/temp_file.h"

namespace {

// The engine is called from one thread, but a lock costs nothing here and keeps a stray call
// from another thread from racing the file handle.
std::recursive_mutex g_logLock;
std::FILE* g_log = nullptr;
std::time_t (*g_clock)(std::time_t*) = nullptr;

// asctime form, which ends with its own newline.
std::string DateText() {
    std::time_t now = g_clock ? g_clock(nullptr) : std::time(nullptr);
    std::tm t {};
    if (!localtime_r(&now, &t)) return "\n";
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[t.tm_wday % 7], kMonths[t.tm_mon % 12],
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 1900 + t.tm_year);
    return text;
}

// lead, the formatted arguments and a line break, flushed; the caller holds the lock.
void WriteLine(const std::string& lead, const char* format, va_list args) {
    std::fputs(lead.c_str(), g_log);
    std::vfprintf(g_log, format, args);
    std::fputs("\n", g_log);
    std::fflush(g_log);
}

}  // namespace

void SdkLogSetClock(std::time_t (*clock)(std::time_t*)) {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    g_clock = clock;
}

std::string SdkLogDefaultPath() { return GetTempFolder() + "zuvo_log.txt"; }

void SdkLogOpen(const char* path) {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    if (g_log) {
        std::fclose(g_log);
        g_log = nullptr;
    }
    const std::string target = path ? std::string(path) : SdkLogDefaultPath();
    g_log = std::fopen(target.c_str(), "w+");
    if (!g_log) return;
    std::fprintf(g_log, "**** Starting Zuvotrix SDK Log: %s\n", DateText().c_str());
    std::fflush(g_log);
}

void SdkLogClose() {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    if (!g_log) return;
    std::fprintf(g_log, "**** Ending Zuvotrix SDK Log: %s\n", DateText().c_str());
    std::fclose(g_log);
    g_log = nullptr;
}

bool SdkLogIsOpen() {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    return g_log != nullptr;
}

void SdkLogPrintf(const char* format, ...) {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    if (!g_log) return;
    va_list args;
    va_start(args, format);
    WriteLine({}, format, args);
    va_end(args);
}

CFuncTrace::CFuncTrace(const char* name) {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    if (!g_log) return;
    name_ = name ? name : "";
    std::fprintf(g_log, "Enter: %s\n", name_.c_str());
    std::fflush(g_log);
}

CFuncTrace::CFuncTrace(const char* name, const char* format, ...) {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    if (!g_log) return;
    name_ = name ? name : "";
    va_list args;
    va_start(args, format);
    WriteLine("Enter: " + name_, format, args);
    va_end(args);
}

CFuncTrace::~CFuncTrace() {
    std::lock_guard<std::recursive_mutex> hold(g_logLock);
    if (!g_log) return;
    std::fprintf(g_log, "Leave: %s\n", name_.c_str());
    std::fflush(g_log);
}
