// A 3D character: its models, textures and the morph of every phoneme label, read from a
// character text file (which names the model files of each viseme) or from a compiled character
// pack (".zcpk", which stores the computed morphs, the drawn models and the texture images in one
// file). The head view owns one and draws and morphs it; loading happens on the user-interface
// thread before the view is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_matrix.h"
#include "views/heads/model_files/d3d_model.h"
#include "views/heads/model_files/d3d_texture_mgr.h"

class byte_reader;
class byte_writer;

// One position array per rest model, in rest-model order.
struct VisemeMorph {
    std::vector<std::vector<d3d_vector3>> arrays;
};

// The models of one viseme file: one model, or Teeth, Gums, Head.
struct ModelSet {
    std::vector<d3d_model*> models;
};

// Distinct positions of all morphs, each stored once; ordered by x, then y, then z.
class VertexPool {
public:
    void Collect(const VisemeMorph& morph);
    int32_t IndexOf(const d3d_vector3& p) const;
    void Write(byte_writer& out) const;
    bool Read(byte_reader& in, std::string* error);
    // Position i, or (0, 0, 0) when i is outside the list.
    d3d_vector3 At(int64_t i) const;
    std::size_t Size() const { return positions_.size(); }

private:
    struct less {
        bool operator()(const d3d_vector3& a, const d3d_vector3& b) const {
            if (a.x != b.x) return a.x < b.x;
            if (a.y != b.y) return a.y < b.y;
            return a.z < b.z;
        }
    };
    std::vector<d3d_vector3> positions_;
    std::map<d3d_vector3, int32_t, less> index_;
};

void WriteVisemeMorph(byte_writer& out, const VisemeMorph& morph, const VertexPool& pool);
bool ReadVisemeMorph(byte_reader& in, VisemeMorph& morph, const VertexPool& pool, std::string* error);

// The text shown for the first viseme file of a load that cannot be read.
constexpr const char* kVisemeFileMessage = "The specified viseme file '%s' cannot be loaded";

class d3d_character {
public:
    // Line number and line count; returns true when the user cancelled.
    using progress_fn = std::function<bool(int, int)>;
    using message_fn = std::function<void(const std::string&)>;

    // Reads a character text file whose model files lie in folder (ending in a separator, or
    // "resource" for the program's built-in models). True when every viseme file loaded, the
    // morphs fit the rest models and there is a model to draw; error says what failed, with its
    // line when a line makes no sense or takes a position beyond the range of float.
    bool LoadCharacterFile(std::istream& in, const std::string& folder, const progress_fn& progress = nullptr,
                           std::string* error = nullptr);
    // Reads a compiled character pack; false with a reason when it is cut short, holds counts
    // larger than its data, or its morphs do not fit its rest models. consumed: bytes read.
    bool ReadCharacterPack(const unsigned char* data, std::size_t size, std::string* error = nullptr,
                           std::size_t* consumed = nullptr);
    // The character as shown: the morphs, the drawn models as the bytes they were loaded from
    // and the texture images as decoded, never files read again. Empty, with a reason, when the
    // pack would not read back (a model the stored centre moves beyond float, say).
    std::vector<uint8_t> WriteCharacterPack(std::string* error = nullptr) const;
    // The files a character read from a text file was built from (models, material libraries,
    // textures, also those that did not load), which a pack must not be written over.
    std::vector<std::string> SourceFiles() const;

    d3d_model* LoadModel(const std::string& folder, const std::string& name, std::string* error = nullptr);
    bool LoadModelSet(const std::string& folder, const std::string& file, ModelSet& set, bool triple);
    VisemeMorph BuildVisemeMorph(const std::vector<std::pair<ModelSet, float>>& pairs) const;
    void CenterModels();
    std::string CharacterPackModelName(const d3d_model* model) const;

    void SetMessageSink(message_fn sink) { message_ = std::move(sink); }

    d3d_texture_mgr textures;
    std::map<std::string, VisemeMorph> morphs;
    std::map<std::string, std::unique_ptr<d3d_model>> model_cache;
    std::map<std::string, std::string> model_sources;
    std::vector<d3d_model*> rest_models;
    VisemeMorph rest_morph;
    std::vector<d3d_model*> aux_models;
    float bounds_min[3] = {0, 0, 0};
    float bounds_max[3] = {0, 0, 0};
    float centre[3] = {0, 0, 0};

private:
    bool CheckMorphs(std::string* error) const;
    bool ReadPackModels(byte_reader& in, std::vector<d3d_model*>& into, std::string* error);
    void WritePackModels(byte_writer& out, const std::vector<d3d_model*>& models) const;

    bool LoadCharacterText(std::istream& in, const std::string& folder, const progress_fn& progress,
                           std::string* error);
    bool ReadPack(const unsigned char* data, std::size_t size, std::string* error, std::size_t* consumed);

    message_fn message_;
    // The folder of the character text file; empty for a pack or the built-in models.
    std::string folder_;
};
