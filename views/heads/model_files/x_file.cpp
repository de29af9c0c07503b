// .x files: a tokenizer for each form (text, binary; the compressed forms are inflated first)
// feeding one parser of the data objects a head model uses: Frame, FrameTransformMatrix, Mesh,
// MeshNormals, MeshTextureCoords, MeshMaterialList, Material and TextureFilename. Other objects
// and template declarations are passed over.
#include "views/heads/model_files/x_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include <zlib.h>

#include "views/heads/model_files/byte_stream.h"
#include "views/heads/model_files/d3d_matrix.h"
#include "views/heads/model_files/narrow_float.h"

// The writer has no escapes, so a text it could not write back is refused on reading.
bool IsWritableText(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F || c == '"') return false;
    return true;
}

namespace {

// A compressed file may not claim to inflate to more than this.
constexpr uint32_t kMaxInflated = 256u << 20;
// Nesting deeper than this is refused rather than recursed into.
constexpr int kMaxDepth = 64;

enum class tok { name, string, number, open_brace, close_brace, other, end };

struct token {
    tok kind = tok::end;
    std::string text;
    double number = 0;
    // A text number too large (or too small) for a double: refused wherever a number is read.
    bool out_of_range = false;
};

class tokenizer {
public:
    virtual ~tokenizer() = default;
    // False at the end of the data or on malformed data (then error says why).
    virtual bool Next(token& t) = 0;
    virtual std::size_t Remaining() const = 0;
    // Where the last token began, for error messages.
    virtual std::string Where() const = 0;
    std::string error;
};

class text_tokenizer : public tokenizer {
public:
    text_tokenizer(const unsigned char* data, std::size_t size)
        : begin_(reinterpret_cast<const char*>(data)), p_(begin_), end_(p_ + size), start_(p_) {}

    bool Next(token& t) override {
        for (;;) {
            while (p_ < end_ && (std::isspace(static_cast<unsigned char>(*p_)) || *p_ == ',' || *p_ == ';')) ++p_;
            if (p_ >= end_) return false;
            if (*p_ == '#' || (*p_ == '/' && p_ + 1 < end_ && p_[1] == '/')) {
                while (p_ < end_ && *p_ != '\n') ++p_;
                continue;
            }
            break;
        }
        start_ = p_;
        const char c = *p_;
        if (c == '{') { ++p_; t.kind = tok::open_brace; return true; }
        if (c == '}') { ++p_; t.kind = tok::close_brace; return true; }
        if (c == '"') {
            const char* start = ++p_;
            while (p_ < end_ && *p_ != '"') ++p_;
            if (p_ >= end_) { error = "a string is not closed"; return false; }
            t.kind = tok::string;
            t.text.assign(start, p_);
            if (!IsWritableText(t.text)) { error = "a string holds a control character"; return false; }
            ++p_;
            return true;
        }
        if (c == '<') {
            while (p_ < end_ && *p_ != '>') ++p_;
            if (p_ < end_) ++p_;
            t.kind = tok::other;
            return true;
        }
        if (c == '-' || c == '+' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
            const char* start = p_;
            if (*p_ == '+') ++start, ++p_;
            while (p_ < end_ && (std::isdigit(static_cast<unsigned char>(*p_)) || *p_ == '.' || *p_ == '-' || *p_ == '+' ||
                                 *p_ == 'e' || *p_ == 'E'))
                ++p_;
            double v = 0;
            auto r = std::from_chars(start, p_, v);
            // Not a number ("..." in a template, say): a token the parser will not accept as one.
            t.out_of_range = r.ec == std::errc::result_out_of_range && r.ptr == p_;
            t.kind = (r.ec == std::errc() || t.out_of_range) && r.ptr == p_ ? tok::number : tok::other;
            t.number = v;
            return true;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const char* start = p_;
            while (p_ < end_ && (std::isalnum(static_cast<unsigned char>(*p_)) || *p_ == '_' || *p_ == '-' || *p_ == '.')) ++p_;
            t.kind = tok::name;
            t.text.assign(start, p_);
            return true;
        }
        ++p_;
        t.kind = tok::other;
        return true;
    }
    std::size_t Remaining() const override { return static_cast<std::size_t>(end_ - p_); }
    std::string Where() const override {
        return "line " + std::to_string(1 + std::count(begin_, start_, '\n'));
    }

private:
    const char* begin_;
    const char* p_;
    const char* end_;
    const char* start_;
};

class binary_tokenizer : public tokenizer {
public:
    // offset: where the bytes lie in the file; inflated: they are a compressed file's body.
    binary_tokenizer(const unsigned char* data, std::size_t size, bool doubles, std::size_t offset, bool inflated)
        : in_(data, size), doubles_(doubles), offset_(offset), inflated_(inflated) {}

