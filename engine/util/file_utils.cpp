// Whole-file and stream reading helpers.
#include "engine/util/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "engine/util/error_codes.h"
#include "engine/util/mem_alloc.h"
#include "platform/safe_save.h"

namespace {

// The one reader behind ReadWholeFile and ReadRegularFile. Reads from the descriptor it checked, so
// a path swapped meanwhile is not read, and stops at maxBytes also for a file that grows or a
// device that never ends. False with error naming the file and the reason; never throws.
bool ReadBoundedFile(const std::string& path, std::size_t maxBytes, bool regular_only, std::string* out,
                     std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = "\"" + path + "\": " + why;
        if (out) {
            out->clear();
            out->shrink_to_fit();
        }
        return false;
    };
    if (!out) return fail("nowhere to read to");
    out->clear();
    // Non-blocking for regular files only, so that opening a pipe with no writer does not wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (regular_only ? O_NONBLOCK : 0));
    if (fd < 0) return fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(std::strerror(err));
    }
    if (S_ISDIR(st.st_mode) || (regular_only && !S_ISREG(st.st_mode))) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? "is a folder, not a file" : "is not a regular file");
    }
    const std::string too_large = "is larger than " + std::to_string(maxBytes) + " bytes, more than such a file can be";
    if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return fail(too_large);
    }
    try {
        if (S_ISREG(st.st_mode)) out->reserve(static_cast<std::size_t>(st.st_size));
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int err = errno;
                ::close(fd);
                return fail(std::strerror(err));
            }
            if (n == 0) break;
            if (out->size() + static_cast<std::size_t>(n) > maxBytes) {
                ::close(fd);
                return fail(too_large);
            }
            out->append(chunk, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return fail("out of memory");
    }
    ::close(fd);
    return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* out, std::string* error) {
    return ReadBoundedFile(path, maxBytes, false, out, error);
}

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string* out, std::string* error) {
    return ReadBoundedFile(path, maxBytes, true, out, error);
}

int NotOrdinaryFileCode(const char* path) {
    struct stat st {};
    if (!path || ::stat(path, &st) != 0 || S_ISREG(st.st_mode)) return kErrNone;
    if (S_ISDIR(st.st_mode)) return kErrIsFolder;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return kErrIsDevice;
    if (S_ISFIFO(st.st_mode)) return kErrIsPipe;
    return kErrNotOrdinaryFile;
}

std::string ReasonWithoutPath(const std::string& error, const std::string& path) {
    const std::string prefix = "\"" + path + "\": ";
    if (error.rfind(prefix, 0) != 0) return error;
    const std::string reason = error.substr(prefix.size());
    // "is a folder, not a file" follows the path; alone it needs its subject.
    return reason.rfind("is ", 0) == 0 ? "it " + reason : reason;
}

char* ReadFileToBuffer(const char* path, int* size, bool terminate) {
    if (!path || !size) return nullptr;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return nullptr;
    struct stat st {};
    // Only regular files have a size to trust; a folder opens on Linux but reads nothing.
    if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || std::fseek(f, 0, SEEK_END) != 0) {
        std::fclose(f);
        return nullptr;
    }
    const long end = std::ftell(f);
    if (end < 0 || end > INT_MAX - 1 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        return nullptr;
    }
    *size = static_cast<int>(end);
    const std::size_t want = static_cast<std::size_t>(end);
    char* buffer = static_cast<char*>(MemAlloc(want + (terminate ? 1 : 0) + (want == 0 ? 1 : 0), 0));
    if (!buffer) {
        std::fclose(f);
        return nullptr;
    }
    const std::size_t got = want > 0 ? std::fread(buffer, 1, want, f) : 0;
    *size = static_cast<int>(got);
    if (terminate) buffer[got] = '\0';
    std::fclose(f);
    return buffer;
}

std::string ReadTextFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string text;
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        const void* nul = std::memchr(chunk, '\0', n);
        if (nul) {
            text.append(chunk, static_cast<const char*>(nul) - chunk);
            break;
        }
        text.append(chunk, n);
    }
    std::fclose(f);
    return text;
}

bool FileExists(const char* path) {
    if (!path) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

std::string ReadUntilDelimiter(std::istream& in, const std::string& delimiter, bool* found) {
    bool hit = false;
    std::string text;
    while (in.good() && !hit) {
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) break;
        text += static_cast<char>(c);
        if (text.size() >= delimiter.size() &&
            text.compare(text.size() - delimiter.size(), delimiter.size(), delimiter) == 0) {
            hit = true;
            text.resize(text.size() - delimiter.size());
        }
    }
    if (found) *found = hit;
    return text;
}

bool SaveFileThroughStdio(const std::string& path, const std::function<bool(std::FILE*)>& write,
                          std::string* error) {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* f = ::open_memstream(&bytes, &size);
    if (!f) {
        if (error) *error = "Cannot save \"" + path + "\": out of memory.";
        return false;
    }
    bool ok = write && write(f);
    ok = std::fflush(f) == 0 && !std::ferror(f) && ok;
    // The buffer and size are final only after the close.
    ok = std::fclose(f) == 0 && ok;
    const std::unique_ptr<char, decltype(&std::free)> owned(bytes, &std::free);
    if (!ok) {
        if (error) *error = "Cannot save \"" + path + "\": the contents could not be written.";
        return false;
    }
    return SaveBytesSafely(path, std::string_view(bytes, size), error);
}
