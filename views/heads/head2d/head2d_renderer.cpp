// Drawing of the 2D head.
#include "views/heads/head2d/head2d_renderer.h"

#include <QPainter>
#include <QPolygon>

#include "model/debug_output.h"
#include "platform/resource_table.h"

namespace {
QColor ToColor(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }
}  // namespace

void DrawMesh(QPainter& painter, const CFlatShaded2dMesh& mesh, const std::vector<Vertex2>* positions, float dx,
              float dy) {
    const std::vector<Vertex2>& at = positions ? *positions : mesh.vertices;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPolygon polygon;
    for (const Mesh2dPart& part : mesh.parts) {
        polygon.clear();
        for (int32_t index : part.corners) {
            if (index < 0 || static_cast<size_t>(index) >= at.size()) continue;
            polygon << QPoint(static_cast<int>(at[size_t(index)].x + dx), static_cast<int>(at[size_t(index)].y + dy));
        }
        if (polygon.size() < 2) continue;
        painter.setBrush(ToColor(part.colour));
        painter.drawPolygon(polygon);
    }
    painter.restore();
}

void DrawVisemeSet(QPainter& painter, const VisemeMeshSet& set, float dx, float dy) {
    DrawMesh(painter, set.mouth, nullptr, dx, dy);
    DrawMesh(painter, set.bottomTeeth, nullptr, dx, dy);
    DrawMesh(painter, set.topTeeth, nullptr, dx, dy);
    DrawMesh(painter, set.face, nullptr, dx, dy);
}

void DrawVisemeSetBlended(QPainter& painter, const VisemeMeshSet& set, const VisemeMeshSet& from, float t, float dx,
                          float dy) {
    auto blended = [&](const CFlatShaded2dMesh& mesh, const CFlatShaded2dMesh& source) {
        const std::vector<Vertex2> at = mesh.Blended(source, t);
        if (at.size() == mesh.vertices.size()) DrawMesh(painter, mesh, &at, dx, dy);
    };
    blended(set.mouth, from.mouth);
    blended(set.bottomTeeth, from.bottomTeeth);
    DrawMesh(painter, set.topTeeth, nullptr, dx, dy);
    blended(set.face, from.face);
}

VisemeShapes LoadVisemeShapes() {
    VisemeShapes shapes;
    std::map<std::string, bool> done;
    for (const auto& [code, meshName] : VisemePhonemeMap()) {
        if (done[meshName]) continue;
        done[meshName] = true;
        const ResourceBytes bytes =
            FindEmbeddedResource(kVisemeResourceType, VisemeResourceName(meshName).c_str());
        VisemeMeshSet set;
        if (!set.Load(reinterpret_cast<const char*>(bytes.data), bytes.size)) continue;
        if (!set.face.vertices.empty() && shapes.mixShape.topTeeth.vertices.empty()) {
            shapes.mixShape.topTeeth = set.topTeeth;
        }
        const std::string name = set.name;
        shapes.sets[name] = std::move(set);
    }
    return shapes;
}

void RenderVisemeHead(QImage& image, const CVisemeHeadState& state, VisemeShapes& shapes) {
    if (image.isNull()) return;
    image.fill(Qt::white);
    QPainter painter(&image);
    const float dx = image.width() * 0.5f, dy = 12.0f;
    if (state.mixMode) {
        std::vector<std::pair<const CFlatShaded2dMesh*, float>> faces, mouths, bottoms;
        for (int i = 0; i < state.mix.count && i < ArticulationKey::kMaxPairs; ++i) {
            const ArticulationPair& pair = state.mix.pairs[i];
            const std::string code(pair.code, strnlen(pair.code, sizeof pair.code));
            const char* meshName = VisemeMeshNameFor(code);
            auto it = shapes.sets.find(meshName ? meshName : "x");
            if (it == shapes.sets.end()) {
                debug_output("Can't find phoneme");
                continue;
            }
            faces.emplace_back(&it->second.face, pair.weight);
            mouths.emplace_back(&it->second.mouth, pair.weight);
            bottoms.emplace_back(&it->second.bottomTeeth, pair.weight);
        }
        shapes.mixShape.face.WeightedSum(faces);
        shapes.mixShape.mouth.WeightedSum(mouths);
        shapes.mixShape.bottomTeeth.WeightedSum(bottoms);
        DrawVisemeSet(painter, shapes.mixShape, dx, dy);
        return;
    }
    auto current = shapes.sets.find(state.current);
    if (current == shapes.sets.end()) return;
    auto previous = shapes.sets.find(state.previous);
    if (state.blend != 1.0f && previous != shapes.sets.end()) {
        DrawVisemeSetBlended(painter, current->second, previous->second, state.blend, dx, dy);
    } else {
        DrawVisemeSet(painter, current->second, dx, dy);
    }
}
