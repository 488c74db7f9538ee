#pragma once

#include <Inventor/SbLinear.h>
#include <Inventor/SbViewportRegion.h>

class SoCube;
class SoCylinder;
class SoMaterial;
class SoNode;
class SoSeparator;
class SoSphere;
class SoTransform;

/// The turning part of the cannon: a black plate, the barrel that tilts about the turret's
/// own z axis within (0, 60) degrees from the vertical, and the joint sphere.
class CannonTurret {
public:
    CannonTurret();
    ~CannonTurret();
    CannonTurret(const CannonTurret&) = delete;
    CannonTurret& operator=(const CannonTurret&) = delete;

    /// Composes the step rotation (axis, angle in radians) before the current yaw.
    void yaw(const SbVec3f& axis, float angle);
    /// Proposes the step (axis, angle in radians) before the current tilt; keeps it only when
    /// the resulting lean lies strictly between 0 and 60 degrees (under a tenth of a degree
    /// counts as 0, the rounding of composed steps). Returns whether it was kept.
    bool tilt(const SbVec3f& axis, float angle);
    bool tilt(float x, float y, float z, float angle);
    /// Whether the barrel may stand at `tilt`: its lean from the vertical strictly between 0
    /// and 60 degrees, as tilt keeps it.
    static bool tiltAllowed(const SbRotation& tilt);
    /// Sets the turret's turn and the barrel's tilt as they are given (a scene file's aim), the
    /// very rotations; a tilt that is not allowed leaves the aim as it was, and the answer is
    /// false.
    bool aim(const SbRotation& yaw, const SbRotation& tilt);
    /// The aim the cannon starts with: no turn, the barrel leaning 36 degrees.
    void aimAsAtStart();
    void moveBy(float x, float y, float z);
    float plateHeight() const;
    SoSeparator* root() const { return root_; }
    SoCylinder* barrel() const { return barrel_; }
    SoTransform* yawTransform() const { return yawTransform_; }
    SoTransform* tiltTransform() const { return tiltTransform_; }

private:
    SoSeparator* root_;
    SoTransform* yawTransform_;
    SoMaterial* material_;
    SoSeparator* parts_;
    SoSphere* joint_;
    SoTransform* tiltTransform_;
    SoTransform* jointTransform_;
    SoSeparator* plateSeparator_;
    SoCube* plate_;
    SoCylinder* barrel_;
};

/// The gun that shoots the balls: a white base cylinder carrying the turret.
class Cannon {
public:
    Cannon();
    ~Cannon();
    Cannon(const Cannon&) = delete;
    Cannon& operator=(const Cannon&) = delete;

    SoSeparator* root() const { return root_; }
    void moveBy(float x, float y, float z);
    /// The turret's pivot in world coordinates, where balls start.
    SbVec3f launchPoint() const;
    /// The barrel's axis in world coordinates (unit length); needs the cannon under sceneRoot.
    SbVec3f barrelDirection() const;
    CannonTurret& turret() { return *turret_; }
    const CannonTurret& turret() const { return *turret_; }
    SbVec3f position() const { return position_; }

private:
    SoSeparator* root_;
    SoCylinder* base_;
    SoMaterial* material_;
    SoTransform* transform_;
    SbVec3f position_{0, 0, 0};
    CannonTurret* turret_;
};

/// Local-to-world matrix of a node under `root`. Aborts with a message when the node is not
/// under `root`.
SbMatrix nodeWorldMatrix(SoNode* node, SoNode* root, const SbViewportRegion& viewportRegion);
/// Local-to-world matrix of a node under sceneRoot, in the viewer's current viewport.
SbMatrix nodeWorldMatrix(SoNode* node);
