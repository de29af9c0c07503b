// The 2D head's display state.
#include "views/heads/head2d/viseme_head_state.h"

#include "views/heads/head2d/viseme_mesh.h"

namespace {
float g_lastAmount = 0.0f;

// Limits amount to the last one +-40, remembers it, then clamps it for display.
float LimitAmount(float amount) {
    if (amount > g_lastAmount + 40.0f) amount = g_lastAmount + 40.0f;
    if (amount < g_lastAmount - 40.0f) amount = g_lastAmount - 40.0f;
    g_lastAmount = amount;
    if (amount > 100.0f) amount = 100.0f;
    if (amount <= 2.0f) amount = 0.0f;
    return amount;
}
}  // namespace

float LastVisemeAmount() { return g_lastAmount; }

void ResetLastVisemeAmount() { g_lastAmount = 0.0f; }

void CVisemeHeadState::SetViseme(const char* label, int amount) {
    if (label != nullptr) {
        if (const char* mesh = VisemeMeshNameFor(label)) current = mesh;
    }
    mixMode = false;
    blend = LimitAmount(static_cast<float>(amount)) * 0.01f;
    previous = "x";
}

void CVisemeHeadState::SetVisemeMix(const ArticulationKey& key) {
    mix = key;
    if (mix.count < 0) mix.count = 0;
    if (mix.count > ArticulationKey::kMaxPairs) mix.count = ArticulationKey::kMaxPairs;
    mixMode = true;
}

void CVisemeHeadState::Click(const ShapeMap& shapes) {
    if (shapes.empty()) {
        current = "x";
    } else {
        auto it = shapes.find(current);
        if (it != shapes.end()) ++it;
        current = it == shapes.end() ? shapes.begin()->first : it->first;
    }
    previous.clear();
    blend = 1.0f;
}
