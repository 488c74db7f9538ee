#pragma once

#include <string>
#include <vector>

struct aiScene;

/// The picture a model names for its surface, in a form the program's texture takes.
struct ModelPicture {
    /// The picture file's bytes; empty when none was taken.
    std::vector<unsigned char> bytes;
    /// The form of `bytes`: "png", "jpg" or "tga".
    std::string extension;
    /// The picture as the model names it (a file's path, or "embedded picture N"); empty when
    /// the model names none.
    std::string name;
    /// Why the picture named was not taken; empty when it was, or when none is named.
    std::string problem;
};

/// The picture of the material that covers the most triangles of the scene, among the
/// materials that name one as their diffuse or base colour texture: a file, looked for beside
/// the model in `modelFolder` (none for a model read from memory), or a picture embedded in the
/// model. A PNG, JPEG or TGA picture that the program's image library decodes is taken as its
/// own bytes; an embedded picture of uncompressed pixels becomes a TGA file; any other picture
/// is not taken, and `problem` says why.
ModelPicture findModelPicture(const aiScene& scene, const std::string& modelFolder);
