// OBJ and MTL reading. Each keyword consumes what it needs, then the rest of its line is skipped,
// so unknown keywords and trailing fields never derail the next line.
#include "views/heads/model_files/obj_model_reader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "engine/util/string_utils.h"
#include "views/heads/model_files/d3d_texture.h"
#include "views/heads/model_files/file_name_match.h"
#include "views/heads/model_files/narrow_float.h"
#include "views/heads/model_files/x_file.h"

namespace {

constexpr std::streamsize kLineSkip = 1000;

struct xyz {
    float v[3];
};

// One corner "p", "p/t", "p/t/n" or "p//n"; indices count from 1. False when malformed.
bool ParseCorner(const std::string& text, int64_t idx[3]) {
    idx[0] = idx[1] = idx[2] = 0;
    std::size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        const std::size_t slash = text.find('/', start);
        const std::size_t end = slash == std::string::npos ? text.size() : slash;
        if (end > start) {
            auto r = std::from_chars(text.data() + start, text.data() + end, idx[field]);
            if (r.ec != std::errc() || r.ptr != text.data() + end) return false;
        } else if (field == 0) {
            return false;
        }
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
    return false;
}

// A token quoted in a message, cut short: a number may be megabytes long.
std::string Quoted(const std::string& text) {
    constexpr std::size_t kShown = 32;
    return "'" + (text.size() > kShown ? text.substr(0, kShown) + "..." : text) + "'";
}

// Far longer than any float written in decimal, fixed or exponent form; a longer token is not
// read in full.
constexpr std::size_t kMaxNumberLength = 256;

// Reads the next number of the current line into value; empty when it was read, else why not.
// A number that is missing, malformed, not finite or outside float's range is refused: the model
// would otherwise load with a vertex nothing can draw, write or order.
std::string ReadFloat(std::istream& in, float& value) {
    std::streambuf* buf = in.rdbuf();
    int c = buf->sgetc();
    while (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') c = buf->snextc();
    std::string text;
    while (c != std::char_traits<char>::eof() && !std::isspace(c)) {
        if (text.size() == kMaxNumberLength) return Quoted(text) + " is too long to be a number";
        text.push_back(static_cast<char>(c));
        c = buf->snextc();
    }
    if (c == std::char_traits<char>::eof()) in.setstate(std::ios::eofbit);
    if (text.empty()) return "a number is missing";
    double d = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    if (r.ptr != text.data() + text.size() || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range))
        return Quoted(text) + " is not a number";
    if (r.ec == std::errc() && !std::isfinite(d)) return Quoted(text) + " is not a finite number";
    if (r.ec != std::errc() || !NarrowToFloat(d, value)) return Quoted(text) + " lies outside the range of float";
    return {};
}

// The line (from 1) the stream has read up to; for messages, so it may rewind the stream.
std::size_t LineAt(std::istream& in) {
    in.clear();
    const std::streamoff end = in.tellg();
    if (end < 0) return 0;
    in.seekg(0);
    std::size_t line = 1;
    std::streambuf* buf = in.rdbuf();
    for (std::streamoff i = 0; i < end; ++i) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) break;
        if (c == '\n') ++line;
    }
    return line;
}

}  // namespace

uint32_t ObjModelReader::AddCorner(int64_t position_index, const ModelVertex& corner) {
    // Keyed by the position index and the corner's exact bytes, so that a file using one position
    // with thousands of normals or coordinates still loads in n log n.
    corner_key key{position_index, {}};
    std::memcpy(key.second.data(), &corner, sizeof corner);
    auto [it, added] = corners_seen_.try_emplace(key, static_cast<uint32_t>(vertices_.size()));
    if (added) vertices_.push_back(corner);
    return it->second;
}

