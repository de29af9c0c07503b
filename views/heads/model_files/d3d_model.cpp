// Model loading, texture set-up, offsets, vertex access and drawing.
#include "views/heads/model_files/d3d_model.h"

#include <cfloat>
#include <filesystem>

#include "engine/util/string_utils.h"
#include "views/heads/model_files/d3d_device.h"
#include "views/heads/model_files/d3d_texture_mgr.h"
#include "views/heads/model_files/file_name_match.h"
#include "views/heads/model_files/obj_model_reader.h"
#include "views/heads/model_files/x_file.h"

bool d3d_model::LoadFromFile(d3d_texture_mgr& textures, const std::string& path, int kind, std::string* error) {
    mesh_file file;
    std::vector<uint8_t> bytes;
    if (kind == kModelKindX) {
        if (!ReadHeadFile(path, bytes, error)) return false;
        std::string why;
        if (!ReadXFile(bytes.data(), bytes.size(), file, &why)) {
            if (error) *error = path + ": " + why;
            return false;
        }
    } else if (kind == kModelKindObj) {
        ObjModelReader reader;
        if (reader.BuildMesh(path, file) < 0) {
            if (error) *error = path + ": " + reader.error;
            return false;
        }
        bytes = reader.SelfContainedBytes();
        if (!reader.LibraryPath().empty()) source_paths_.push_back(reader.LibraryPath());
    } else {
        if (error) *error = "unknown model kind";
        return false;
    }
    source_paths_.insert(source_paths_.begin(), path);
    if (!Setup(textures, &path, "", file)) return false;
    source_bytes_ = std::move(bytes);
    return true;
}

bool d3d_model::LoadFromMemory(d3d_texture_mgr& textures, const unsigned char* data, std::size_t size, int kind,
                               std::string* error, const std::string& texture_folder) {
    mesh_file file;
    if (kind == kModelKindX) {
        if (!ReadXFile(data, size, file, error)) return false;
    } else if (kind == kModelKindObj) {
        ObjModelReader reader;
        if (reader.BuildMeshFromMemory(data, size, file) < 0) {
            if (error) *error = reader.error;
            return false;
        }
    } else {
        if (error) *error = "unknown model kind";
        return false;
    }
    if (!Setup(textures, nullptr, texture_folder, file)) return false;
    source_bytes_.assign(data, data + size);
    return true;
}

bool d3d_model::Setup(d3d_texture_mgr& textures, const std::string* path, const std::string& texture_folder,
                      mesh_file& file) {
    std::string folder = texture_folder;
    if (path) {
        std::string base, extension;
        SplitPath(*path, folder, base, extension);
    }
    for (const mesh_material& m : file.materials) {
        ObjMaterial record;
        record.material = m.material;
        record.name = m.name;
        record.texture_file = m.texture_file;
        if (!m.texture_file.empty()) {
            // Models made on Windows name their textures with backslashes and in any case.
            const std::string named = folder + WithForwardSlashes(m.texture_file);
            const std::string full = path ? FindFileIgnoringCase(named) : named;
            record.texture = textures.Find(full);
            if (!record.texture && path && !textures.HasFailed(full)) {
                std::string why;
                record.texture = LoadTextureFile(full, &why);
                if (record.texture) textures.Add(record.texture, full);
                else textures.NoteFailure(full, why);
            }
            // A model read from a pack finds its texture by the name the pack stored it under
            // (relative to the character's folder, so that two images of one file name in
            // different folders stay apart), else by bare name, as older packs and models stored it.
            if (!record.texture && !path && !folder.empty())
                record.texture = textures.FindFullIgnoringCase(
                    std::filesystem::path(named).lexically_normal().generic_string());
            if (!record.texture && !path) record.texture = textures.FindBareIgnoringCase(BareFileName(full));
        }
        materials_.push_back(std::move(record));
    }
    mesh_ = std::move(file.mesh);
    vertex_count_ = static_cast<int>(mesh_.buffer.vertices.size());
    positions_.resize(3 * static_cast<std::size_t>(vertex_count_));
    for (int i = 0; i < vertex_count_; ++i) {
        const ModelVertex& v = mesh_.buffer.vertices[i];
        positions_[3 * i] = v.x, positions_[3 * i + 1] = v.y, positions_[3 * i + 2] = v.z;
    }
    return true;
}

void d3d_model::Offset(float dx, float dy, float dz) {
    int count;
    ModelVertex* v = LockVertices(count);
    if (!v) return;
    for (int i = 0; i < count; ++i) v[i].x += dx, v[i].y += dy, v[i].z += dz;
    UnlockVertices(v, true);
}

ModelVertex* d3d_model::LockVertices(int& count) {
    count = vertex_count_;
    if (vertex_count_ == 0) return nullptr;
    return mesh_.buffer.vertices.data();
}

bool d3d_model::UnlockVertices(ModelVertex* vertices, bool copy_back) {
    if (vertices != mesh_.buffer.vertices.data()) return false;
    ++mesh_.buffer.generation;
    if (copy_back)
        for (int i = 0; i < vertex_count_; ++i)
            positions_[3 * i] = vertices[i].x, positions_[3 * i + 1] = vertices[i].y, positions_[3 * i + 2] = vertices[i].z;
    return true;
}

void d3d_model::GetBounds(float minimum[3], float maximum[3]) const {
    // From the largest float down and the most negative up, so that a model lying wholly below
    // zero on an axis reports its own maximum there.
    for (int a = 0; a < 3; ++a) minimum[a] = FLT_MAX, maximum[a] = -FLT_MAX;
    for (int i = 0; i < vertex_count_; ++i)
        for (int a = 0; a < 3; ++a) {
            const float p = positions_[3 * i + a];
            if (p < minimum[a]) minimum[a] = p;
            if (p > maximum[a]) maximum[a] = p;
        }
}

void d3d_model::Draw(d3d_device& device) const {
    for (std::size_t i = 0; i < materials_.size(); ++i) {
        device.SetMaterial(materials_[i].material);
        device.SetTexture(0, materials_[i].texture.get());
        mesh_.DrawSubset(device, static_cast<uint32_t>(i));
    }
    if (wireframe_) {
        device.SetRenderState(d3d_render_state::fill_mode, kFillWireframe);
        for (std::size_t i = 0; i < materials_.size(); ++i) {
            device.SetMaterial(d3d_material{});
            mesh_.DrawSubset(device, static_cast<uint32_t>(i));
        }
    }
    device.SetRenderState(d3d_render_state::fill_mode, kFillSolid);
}
