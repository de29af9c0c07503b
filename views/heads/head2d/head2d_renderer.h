// Drawing of the 2D head with QPainter: meshes as outline-free filled polygons, shape sets whole or
// blended, and a whole frame of the head for a display state. GUI thread (or any thread that owns
// the image it draws into).
#pragma once

#include <QImage>
#include <map>
#include <string>
#include <vector>

#include "views/heads/head2d/viseme_head_state.h"
#include "views/heads/head2d/viseme_mesh.h"

class QPainter;

// Polygons of the mesh at the given vertex positions (the mesh's own when null), moved by dx, dy
// and truncated to whole pixels.
void DrawMesh(QPainter& painter, const CFlatShaded2dMesh& mesh, const std::vector<Vertex2>* positions, float dx,
              float dy);
// Mouth, bottom teeth, top teeth, face.
void DrawVisemeSet(QPainter& painter, const VisemeMeshSet& set, float dx, float dy);
// Mouth, bottom teeth and face blended from `from` at t; the top teeth of `set` only.
void DrawVisemeSetBlended(QPainter& painter, const VisemeMeshSet& set, const VisemeMeshSet& from, float t, float dx,
                          float dy);

// The built-in shapes keyed by their mesh names, and the mix shape (carrying the first loaded
// shape's top teeth, "AA"'s). Shapes whose resource is missing or malformed are left out.
struct VisemeShapes {
    std::map<std::string, VisemeMeshSet> sets;
    VisemeMeshSet mixShape;
};
VisemeShapes LoadVisemeShapes();

// One frame of the head: white, then the state's shape at (width / 2, 12). Mixing writes the mix
// shape. Names of mixed codes without a shape are reported through the debug output.
void RenderVisemeHead(QImage& image, const CVisemeHeadState& state, VisemeShapes& shapes);