int32_t ObjModelReader::ReadObj(std::istream& in, const std::string& folder, bool read_library) {
    in.imbue(std::locale::classic());
    materials_.assign(1, mesh_material{});
    materials_[0].name = "default";
    std::vector<xyz> positions, normals;
    std::vector<std::pair<float, float>> coords;
    std::string library;
    uint32_t current = 0;
    std::string token;
    auto number = [&](float& value) {
        const std::string why = ReadFloat(in, value);
        if (why.empty()) return true;
        error = "line " + std::to_string(LineAt(in)) + ": " + why;
        return false;
    };
    while (in >> token) {
        if (token == "v" || token == "vn") {
            xyz p{};
            if (!number(p.v[0]) || !number(p.v[1]) || !number(p.v[2])) return kObjMalformed;
            (token == "v" ? positions : normals).push_back(p);
        } else if (token == "vt") {
            float u = 0, v = 0;
            if (!number(u) || !number(v)) return kObjMalformed;
            coords.emplace_back(u, v);
        } else if (token == "f") {
            std::string line;
            std::getline(in, line);
            // The face's line was read through its end, and through its newline unless it was the last.
            const bool last_line = in.eof();
            auto face_line = [&] { return "line " + std::to_string(LineAt(in) - (last_line ? 0 : 1)) + ": "; };
            std::istringstream corners(line);
            uint32_t triangle[3];
            for (int k = 0; k < 3; ++k) {
                std::string text;
                int64_t idx[3];
                if (!(corners >> text)) {
                    error = face_line() + "a face has fewer than three corners";
                    return kObjMalformed;
                }
                if (!ParseCorner(text, idx)) {
                    error = face_line() + "malformed face corner " + Quoted(text);
                    return kObjMalformed;
                }
                // Indices must name an entry read so far; 0, negative and later ones are refused.
                if (idx[0] < 1 || idx[0] > static_cast<int64_t>(positions.size()) || idx[1] < 0 ||
                    idx[1] > static_cast<int64_t>(coords.size()) || idx[2] < 0 ||
                    idx[2] > static_cast<int64_t>(normals.size())) {
                    error = face_line() + "face corner " + Quoted(text) + " names a vertex, coordinate or normal not read so far";
                    return kObjMalformed;
                }
                ModelVertex corner{};
                const xyz& p = positions[idx[0] - 1];
                corner.x = p.v[0], corner.y = p.v[1], corner.z = p.v[2];
                if (idx[1] > 0) corner.u = coords[idx[1] - 1].first, corner.v = coords[idx[1] - 1].second;
                if (idx[2] > 0) {
                    const xyz& n = normals[idx[2] - 1];
                    corner.nx = n.v[0], corner.ny = n.v[1], corner.nz = n.v[2];
                }
                triangle[k] = AddCorner(idx[0], corner);
                if (vertices_.size() > kMaxMeshVertices) {
                    error = "the model has more than 65,535 vertices";
                    return kObjTooManyVertices;
                }
            }
            corners_.insert(corners_.end(), triangle, triangle + 3);
            triangle_materials_.push_back(current);
            continue;  // the line is already consumed
        } else if (token == "mtllib") {
            in >> library;
            if (library.size() > 259) library.resize(259);
        } else if (token == "usemtl") {
            std::string name;
            in >> name;
            current = static_cast<uint32_t>(materials_.size());
            for (uint32_t i = 0; i < materials_.size(); ++i)
                if (materials_[i].name == name) {
                    current = i;
                    break;
                }
            if (current == materials_.size()) {
                materials_.push_back(mesh_material{});
                materials_.back().name = name;
            }
        }
        if (in.fail() && !in.eof()) break;
        in.ignore(kLineSkip, '\n');
    }
    if (library.empty() || !read_library) return 1;
    return ReadMtl(library, folder);
}

int32_t ObjModelReader::ReadMtl(const std::string& library, const std::string& folder) {
    // A library is any path the file names, ".." included: only a bounded regular file is read,
    // anything else is a missing library.
    const std::string file = FindFileIgnoringCase(folder + library);
    library_path_ = file;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadHeadFile(file, bytes, &why)) {
        error = "cannot open the material library " + file + " (" + why + ")";
        return kObjLibraryMissing;
    }
    library_bytes_ = std::move(bytes);
    std::istringstream in(std::string(library_bytes_.begin(), library_bytes_.end()));
    return ReadMaterials(in, library);
}

