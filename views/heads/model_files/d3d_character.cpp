// Character text files, compiled character packs, and the centring that makes models and morphs
// agree.
#include "views/heads/model_files/d3d_character.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <streambuf>
#include <strings.h>

#include "platform/resource_table.h"
#include "views/heads/model_files/byte_stream.h"
#include "views/heads/model_files/file_name_match.h"
#include "views/heads/model_files/pack_text.h"

namespace {

constexpr const char* kResourceFolder = "resource";
constexpr const char* kModelResourceType = "MODELS";

bool IsResourceFolder(const std::string& folder) { return strcasecmp(folder.c_str(), kResourceFolder) == 0; }

bool IsObjName(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot, ".obj") == 0;
}

// The whitespace-separated tokens of a character text file, each with the line it starts on.
class character_tokens {
public:
    explicit character_tokens(std::istream& in) : in_(*in.rdbuf()) {}

    // False at the end of the file.
    bool Next(std::string& token) {
        token.clear();
        int c = in_.sbumpc();
        while (c != EOF && IsBlank(c)) {
            if (c == '\n') ++line_;
            c = in_.sbumpc();
        }
        if (c == EOF) return false;
        token_line_ = line_;
        while (c != EOF && !IsBlank(c)) {
            token += static_cast<char>(c);
            c = in_.sbumpc();
        }
        // The blank after the token stays: a comment ends at the end of its own line.
        if (c != EOF) in_.sungetc();
        return true;
    }
    // After "#": up to 1,023 further characters of the line are a comment.
    void SkipComment() {
        for (int n = 0; n < 1023; ++n) {
            const int c = in_.sbumpc();
            if (c == EOF) return;
            if (c == '\n') {
                ++line_;
                return;
            }
        }
    }
    int Line() const { return token_line_; }

private:
    // White space as the C locale has it, whatever the user's locale.
    static bool IsBlank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

    std::streambuf& in_;
    int line_ = 1;
    int token_line_ = 1;
};

// Numbers are read the same whatever the user's locale: a decimal point, an optional sign.
template <typename T>
std::from_chars_result ParseNumber(const std::string& token, T& value) {
    const char* first = token.data();
    const char* last = token.data() + token.size();
    if (first != last && *first == '+') ++first;
    return std::from_chars(first, last, value);
}

// Why a token is no weight or offset; empty when it is a whole number that float holds.
std::string FloatProblem(const std::string& token, float& value) {
    float v = 0;
    const std::from_chars_result r = ParseNumber(token, v);
    if (r.ptr != token.data() + token.size() || token.empty()) return "not a number";
    if (r.ec == std::errc::result_out_of_range) {
        // Too small for float is as good as nothing; too large is refused.
        double d = 0;
        if (ParseNumber(token, d).ec == std::errc() && std::fabs(d) < 1) {
            value = static_cast<float>(d);
            return {};
        }
        return "beyond the range of float";
    }
    if (std::isinf(v)) return "beyond the range of float";
    if (r.ec != std::errc() || std::isnan(v)) return "not a number";
    value = v;
    return {};
}

bool ParseCount(const std::string& token, int& value) {
    const std::from_chars_result r = ParseNumber(token, value);
    return !token.empty() && r.ec == std::errc() && r.ptr == token.data() + token.size();
}

bool AllFinite(const d3d_model& model) {
    int n;
    const float* p = model.GetPositions(n);
    for (int i = 0; i < 3 * n; ++i)
        if (!std::isfinite(p[i])) return false;
    return true;
}

bool AllFinite(const VisemeMorph& morph) {
    for (const auto& array : morph.arrays)
        for (const d3d_vector3& p : array)
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
    return true;
}

std::string AtLine(int line) { return "line " + std::to_string(line) + ": "; }

}  // namespace

void VertexPool::Collect(const VisemeMorph& morph) {
    for (const auto& array : morph.arrays)
        for (const d3d_vector3& p : array)
            if (index_.emplace(p, static_cast<int32_t>(positions_.size())).second) positions_.push_back(p);
}

