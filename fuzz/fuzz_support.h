// Shared pieces of the fuzz targets: the input cap and a temporary file with a chosen extension
// for the readers that only open files by name.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace fuzz {

// Inputs beyond this many bytes are skipped: longer ones only slow the run without reaching
// anything new.
constexpr size_t kMaxInput = 64 * 1024;

// One file per process (libFuzzer runs inputs one after the other), rewritten for every input and
// removed at exit. Lives in /dev/shm when there is one, so writing it costs no disk.
class InputFile {
public:
    explicit InputFile(const char* extension) {
        const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(folder) + "/murmurex_fuzz_XXXXXX" + extension;
        const int fd = mkstemps(pattern.data(), static_cast<int>(std::string(extension).size()));
        if (fd >= 0) {
            close(fd);
            path_ = pattern;
        }
    }
    ~InputFile() {
        if (!path_.empty()) unlink(path_.c_str());
    }
    // Replaces the file's contents; the path, or null when it cannot be written.
    const char* Write(const uint8_t* data, size_t size) {
        if (path_.empty()) return nullptr;
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return nullptr;
        const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
        return std::fclose(f) == 0 && ok ? path_.c_str() : nullptr;
    }

private:
    std::string path_;
};

}  // namespace fuzz
