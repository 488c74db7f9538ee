#pragma once

#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "mpsystem/MpSystem.h"
#include "tools/TriangleMesh.h"

#include <memory>
#include <string>

class SoSeparator;

/// The settings the benchmarks run the body with: those of the bundled example command line.
constexpr float benchDamping = 0.02f;
constexpr float benchMass = 1.0f;
constexpr float benchStiffness = 85.0f;
constexpr float benchTimeStep = 0.012f;

/// The text of a sphere body of radius 8 at the origin with `level` subdivisions: 10,242
/// points at level 5, 163,842 at 7, 655,362 at 8. Made once per level and form.
const std::string& sphereText(int level, MeshForm form = MeshForm::Toff);

/// A body read from mesh text without the reader's progress lines.
std::unique_ptr<MpSystem> readQuietly(const std::string& text);

/// The bytes that one step must read or write at the least, each once: position, velocity
/// and external force read and written, mass read and force written per point; the two ends
/// and the rest length read and the last length read and written per spring.
double stepBytesTouched(const MpSystem& body);

/// The start-up arena (pillars from a fixed seed, the floor wall) with a sphere body of
/// `level` subdivisions sunk into the floor and the six balls that eight light sources allow,
/// lodged in its surface.
class BusyArena {
public:
    explicit BusyArena(int level);
    ~BusyArena();
    BusyArena(const BusyArena&) = delete;
    BusyArena& operator=(const BusyArena&) = delete;

    SoSeparator* world;
    std::unique_ptr<MpSystem> body;
    CollisionWorld collisions;
    BallSet balls;
    BallLightSet lights;
};
