#pragma once

#include "mpsystem/BodyMesh.h"

#include <string>

/// Reads the body file at `path` at once, as N reads a body: held to the budget of
/// readModelFile, and read only when its first word is OFF or TOFF, so that no file can end the
/// program. `mass` is the mass of a point at or above y = 0. False, with one line naming the file
/// in `problem`, when it cannot be read, is no body file, is malformed or holds no faces.
bool readBodyFile(const std::string& path, float mass, BodyMesh& mesh, std::string& problem);
