// Whole-process cost of a short job: runs a program (by default the alignment tool on a 2-second
// recording with the built-in model) several times and reports CPU time and page faults per run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct RunCost {
    double cpuSeconds = 0;  // user + system
    double userSeconds = 0;
    double systemSeconds = 0;
    long minorFaults = 0;
    long majorFaults = 0;
    long maxRssKb = 0;
    double wallSeconds = 0;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

// Runs argv once with its output sent to /dev/null; false when it cannot start or does not exit 0
// (exit 8, no complete path, still counts: the tool has done its whole job).
bool RunOnce(const std::vector<std::string>& args, RunCost* cost) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (FILE* null = std::fopen("/dev/null", "w")) {
            dup2(fileno(null), STDOUT_FILENO);
            dup2(fileno(null), STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return false;
    cost->wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 8)) {
        std::fprintf(stderr, "startup_benchmark: %s exited with %d\n", args[0].c_str(),
                     WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    cost->userSeconds = Seconds(usage.ru_utime);
    cost->systemSeconds = Seconds(usage.ru_stime);
    cost->cpuSeconds = cost->userSeconds + cost->systemSeconds;
    cost->minorFaults = usage.ru_minflt;
    cost->majorFaults = usage.ru_majflt;
    cost->maxRssKb = usage.ru_maxrss;
    return true;
}

template <typename T>
void Report(const char* what, std::vector<T> values, const char* format) {
    std::sort(values.begin(), values.end());
    const T median = values[values.size() / 2];
    std::printf("%-18s min ", what);
    std::printf(format, values.front());
    std::printf("  median ");
    std::printf(format, median);
    std::printf("  max ");
    std::printf(format, values.back());
    std::printf("\n");
}

const char kUsage[] =
    "Usage: startup_benchmark [--runs N] [-- PROGRAM ARGS...]\n"
    "Runs PROGRAM (default: murmurex_align on a 2-second recording and its script with the\n"
    "built-in model, results to /dev/null) N times (default 20) after one warm-up run and prints\n"
    "the minimum, median and maximum CPU time (user + system), page faults and peak memory.\n";

}  // namespace

int main(int argc, char** argv) {
    int runs = 20;
    std::vector<std::string> command;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (a == "--") {
            for (++i; i < argc; ++i) command.push_back(argv[i]);
        } else {
            std::fputs(kUsage, a == "-h" || a == "--help" ? stdout : stderr);
            return a == "-h" || a == "--help" ? 0 : 2;
        }
    }
    if (runs < 1) runs = 1;
    if (command.empty()) {
        const std::string speech = std::string(MURMUREX_SOURCE_DIR) + "/testdata/speech/en_us_f4_0003_clean";
        command = {MURMUREX_ALIGN_PATH, "--script", speech + ".txt", "--out", "/dev/null", "--quiet", speech + ".wav"};
    }
    std::printf("command:");
    for (const std::string& a : command) std::printf(" %s", a.c_str());
    std::printf("\nruns: %d (after one warm-up run)\n", runs);

    RunCost warmUp;
    if (!RunOnce(command, &warmUp)) return 1;
    std::vector<double> cpu, user, system, wall;
    std::vector<long> faults, rss;
    for (int k = 0; k < runs; ++k) {
        RunCost c;
        if (!RunOnce(command, &c)) return 1;
        cpu.push_back(c.cpuSeconds);
        user.push_back(c.userSeconds);
        system.push_back(c.systemSeconds);
        wall.push_back(c.wallSeconds);
        faults.push_back(c.minorFaults + c.majorFaults);
        rss.push_back(c.maxRssKb);
    }
    Report("cpu (s)", cpu, "%.4f");
    Report("  user (s)", user, "%.4f");
    Report("  system (s)", system, "%.4f");
    Report("wall (s)", wall, "%.4f");
    Report("page faults", faults, "%ld");
    Report("peak rss (KB)", rss, "%ld");
    return 0;
}
