// Where "Save Compiled Character..." may write a character's compiled pack: the name it proposes
// and the files it must never replace. Used by the viewer bar before it writes.
#pragma once

#include <string>
#include <vector>

// The character file's name with the extension ".zcpk", beside it.
std::string ProposedPackPath(const std::string& character_path);

// The file among the character file and its sources (models, material libraries, textures) that
// writing a pack at target would replace, through any spelling or link, also one removed since
// the character was loaded; empty when target is none of them.
std::string PackTargetConflict(const std::string& target, const std::string& character_path,
                               const std::vector<std::string>& sources);

// The refusal shown when the chosen path is one of the character's own files.
std::string PackOverSourceMessage(const std::string& source);
