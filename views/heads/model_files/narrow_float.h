// Narrowing a number read from a model file to the float the meshes hold. Only finite values that
// round to a finite float pass: the mesh writers, the vertex pool's ordering and drawing all rely on it.
#pragma once

#include <cmath>

// The smallest magnitude that rounds to infinity as a float (FLT_MAX plus half its last place):
// anything below rounds to at most FLT_MAX, which the writers' nine digits give back exactly.
constexpr double kFloatOverflow = 0x1.ffffffp+127;

inline bool NarrowToFloat(double value, float& out) {
    if (!std::isfinite(value) || std::fabs(value) >= kFloatOverflow) return false;
    out = static_cast<float>(value);
    return true;
}
