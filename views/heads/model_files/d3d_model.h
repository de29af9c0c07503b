// One model of a 3D head: a mesh with its materials and textures, and a copy of its vertex
// positions that morphing reads. Loaded once from a .x or OBJ file (or .x bytes in memory); the
// head view owns it and uses it on the GUI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_mesh.h"
#include "views/heads/model_files/model_vertex.h"

class d3d_texture_mgr;
class d3d_device;

constexpr int kModelKindX = 1;
constexpr int kModelKindObj = 2;

class d3d_model {
public:
    virtual ~d3d_model() = default;

    // kind 1: a .x file; kind 2: an OBJ file. Textures are found in the manager or loaded from
    // the model's folder and added to it. False (with a reason) when the model cannot be loaded.
    virtual bool LoadFromFile(d3d_texture_mgr& textures, const std::string& path, int kind, std::string* error = nullptr);
    virtual void SetWireframe(bool on) { wireframe_ = on; }
    // The same for file bytes in memory; texture names are looked up in the manager only, first
    // under texture_folder (a folder relative to the character's, ending in '/'), then as written.
    virtual bool LoadFromMemory(d3d_texture_mgr& textures, const unsigned char* data, std::size_t size, int kind,
                                std::string* error = nullptr, const std::string& texture_folder = "");
    // Moves every vertex and the position copy.
    virtual void Offset(float dx, float dy, float dz);

    void Draw(d3d_device& device) const;
    const float* GetPositions(int& count) const {
        count = vertex_count_;
        return positions_.data();
    }
    // The vertices to write in place; UnlockVertices marks them changed and, with copy_back,
    // refreshes the position copy from them.
    ModelVertex* LockVertices(int& count);
    bool UnlockVertices(ModelVertex* vertices, bool copy_back);
    // Smallest and largest position on each axis.
    void GetBounds(float minimum[3], float maximum[3]) const;

    // The bytes the model was loaded from (an OBJ file followed by its material library), which a
    // compiled pack stores so that it holds the model as shown even when its file has changed
    // since. Empty after ReleaseSourceBytes.
    const std::vector<uint8_t>& SourceBytes() const { return source_bytes_; }
    void ReleaseSourceBytes() { std::vector<uint8_t>().swap(source_bytes_); }
    // The files a load from a file read: the model and its material library.
    const std::vector<std::string>& SourcePaths() const { return source_paths_; }

    int VertexCount() const { return vertex_count_; }
    const std::vector<ObjMaterial>& Materials() const { return materials_; }
    const d3d_mesh& Mesh() const { return mesh_; }

private:
    bool Setup(d3d_texture_mgr& textures, const std::string* path, const std::string& texture_folder, mesh_file& file);

    d3d_mesh mesh_;
    bool wireframe_ = false;
    std::vector<ObjMaterial> materials_;
    std::vector<float> positions_;
    int vertex_count_ = 0;
    std::vector<uint8_t> source_bytes_;
    std::vector<std::string> source_paths_;
};
