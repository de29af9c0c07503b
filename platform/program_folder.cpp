// The program folder from the kernel's link to the running executable.
#include "platform/program_folder.h"

#include <unistd.h>

#include <vector>

std::string GetProgramFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            const auto slash = path.rfind('/');
            if (slash == std::string::npos) return path;
            return path.substr(0, slash == 0 ? 1 : slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}