    bool Next(token& t) override {
        start_ = in_.Position();
        t.out_of_range = false;
        if (list_left_ > 0) {
            --list_left_;
            t.kind = tok::number;
            if (list_is_float_) {
                if (doubles_) {
                    double d;
                    if (!in_.ReadF64(d)) return Fail("a float list ends early");
                    t.number = d;
                } else {
                    float f;
                    if (!in_.ReadF32(f)) return Fail("a float list ends early");
                    t.number = f;
                }
            } else {
                uint32_t v;
                if (!in_.ReadU32(v)) return Fail("an integer list ends early");
                t.number = v;
            }
            return true;
        }
        uint16_t code;
        if (!in_.ReadU16(code)) return false;
        uint32_t n;
        switch (code) {
            case 1:  // name
            case 2:  // string
                if (!in_.ReadU32(n) || n > in_.Remaining()) return Fail("a name runs past the file");
                t.kind = code == 1 ? tok::name : tok::string;
                t.text.assign(reinterpret_cast<const char*>(in_.Take(n)), n);
                if (!IsWritableText(t.text)) return Fail("a name or string holds '\"' or a control character");
                if (code == 2) {
                    uint16_t terminator;
                    if (!in_.ReadU16(terminator)) return Fail("a string ends early");
                }
                return true;
            case 3:
                if (!in_.ReadU32(n)) return Fail("an integer ends early");
                t.kind = tok::number;
                t.number = n;
                return true;
            case 5:
                if (!in_.Take(16)) return Fail("a GUID ends early");
                t.kind = tok::other;
                return true;
            case 6:
            case 7: {
                if (!in_.ReadU32(n)) return Fail("a list ends early");
                const std::size_t item = code == 6 ? 4 : (doubles_ ? 8 : 4);
                if (n > in_.Remaining() / item) return Fail("a list is longer than the file");
                list_left_ = n;
                list_is_float_ = code == 7;
                return Next(t);
            }
            case 10: t.kind = tok::open_brace; return true;
            case 11: t.kind = tok::close_brace; return true;
            case 31: t.kind = tok::name; t.text = "template"; return true;
            default:
                if ((code >= 12 && code <= 20) || (code >= 40 && code <= 53)) {
                    t.kind = tok::other;
                    return true;
                }
                return Fail("unknown token " + std::to_string(code));
        }
    }
    std::size_t Remaining() const override { return in_.Remaining(); }
    std::string Where() const override {
        return inflated_ ? "byte " + std::to_string(start_) + " of the inflated body"
                         : "byte " + std::to_string(offset_ + start_);
    }

private:
    bool Fail(const std::string& why) {
        error = why;
        return false;
    }
    byte_reader in_;
    bool doubles_;
    std::size_t offset_;
    bool inflated_;
    std::size_t start_ = 0;
    uint32_t list_left_ = 0;
    bool list_is_float_ = false;
};

class x_parser {
public:
    x_parser(tokenizer& tokens, mesh_file& out) : tokens_(tokens), out_(out) {}

