// Our reader and writer of .x model files in their text, binary and compressed forms (the
// compressed form is either of the others in deflate blocks). Reading gathers every mesh of the
// file, frame transforms applied, into one mesh with its normals, texture coordinates and
// materials; vertices whose faces give them different normals are split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "views/heads/model_files/d3d_mesh.h"

enum class x_format { text, binary, compressed_text, compressed_binary };

// False with a reason when the bytes are no .x file we read or are malformed; a number that is
// not finite or lies beyond float, or a text with '"' or a control character, is refused with
// its place (line, or byte offset).
bool ReadXFile(const unsigned char* data, std::size_t size, mesh_file& out, std::string* error);

// False for a name or string holding '"' or a control character, which the text form cannot carry
// (it has no escapes); every reader of a model refuses such a name.
bool IsWritableText(const std::string& text);

// One mesh with per-vertex normals and texture coordinates; materials are written inline. Empty
// when the mesh holds what the reader refuses: a number that is not finite, or a texture file
// name with '"' or a control character (the text form has no escapes).
std::vector<uint8_t> WriteXFile(const mesh_file& in, x_format format);
