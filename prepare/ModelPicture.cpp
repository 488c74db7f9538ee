#include "prepare/ModelPicture.h"

#include "generators/TgaWriter.h"
#include "image/ImageDecoder.h"
#include "image/ImageLayout.h"
#include "image/JpegLayout.h"
#include "image/PngLayout.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {

/// The picture a material names as its colour, or empty.
std::string namedPicture(const aiMaterial& material) {
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}) {
        aiString path;
        if (material.GetTextureCount(type) > 0 &&
            material.GetTexture(type, 0, &path) == AI_SUCCESS && path.length > 0) {
            return path.C_Str();
        }
    }
    return std::string();
}

/// glTF names its files as URIs, with %20 for a blank.
std::string percentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '%' && k + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[k + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[k + 2]))) {
            decoded.push_back(static_cast<char>(std::stoi(text.substr(k + 1, 2), nullptr, 16)));
            k += 2;
        } else {
            decoded.push_back(text[k]);
        }
    }
    return decoded;
}

/// Where a picture file the model names may lie: as named, relative to the model's folder;
/// with the backslashes of models made on Windows as slashes; with a URI's escapes decoded;
/// last, its file name alone beside the model, as models copied without their folders have it.
std::vector<std::string> placesOf(const std::string& name, const std::string& folder) {
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (slashed.rfind("file://", 0) == 0) {
        slashed.erase(0, 7);
    }
    auto beside = [&folder](const std::string& path) {
        return path.empty() || path[0] == '/' || folder.empty() ? path : folder + "/" + path;
    };
    const std::string fileName = slashed.substr(slashed.rfind('/') + 1);
    return {beside(name), beside(slashed), beside(percentDecoded(slashed)), beside(fileName),
            beside(percentDecoded(fileName))};
}

bool readPictureFile(const std::string& path, std::vector<unsigned char>& bytes,
                     std::string& problem) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        problem = std::strerror(errno);
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || static_cast<std::size_t>(size) > maxImageFileBytes) {
        problem = "the file is larger than an image file may be";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!file) {
        problem = "the file cannot be read";
        return false;
    }
    return true;
}

/// Takes the bytes when the image library decodes them, as the program will.
void takeWhenDecoded(ModelPicture& picture, std::vector<unsigned char> bytes) {
    DecodedImage decoded;
    if (!decodeImage(bytes.data(), bytes.size(), decoded, picture.problem)) {
        return;
    }
    picture.extension = isPng(bytes.data(), bytes.size())    ? "png"
                        : isJpeg(bytes.data(), bytes.size()) ? "jpg"
                                                             : "tga";
    picture.bytes = std::move(bytes);
}

/// An embedded picture of uncompressed pixels (blue, green, red, alpha; the top row first)
/// as a TGA file.
void takeTexels(ModelPicture& picture, const aiTexture& texture) {
    if (texture.mWidth > static_cast<unsigned>(maxImageSide) ||
        texture.mHeight > static_cast<unsigned>(maxImageSide)) {
        picture.problem = "the picture is larger than " + std::to_string(maxImageSide) + " x " +
                          std::to_string(maxImageSide) + " pixels";
        return;
    }
    const int width = static_cast<int>(texture.mWidth);
    const int height = static_cast<int>(texture.mHeight);
    Image image(width, height, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const aiTexel& texel = texture.pcData[static_cast<std::size_t>(y) * width + x];
            uint8_t* pixel = image.pixel(x, height - 1 - y);
            pixel[0] = texel.r;
            pixel[1] = texel.g;
            pixel[2] = texel.b;
            pixel[3] = texel.a;
        }
    }
    std::ostringstream tga;
    writeTga(image, tga);
    const std::string text = tga.str();
    takeWhenDecoded(picture, std::vector<unsigned char>(text.begin(), text.end()));
}

/// The material that covers the most triangles among those that name a picture; -1 when none
/// does.
int mostCoveringMaterial(const aiScene& scene) {
    std::map<unsigned, std::size_t> triangles;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            triangles[mesh.mMaterialIndex] += mesh.mFaces[f].mNumIndices == 3 ? 1 : 0;
        }
    }
    int best = -1;
    std::size_t bestTriangles = 0;
    for (const auto& [material, count] : triangles) {
        if (material < scene.mNumMaterials && count > bestTriangles &&
            !namedPicture(*scene.mMaterials[material]).empty()) {
            best = static_cast<int>(material);
            bestTriangles = count;
        }
    }
    return best;
}

} // namespace

ModelPicture findModelPicture(const aiScene& scene, const std::string& modelFolder) {
    ModelPicture picture;
    const int material = mostCoveringMaterial(scene);
    if (material < 0) {
        return picture;
    }
    const std::string named = namedPicture(*scene.mMaterials[material]);
    picture.name = named;
    if (const auto [texture, index] = scene.GetEmbeddedTextureAndIndex(named.c_str()); texture) {
        picture.name = "embedded picture " + std::to_string(index);
        if (texture->pcData == nullptr) {
            picture.problem = "the model holds no pixels for it";
        } else if (texture->mHeight == 0) {
            const auto* data = reinterpret_cast<const unsigned char*>(texture->pcData);
            takeWhenDecoded(picture, std::vector<unsigned char>(data, data + texture->mWidth));
        } else {
            takeTexels(picture, *texture);
        }
        return picture;
    }
    if (named[0] == '*') {
        picture.problem = "the model names an embedded picture that it does not hold";
        return picture;
    }
    if (modelFolder.empty()) {
        picture.problem = "a model read from memory has no files beside it";
        return picture;
    }
    std::string firstProblem;
    for (const std::string& place : placesOf(named, modelFolder)) {
        std::vector<unsigned char> bytes;
        std::string problem;
        if (readPictureFile(place, bytes, problem)) {
            takeWhenDecoded(picture, std::move(bytes));
            return picture;
        }
        firstProblem = firstProblem.empty() ? problem : firstProblem;
    }
    picture.problem = "the file cannot be read (" + firstProblem + ")";
    return picture;
}
