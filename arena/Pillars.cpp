#include "arena/Pillars.h"

#include "arena/ArenaFloor.h"
#include "arena/RandomFraction.h"
#include "balls/CollisionWorld.h"
#include "common/DataFiles.h"
#include "common/ErrorLine.h"
#include "image/TextureFile.h"

#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinateCylinder.h>
#include <Inventor/nodes/SoTransform.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>

namespace {

constexpr double baseSpacing = 3.0;
constexpr double minSpacing = 1.1;
constexpr double maxSpacing = 2.6;
// A side ends this far short of the next corner, so that its last pillar keeps clear of the
// pillars of the neighbouring side.
constexpr double endMargin = 2.6;

constexpr float shaftRadius = 1.5f;
constexpr float shaftHeight = -7.5f;
constexpr float shaftHalfHeight = 7.5f;
constexpr float capRadius = 2.0f;
constexpr float capHeight = -1.35f;
constexpr float capHalfHeight = 0.3f;

/// The pillars' picture: the working folder's, else the data folders' (findDataFile).
const char* const pillarTextureFile = "col.tga";

/// The shared node without a picture yet.
SoTexture2* makePillarTextureNode() {
    auto* texture = new SoTexture2;
    texture->model.setValue(SoTexture2::MODULATE);
    return texture;
}

SoSeparator* makeTexturedCylinder(const SbVec3f& position, float radius, float halfHeight,
                                  SoTexture2* texture) {
    auto* separator = new SoSeparator;
    separator->addChild(new SoTextureCoordinateCylinder);
    separator->addChild(texture);

    auto* material = new SoMaterial;
    material->diffuseColor.setValue(1, 1, 1);
    material->transparency.setValue(0);
    separator->addChild(material);

    // The library's cylinder has radius 1 and height 2, so the scale gives radius and
    // half height directly.
    auto* transform = new SoTransform;
    transform->translation.setValue(position);
    transform->scaleFactor.setValue(radius, halfHeight, radius);
    separator->addChild(transform);

    separator->addChild(new SoCylinder);
    return separator;
}

/// The distance to the next pillar along a side, in [4.1, 5.6).
double spacingStep() {
    const double u = randomFraction();
    return baseSpacing + minSpacing + u * (maxSpacing - minSpacing);
}

void placePillar(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, float x, float z,
                 SoTexture2* texture) {
    worldSeparator->addChild(makePillarShaft(SbVec3f(x, shaftHeight, z), shaftRadius, texture));
    worldSeparator->addChild(makePillarCap(SbVec3f(x, capHeight, z), capRadius, texture));
    // Only the shaft pushes things away; the wider cap is decoration.
    collisionWorld.addPillar(PillarCircle(x, shaftRadius, z));
}

void placeAllPillars(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, unsigned int seed,
                     SoTexture2* texture) {
    std::srand(seed);
    const double sideEnd = arenaHalfWidth - endMargin;

    float x = -arenaHalfWidth;
    while (sideEnd > x) {
        placePillar(worldSeparator, collisionWorld, x, -arenaHalfWidth, texture);
        x += spacingStep();
    }

    x = arenaHalfWidth;
    float z = -arenaHalfWidth;
    while (sideEnd > z) {
        placePillar(worldSeparator, collisionWorld, x, z, texture);
        z += spacingStep();
    }

    z = arenaHalfWidth;
    placePillar(worldSeparator, collisionWorld, x, z, texture);

    x = -4.0f;
    z = -4.0f;
    placePillar(worldSeparator, collisionWorld, x, z, texture);
    x += 4.3;
    placePillar(worldSeparator, collisionWorld, x, z, texture);
}

} // namespace

SoTexture2* loadPillarTexture() {
    SoTexture2* texture = makePillarTextureNode();
    // A file found nowhere has been reported by the lookup; one found is read as it is, and a
    // damaged one is reported rather than passed over for another.
    const std::string path = findDataFile(pillarTextureFile);
    std::string problem;
    if (!path.empty() && !loadTexture(*texture, path.c_str(), problem)) {
        freshErrorLine() << problem << std::endl;
    }
    return texture;
}

SoSeparator* makePillarShaft(const SbVec3f& position, float radius, SoTexture2* texture) {
    return makeTexturedCylinder(position, radius, shaftHalfHeight, texture);
}

SoSeparator* makePillarCap(const SbVec3f& position, float radius, SoTexture2* texture) {
    return makeTexturedCylinder(position, radius, capHalfHeight, texture);
}

void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld) {
    placeAllPillars(worldSeparator, collisionWorld, static_cast<unsigned int>(std::time(nullptr)),
                    loadPillarTexture());
}

void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, unsigned int seed) {
    placeAllPillars(worldSeparator, collisionWorld, seed, makePillarTextureNode());
}

void layOutArena(SoSeparator* worldSeparator, CollisionWorld& collisionWorld, unsigned int seed,
                 SoTexture2* texture) {
    placeAllPillars(worldSeparator, collisionWorld, seed, texture);
}
