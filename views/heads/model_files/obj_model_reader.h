// The reader of Wavefront OBJ models and their MTL material libraries. One reader per load; the
// result is a mesh with materials, as the .x reader gives. Faces are triangles from the first three
// corners of each "f" line; corners with equal position, normal and texture coordinate share a
// vertex.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_mesh.h"

// Result codes of a load, as the model loader reports them.
constexpr int32_t kObjFileMissing = static_cast<int32_t>(0x80030002);
constexpr int32_t kObjLibraryMissing = static_cast<int32_t>(0x80004005);
constexpr int32_t kObjMalformed = static_cast<int32_t>(0x8007000D);
constexpr int32_t kObjTooManyVertices = static_cast<int32_t>(0x80070008);

class ObjModelReader {
public:
    // Reads the OBJ file at path and the library it names (beside it); negative on failure, with
    // a reason in error.
    int32_t BuildMesh(const std::string& path, mesh_file& out);
    // The same for an OBJ file held in memory. It has no folder, so a library it names cannot be
    // found; materials come from a library carried in the same bytes (SelfContainedBytes), else
    // keep their names with black colours.
    int32_t BuildMeshFromMemory(const unsigned char* data, std::size_t size, mesh_file& out);
    // After BuildMesh: the OBJ file as read followed by its material library, which
    // BuildMeshFromMemory reads back as the same model with the same materials.
    std::vector<uint8_t> SelfContainedBytes() const;
    // The material library read by BuildMesh; empty when the file names none.
    const std::string& LibraryPath() const { return library_path_; }

    std::string error;

private:
    int32_t ReadObj(std::istream& in, const std::string& folder, bool read_library);
    int32_t ReadMtl(const std::string& library, const std::string& folder);
    int32_t ReadMaterials(std::istream& in, const std::string& library);
    uint32_t AddCorner(int64_t position_index, const ModelVertex& corner);
    int32_t Build(mesh_file& out);

    std::vector<mesh_material> materials_;
    std::vector<ModelVertex> vertices_;
    std::vector<uint32_t> triangle_materials_;
    std::vector<uint32_t> corners_;
    using corner_key = std::pair<int64_t, std::array<uint32_t, 8>>;
    std::map<corner_key, uint32_t> corners_seen_;
    std::vector<uint8_t> obj_bytes_;
    std::vector<uint8_t> library_bytes_;
    std::string library_path_;
};