    bool Parse() {
        token t;
        while (Next(t)) {
            if (t.kind == tok::name && t.text == "template") {
                if (!SkipToBraceAndBody()) return false;
            } else if (t.kind == tok::name) {
                if (!ParseObject(t.text, MatrixIdentity(), 0)) return false;
            } else if (t.kind != tok::other) {
                return Fail("unexpected token at the top level");
            }
        }
        if (!tokens_.error.empty()) return Fail(tokens_.error);
        if (out_.mesh.buffer.vertices.empty()) {
            error = "the file holds no mesh";
            return false;
        }
        return true;
    }
    std::string error;

private:
    bool Next(token& t) { return tokens_.Next(t); }
    // The first failure wins, the tokenizer's before the parser's, with the place of the token it
    // stopped at.
    bool Fail(const std::string& why) {
        if (error.empty()) error = (tokens_.error.empty() ? why : tokens_.error) + " at " + tokens_.Where();
        return false;
    }
    bool Expect(tok kind, const char* what) {
        token t;
        if (!Next(t) || t.kind != kind) return Fail(tokens_.error.empty() ? std::string("expected ") + what : tokens_.error);
        return true;
    }
    // Every number read must be finite: what the writer cannot write back is refused here.
    bool Number(double& v) {
        token t;
        if (!Next(t) || t.kind != tok::number) return Fail(tokens_.error.empty() ? "expected a number" : tokens_.error);
        if (t.out_of_range) return Fail("a number lies outside the range of float");
        if (std::isnan(t.number)) return Fail("a number is NaN");
        if (std::isinf(t.number)) return Fail("a number is infinite");
        v = t.number;
        return true;
    }
    bool Float(float& v) {
        double d;
        if (!Number(d)) return false;
        if (!NarrowToFloat(d, v)) return Fail("a number lies outside the range of float");
        return true;
    }
    // A count that the bytes left can hold (every value takes at least one byte).
    bool Count(uint32_t& n, const char* what) {
        double d;
        if (!Number(d)) return false;
        // Written so that NaN fails too.
        if (!(d >= 0 && d <= static_cast<double>(tokens_.Remaining())) || d != std::floor(d))
            return Fail(std::string("the ") + what + " count is larger than the file");
        n = static_cast<uint32_t>(d);
        return true;
    }
    // After the object's optional name: the opening brace.
    bool OpenObject(std::string* name) {
        token t;
        if (!Next(t)) return Fail("an object ends early");
        if (t.kind == tok::name) {
            if (name) *name = t.text;
            if (!Next(t)) return Fail("an object ends early");
        }
        if (t.kind != tok::open_brace) return Fail("expected '{'");
        return true;
    }
    // Skips to the end of the body whose opening brace was read.
    bool SkipBody() {
        int depth = 1;
        token t;
        while (depth > 0) {
            if (!Next(t)) return Fail(tokens_.error.empty() ? "an object is not closed" : tokens_.error);
            if (t.kind == tok::open_brace) ++depth;
            if (t.kind == tok::close_brace) --depth;
        }
        return true;
    }
    bool SkipToBraceAndBody() {
        token t;
        do {
            if (!Next(t)) return Fail("a template ends early");
        } while (t.kind != tok::open_brace);
        return SkipBody();
    }

    bool ParseObject(const std::string& type, const d3d_matrix& parent, int depth) {
        if (depth > kMaxDepth) return Fail("objects nest too deeply");
        std::string name;
        if (!OpenObject(&name)) return false;
        if (type == "Mesh") return ParseMesh(parent, depth);
        if (type == "Material") {
            mesh_material m;
            if (!ParseMaterialBody(m, depth)) return false;
            if (!name.empty()) named_materials_[name] = m;
            return true;
        }
        if (type == "Frame") {
            d3d_matrix local = MatrixIdentity();
            token t;
            for (;;) {
                if (!Next(t)) return Fail("a frame is not closed");
                if (t.kind == tok::close_brace) return true;
                if (t.kind == tok::open_brace) {
                    if (!SkipBody()) return false;
                } else if (t.kind == tok::name && t.text == "FrameTransformMatrix") {
                    if (!OpenObject(nullptr)) return false;
                    for (int i = 0; i < 16; ++i)
                        if (!Float(local.m[i / 4][i % 4])) return false;
                    if (!Expect(tok::close_brace, "'}'")) return false;
                } else if (t.kind == tok::name) {
                    if (!ParseObject(t.text, MatrixMultiply(local, parent), depth + 1)) return false;
                }
            }
        }
        return SkipBody();
    }

