// libFuzzer target: the mesh reader (the MpSystem constructor) on arbitrary bytes, then a few
// steps and the surface of whatever body it built. Any crash, sanitizer report, leak, hang or
// broken invariant below is a fault of the reader or of the body.
//
// A file whose first word is not a known keyword ends the process inside the reader (that path
// is covered end to end). So that the fuzzer never reaches it, an input on which the reader
// would not find "OFF" or "TOFF" gets "OFF\n" put in front: the bytes then become the rest of
// an OFF file. The keyword is found by the reader's own lexer.

#include "common/Check.h"
#include "common/Finite.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/OffLexer.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace {

void checkRejected(const MpSystem& body) {
    PLIMMERTON_CHECK(!body.loadError().empty(), "a rejected mesh says why");
    PLIMMERTON_CHECK(body.numPoints() == 0 && body.numSprings() == 0 && body.numFaceIndices() == 0,
                     "a rejected mesh leaves an empty body");
}

void checkLoaded(const MpSystem& body) {
    const int n = body.numPoints();
    PLIMMERTON_CHECK(n >= 0 && body.numSprings() >= 0, "counts are not negative");
    for (int i = 0; i < n; ++i) {
        PLIMMERTON_CHECK(isFinite(body.positions()[i]), "positions are finite");
        PLIMMERTON_CHECK(body.velocities()[i] == SbVec3f(0, 0, 0), "the body starts at rest");
        PLIMMERTON_CHECK(std::isfinite(body.masses()[i]), "masses are finite");
    }
    for (int s = 0; s < body.numSprings(); ++s) {
        const SpringEnds ends = body.springs()[s];
        PLIMMERTON_CHECK(ends.a >= 0 && ends.a < n && ends.b >= 0 && ends.b < n,
                         "springs join points");
        PLIMMERTON_CHECK(std::isfinite(body.restLengths()[s]), "rest lengths are finite");
        PLIMMERTON_CHECK(body.lastLength(s) == body.restLengths()[s],
                         "springs start at rest length");
    }
    const int numIndices = body.numFaceIndices();
    PLIMMERTON_CHECK(numIndices % 4 == 0, "four indices per triangle");
    for (int k = 0; k < numIndices; ++k) {
        const int32_t j = body.faceIndices()[k];
        PLIMMERTON_CHECK(k % 4 == 3 ? j == -1 : (j >= 0 && j < n), "triangles index points");
    }
}

/// A few ticks of the program's usual settings, a push on the points the arrow keys address, a
/// pinned point and a gas inside when the surface holds one (its file's, else some), and the
/// surface: nothing may leave the finite numbers or the arrays, and the pin stays put.
void exercise(MpSystem& body) {
    body.setPinned(0, true);
    const SbVec3f pinned = body.pointPosition(0);
    body.setPressure(body.pressure() > 0.0f ? body.pressure() : 50.0f);
    PLIMMERTON_CHECK((body.pressure() > 0.0f) == body.pressureProblem().empty(),
                     "a surface takes a gas exactly when it can hold one");
    for (int tick = 0; tick < 4; ++tick) {
        for (int i : {1, 2, 5, 6}) {
            body.addExternalForce(i, SbVec3f(30, 60, -30));
        }
        body.step(0.012f);
    }
    for (int i = 0; i < body.numPoints(); ++i) {
        PLIMMERTON_CHECK(isFinite(body.positions()[i]) && isFinite(body.velocities()[i]),
                         "the state stays finite");
    }
    PLIMMERTON_CHECK(body.pointPosition(0) == pinned, "a pinned point stays where it is");
    SoSeparator* surface = body.buildSurface(1, 1, 1, 0, "");
    surface->ref();
    body.updateScene();
    surface->unref();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SoDB::init();
    // The library's own state is released at the end, so the leak checker sees only ours.
    std::atexit([] { SoDB::finish(); });
    // The reader's progress lines would drown the fuzzer's own output (which uses stdio).
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream probe(text);
    const std::string keyword = readKeyword(probe);
    if (keyword != "OFF" && keyword != "TOFF") {
        text.insert(0, "OFF\n");
    }
    std::istringstream mesh(text);
    MpSystem body(mesh, 0.02f, 1.0f, 85.0f);
    if (body.isLoaded()) {
        checkLoaded(body);
        exercise(body);
    } else {
        checkRejected(body);
    }
    return 0;
}
