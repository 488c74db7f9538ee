#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

/// The two ends of a spring, as indices into the point arrays.
struct SpringEnds {
    int32_t a;
    int32_t b;
};

/// A body as its mesh file gives it, before it moves: what the reader hands to the body, which
/// takes it over whole. Every array is indexed like the body's.
struct BodyMesh {
    /// One mass point per vertex: where it starts and what it weighs.
    std::vector<SbVec3f> positions;
    std::vector<float> masses;
    /// The mass the reader gave a point at or above y = 0 (0 when the body was built otherwise).
    float pointMass = 0;
    /// One spring per distinct edge, in the order the faces first name it, and its length at
    /// rest (the distance of its ends as read).
    std::vector<SpringEnds> springs;
    std::vector<double> restLengths;
    /// One texture coordinate per point.
    std::vector<SbVec2f> texCoords;
    /// The triangles of the surface, each as its three point indices followed by -1.
    std::vector<int32_t> faceIndices;
    /// True when the file ("TOFF") gave the texture coordinates.
    bool hasFileTexCoords = false;
    /// The pressure of the gas the file asks for inside the surface ("# pressure P" in its
    /// header, OffLexer.h); 0 when none.
    float pressure = 0;
};
