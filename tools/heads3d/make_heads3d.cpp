// make_heads3d: builds the built-in 3D heads. For each of the two it writes the models of every
// viseme as .x files and a character text file into a work folder, loads that character exactly as
// the program loads a user's character, and compiles it with the program's own pack writer into
// <output>/high_poly.zcpk and <output>/low_poly.zcpk. The character text files and the rest and
// extra models are copied beside the packs.
//
//   make_heads3d OUTPUT_FOLDER [WORK_FOLDER]
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/phoneme_codes.h"
#include "platform/safe_save.h"
#include "tools/heads3d/head_geometry.h"
#include "tools/heads3d/head_textures.h"
#include "views/heads/model_files/d3d_character.h"
#include "views/heads/model_files/x_file.h"

namespace fs = std::filesystem;

namespace {

bool Save(const fs::path& path, const std::vector<uint8_t>& bytes) {
    // Nothing to save means the writer refused the model.
    if (bytes.empty()) {
        std::fprintf(stderr, "make_heads3d: %s cannot be written\n", path.string().c_str());
        return false;
    }
    std::string error;
    if (!SaveBytesSafely(path.string(), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error)) {
        std::fprintf(stderr, "make_heads3d: %s\n", error.c_str());
        return false;
    }
    return true;
}

// The viseme file of a code; the mouth at rest is "Neutral".
std::string FileOf(const std::string& code) { return code == "x" ? "Neutral" : code; }

mesh_file Merge(const std::vector<mesh_file>& parts) {
    mesh_file out;
    for (const mesh_file& p : parts) {
        const auto base = static_cast<uint32_t>(out.mesh.buffer.vertices.size());
        const auto material_base = static_cast<uint32_t>(out.materials.size());
        out.mesh.buffer.vertices.insert(out.mesh.buffer.vertices.end(), p.mesh.buffer.vertices.begin(), p.mesh.buffer.vertices.end());
        for (uint32_t i : p.mesh.indices) out.mesh.indices.push_back(base + i);
        for (uint32_t a : p.mesh.attributes) out.mesh.attributes.push_back(material_base + a);
        out.materials.insert(out.materials.end(), p.materials.begin(), p.materials.end());
    }
    return out;
}

void Raise(mesh_file& m, float dy) {
    for (ModelVertex& v : m.mesh.buffer.vertices) v.y += dy;
}

std::vector<std::string> Codes() {
    std::vector<std::string> codes;
    for (const char* c : kPhonemeCodes) codes.emplace_back(c);
    return codes;
}

bool Compile(const fs::path& work, const fs::path& output, const std::string& name, const std::vector<std::string>& keep) {
    const fs::path previous = fs::current_path();
    fs::current_path(work);
    std::ifstream text(name + ".txt");
    d3d_character character;
    character.SetMessageSink([](const std::string& m) { std::fprintf(stderr, "make_heads3d: %s\n", m.c_str()); });
    std::string error;
    const bool loaded = character.LoadCharacterFile(text, "", nullptr, &error);
    // The built-in packs carry an empty label with no arrays before the phoneme labels.
    character.morphs[""] = VisemeMorph{};
    const std::vector<uint8_t> pack = loaded ? character.WriteCharacterPack(&error) : std::vector<uint8_t>{};
    fs::current_path(previous);
    if (pack.empty()) {
        std::fprintf(stderr, "make_heads3d: %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    VertexPool pool;
    for (const auto& [label, morph] : character.morphs) pool.Collect(morph);
    pool.Collect(character.rest_morph);
    std::printf("%s: %zu textures, %zu pool positions, %zu morphs, rest models", name.c_str(), character.textures.Textures().size(),
                pool.Size(), character.morphs.size());
    for (const d3d_model* m : character.rest_models) std::printf(" %d", m->VertexCount());
    std::printf(", %zu extra models, %zu bytes\n", character.aux_models.size(), pack.size());
    if (!Save(output / (name + ".zcpk"), pack)) return false;
    for (const std::string& file : keep) fs::copy_file(work / file, output / file, fs::copy_options::overwrite_existing);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_heads3d OUTPUT_FOLDER [WORK_FOLDER]\n");
        return 2;
    }
    const fs::path output = fs::absolute(argv[1]);
    const fs::path work = argc > 2 ? fs::absolute(argv[2]) : fs::temp_directory_path() / ("make_heads3d_" + std::to_string(getpid()));
    fs::create_directories(output);
    const std::vector<std::string> codes = Codes();

    // High detail: one model holding head, eyes, teeth, gums and tongue, with textures.
    {
        const fs::path dir = work / "high";
        fs::create_directories(dir);
        for (const head_texture_file& t : MakeHeadTextures())
            if (!Save(dir / t.name, t.bytes)) return 1;
        head_builder head(head_detail::high);
        std::ostringstream text;
        text << "# The high-detail built-in head: one model per viseme.\nsingle_model\n";
        for (const std::string& code : codes) {
            const mouth_pose pose = PoseOf(code);
            std::vector<mesh_file> parts;
            for (const head_part& p : head.Parts()) parts.push_back(head.Posed(p, pose));
            const mesh_file merged = Merge(parts);
            const bool rest = code == "x";
            // The rest model is the one the pack keeps: compressed. The others only feed morphs.
            const auto format = rest ? x_format::compressed_text : x_format::binary;
            if (!Save(dir / (FileOf(code) + ".x"), WriteXFile(merged, format))) return 1;
            text << code << " 1 " << FileOf(code) << ".x 1.0\n";
        }
        const std::string t = text.str();
        if (!Save(dir / "high_poly.txt", std::vector<uint8_t>(t.begin(), t.end()))) return 1;
        if (!Compile(dir, output, "high_poly", {"high_poly.txt"})) return 1;
    }
    // Low detail: head, gums and lower teeth morph; eyes and upper teeth are extra models.
    {
        const fs::path dir = work / "low";
        fs::create_directories(dir);
        head_builder head(head_detail::low);
        auto& parts = head.Parts();
        std::ostringstream text;
        text << "# The low-detail built-in head: Head, Gums and Teeth models per viseme.\n"
             << "AUX Eyes.x 0 0 0\nAUX UpperTeeth.x 0 0 0\n";
        for (const char* extra : {"Eyes", "UpperTeeth"}) {
            const head_part& p = extra[0] == 'E' ? parts[3] : parts[4];
            if (!Save(dir / (std::string(extra) + ".x"), WriteXFile(p.rest, x_format::text))) return 1;
        }
        for (const std::string& code : codes) {
            const mouth_pose pose = PoseOf(code);
            const std::string file = FileOf(code) + ".x";
            for (int k = 0; k < 3; ++k) {
                mesh_file m = head.Posed(parts[k], pose);
                // Loading a triple lowers its teeth by 0.75.
                if (k == 2) Raise(m, 0.75f);
                if (!Save(dir / (parts[k].name + file), WriteXFile(m, x_format::text))) return 1;
            }
            text << code << " 1 " << file << " 1.0\n";
        }
        const std::string t = text.str();
        if (!Save(dir / "low_poly.txt", std::vector<uint8_t>(t.begin(), t.end()))) return 1;
        if (!Compile(dir, output, "low_poly", {"low_poly.txt", "Eyes.x", "UpperTeeth.x", "HeadNeutral.x", "GumsNeutral.x", "TeethNeutral.x"}))
            return 1;
    }
    if (argc == 2) fs::remove_all(work);
    return 0;
}