int32_t VertexPool::IndexOf(const d3d_vector3& p) const {
    auto it = index_.find(p);
    return it == index_.end() ? -1 : it->second;
}

void VertexPool::Write(byte_writer& out) const {
    out.WriteI32(static_cast<int32_t>(positions_.size()));
    for (const d3d_vector3& p : positions_) {
        out.WriteF32(p.x);
        out.WriteF32(p.y);
        out.WriteF32(p.z);
    }
}

bool VertexPool::Read(byte_reader& in, std::string* error) {
    positions_.clear();
    index_.clear();
    int32_t count;
    if (!ReadPackCount(in, 12, count, "pool position", error)) return false;
    positions_.resize(static_cast<std::size_t>(count));
    for (d3d_vector3& p : positions_) {
        const std::size_t at = in.Position();
        in.ReadF32(p.x);
        in.ReadF32(p.y);
        in.ReadF32(p.z);
        // NaN would also break the ordering the pool's index relies on when the pack is written.
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            if (error) *error = "a pool position at byte " + std::to_string(at) + " is not finite";
            positions_.clear();
            return false;
        }
    }
    return true;
}

d3d_vector3 VertexPool::At(int64_t i) const {
    if (i < 0 || i >= static_cast<int64_t>(positions_.size())) return {};
    return positions_[static_cast<std::size_t>(i)];
}

void WriteVisemeMorph(byte_writer& out, const VisemeMorph& morph, const VertexPool& pool) {
    out.WriteI32(static_cast<int32_t>(morph.arrays.size()));
    for (const auto& array : morph.arrays) {
        out.WriteI32(static_cast<int32_t>(array.size()));
        for (const d3d_vector3& p : array) out.WriteI32(pool.IndexOf(p));
    }
}

bool ReadVisemeMorph(byte_reader& in, VisemeMorph& morph, const VertexPool& pool, std::string* error) {
    int32_t arrays;
    if (!ReadPackCount(in, 4, arrays, "morph array", error)) return false;
    morph.arrays.assign(static_cast<std::size_t>(arrays), {});
    for (auto& array : morph.arrays) {
        int32_t count;
        if (!ReadPackCount(in, 4, count, "morph position", error)) return false;
        array.resize(static_cast<std::size_t>(count));
        for (d3d_vector3& p : array) {
            int32_t index = -1;
            in.ReadI32(index);
            p = pool.At(index);
        }
    }
    return true;
}

d3d_model* d3d_character::LoadModel(const std::string& folder, const std::string& name, std::string* error) {
    auto cached = model_cache.find(name);
    if (cached != model_cache.end() && cached->second) return cached->second.get();
    auto model = std::make_unique<d3d_model>();
    bool ok;
    if (IsResourceFolder(folder)) {
        const ResourceBytes bytes = FindEmbeddedResource(kModelResourceType, name.c_str());
        ok = bytes.data && model->LoadFromMemory(textures, bytes.data, bytes.size, kModelKindX, error);
    } else {
        const std::string path = FindFileIgnoringCase(folder + name);
        ok = model->LoadFromFile(textures, path, IsObjName(path) ? kModelKindObj : kModelKindX, error);
    }
    if (!ok) return nullptr;
    d3d_model* result = model.get();
    model_cache[name] = std::move(model);
    model_sources[name] = folder;
    return result;
}

bool d3d_character::LoadModelSet(const std::string& folder, const std::string& file, ModelSet& set, bool triple) {
    set.models.clear();
    if (!triple) {
        if (d3d_model* m = LoadModel(folder, file)) set.models.push_back(m);
        return !set.models.empty();
    }
    d3d_model* head = LoadModel(folder, "Head" + file);
    if (!head) return false;
    d3d_model* gums = LoadModel(folder, "Gums" + file);
    if (!gums) return false;
    d3d_model* teeth = LoadModel(folder, "Teeth" + file);
    if (!teeth) return false;
    set.models = {teeth, gums, head};
    teeth->Offset(0, -0.75f, 0);
    if (file == "Rest.x") {
        int count;
        if (ModelVertex* v = head->LockVertices(count)) {
            for (int i = 0; i < count; ++i) v[i].y -= 0.6f;
            head->UnlockVertices(v, true);
        }
    }
    return true;
}

