// Texture cache with bare-name aliases, and its section of the compiled character pack.
#include "views/heads/model_files/d3d_texture_mgr.h"

#include <strings.h>

#include <filesystem>
#include <vector>

#include "engine/util/string_utils.h"
#include "views/heads/model_files/byte_stream.h"
#include "views/heads/model_files/pack_text.h"

std::string BareFileName(const std::string& path) {
    std::string folder, base, extension;
    SplitPath(path, folder, base, extension);
    return base + "." + extension;
}

void d3d_texture_mgr::Add(const std::shared_ptr<d3d_texture>& texture, const std::string& full_name) {
    auto it = textures_.find(full_name);
    if (it != textures_.end() && it->second) return;
    textures_[full_name] = texture;
    aliases_[BareFileName(full_name)] = full_name;
}

std::shared_ptr<d3d_texture> d3d_texture_mgr::Find(const std::string& name) const {
    auto it = textures_.find(name);
    if (it != textures_.end() && it->second) return it->second;
    auto alias = aliases_.find(name);
    if (alias == aliases_.end()) return nullptr;
    it = textures_.find(alias->second);
    if (it != textures_.end() && it->second) return it->second;
    return nullptr;
}

std::shared_ptr<d3d_texture> d3d_texture_mgr::FindFullIgnoringCase(const std::string& name) const {
    if (auto exact = textures_.find(name); exact != textures_.end() && exact->second) return exact->second;
    for (const auto& [full, texture] : textures_)
        if (texture && strcasecmp(full.c_str(), name.c_str()) == 0) return texture;
    return nullptr;
}

std::shared_ptr<d3d_texture> d3d_texture_mgr::FindBareIgnoringCase(const std::string& bare) const {
    if (auto exact = Find(bare)) return exact;
    for (const auto& [alias, full] : aliases_)
        if (strcasecmp(alias.c_str(), bare.c_str()) == 0)
            if (auto it = textures_.find(full); it != textures_.end() && it->second) return it->second;
    return nullptr;
}

std::string TextureFailureWarning(const texture_failure& failure) {
    return "the texture " + failure.name + " cannot be shown: " + failure.why;
}

void d3d_texture_mgr::NoteFailure(const std::string& full_name, const std::string& why) {
    if (failed_.insert(full_name).second) failures_.push_back({full_name, why});
}

bool d3d_texture_mgr::HasFailed(const std::string& full_name) const { return failed_.count(full_name) != 0; }

void d3d_texture_mgr::ReleaseAll() { textures_.clear(); }

void d3d_texture_mgr::WritePack(byte_writer& out, const std::string& folder) const {
    auto stored_name = [&](const std::string& full) {
        if (!folder.empty() && full.size() > folder.size() && full.compare(0, folder.size(), folder) == 0)
            return std::filesystem::path(full.substr(folder.size())).lexically_normal().generic_string();
        return full;
    };
    out.WriteI32(static_cast<int32_t>(textures_.size()));
    for (const auto& [name, texture] : textures_) {
        // The image as decoded when the character was loaded, never the file read again: the
        // pack holds what is shown.
        static const std::vector<uint8_t> kNone;
        const std::vector<uint8_t>& bytes = texture ? texture->file_bytes : kNone;
        out.WriteI32(static_cast<int32_t>(bytes.size()));
        out.WriteBytes(bytes.data(), bytes.size());
        out.WriteText(stored_name(name));
    }
    out.WriteI32(static_cast<int32_t>(aliases_.size()));
    for (const auto& [bare, full] : aliases_) {
        out.WriteText(bare);
        out.WriteText(stored_name(full));
    }
}

bool d3d_texture_mgr::ReadPack(byte_reader& in, std::string* error) {
    int32_t count;
    // Each texture takes at least its size and its name's length.
    if (!ReadPackCount(in, 8, count, "texture", error)) return false;
    for (int32_t i = 0; i < count; ++i) {
        int32_t size;
        if (!ReadPackCount(in, 1, size, "texture image", error)) return false;
        const unsigned char* bytes = in.Take(static_cast<std::size_t>(size));
        std::string name;
        if (!ReadPackText(in, name, error)) return false;
        std::string why;
        if (auto texture = DecodeTexture(bytes, static_cast<std::size_t>(size), &why)) Add(texture, name);
        else NoteFailure(name, why);
    }
    if (!ReadPackCount(in, 8, count, "texture alias", error)) return false;
    for (int32_t i = 0; i < count; ++i) {
        std::string bare, full;
        if (!ReadPackText(in, bare, error) || !ReadPackText(in, full, error)) return false;
        aliases_[bare] = full;
    }
    return true;
}