    bool ParseMaterialBody(mesh_material& m, int depth) {
        if (depth > kMaxDepth) return Fail("objects nest too deeply");
        d3d_material& d = m.material;
        if (!Float(d.diffuse.r) || !Float(d.diffuse.g) || !Float(d.diffuse.b) || !Float(d.diffuse.a) || !Float(d.power) ||
            !Float(d.specular.r) || !Float(d.specular.g) || !Float(d.specular.b) || !Float(d.emissive.r) ||
            !Float(d.emissive.g) || !Float(d.emissive.b))
            return false;
        token t;
        for (;;) {
            if (!Next(t)) return Fail("a material is not closed");
            if (t.kind == tok::close_brace) return true;
            if (t.kind == tok::open_brace) {
                if (!SkipBody()) return false;
            } else if (t.kind == tok::name && (t.text == "TextureFilename" || t.text == "TextureFileName")) {
                if (!OpenObject(nullptr)) return false;
                token s;
                if (!Next(s) || s.kind != tok::string) return Fail("expected a texture file name");
                m.texture_file = s.text;
                if (!Expect(tok::close_brace, "'}'")) return false;
            } else if (t.kind == tok::name) {
                if (!OpenObject(nullptr) || !SkipBody()) return false;
            }
        }
    }

    bool ParseMesh(const d3d_matrix& transform, int depth) {
        uint32_t nv, nf;
        if (!Count(nv, "vertex")) return false;
        std::vector<ModelVertex> vertices;
        for (uint32_t i = 0; i < nv; ++i) {
            ModelVertex v{};
            if (!Float(v.x) || !Float(v.y) || !Float(v.z)) return false;
            const d3d_vector3 p = TransformPoint({v.x, v.y, v.z}, transform);
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                return Fail("a frame transform moves a vertex beyond the range of float");
            v.x = p.x, v.y = p.y, v.z = p.z;
            vertices.push_back(v);
        }
        if (!Count(nf, "face")) return false;
        std::vector<std::vector<uint32_t>> faces;
        for (uint32_t i = 0; i < nf; ++i) {
            uint32_t n;
            if (!Count(n, "face corner")) return false;
            if (n < 3) return Fail("a face has fewer than three corners");
            std::vector<uint32_t> face(n);
            for (uint32_t& k : face) {
                double d;
                if (!Number(d)) return false;
                if (!(d >= 0 && d < nv)) return Fail("a face names a vertex the mesh does not have");
                k = static_cast<uint32_t>(d);
            }
            faces.push_back(std::move(face));
        }
        std::vector<uint32_t> face_materials;
        std::vector<mesh_material> materials;
        std::vector<d3d_vector3> normals;
        std::vector<std::vector<uint32_t>> face_normals;
        token t;
        for (;;) {
            if (!Next(t)) return Fail("a mesh is not closed");
            if (t.kind == tok::close_brace) break;
            if (t.kind == tok::open_brace) {
                if (!SkipBody()) return false;
                continue;
            }
            if (t.kind != tok::name) continue;
            if (t.text == "MeshNormals") {
                if (!OpenObject(nullptr)) return false;
                uint32_t nn, nfn;
                if (!Count(nn, "normal")) return false;
                for (uint32_t i = 0; i < nn; ++i) {
                    d3d_vector3 n;
                    if (!Float(n.x) || !Float(n.y) || !Float(n.z)) return false;
                    normals.push_back(n);
                }
                if (!Count(nfn, "face normal")) return false;
                if (nfn != nf) return Fail("the normals' face count differs from the mesh's");
                for (uint32_t i = 0; i < nfn; ++i) {
                    uint32_t n;
                    if (!Count(n, "face corner")) return false;
                    if (n != faces[i].size()) return Fail("a face's normals differ in count from its corners");
                    std::vector<uint32_t> idx(n);
                    for (uint32_t& k : idx) {
                        double d;
                        if (!Number(d)) return false;
                        if (!(d >= 0 && d < nn)) return Fail("a face names a normal the mesh does not have");
                        k = static_cast<uint32_t>(d);
                    }
                    face_normals.push_back(std::move(idx));
                }
                if (!Expect(tok::close_brace, "'}'")) return false;
            } else if (t.text == "MeshTextureCoords") {
                if (!OpenObject(nullptr)) return false;
                uint32_t n;
                if (!Count(n, "texture coordinate")) return false;
                for (uint32_t i = 0; i < n; ++i) {
                    float u, v;
                    if (!Float(u) || !Float(v)) return false;
                    if (i < nv) vertices[i].u = u, vertices[i].v = v;
                }
                if (!Expect(tok::close_brace, "'}'")) return false;
            } else if (t.text == "MeshMaterialList") {
                if (!OpenObject(nullptr)) return false;
                uint32_t nm, nfi;
                if (!Count(nm, "material") || !Count(nfi, "face material")) return false;
                for (uint32_t i = 0; i < nfi; ++i) {
                    double d;
                    if (!Number(d)) return false;
                    if (!(d >= 0 && d < nm)) return Fail("a face names a material the list does not have");
                    face_materials.push_back(static_cast<uint32_t>(d));
                }
                token c;
                for (;;) {
                    if (!Next(c)) return Fail("a material list is not closed");
                    if (c.kind == tok::close_brace) break;
                    if (c.kind == tok::open_brace) {
                        // A reference to a material declared at the top level.
                        token ref;
                        if (!Next(ref)) return Fail("a material reference ends early");
                        auto it = ref.kind == tok::name ? named_materials_.find(ref.text) : named_materials_.end();
                        if (it == named_materials_.end()) return Fail("a material reference names no material");
                        materials.push_back(it->second);
                        if (!Expect(tok::close_brace, "'}'")) return false;
                    } else if (c.kind == tok::name && c.text == "Material") {
                        mesh_material m;
                        if (!OpenObject(nullptr) || !ParseMaterialBody(m, depth + 1)) return false;
                        materials.push_back(m);
                    } else if (c.kind == tok::name) {
                        if (!OpenObject(nullptr) || !SkipBody()) return false;
                    }
                }
                if (materials.size() < nm) return Fail("a material list holds fewer materials than it says");
                materials.resize(nm);
            } else {
                if (!OpenObject(nullptr) || !SkipBody()) return false;
            }
        }
        return AddMesh(std::move(vertices), faces, normals, face_normals, face_materials, materials);
    }