VisemeMorph d3d_character::BuildVisemeMorph(const std::vector<std::pair<ModelSet, float>>& pairs) const {
    VisemeMorph morph;
    std::size_t largest = 0;
    for (const auto& [set, weight] : pairs) largest = std::max(largest, set.models.size());
    morph.arrays.resize(largest);
    for (const auto& [set, weight] : pairs)
        for (std::size_t j = 0; j < set.models.size(); ++j) {
            int count;
            const float* p = set.models[j]->GetPositions(count);
            auto& array = morph.arrays[j];
            if (array.size() < static_cast<std::size_t>(count)) array.resize(static_cast<std::size_t>(count));
            for (int k = 0; k < count; ++k) {
                array[k].x += weight * p[3 * k];
                array[k].y += weight * p[3 * k + 1];
                array[k].z += weight * p[3 * k + 2];
            }
        }
    return morph;
}

bool d3d_character::LoadCharacterFile(std::istream& in, const std::string& folder, const progress_fn& progress,
                                      std::string* error) {
    // A file that asks for more memory than there is ends its own load, never the program.
    try {
        return LoadCharacterText(in, folder, progress, error);
    } catch (const std::bad_alloc&) {
        if (error) *error = "there is not enough memory to load the character";
        return false;
    }
}

bool d3d_character::LoadCharacterText(std::istream& in, const std::string& folder, const progress_fn& progress,
                                      std::string* error) {
    morphs.clear();
    folder_ = IsResourceFolder(folder) ? std::string() : folder;
    int line_count = 0;
    if (progress) {
        std::string line;
        while (std::getline(in, line))
            if (!line.empty() && line[0] != '#' && !std::isspace(static_cast<unsigned char>(line[0]))) ++line_count;
        in.clear();
        in.seekg(0);
    }
    // A file that stops making sense is refused where it does, never shown as far as it got: a
    // character cut short draws nothing or only some of its mouth shapes.
    auto fail = [error](int at, const std::string& why) {
        if (error) *error = AtLine(at) + why;
        return false;
    };
    auto number = [&](const std::string& what, const std::string& token, int at, float& value) {
        const std::string problem = FloatProblem(token, value);
        return problem.empty() || fail(at, what + " is '" + token + "', " + problem);
    };
    bool triple = true;
    bool message_shown = false;
    std::string first_failure;
    std::string rest_file;
    std::map<std::string, ModelSet> sets;
    std::map<std::string, int> label_lines;  // where each morph was made, to name it
    int line = 0;
    character_tokens tokens(in);
    std::string token;
    while (tokens.Next(token)) {
        const int at = tokens.Line();
        if (token == "#") {
            tokens.SkipComment();
            continue;
        }
        if (token == "AUX") {
            --line_count;
            std::string name, value;
            float offset[3];
            if (!tokens.Next(name)) return fail(at, "the file ends before the name of the extra model");
            for (float& v : offset) {
                if (!tokens.Next(value)) return fail(at, "the file ends inside the line of the extra model '" + name + "'");
                if (!number("the offset of the extra model '" + name + "'", value, tokens.Line(), v)) return false;
            }
            if (d3d_model* m = LoadModel(folder, name)) {
                m->Offset(offset[0], offset[1], offset[2]);
                if (!AllFinite(*m))
                    return fail(at, "the offset moves the extra model '" + name + "' beyond the range of float");
                aux_models.push_back(m);
            }
            continue;
        }
        if (token == "single_model") {
            --line_count;
            triple = false;
            continue;
        }
        std::string value;
        int count = 0;
        if (!tokens.Next(value)) return fail(at, "the file ends before the count of the label '" + token + "'");
        if (!ParseCount(value, count))
            return fail(at, "the label '" + token + "' is followed by '" + value + "', not a count of viseme files");
        std::vector<std::pair<ModelSet, float>> pairs;
        bool complete = true;
        for (int i = 0; i < count; ++i) {
            std::string file;
            float weight = 0;
            if (!tokens.Next(file) || !tokens.Next(value))
                return fail(at, "the file ends inside the line of the label '" + token + "'");
            if (!number("the weight of '" + file + "'", value, tokens.Line(), weight)) return false;
            if (token == "x") rest_file = file;
            auto known = sets.find(file);
            if (known == sets.end()) {
                ModelSet set;
                if (LoadModelSet(folder, file, set, triple)) {
                    known = sets.emplace(file, set).first;
                } else {
                    if (!message_shown) {
                        message_shown = true;
                        first_failure = file;
                        char text[512];
                        std::snprintf(text, sizeof text, kVisemeFileMessage, file.c_str());
                        if (message_) message_(text);
                    }
                    complete = false;
                    continue;
                }
            }
            pairs.emplace_back(known->second, weight);
        }
        if (complete) {
            VisemeMorph& morph = morphs[token] = BuildVisemeMorph(pairs);
            if (!AllFinite(morph))
                return fail(at, "the weights of '" + token + "' move its positions beyond the range of float");
            label_lines[token] = at;
            if (token == "x") rest_morph = morph;
        }
        ++line;
        if (progress && progress(line, line_count)) {
            if (error) *error = "loading was cancelled";
            return false;
        }
    }
    auto rest = sets.find(rest_file);
    rest_models = rest != sets.end() ? rest->second.models : std::vector<d3d_model*>{};
    // Only the drawn models go into a pack; the others live on in the morphs.
    for (const auto& [name, model] : model_cache)
        if (std::find(rest_models.begin(), rest_models.end(), model.get()) == rest_models.end() &&
            std::find(aux_models.begin(), aux_models.end(), model.get()) == aux_models.end())
            model->ReleaseSourceBytes();
    CenterModels();
    if (message_shown) {
        if (error) *error = "the viseme file '" + first_failure + "' cannot be loaded";
        return false;
    }
    // The centre lies within the models, so only a morph weighted far beyond them can leave float.
    for (const auto& [label, morph] : morphs)
        if (!AllFinite(morph))
            return fail(label_lines[label], "the morph '" + label + "' lies too far from the models' centre for float");
    if (rest_models.empty() && aux_models.empty()) {
        if (error) *error = "it names no model to draw";
        return false;
    }
    return CheckMorphs(error);
}

