#pragma once

#include <Inventor/SbVec3f.h>

#include <cmath>

/// True when all three components are finite numbers. Nothing that fails this may enter the
/// simulation's state: one infinity or NaN would spread through every later force and contact.
inline bool isFinite(const SbVec3f& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

/// Settings come from the command line unchecked; a value that is not a finite number would make
/// every later force undefined, so it counts as 0.
inline float finiteOrZero(float x) {
    return std::isfinite(x) ? x : 0.0f;
}