    bool AddMesh(std::vector<ModelVertex> vertices, const std::vector<std::vector<uint32_t>>& faces,
                 const std::vector<d3d_vector3>& normals, const std::vector<std::vector<uint32_t>>& face_normals,
                 const std::vector<uint32_t>& face_materials, std::vector<mesh_material> materials) {
        // Vertices keep their numbers; a corner that gives a vertex a second normal gets a copy.
        const std::size_t original = vertices.size();
        std::vector<int64_t> normal_of(original, -1);
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> copies;
        std::vector<std::vector<uint32_t>> corners = faces;
        if (!face_normals.empty()) {
            for (std::size_t f = 0; f < faces.size(); ++f)
                for (std::size_t k = 0; k < faces[f].size(); ++k) {
                    const uint32_t v = faces[f][k], n = face_normals[f][k];
                    if (normal_of[v] < 0) {
                        normal_of[v] = n;
                        vertices[v].nx = normals[n].x, vertices[v].ny = normals[n].y, vertices[v].nz = normals[n].z;
                    } else if (normal_of[v] != n) {
                        auto [it, added] = copies.try_emplace({v, n}, static_cast<uint32_t>(vertices.size()));
                        if (added) {
                            ModelVertex copy = vertices[v];
                            copy.nx = normals[n].x, copy.ny = normals[n].y, copy.nz = normals[n].z;
                            vertices.push_back(copy);
                        }
                        corners[f][k] = it->second;
                    }
                }
        }
        d3d_mesh& mesh = out_.mesh;
        const std::size_t base = mesh.buffer.vertices.size();
        if (base + vertices.size() > kMaxMeshVertices) return Fail("the model has more than 65,535 vertices");
        const uint32_t material_base = static_cast<uint32_t>(out_.materials.size());
        if (materials.empty()) materials.push_back(mesh_material{});
        for (std::size_t f = 0; f < corners.size(); ++f) {
            uint32_t attribute = 0;
            if (!face_materials.empty())
                attribute = face_materials[std::min(f, face_materials.size() - 1)];
            if (attribute >= materials.size()) attribute = 0;
            for (std::size_t k = 2; k < corners[f].size(); ++k) {
                mesh.indices.push_back(static_cast<uint32_t>(base + corners[f][0]));
                mesh.indices.push_back(static_cast<uint32_t>(base + corners[f][k - 1]));
                mesh.indices.push_back(static_cast<uint32_t>(base + corners[f][k]));
                mesh.attributes.push_back(material_base + attribute);
            }
        }
        mesh.buffer.vertices.insert(mesh.buffer.vertices.end(), vertices.begin(), vertices.end());
        out_.materials.insert(out_.materials.end(), materials.begin(), materials.end());
        return true;
    }