void d3d_character::CenterModels() {
    for (int a = 0; a < 3; ++a) bounds_min[a] = FLT_MAX, bounds_max[a] = -FLT_MAX;
    bool any = false;
    for (const auto& [name, model] : model_cache) {
        if (!model || model->VertexCount() == 0) continue;
        any = true;
        float lo[3], hi[3];
        model->GetBounds(lo, hi);
        for (int a = 0; a < 3; ++a) {
            bounds_min[a] = std::min(bounds_min[a], lo[a]);
            bounds_max[a] = std::max(bounds_max[a], hi[a]);
        }
    }
    if (!any)
        for (int a = 0; a < 3; ++a) bounds_min[a] = bounds_max[a] = 0;
    for (int a = 0; a < 3; ++a) {
        // In double: the sum of two bounds beyond half of float's range would overflow it.
        centre[a] = static_cast<float>((static_cast<double>(bounds_min[a]) + bounds_max[a]) * 0.5);
        bounds_min[a] -= centre[a];
        bounds_max[a] -= centre[a];
    }
    for (const auto& [name, model] : model_cache)
        if (model) model->Offset(-centre[0], -centre[1], -centre[2]);
    for (auto& [label, morph] : morphs)
        for (auto& array : morph.arrays)
            for (d3d_vector3& p : array) p.x -= centre[0], p.y -= centre[1], p.z -= centre[2];
    auto x = morphs.find("x");
    if (x != morphs.end()) rest_morph = x->second;
}

