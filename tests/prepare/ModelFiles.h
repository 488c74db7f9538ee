#pragma once

// Small models written by the tests in the forms users bring.

#include "generators/TriangleMesh.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

/// A file in the temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& suffix) {
        char name[] = "/tmp/prepare-test-XXXXXX";
        const int fd = mkstemp(name);
        close(fd);
        std::remove(name);
        path_ = std::string(name) + suffix;
    }
    ~TempFile() { std::remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }
    void write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
    bool exists() const { return std::ifstream(path_).good(); }
    std::string read() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string path_;
};

/// The mesh as an OBJ file, with its texture coordinates when it has them.
inline std::string objText(const TriangleMesh& mesh) {
    std::string text = "# test model\n";
    for (const SbVec3f& p : mesh.points) {
        text += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
                std::to_string(p[2]) + "\n";
    }
    for (const SbVec2f& t : mesh.texCoords) {
        text += "vt " + std::to_string(t[0]) + " " + std::to_string(t[1]) + "\n";
    }
    for (const auto& t : mesh.triangles) {
        text += "f";
        for (int32_t corner : t) {
            const std::string k = std::to_string(corner + 1);
            text += " " + k + (mesh.texCoords.empty() ? "" : "/" + k);
        }
        text += "\n";
    }
    return text;
}

/// The mesh as a text STL file: every triangle with corners of its own, as STL has no shared
/// points.
inline std::string stlText(const TriangleMesh& mesh) {
    std::string text = "solid test\n";
    for (const auto& t : mesh.triangles) {
        text += "facet normal 0 0 0\nouter loop\n";
        for (int32_t corner : t) {
            const SbVec3f& p = mesh.points[corner];
            text += "vertex " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
                    std::to_string(p[2]) + "\n";
        }
        text += "endloop\nendfacet\n";
    }
    return text + "endsolid test\n";
}

inline std::string base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t k = 0; k < bytes.size(); k += 3) {
        const std::size_t left = bytes.size() - k;
        uint32_t group = static_cast<uint8_t>(bytes[k]) << 16;
        group |= left > 1 ? static_cast<uint8_t>(bytes[k + 1]) << 8 : 0;
        group |= left > 2 ? static_cast<uint8_t>(bytes[k + 2]) : 0;
        for (int d = 0; d < 4; ++d) {
            text.push_back(d <= static_cast<int>(left) ? digits[(group >> (18 - 6 * d)) & 63]
                                                       : '=');
        }
    }
    return text;
}

/// The mesh as a glTF file with everything in it: its points, texture coordinates and
/// triangles in one buffer, and a picture of the given type as its base colour, both as data
/// URIs.
inline std::string gltfText(const TriangleMesh& mesh, const std::string& picture,
                            const std::string& mimeType) {
    std::string buffer;
    auto put = [&buffer](const void* data, std::size_t size) {
        buffer.append(static_cast<const char*>(data), size);
    };
    for (const SbVec3f& p : mesh.points) {
        put(p.getValue(), 12);
    }
    for (const SbVec2f& t : mesh.texCoords) {
        put(t.getValue(), 8);
    }
    for (const auto& t : mesh.triangles) {
        put(t.data(), 12);
    }
    const std::size_t n = mesh.points.size();
    const std::string points = std::to_string(n);
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
"nodes": [{"mesh": 0}],
"meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2,
  "material": 0}]}],
"materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
"textures": [{"source": 0}],
"images": [{"uri": "data:)" +
           mimeType + ";base64," + base64(picture) + R"("}],
"buffers": [{"byteLength": )" +
           std::to_string(buffer.size()) + R"(, "uri": "data:application/octet-stream;base64,)" +
           base64(buffer) + R"("}],
"bufferViews": [
  {"buffer": 0, "byteOffset": 0, "byteLength": )" +
           std::to_string(12 * n) + R"(},
  {"buffer": 0, "byteOffset": )" +
           std::to_string(12 * n) + R"(, "byteLength": )" + std::to_string(8 * n) + R"(},
  {"buffer": 0, "byteOffset": )" +
           std::to_string(20 * n) + R"(, "byteLength": )" +
           std::to_string(12 * mesh.triangles.size()) + R"(}],
"accessors": [
  {"bufferView": 0, "componentType": 5126, "count": )" +
           points + R"(, "type": "VEC3", "min": [-9, -9, -9], "max": [9, 9, 9]},
  {"bufferView": 1, "componentType": 5126, "count": )" +
           points + R"(, "type": "VEC2"},
  {"bufferView": 2, "componentType": 5125, "count": )" +
           std::to_string(3 * mesh.triangles.size()) + R"(, "type": "SCALAR"}]}
)";
}
