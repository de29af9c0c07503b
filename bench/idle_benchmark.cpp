// The program at rest: starts murmurex with a results file open (under xvfb-run -a), lets it
// settle, then reads its CPU time and its threads' context switches from /proc over a stretch of
// doing nothing, and reports the share of a core and the wake-ups per second.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

namespace {

// User + system CPU of the whole process in seconds, from /proc/PID/stat; negative when gone.
double ProcessCpu(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text)) return -1;
    // Fields after the command name (which may hold spaces) start after its closing parenthesis.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::strtoull(f.c_str(), nullptr, 10);
        if (i == 15) stime = std::strtoull(f.c_str(), nullptr, 10);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Context switches (voluntary and not) of every thread the process has now: each is a wake-up.
// perThread gets them by thread id and name.
long long ContextSwitches(pid_t pid, int* threads, std::map<std::string, long long>* perThread) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return -1;
    long long total = 0;
    *threads = 0;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        ++*threads;
        std::ifstream in(tasks + "/" + e->d_name + "/status");
        std::string line, name;
        long long n = 0;
        while (std::getline(in, line)) {
            if (line.rfind("Name:", 0) == 0) name = line.substr(6);
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                n += std::atoll(line.substr(line.find(':') + 1).c_str());
        }
        total += n;
        (*perThread)[std::string(e->d_name) + " " + name] = n;
    }
    closedir(dir);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    std::string file = MURMUREX_SOURCE_DIR "/testdata/speech/en_us_f4_0003_clean.zuvo";
    int settle = 5, seconds = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atoi(argv[++i]);
        else if (a == "--settle" && i + 1 < argc) settle = std::atoi(argv[++i]);
        else if (a == "--file" && i + 1 < argc) file = argv[++i];
        else {
            std::fprintf(stderr, "Usage: idle_benchmark [--file RESULTS] [--settle S] [--seconds S]\n"
                                 "Run it under xvfb-run -a.\n");
            return 2;
        }
    }
    char folder[] = "/tmp/murmurex_idle_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", folder, 1);
        if (FILE* null = std::fopen("/dev/null", "w")) dup2(fileno(null), STDERR_FILENO);
        execl(MURMUREX_PROGRAM_PATH, MURMUREX_PROGRAM_PATH, file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(settle));
    int threads = 0;
    std::map<std::string, long long> before, after;
    const double cpu0 = ProcessCpu(pid);
    const long long switches0 = ContextSwitches(pid, &threads, &before);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu1 = ProcessCpu(pid);
    const long long switches1 = ContextSwitches(pid, &threads, &after);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    if (cpu0 < 0 || cpu1 < 0 || switches0 < 0 || switches1 < 0) {
        std::fprintf(stderr, "the program did not keep running\n");
        return 1;
    }
    std::printf("program at rest with %s open, %.1f s after %d s to settle, %d threads\n", file.c_str(), wall, settle,
                threads);
    std::printf("cpu %.3f s = %.3f%% of a core; wake-ups %lld = %.1f per second\n", cpu1 - cpu0,
                100.0 * (cpu1 - cpu0) / wall, switches1 - switches0, static_cast<double>(switches1 - switches0) / wall);
    std::printf("threads that woke (id, name: wake-ups):\n");
    for (const auto& [thread, n] : after) {
        const long long d = n - (before.count(thread) ? before[thread] : 0);
        if (d > 0) std::printf("  %-32s %lld\n", thread.c_str(), d);
    }
    return 0;
}
