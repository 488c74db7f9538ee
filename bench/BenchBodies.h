#pragma once

#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "generators/TriangleMesh.h"
#include "mpsystem/MpSystem.h"

#include <memory>
#include <string>

class SoSeparator;

/// The settings the benchmarks run the body with: those of the bundled example command line.
constexpr float benchDamping = 0.02f;
constexpr float benchMass = 1.0f;
constexpr float benchStiffness = 85.0f;
constexpr float benchTimeStep = 0.012f;

/// The text of a sphere body of radius 8 at the origin with `level` subdivisions, braced by a
/// strut from every point to the opposite one as the bundled ball is: 10,242 points at level 5,
/// 163,842 at 7, 655,362 at 8, and three and a half springs a point. Made once per level and
/// form.
const std::string& sphereText(int level, MeshForm form = MeshForm::Toff);

/// The text of a sphere body of radius 8 at the origin with `level` subdivisions held by the
/// gas inside rather than struts, as plimmerton-mkdata --ball LEVEL --pressure writes it: its
/// edges and a bending spring at each point (BendingSprings.h), about 3.5 springs a point.
const std::string& inflatedSphereText(int level);

/// A body read from mesh text without the reader's progress lines.
std::unique_ptr<MpSystem> readQuietly(const std::string& text);

/// The bytes that the plain step moves, each pass streaming its arrays once: per point, the
/// external force and mass read and the force written (gravity), the force read and written
/// and the position read (springs), force, mass, velocity and position (integration), the
/// external force cleared; per spring, its ends and rest length read and its last length read
/// and written. 140 bytes a point and 32 a spring: 252 a point of the braced sphere, 236 of a
/// sphere without struts.
double plainStepBytes(const MpSystem& body);
/// The bytes that the program's step moves, each array once (the chunks keep a point's data
/// cached between its springs): per point the position, velocity and external force read and
/// written, the mass read, the force written and the point's place in the plan's lists; per
/// spring its ends and its lengths in the plan's slots (4 bytes each in single precision);
/// per force kept aside its slot written and read, and per boundary point its data once more.
/// About 170 bytes a point of the braced sphere.
double stepBytes(const MpSystem& body);

/// The start-up arena (pillars from a fixed seed, the floor wall) with a braced sphere body of
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
