#pragma once

#include "common/ErrorLine.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

/// A body read from mesh text, with what the reader wrote on standard error.
struct LoadedMesh {
    std::unique_ptr<MpSystem> body;
    std::string log;
};

inline LoadedMesh loadMesh(const std::string& text, float damping = 0.0f, float mass = 1.0f,
                           float stiffness = 50.0f) {
    std::istringstream in(text);
    // The captured stream starts afresh, whatever an earlier reading left open.
    setErrorLineOpen(false);
    testing::internal::CaptureStderr();
    LoadedMesh loaded;
    loaded.body = std::make_unique<MpSystem>(in, damping, mass, stiffness);
    loaded.log = testing::internal::GetCapturedStderr();
    return loaded;
}

/// Two triangles (0, 1, 2) and (2, 1, 3) forming a unit square in the x-y plane, above y = 0.
inline const char* twoTriangles() {
    return "OFF\n4 2 0\n"
           "0 0 0\n1 0 0\n0 1 0\n1 1 0\n"
           "3 0 1 2\n3 2 1 3\n";
}

/// A unit cube of eight points and six quadrilaterals, centred at the origin.
inline const char* quadCube() {
    return "OFF\n8 6 12\n"
           "-0.5 -0.5 -0.5\n0.5 -0.5 -0.5\n0.5 0.5 -0.5\n-0.5 0.5 -0.5\n"
           "-0.5 -0.5 0.5\n0.5 -0.5 0.5\n0.5 0.5 0.5\n-0.5 0.5 0.5\n"
           "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 2 3 7 6\n4 1 2 6 5\n4 0 4 7 3\n";
}
