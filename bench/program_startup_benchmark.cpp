// Start-up of the program as a whole process: runs murmurex with --quit-when-shown (it closes once
// its main window is on the screen and the events of showing it are handled) several times on a
// fresh settings folder, and reports CPU time per run; then, in this process, the CPU time of
// making the built-in English transcriber from the embedded dictionary, which the first text
// alignment pays.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/text/lexicon_file.h"
#include "engine/util/built_in_resources.h"
#include "platform/resource_table.h"

namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

// CPU seconds (user + system) of one run; negative when it fails.
double RunOnce(const std::string& program, const std::string& configHome) {
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        if (FILE* null = std::fopen("/dev/null", "w")) dup2(fileno(null), STDERR_FILENO);
        execl(program.c_str(), program.c_str(), "--quit-when-shown", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Report(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-34s min %.4f  median %.4f  max %.4f\n", what, v.front(), v[v.size() / 2], v.back());
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "Usage: program_startup_benchmark [--runs N]\n"
                                 "Needs a display (run it under xvfb-run -a) or QT_QPA_PLATFORM=offscreen.\n");
            return 2;
        }
    }
    char folder[] = "/tmp/murmurex_startup_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string configHome = folder;

    std::printf("program: %s --quit-when-shown, %d runs after one warm-up, fresh settings\n", MURMUREX_PROGRAM_PATH, runs);
    if (RunOnce(MURMUREX_PROGRAM_PATH, configHome) < 0) {
        std::fprintf(stderr, "the program did not start and close cleanly\n");
        return 1;
    }
    std::vector<double> cpu;
    for (int k = 0; k < runs; ++k) {
        std::system(("rm -rf '" + configHome + "/Zuvotrix'").c_str());
        const double c = RunOnce(MURMUREX_PROGRAM_PATH, configHome);
        if (c < 0) return 1;
        cpu.push_back(c);
    }
    std::system(("rm -rf '" + configHome + "'").c_str());
    Report("start to shown window, cpu (s)", cpu);

    const ResourceBytes dict = FindEmbeddedResourceById(kBuiltInResourceType, kDictionaryResourceId);
    std::vector<double> load;
    for (int k = 0; k < runs; ++k) {
        const double t0 = ProcessCpu();
        CTranscriber* transcriber = nullptr;
        if (CreateDefaultTranscriber(reinterpret_cast<const char*>(dict.data), static_cast<int>(dict.size),
                                     &transcriber) != 0)
            return 1;
        load.push_back(ProcessCpu() - t0);
        DestroyTranscriber(transcriber);
    }
    Report("built-in dictionary load, cpu (s)", load);
    return 0;
}
