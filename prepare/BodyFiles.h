#pragma once

#include "generators/TriangleMesh.h"
#include "prepare/ModelPicture.h"

#include <string>

/// Writes the body as a TOFF file at `path` and the model's picture beside it, at the path
/// that bodyPicturePath (common/PreparedBodies.h) gives for its form, when `picture` holds
/// one. Each is written all or nothing, into a new file beside it that then replaces the old
/// one; the picture first, so that a body never stands beside a picture half written or
/// missing. Pictures beside `path` in the other forms, or in any form when `picture` holds
/// none, are left from an earlier run and removed. Returns an empty string on success, else
/// the file that could not be written and why, and then the body is as it was. A `pressure`
/// above 0 goes into the body's file as its record (writeMesh).
std::string writeBodyFiles(const TriangleMesh& body, const ModelPicture& picture,
                           const std::string& path, const std::string& comment,
                           float pressure = 0.0f);
