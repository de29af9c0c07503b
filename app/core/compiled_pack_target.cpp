// The proposed name of a compiled pack and the refusal to write it over the character's files.
#include "app/core/compiled_pack_target.h"

#include <filesystem>
#include <system_error>

#include "platform/safe_save.h"

namespace {

// The path made absolute with "." and ".." resolved, links followed as far as they exist.
std::string Resolved(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return path;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    return ec ? absolute.lexically_normal().string() : resolved.string();
}

}  // namespace

std::string ProposedPackPath(const std::string& character_path) {
    std::filesystem::path path(character_path);
    path.replace_extension(".zcpk");
    return path.string();
}

std::string PackTargetConflict(const std::string& target, const std::string& character_path,
                               const std::vector<std::string>& sources) {
    const std::string resolved_target = Resolved(target);
    auto same = [&](const std::string& source) {
        // The same file under another name (a hard link too), or the same place when the source
        // no longer exists.
        return IsSameFile(target, source) || Resolved(source) == resolved_target;
    };
    if (!character_path.empty() && same(character_path)) return character_path;
    for (const std::string& source : sources)
        if (!source.empty() && same(source)) return source;
    return {};
}

std::string PackOverSourceMessage(const std::string& source) {
    return "The compiled character cannot be saved as \"" + source +
           "\": the character is made from that file, which the pack would replace. Please choose another name.";
}
