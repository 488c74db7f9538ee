#include "generators/TriangleMesh.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <sstream>

namespace {

/// Every distinct pair of points joined by a triangle edge or a strut, as (smaller << 32 |
/// larger), sorted. Sorting packed keys keeps it linear in memory even for million-point bodies.
std::vector<uint64_t> springKeys(const TriangleMesh& mesh) {
    std::vector<uint64_t> keys;
    keys.reserve(mesh.triangles.size() * 3 + mesh.struts.size());
    auto addPair = [&keys](int32_t first, int32_t second) {
        uint32_t a = static_cast<uint32_t>(first);
        uint32_t b = static_cast<uint32_t>(second);
        if (a > b) {
            std::swap(a, b);
        }
        keys.push_back((static_cast<uint64_t>(a) << 32) | b);
    };
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) {
            addPair(t[k], t[(k + 1) % 3]);
        }
    }
    for (const auto& s : mesh.struts) {
        addPair(s[0], s[1]);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

} // namespace

int64_t countEdges(const TriangleMesh& mesh) {
    return static_cast<int64_t>(springKeys(mesh).size());
}

int32_t mostSpringsAtAPoint(const TriangleMesh& mesh) {
    std::vector<int32_t> springs(mesh.points.size(), 0);
    for (uint64_t key : springKeys(mesh)) {
        ++springs[static_cast<std::size_t>(key >> 32)];
        ++springs[static_cast<std::size_t>(key & 0xffffffffu)];
    }
    return springs.empty() ? 0 : *std::max_element(springs.begin(), springs.end());
}

bool writeMesh(const TriangleMesh& mesh, MeshForm form, std::ostream& out,
               const std::string& comment, float pressure) {
    const bool withTex = form == MeshForm::Toff;
    if (withTex && mesh.texCoords.size() != mesh.points.size()) {
        return false;
    }
    out << (withTex ? "TOFF" : "OFF") << '\n';
    if (!comment.empty()) {
        out << "# " << comment << '\n';
    }
    if (pressure > 0.0f) {
        // Every digit a float needs, whatever locale the stream carries.
        char record[64];
        std::snprintf(record, sizeof record, "# pressure %.9g\n", static_cast<double>(pressure));
        out << record;
    }
    out << mesh.points.size() << ' ' << mesh.triangles.size() + mesh.struts.size() << ' '
        << countEdges(mesh) << '\n';

    // snprintf gives the same digits whatever locale the stream carries.
    char line[512]; // five floats at full range need about 240 characters
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        const SbVec3f& p = mesh.points[i];
        int n = std::snprintf(line, sizeof line, "%.6f %.6f %.6f", p[0], p[1], p[2]);
        if (withTex) {
            const SbVec2f& t = mesh.texCoords[i];
            n += std::snprintf(line + n, sizeof line - n, " %.6f %.6f", t[0], t[1]);
        }
        out.write(line, n);
        out.put('\n');
    }
    for (const auto& t : mesh.triangles) {
        int n = std::snprintf(line, sizeof line, "3 %d %d %d\n", t[0], t[1], t[2]);
        out.write(line, n);
    }
    for (const auto& s : mesh.struts) {
        int n = std::snprintf(line, sizeof line, "2 %d %d\n", s[0], s[1]);
        out.write(line, n);
    }
    return static_cast<bool>(out);
}

std::string meshText(const TriangleMesh& mesh, MeshForm form) {
    std::ostringstream out;
    writeMesh(mesh, form, out);
    return out.str();
}
