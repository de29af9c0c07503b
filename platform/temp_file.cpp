// Temporary files over mkstemp and unlink-after-open.
#include "platform/temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

std::string GetTempFolder() {
    std::string dir;
    if (const char* env = std::getenv("TMPDIR"); env && *env) {
        struct stat st {};
        if (::stat(env, &st) == 0 && S_ISDIR(st.st_mode)) dir = env;
    }
    if (dir.empty()) dir = "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

std::string CreateUniqueTempFile(const std::string& prefix) {
    std::string templ = GetTempFolder() + prefix + "XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) return {};
    ::close(fd);
    return std::string(buffer.data());
}

int OpenTemporaryFile(const char* path) {
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    // Whatever holds the name now (the placeholder CreateUniqueTempFile left, or a link someone
    // put there since) is removed, and the file is made anew exclusively: if the name is taken again
    // in between, the open fails instead of opening (and truncating) another file.
    ::unlink(path);
    const int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    const int saved = errno;
    ::unlink(path);
    errno = saved;
    return fd;
}
