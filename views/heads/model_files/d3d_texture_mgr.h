// The per-head cache of textures: every model of one head shares a texture by its full name, and a
// bare file name (base name, dot, extension) finds it too, which is how models stored in a
// compiled character pack, which name their textures without a folder, find theirs.
// Used on the user-interface thread while a character loads; read-only afterwards.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_texture.h"

class byte_reader;
class byte_writer;

// A texture that could not be used: its full name and why, as a clause ("it is empty").
struct texture_failure {
    std::string name;
    std::string why;
};
// The Output Window's line for it: "the texture NAME cannot be shown: WHY".
std::string TextureFailureWarning(const texture_failure& failure);

class d3d_texture_mgr {
public:
    virtual ~d3d_texture_mgr() { ReleaseAll(); }

    // Keeps the texture under its full name unless one is already there, and points its bare
    // file name at it (a later texture with the same bare name takes the alias over).
    void Add(const std::shared_ptr<d3d_texture>& texture, const std::string& full_name);
    // By full name, else by bare name through the aliases; null when neither is known.
    std::shared_ptr<d3d_texture> Find(const std::string& name) const;
    // The texture stored under name (a full name, no aliases) without regard to case; null when none is.
    std::shared_ptr<d3d_texture> FindFullIgnoringCase(const std::string& name) const;
    // The texture whose bare name matches bare without regard to case; null when none does.
    std::shared_ptr<d3d_texture> FindBareIgnoringCase(const std::string& bare) const;
    // Textures that could not be read or decoded, each once, with the reason; a name noted here
    // is not tried again by the models that share it.
    void NoteFailure(const std::string& full_name, const std::string& why);
    bool HasFailed(const std::string& full_name) const;
    const std::vector<texture_failure>& Failures() const { return failures_; }
    const std::set<std::string>& FailedNames() const { return failed_; }
    // Drops every texture; the aliases stay.
    virtual void ReleaseAll();

    // The texture section of a compiled character pack. Each texture is written as the image
    // bytes it was decoded from; names under folder (the character's) are stored relative to it,
    // so that the pack's models find them by their own folder and same-named images stay apart.
    void WritePack(byte_writer& out, const std::string& folder = "") const;
    // False with a reason when the section is cut short or holds counts beyond its bytes. Images
    // that do not decode are left out; the models that use them draw untextured.
    bool ReadPack(byte_reader& in, std::string* error);

    const std::map<std::string, std::shared_ptr<d3d_texture>>& Textures() const { return textures_; }
    const std::map<std::string, std::string>& Aliases() const { return aliases_; }

private:
    std::map<std::string, std::shared_ptr<d3d_texture>> textures_;
    std::map<std::string, std::string> aliases_;
    std::set<std::string> failed_;
    std::vector<texture_failure> failures_;
};

// Base name + "." + extension of a path.
std::string BareFileName(const std::string& path);
