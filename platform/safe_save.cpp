// Safe replacement of files: temporary file in the target's folder, write, flush, fsync, rename;
// the temporaries of killed saves are removed by the next save of the same file.
#include "platform/safe_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
    if (error) *error = what + " \"" + path + "\": " + std::strerror(err);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Temporaries are named "<folder>/.<name>.saving.<pid>.XXXXXX": the writer's process id tells a
// later save whether the writer is still running, and the ".saving." mark keeps the pattern far
// from names a user would give.
std::string TempPrefix(const std::string& name) { return "." + name + ".saving."; }

// Creates the temporary exclusively and locks it for as long as it is open; returns the
// descriptor and its path.
int CreateSibling(const std::string& path, std::string* temp_path) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string templ = folder + TempPrefix(name) + std::to_string(::getpid()) + ".XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) return fd;
    *temp_path = buffer.data();
    // The lock goes with the writer, however it ends; it also speaks for writers whose process
    // ids mean nothing here (another machine on a shared folder, another pid namespace). Where
    // the filesystem has no locks the save goes on without one.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &lock);
    return fd;
}

// The process id in `entry` when it is exactly a temporary name of ours for prefix, else 0.
pid_t WriterOf(const char* entry, const std::string& prefix) {
    const std::string_view e(entry);
    if (e.size() <= prefix.size() || e.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string_view rest = e.substr(prefix.size());
    const auto dot = rest.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot > 10 || rest[0] == '0') return 0;
    long long pid = 0;
    for (std::size_t i = 0; i < dot; ++i) {
        if (rest[i] < '0' || rest[i] > '9') return 0;
        pid = pid * 10 + (rest[i] - '0');
    }
    const std::string_view suffix = rest.substr(dot + 1);
    if (suffix.size() != 6 || pid > INT32_MAX) return 0;
    for (const char c : suffix)
        if (!std::isalnum(static_cast<unsigned char>(c))) return 0;
    return static_cast<pid_t>(pid);
}

// Removes the temporaries that earlier saves of `path` left when they were killed: only names of
// exactly our pattern, only ordinary files of ours, only when the process named is gone and no
// one holds the writer's lock. A process id that was given to a new process since keeps its
// temporary: a leak is better than removing a file a save is writing.
void RemoveStaleTemporaries(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string prefix = TempPrefix(name);
    DIR* dir = ::opendir(FolderOf(path).c_str());
    if (!dir) return;
    const int dfd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t pid = WriterOf(entry->d_name, prefix);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // running, or not ours to ask
        struct stat named {};
        if (::fstatat(dfd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode) ||
            named.st_uid != ::geteuid()) {
            continue;
        }
        const int fd = ::openat(dfd, entry->d_name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        struct stat opened {};
        struct flock lock {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        // Removed only while we hold the lock and the name still names the file we locked.
        if (::fstat(fd, &opened) == 0 && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
            ::fcntl(fd, F_OFD_SETLK, &lock) == 0) {
            struct stat now {};
            if (::fstatat(dfd, entry->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == opened.st_dev &&
                now.st_ino == opened.st_ino) {
                ::unlinkat(dfd, entry->d_name, 0);
            }
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// As many links in a row as the system itself follows before it gives up.
constexpr int kMaxLinkHops = 40;

// Where a save of `target` really writes: through links to the file they name, also when that
// file does not exist yet (a dangling link gets its file created). False, with the reason, for
// links that lead round in a loop.
bool ResolveTarget(const std::string& target, std::string* resolved, std::string* error) {
    std::string path = target;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (hops == kMaxLinkHops) {
            if (error)
                *error = "Cannot save \"" + target + "\": it is a symbolic link that leads round in a loop, " +
                         "never to a file.";
            return false;
        }
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = 0;
        for (;;) {
            n = ::readlink(path.c_str(), buffer.data(), buffer.size());
            if (n < 0) break;
            if (static_cast<std::size_t>(n) < buffer.size()) break;
            buffer.resize(buffer.size() * 2);  // the link grew since lstat
        }
        if (n <= 0) break;
        const std::string link(buffer.data(), static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : FolderOf(path) + "/" + link;
    }
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    *resolved = path;
    return true;
}

// Only a regular file can be replaced by renaming a new one over it: a folder, a device (a
// rename as root would remove /dev/null's node), a pipe or a socket is refused.
bool CheckReplaceable(const std::string& path, const struct stat* st, std::string* error) {
    if (S_ISDIR(st->st_mode)) {
        SetError(error, "Cannot save over the folder", path, EISDIR);
        return false;
    }
    if (!S_ISREG(st->st_mode)) {
        if (error) *error = "Cannot save over \"" + path + "\": it is not an ordinary file.";
        return false;
    }
    return true;
}

}  // namespace

bool SaveBytesSafely(const std::string& target, std::string_view bytes, std::string* error) {
    if (target.empty()) {
        if (error) *error = "No file name to save to.";
        return false;
    }
    // Saving through a link replaces the file it points at, not the link.
    std::string path;
    if (!ResolveTarget(target, &path, error)) return false;
    struct stat old {};
    const bool had_old = ::stat(path.c_str(), &old) == 0;
    if (had_old && !CheckReplaceable(path, &old, error)) return false;
    // Before writing: what killed saves left may be what would fill the disk.
    RemoveStaleTemporaries(path);
    std::string temp;
    const int fd = CreateSibling(path, &temp);
    if (fd < 0) {
        SetError(error, "Cannot create a file in the folder of", path, errno);
        return false;
    }
    int err = 0;
    if (!WriteAll(fd, bytes.data(), bytes.size())) err = errno;
    // Keep the old file's permission bits; a new file gets the usual ones under the umask.
    if (err == 0) {
        mode_t mode = 0666;
        if (had_old) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode &= ~mask;
        }
        ::fchmod(fd, mode);
    }
    if (err == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        SetError(error, "Cannot save", path, err);
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool SaveFileSafely(const std::string& path, const std::function<bool(std::ostream&)>& write,
                    std::string* error) {
    std::ostringstream out(std::ios::binary);
    if (!write || !write(out) || !out) {
        if (error) *error = "Cannot save \"" + path + "\": the contents could not be written.";
        return false;
    }
    return SaveBytesSafely(path, out.view(), error);
}

bool CanSaveFile(const std::string& path, std::string* error) {
    if (path.empty()) {
        if (error) *error = "No file name to save to.";
        return false;
    }
    std::string resolved;
    if (!ResolveTarget(path, &resolved, error)) return false;
    struct stat st {};
    if (::stat(resolved.c_str(), &st) == 0 && !CheckReplaceable(resolved, &st, error)) return false;
    std::string temp;
    const int fd = CreateSibling(resolved, &temp);
    if (fd < 0) {
        SetError(error, "Cannot create a file in the folder of", path, errno);
        return false;
    }
    ::close(fd);
    ::unlink(temp.c_str());
    return true;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
