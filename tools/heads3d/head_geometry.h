// The parametric head of the built-in 3D characters: a head with a neck, lips that part along a
// mouth line, eyes, teeth, gums, tongue and a dark mouth cavity, and the shapes the mouth takes for
// each phoneme (jaw opening, lip rounding and spreading, lips pressed, lower lip to the upper
// teeth, tongue tip between the teeth).
#pragma once

#include <string>
#include <vector>

#include "views/heads/model_files/d3d_mesh.h"

// How far each articulator moves for one viseme, each 0..1.
struct mouth_pose {
    float jaw = 0;      // jaw opening
    float open = 0;     // lips parted beyond what the jaw gives
    float round = 0;    // lips rounded and pushed forward
    float spread = 0;   // lips spread sideways
    float closed = 0;   // lips pressed together
    float tuck = 0;     // lower lip raised under the upper teeth
    float tongue = 0;   // tongue tip forward between the teeth
    float tip = 0;      // tongue tip raised behind the upper teeth
};

// The pose of a phoneme code ("x" is the mouth at rest).
mouth_pose PoseOf(const std::string& code);

enum class head_detail { high, low };

// Paints lips, hair and eyebrows over a skin texel at texture coordinate (u, v) of the high-detail
// head (u around the head, v down it); out holds the skin colour on entry.
void HeadSkinTexel(float u, float v, float out[3]);

// Materials name their textures only in the high-detail head.
struct head_part {
    std::string name;
    mesh_file rest;  // rest positions, normals, texture coordinates, materials
    // What moves a vertex: 0 still, 1 head skin (with the weights below), 2 lower jaw, 3 tongue.
    std::vector<int> role;
    std::vector<float> jaw_weight, upper_lip, lower_lip, mouth_area, lip_edge, front;
};

class head_builder {
public:
    explicit head_builder(head_detail detail);
    // Parts in this order: Head, Gums (lower gums, tongue, mouth cavity), Teeth (lower teeth),
    // Eyes, UpperTeeth (upper teeth and gums).
    std::vector<head_part>& Parts() { return parts_; }
    // The part's mesh with its vertices moved to the pose.
    mesh_file Posed(const head_part& part, const mouth_pose& pose) const;
    // Pads a part with a hidden disc so that it has exactly `count` vertices (no-op when it has
    // that many or more).
    static void PadTo(head_part& part, std::size_t count, float cx, float cy, float cz, float radius);

private:
    void BuildHead();
    void BuildMouthParts();
    void BuildEyes();
    head_detail detail_;
    std::vector<head_part> parts_;
};

// Smooth vertex normals from the triangles, each pointing away from its vertex's centre.
void ComputeNormals(mesh_file& mesh, const std::vector<d3d_vector3>& centres);
