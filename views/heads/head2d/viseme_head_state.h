// What the 2D head shows: the current and previous mouth shape and the blend between them, or the
// last weighted mix; the phoneme -> shape rules, the rate limit on the amount and the click order.
// No toolkit; the head view keeps one.
#pragma once

#include <map>
#include <string>

#include "model/articulation_key.h"

struct VisemeMeshSet;

// The amount shown last by any 2D head: each new amount may move at most 40 from it. Shared by
// every 2D head of the process; the heads' thread (the GUI thread) only.
float LastVisemeAmount();
void ResetLastVisemeAmount();

class CVisemeHeadState {
public:
    using ShapeMap = std::map<std::string, VisemeMeshSet>;

    // The shape of the phoneme (kept when the phoneme has none) blended from the closed mouth at
    // the amount (0..100), limited against the last amount.
    void SetViseme(const char* label, int amount);
    void SetVisemeMix(const ArticulationKey& key);
    // Steps to the next shape in name order (wrapping), shown whole.
    void Click(const ShapeMap& shapes);

    std::string current = "IY";
    std::string previous;
    float blend = 1.0f;
    bool mixMode = false;
    ArticulationKey mix{};
};