int32_t ObjModelReader::ReadMaterials(std::istream& in, const std::string& library) {
    in.imbue(std::locale::classic());
    mesh_material* current = nullptr;
    std::string token;
    while (in >> token) {
        if (token == "newmtl") {
            std::string name;
            in >> name;
            current = nullptr;
            for (mesh_material& m : materials_)
                if (m.name == name) {
                    current = &m;
                    break;
                }
            in.ignore(kLineSkip, '\n');
            continue;
        }
        if (!current) continue;  // passed over one token at a time
        auto number = [&](float& value) {
            const std::string why = ReadFloat(in, value);
            if (why.empty()) return true;
            error = "material library " + library + ", line " + std::to_string(LineAt(in)) + ": " + why;
            return false;
        };
        auto colour = [&](d3d_colour& c) {
            c.a = 0;
            return number(c.r) && number(c.g) && number(c.b);
        };
        if (token == "Ka") {
            if (!colour(current->material.ambient)) return kObjMalformed;
        } else if (token == "Kd") {
            if (!colour(current->material.diffuse)) return kObjMalformed;
        } else if (token == "Ks") {
            if (!colour(current->material.specular)) return kObjMalformed;
        } else if (token == "d" || token == "Tr" || token == "Ns") {
            float unused;
            if (!number(unused)) return kObjMalformed;
        } else if (token == "illum") {
            int unused;
            in >> unused;
        } else if (token == "map_Kd") {
            in >> current->texture_file;
            // A file name never holds these, and the model's other forms (.x, packs) cannot carry them.
            if (!IsWritableText(current->texture_file)) {
                error = "material library " + library + ", line " + std::to_string(LineAt(in)) +
                        ": the texture name holds '\"' or a control character";
                return kObjMalformed;
            }
        }
        if (in.fail() && !in.eof()) break;
        in.ignore(kLineSkip, '\n');
    }
    return 0;
}

int32_t ObjModelReader::Build(mesh_file& out) {
    out = mesh_file{};
    out.mesh.buffer.vertices = std::move(vertices_);
    out.mesh.indices = std::move(corners_);
    out.mesh.attributes = std::move(triangle_materials_);
    out.mesh.SortByAttribute();
    out.materials = std::move(materials_);
    return 0;
}

int32_t ObjModelReader::BuildMesh(const std::string& path, mesh_file& out) {
    std::string folder, base, extension;
    SplitPath(path, folder, base, extension);
    std::string why;
    if (!ReadHeadFile(path, obj_bytes_, &why)) {
        error = "cannot open " + path + " (" + why + ")";
        return kObjFileMissing;
    }
    std::istringstream in(std::string(obj_bytes_.begin(), obj_bytes_.end()));
    const int32_t rc = ReadObj(in, folder, true);
    if (rc < 0) return rc;
    return Build(out);
}

int32_t ObjModelReader::BuildMeshFromMemory(const unsigned char* data, std::size_t size, mesh_file& out) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    int32_t rc = ReadObj(in, "", false);
    if (rc < 0) return rc;
    // The library travels inside the bytes (see SelfContainedBytes); its keywords are none of
    // the model's, so each pass passes over the other's lines.
    std::istringstream library(text);
    rc = ReadMaterials(library, "stored with the model");
    if (rc < 0) return rc;
    return Build(out);
}

std::vector<uint8_t> ObjModelReader::SelfContainedBytes() const {
    std::vector<uint8_t> bytes = obj_bytes_;
    if (!library_bytes_.empty()) {
        bytes.push_back('\n');
        bytes.insert(bytes.end(), library_bytes_.begin(), library_bytes_.end());
    }
    return bytes;
}
