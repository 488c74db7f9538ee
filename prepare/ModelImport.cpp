#include "prepare/ModelImport.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Objects are put where the file's scene places them and merged, so several objects become
// one body; welding and dropping faces is left to our own clean-up, which welds by position
// alone (the library would keep apart corners whose normals differ, as in every STL file).
constexpr unsigned importSteps = aiProcess_Triangulate | aiProcess_PreTransformVertices;

/// Polygons (faces of three or more corners) in the scene as the file gives it.
int64_t countPolygons(const aiScene& scene, int64_t& points) {
    int64_t polygons = 0;
    points = 0;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        points += mesh.mNumVertices;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            polygons += mesh.mFaces[f].mNumIndices >= 3 ? 1 : 0;
        }
    }
    return polygons;
}

/// The library's messages can span lines; a user gets one.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

ImportedModel failed(const std::string& error) {
    ImportedModel model;
    model.error = error;
    return model;
}

/// The file's polygons as triangles, once the library has read the file with no steps of its
/// own: counted first, as the file has them, so that a file of points or lines alone is told
/// apart from one the library fails on. The picture of a textured model is looked for beside
/// it in `modelFolder`.
ImportedModel collect(const aiScene* scene, Assimp::Importer& importer,
                      const std::string& modelFolder) {
    if (scene == nullptr) {
        return failed("not a model the import library can read (" +
                      oneLine(importer.GetErrorString()) + ")");
    }
    int64_t pointsRead = 0;
    const int64_t facesRead = countPolygons(*scene, pointsRead);
    if (facesRead == 0) {
        return failed("the model has no faces");
    }
    scene = importer.ApplyPostProcessing(importSteps);
    if (scene == nullptr) {
        return failed("not a model the import library can read (" +
                      oneLine(importer.GetErrorString()) + ")");
    }
    ImportedModel model;
    model.pointsRead = pointsRead;
    model.facesRead = facesRead;
    TriangleMesh& mesh = model.mesh;
    // Texture coordinates count only when every object has them; a body textured in parts
    // would show the image stretched over the rest.
    bool everyMeshTextured = scene->mNumMeshes > 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        everyMeshTextured = everyMeshTextured && scene->mMeshes[m]->HasTextureCoords(0);
    }
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& source = *scene->mMeshes[m];
        const int64_t base = static_cast<int64_t>(mesh.points.size());
        if (base + source.mNumVertices > INT32_MAX) {
            return failed("the model has more points than a body can hold");
        }
        for (unsigned i = 0; i < source.mNumVertices; ++i) {
            const aiVector3D& p = source.mVertices[i];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                return failed("the model has coordinates that are not finite numbers");
            }
            mesh.points.emplace_back(p.x, p.y, p.z);
            if (everyMeshTextured) {
                const aiVector3D& t = source.mTextureCoords[0][i];
                const bool finite = std::isfinite(t.x) && std::isfinite(t.y);
                mesh.texCoords.emplace_back(finite ? t.x : 0.0f, finite ? t.y : 0.0f);
            }
        }
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) {
                continue;
            }
            std::array<int32_t, 3> triangle{};
            bool inside = true;
            for (int k = 0; k < 3; ++k) {
                inside = inside && face.mIndices[k] < source.mNumVertices;
                triangle[k] = static_cast<int32_t>(base + face.mIndices[k]);
            }
            if (!inside) {
                return failed("the model has a face with a point index beyond its points");
            }
            mesh.triangles.push_back(triangle);
        }
    }
    if (mesh.triangles.empty()) {
        return failed("the model has no faces");
    }
    if (everyMeshTextured) {
        model.picture = findModelPicture(*scene, modelFolder);
    }
    return model;
}

/// Where the first word of an OFF file stands, when it is one of the OFF keywords (OFF, COFF,
/// NOFF, CNOFF, STOFF, ...) written with small letters, which the import library refuses
/// though other programs write them; npos otherwise.
size_t lowerCaseOffKeyword(const std::string& head) {
    const size_t start = head.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) {
        return std::string::npos;
    }
    size_t end = start;
    while (end < head.size() && std::isalpha(static_cast<unsigned char>(head[end]))) {
        ++end;
    }
    std::string word = head.substr(start, end - start);
    const bool hasSmall =
        std::any_of(word.begin(), word.end(), [](unsigned char c) { return std::islower(c) != 0; });
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const bool isKeyword =
        word.size() >= 3 && word.size() <= 6 && word.compare(word.size() - 3, 3, "OFF") == 0;
    return hasSmall && isKeyword ? start : std::string::npos;
}

} // namespace

ImportedModel importModel(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return failed(std::string("cannot be read (") + std::strerror(errno) + ")");
    }
    if (file.peek() == std::ifstream::traits_type::eof()) {
        return failed("the file is empty");
    }
    char head[64] = {};
    file.read(head, sizeof head - 1);
    if (lowerCaseOffKeyword(head) != std::string::npos) {
        file.clear();
        file.seekg(0);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return importModel(bytes.data(), bytes.size(), "off");
    }
    file.close();
    Assimp::Importer importer;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return collect(importer.ReadFile(path, 0), importer, folder.empty() ? "." : folder);
}

ImportedModel importModel(const void* bytes, std::size_t size, const char* extension) {
    if (size == 0) {
        return failed("the file is empty");
    }
    const char* text = static_cast<const char*>(bytes);
    const size_t start = lowerCaseOffKeyword(std::string(text, std::min<size_t>(size, 63)));
    std::string capitals;
    if (start != std::string::npos) {
        capitals.assign(text, size);
        for (size_t k = start; k < size && std::isalpha(static_cast<unsigned char>(text[k])); ++k) {
            capitals[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[k])));
        }
        bytes = capitals.data();
    }
    Assimp::Importer importer;
    return collect(importer.ReadFileFromMemory(bytes, size, 0, extension), importer, "");
}