bool d3d_character::CheckMorphs(std::string* error) const {
    // Morphing writes array j of a morph into rest model j and blends it with the rest morph's
    // array j, so neither may hold fewer positions than the morph. Arrays beyond the rest models
    // are never read.
    auto fits = [&](const std::string& label, const VisemeMorph& morph) {
        for (std::size_t j = 0; j < morph.arrays.size() && j < rest_models.size(); ++j) {
            const std::size_t n = morph.arrays[j].size();
            if (n > static_cast<std::size_t>(rest_models[j]->VertexCount())) {
                if (error) *error = "the morph '" + label + "' holds more positions than its rest model";
                return false;
            }
            if (n > 0 && (j >= rest_morph.arrays.size() || rest_morph.arrays[j].size() < n)) {
                if (error) *error = "the rest morph holds fewer positions than the morph '" + label + "'";
                return false;
            }
        }
        return true;
    };
    for (const auto& [label, morph] : morphs)
        if (!fits(label, morph)) return false;
    return true;
}

std::vector<std::string> d3d_character::SourceFiles() const {
    std::vector<std::string> files;
    for (const auto& [name, model] : model_cache)
        if (model)
            for (const std::string& path : model->SourcePaths()) files.push_back(path);
    for (const auto& [name, texture] : textures.Textures()) files.push_back(name);
    files.insert(files.end(), textures.FailedNames().begin(), textures.FailedNames().end());
    return files;
}

std::string d3d_character::CharacterPackModelName(const d3d_model* model) const {
    for (const auto& [name, m] : model_cache)
        if (m.get() == model) return name;
    return {};
}

void d3d_character::WritePackModels(byte_writer& out, const std::vector<d3d_model*>& models) const {
    out.WriteI32(static_cast<int32_t>(models.size()));
    for (const d3d_model* model : models) {
        out.WriteText(CharacterPackModelName(model));
        // The bytes the model was loaded from: the pack holds the character as shown, whatever
        // has happened to its files since.
        const std::vector<uint8_t>& bytes = model->SourceBytes();
        out.WriteI32(static_cast<int32_t>(bytes.size()));
        out.WriteBytes(bytes.data(), bytes.size());
    }
}

std::vector<uint8_t> d3d_character::WriteCharacterPack(std::string* error) const {
    byte_writer out;
    textures.WritePack(out, folder_);
    VertexPool pool;
    for (const auto& [label, morph] : morphs) pool.Collect(morph);
    pool.Collect(rest_morph);
    pool.Write(out);
    out.WriteI32(static_cast<int32_t>(morphs.size()));
    for (const auto& [label, morph] : morphs) {
        out.WriteText(label);
        WriteVisemeMorph(out, morph, pool);
    }
    WritePackModels(out, rest_models);
    WriteVisemeMorph(out, rest_morph, pool);
    WritePackModels(out, aux_models);
    for (float v : bounds_min) out.WriteF32(v);
    for (float v : bounds_max) out.WriteF32(v);
    for (float v : centre) out.WriteF32(v);
    std::vector<uint8_t> pack = std::move(out.Bytes());
    // A pack its own reader refuses is a character lost: importing it shows another head. What
    // the reader checks (positions within float once the stored models are moved by the centre,
    // morphs that fit their models) is checked by reading the pack back.
    d3d_character back;
    std::string why;
    if (!back.ReadCharacterPack(pack.data(), pack.size(), &why)) {
        if (error) *error = "its pack would not read back: " + why;
        return {};
    }
    return pack;
}

