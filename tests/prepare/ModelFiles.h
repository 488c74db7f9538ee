#pragma once

// Small models written by the tests in the forms users bring.

#include "generators/TriangleMesh.h"

#include <cstdio>
#include <fstream>
#include <string>

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
