// Case-insensitive file lookup for characters made on Windows.
#include "views/heads/model_files/file_name_match.h"

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::string WithForwardSlashes(const std::string& name) {
    std::string out = name;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string FindFileIgnoringCase(const std::string& path) {
    // "mouth/../tex/a.jpg" and "tex/a.jpg" are one texture, loaded once.
    std::string wanted = WithForwardSlashes(path);
    if (wanted.empty()) return wanted;
    wanted = fs::path(wanted).lexically_normal().string();
    std::error_code ec;
    if (fs::exists(wanted, ec)) return wanted;
    const fs::path asked(wanted);
    fs::path found = asked.root_path();
    for (const fs::path& part : asked.relative_path()) {
        const std::string name = part.string();
        if (name.empty() || name == "." || name == "..") {
            found /= part;
            continue;
        }
        fs::path exact = found / part;
        if (fs::exists(exact, ec)) {
            found = std::move(exact);
            continue;
        }
        std::vector<std::string> matches;
        for (fs::directory_iterator it(found.empty() ? fs::path(".") : found, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string entry = it->path().filename().string();
            if (strcasecmp(entry.c_str(), name.c_str()) == 0) matches.push_back(entry);
        }
        if (matches.empty()) return wanted;
        found /= *std::min_element(matches.begin(), matches.end());
    }
    return found.string();
}