bool d3d_character::ReadPackModels(byte_reader& in, std::vector<d3d_model*>& into, std::string* error) {
    int32_t count;
    if (!ReadPackCount(in, 8, count, "model", error)) return false;
    for (int32_t i = 0; i < count; ++i) {
        std::string name;
        if (!ReadPackText(in, name, error)) return false;
        int32_t size;
        if (!ReadPackCount(in, 1, size, "model data size", error)) return false;
        const unsigned char* bytes = in.Take(static_cast<std::size_t>(size));
        // A model listed twice (drawn as rest and as extra model, say) is one model, as when
        // the character was loaded from its text file.
        if (auto known = model_cache.find(name); known != model_cache.end()) {
            into.push_back(known->second.get());
            continue;
        }
        auto model = std::make_unique<d3d_model>();
        // The stored name says which reader the bytes are for, and its folder (relative to the
        // character's) where the model's textures were stored.
        const std::string named = WithForwardSlashes(name);
        const std::size_t slash = named.rfind('/');
        const std::string texture_folder = slash == std::string::npos ? std::string() : named.substr(0, slash + 1);
        if (!model->LoadFromMemory(textures, bytes, static_cast<std::size_t>(size),
                                   IsObjName(name) ? kModelKindObj : kModelKindX, nullptr, texture_folder))
            continue;
        into.push_back(model.get());
        model_cache[name] = std::move(model);
    }
    return true;
}

bool d3d_character::ReadCharacterPack(const unsigned char* data, std::size_t size, std::string* error,
                                      std::size_t* consumed) {
    try {
        return ReadPack(data, size, error, consumed);
    } catch (const std::bad_alloc&) {
        if (error) *error = "there is not enough memory to load the character";
        return false;
    }
}

bool d3d_character::ReadPack(const unsigned char* data, std::size_t size, std::string* error, std::size_t* consumed) {
    morphs.clear();
    folder_.clear();
    byte_reader in(data, size);
    VertexPool pool;
    if (!textures.ReadPack(in, error) || !pool.Read(in, error)) return false;
    int32_t count;
    if (!ReadPackCount(in, 8, count, "morph", error)) return false;
    for (int32_t i = 0; i < count; ++i) {
        std::string label;
        VisemeMorph morph;
        if (!ReadPackText(in, label, error) || !ReadVisemeMorph(in, morph, pool, error)) return false;
        morphs[label] = std::move(morph);
    }
    if (!ReadPackModels(in, rest_models, error) || !ReadVisemeMorph(in, rest_morph, pool, error) ||
        !ReadPackModels(in, aux_models, error))
        return false;
    float bounds[9];
    for (float& v : bounds) {
        const std::size_t at = in.Position();
        if (!in.ReadF32(v)) {
            if (error) *error = "the pack ends inside its bounds";
            return false;
        }
        if (!std::isfinite(v)) {
            if (error) *error = "a bound at byte " + std::to_string(at) + " is not finite";
            return false;
        }
    }
    for (int a = 0; a < 3; ++a) bounds_min[a] = bounds[a], bounds_max[a] = bounds[3 + a], centre[a] = bounds[6 + a];
    for (const auto& [name, model] : model_cache) {
        model->Offset(-centre[0], -centre[1], -centre[2]);
        // Finite positions and a finite centre may still sum beyond float.
        if (!AllFinite(*model)) {
            if (error) *error = "the pack's centre moves model '" + name + "' beyond the range of float";
            return false;
        }
    }
    if (consumed) *consumed = in.Position();
    if (!CheckMorphs(error)) return false;
    // The stored models are the files as read; the rest morph is where the drawn models stand
    // (a triple's lower teeth, for one, were moved when the character was made).
    for (std::size_t j = 0; j < rest_models.size() && j < rest_morph.arrays.size(); ++j) {
        int n;
        ModelVertex* v = rest_models[j]->LockVertices(n);
        if (!v) continue;
        const auto& array = rest_morph.arrays[j];
        for (std::size_t k = 0; k < array.size() && k < static_cast<std::size_t>(n); ++k)
            v[k].x = array[k].x, v[k].y = array[k].y, v[k].z = array[k].z;
        rest_models[j]->UnlockVertices(v, false);
    }
    return true;
}
