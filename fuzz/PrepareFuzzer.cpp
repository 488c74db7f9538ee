// libFuzzer target: model preparation on arbitrary bytes. The first byte picks the form the
// import library is told to expect (OFF, OBJ, PLY, STL, glTF, GLB) and whether the body is to be
// held by a gas rather than struts (--pressure), the rest is the file. Any
// crash, sanitizer report, leak or hang in our code, or a body that breaks the invariants
// below, is a fault; a crash inside the import library (which is not instrumented) is one of
// the library's.

#include "mpsystem/SurfaceClosure.h"
#include "prepare/Preparation.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

void require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    static const char* const forms[] = {"off", "obj", "ply", "stl", "gltf", "glb"};
    const char* form = forms[data[0] % 6];
    PrepareOptions options;
    // A small budget keeps each run short; the paths are the same as with the default.
    options.maxPoints = 64;
    options.pressure = data[0] / 6 % 2 == 1 ? 20.0f : 0.0f;
    TriangleMesh body;
    PrepareReport report;
    const std::string error = prepareModel(data + 1, size - 1, form, options, body, report);
    if (!error.empty()) {
        require(error.find('\n') == std::string::npos, "an error is one line");
        return 0;
    }
    const int32_t n = static_cast<int32_t>(body.points.size());
    require(n >= 7 && n <= options.maxPoints, "point count within 7 .. budget");
    require(body.texCoords.size() == body.points.size(), "one texture coordinate per point");
    for (const SbVec3f& p : body.points) {
        require(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]), "finite points");
    }
    for (const auto& t : body.triangles) {
        for (int32_t corner : t) {
            require(corner >= 0 && corner < n, "triangle corners are points");
        }
    }
    for (const auto& s : body.struts) {
        require(s[0] >= 0 && s[0] < n && s[1] >= 0 && s[1] < n && s[0] != s[1],
                "struts join two points");
    }
    if (report.pressure > 0) {
        require(options.pressure > 0 && report.pressureProblem.empty(), "a gas only when asked");
        require(closureOf(body.triangles.front().data(), body.triangles.size(), 3).closed,
                "a body held by a gas has a closed surface");
    }
    std::ostringstream out;
    require(writeMesh(body, MeshForm::Toff, out), "the body can be written");
    return 0;
}
