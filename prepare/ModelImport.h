#pragma once

#include "generators/TriangleMesh.h"
#include "prepare/ModelPicture.h"

#include <cstddef>
#include <cstdint>
#include <string>

/// A model file as the import library hands it over: every object of the file in one triangle
/// list, each in its place in the file's scene, polygons split into triangles, lines and
/// points left out. Nothing is welded yet, so an STL file gives three points per triangle.
struct ImportedModel {
    TriangleMesh mesh;
    /// Points and polygons the file holds, as the library counts them.
    int64_t pointsRead = 0;
    int64_t facesRead = 0;
    /// The picture the model names for its surface, looked for only when every object has
    /// texture coordinates.
    ModelPicture picture;
    /// One line saying what is wrong with the file (without its name); empty when it was read.
    std::string error;
};

/// Reads a model file of any form the import library knows (OFF and its variants, OBJ, PLY,
/// STL, glTF/GLB, ...). A file that cannot be read, is empty, is of no known form, has no
/// faces or has coordinates that are not finite numbers leaves `error` set and the mesh empty.
ImportedModel importModel(const std::string& path);

/// The same for the bytes of a file in memory; `extension` (such as "obj") tells the library
/// which form to expect when the bytes alone do not.
ImportedModel importModel(const void* bytes, std::size_t size, const char* extension);