    tokenizer& tokens_;
    mesh_file& out_;
    std::map<std::string, mesh_material> named_materials_;
};

// Inflates the blocks of a compressed file (after its 16-byte header). Each block may refer back
// into the output of the blocks before it.
bool Inflate(const unsigned char* data, std::size_t size, std::vector<uint8_t>& out, std::string* error) {
    byte_reader in(data, size);
    uint32_t total;
    if (!in.ReadU32(total) || total < 16 || total - 16 > kMaxInflated) {
        if (error) *error = "the compressed file's size is missing or out of range";
        return false;
    }
    const uint32_t expected = total - 16;
    out.clear();
    while (out.size() < expected) {
        uint16_t raw, packed;
        if (!in.ReadU16(raw) || !in.ReadU16(packed) || packed < 2 || packed > in.Remaining()) {
            if (error) *error = "a compressed block is cut short";
            return false;
        }
        const unsigned char* block = in.Take(packed);
        if (block[0] != 'C' || block[1] != 'K' || raw == 0 || raw > expected - out.size()) {
            if (error) *error = "a compressed block is malformed";
            return false;
        }
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            if (error) *error = "cannot start inflating";
            return false;
        }
        const std::size_t window = std::min<std::size_t>(out.size(), 32768);
        if (window > 0) inflateSetDictionary(&z, out.data() + out.size() - window, static_cast<uInt>(window));
        const std::size_t start = out.size();
        out.resize(start + raw);
        z.next_in = const_cast<Bytef*>(block + 2);
        z.avail_in = packed - 2u;
        z.next_out = out.data() + start;
        z.avail_out = raw;
        const int rc = inflate(&z, Z_FINISH);
        const bool ok = (rc == Z_STREAM_END || rc == Z_OK || rc == Z_BUF_ERROR) && z.avail_out == 0;
        inflateEnd(&z);
        if (!ok) {
            if (error) *error = "a compressed block does not inflate";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadXFile(const unsigned char* data, std::size_t size, mesh_file& out, std::string* error) {
    out = mesh_file{};
    if (size < 16 || std::memcmp(data, "xof ", 4) != 0) {
        if (error) *error = "not a .x file";
        return false;
    }
    const std::string format(reinterpret_cast<const char*>(data + 8), 4);
    const std::string float_size(reinterpret_cast<const char*>(data + 12), 4);
    if (float_size != "0032" && float_size != "0064") {
        if (error) *error = "unsupported float size " + float_size;
        return false;
    }
    std::vector<uint8_t> inflated;
    const unsigned char* body = data + 16;
    std::size_t body_size = size - 16;
    bool binary;
    if (format == "txt " || format == "bin ") {
        binary = format == "bin ";
    } else if (format == "tzip" || format == "bzip") {
        binary = format == "bzip";
        if (!Inflate(body, body_size, inflated, error)) return false;
        body = inflated.data();
        body_size = inflated.size();
    } else {
        if (error) *error = "unsupported .x format '" + format + "'";
        return false;
    }
    const bool compressed = body != data + 16;
    text_tokenizer text(body, body_size);
    binary_tokenizer bin(body, body_size, float_size == "0064", compressed ? 0 : 16, compressed);
    tokenizer& tokens = binary ? static_cast<tokenizer&>(bin) : text;
    x_parser parser(tokens, out);
    if (!parser.Parse()) {
        if (error) *error = parser.error;
        out = mesh_file{};
        return false;
    }
    out.mesh.SortByAttribute();
    return true;
}

namespace {

// The body in text form.
std::string TextBody(const mesh_file& in) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s.precision(9);
    const auto& vs = in.mesh.buffer.vertices;
    const std::size_t nf = in.mesh.attributes.size();
    auto faces = [&] {
        for (std::size_t f = 0; f < nf; ++f)
            s << "3;" << in.mesh.indices[3 * f] << ',' << in.mesh.indices[3 * f + 1] << ',' << in.mesh.indices[3 * f + 2]
              << (f + 1 < nf ? ";,\n" : ";;\n");
    };
    s << "Mesh {\n" << vs.size() << ";\n";
    for (std::size_t i = 0; i < vs.size(); ++i)
        s << vs[i].x << ';' << vs[i].y << ';' << vs[i].z << (i + 1 < vs.size() ? ";,\n" : ";;\n");
    s << nf << ";\n";
    faces();
    s << "MeshNormals {\n" << vs.size() << ";\n";
    for (std::size_t i = 0; i < vs.size(); ++i)
        s << vs[i].nx << ';' << vs[i].ny << ';' << vs[i].nz << (i + 1 < vs.size() ? ";,\n" : ";;\n");
    s << nf << ";\n";
    faces();
    s << "}\nMeshTextureCoords {\n" << vs.size() << ";\n";
    for (std::size_t i = 0; i < vs.size(); ++i) s << vs[i].u << ';' << vs[i].v << (i + 1 < vs.size() ? ";,\n" : ";;\n");
    s << "}\nMeshMaterialList {\n" << in.materials.size() << ";\n" << nf << ";\n";
    for (std::size_t f = 0; f < nf; ++f) s << in.mesh.attributes[f] << (f + 1 < nf ? ",\n" : ";\n");
    for (const mesh_material& m : in.materials) {
        const d3d_material& d = m.material;
        s << "Material {\n" << d.diffuse.r << ';' << d.diffuse.g << ';' << d.diffuse.b << ';' << d.diffuse.a << ";;\n"
          << d.power << ";\n" << d.specular.r << ';' << d.specular.g << ';' << d.specular.b << ";;\n" << d.emissive.r << ';'
          << d.emissive.g << ';' << d.emissive.b << ";;\n";
        if (!m.texture_file.empty()) s << "TextureFilename {\n\"" << m.texture_file << "\";\n}\n";
        s << "}\n";
    }
    s << "}\n}\n";
    return s.str();
}

class binary_body {
public:
    void Name(const std::string& n) {
        w.WriteU16(1);
        w.WriteU32(static_cast<uint32_t>(n.size()));
        w.WriteBytes(n.data(), n.size());
    }
    void Open() { w.WriteU16(10); }
    void Close() { w.WriteU16(11); }
    void Ints(const std::vector<uint32_t>& v) {
        w.WriteU16(6);
        w.WriteU32(static_cast<uint32_t>(v.size()));
        for (uint32_t x : v) w.WriteU32(x);
    }
    void Floats(const std::vector<float>& v) {
        w.WriteU16(7);
        w.WriteU32(static_cast<uint32_t>(v.size()));
        for (float x : v) w.WriteF32(x);
    }
    void String(const std::string& text) {
        w.WriteU16(2);
        w.WriteU32(static_cast<uint32_t>(text.size()));
        w.WriteBytes(text.data(), text.size());
        w.WriteU16(20);
    }
    byte_writer w;
};

std::vector<uint8_t> BinaryBody(const mesh_file& in) {
    binary_body b;
    const auto& vs = in.mesh.buffer.vertices;
    const std::size_t nf = in.mesh.attributes.size();
    std::vector<uint32_t> faces{static_cast<uint32_t>(nf)};
    for (std::size_t f = 0; f < nf; ++f) {
        faces.push_back(3);
        for (int k = 0; k < 3; ++k) faces.push_back(in.mesh.indices[3 * f + k]);
    }
    std::vector<float> positions, normals, uvs;
    for (const ModelVertex& v : vs) {
        positions.insert(positions.end(), {v.x, v.y, v.z});
        normals.insert(normals.end(), {v.nx, v.ny, v.nz});
        uvs.insert(uvs.end(), {v.u, v.v});
    }
    b.Name("Mesh");
    b.Open();
    b.Ints({static_cast<uint32_t>(vs.size())});
    b.Floats(positions);
    b.Ints(faces);
    b.Name("MeshNormals");
    b.Open();
    b.Ints({static_cast<uint32_t>(vs.size())});
    b.Floats(normals);
    b.Ints(faces);
    b.Close();
    b.Name("MeshTextureCoords");
    b.Open();
    b.Ints({static_cast<uint32_t>(vs.size())});
    b.Floats(uvs);
    b.Close();
    b.Name("MeshMaterialList");
    b.Open();
    std::vector<uint32_t> list{static_cast<uint32_t>(in.materials.size()), static_cast<uint32_t>(nf)};
    list.insert(list.end(), in.mesh.attributes.begin(), in.mesh.attributes.end());
    b.Ints(list);
    for (const mesh_material& m : in.materials) {
        const d3d_material& d = m.material;
        b.Name("Material");
        b.Open();
        b.Floats({d.diffuse.r, d.diffuse.g, d.diffuse.b, d.diffuse.a, d.power, d.specular.r, d.specular.g, d.specular.b,
                  d.emissive.r, d.emissive.g, d.emissive.b});
        if (!m.texture_file.empty()) {
            b.Name("TextureFilename");
            b.Open();
            b.String(m.texture_file);
            b.Close();
        }
        b.Close();
    }
    b.Close();
    b.Close();
    return std::move(b.w.Bytes());
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& body) {
    byte_writer w;
    w.WriteU32(static_cast<uint32_t>(body.size() + 16));
    for (std::size_t pos = 0; pos < body.size();) {
        const std::size_t raw = std::min<std::size_t>(body.size() - pos, 32768);
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::vector<uint8_t> packed(deflateBound(&z, static_cast<uLong>(raw)) + 16);
        z.next_in = const_cast<Bytef*>(body.data() + pos);
        z.avail_in = static_cast<uInt>(raw);
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        deflate(&z, Z_FINISH);
        const std::size_t n = packed.size() - z.avail_out;
        deflateEnd(&z);
        w.WriteU16(static_cast<uint16_t>(raw));
        w.WriteU16(static_cast<uint16_t>(n + 2));
        w.WriteBytes("CK", 2);
        w.WriteBytes(packed.data(), n);
        pos += raw;
    }
    return std::move(w.Bytes());
}

}  // namespace

namespace {

bool IsWritable(const mesh_file& in) {
    for (const ModelVertex& v : in.mesh.buffer.vertices)
        for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v})
            if (!std::isfinite(f)) return false;
    for (const mesh_material& m : in.materials) {
        const d3d_material& d = m.material;
        for (float f : {d.diffuse.r, d.diffuse.g, d.diffuse.b, d.diffuse.a, d.power, d.specular.r, d.specular.g,
                        d.specular.b, d.emissive.r, d.emissive.g, d.emissive.b})
            if (!std::isfinite(f)) return false;
        if (!IsWritableText(m.texture_file)) return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> WriteXFile(const mesh_file& in, x_format format) {
    if (!IsWritable(in)) return {};
    const bool binary = format == x_format::binary || format == x_format::compressed_binary;
    const bool compressed = format == x_format::compressed_text || format == x_format::compressed_binary;
    std::vector<uint8_t> body;
    if (binary) {
        body = BinaryBody(in);
    } else {
        const std::string text = TextBody(in);
        body.assign(text.begin(), text.end());
    }
    const char* kind = binary ? (compressed ? "bzip" : "bin ") : (compressed ? "tzip" : "txt ");
    std::string header = std::string("xof 0303") + kind + "0032";
    std::vector<uint8_t> out(header.begin(), header.end());
    if (compressed) body = Deflate(body);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}
