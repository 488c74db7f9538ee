#include "control/Cannon.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "common/Check.h"

#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoCylinder.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTransform.h>

namespace {
const float startTilt = -3.1415927f / 5;
const float maxTiltDegrees = 60;
// Steps composed in single precision do not come back to exactly no rotation: four 9-degree
// steps up from 36 degrees leave about 0.04 degrees. A lean this small counts as upright.
const float uprightDegrees = 0.1f;
} // namespace

CannonTurret::CannonTurret()
    : root_(new SoSeparator), yawTransform_(new SoTransform), material_(new SoMaterial) {
    // The turret keeps its subgraph alive for its own lifetime, whoever else holds it.
    root_->ref();
    root_->addChild(yawTransform_);

    parts_ = new SoSeparator;
    barrel_ = new SoCylinder;
    tiltTransform_ = new SoTransform;
    joint_ = new SoSphere;
    jointTransform_ = new SoTransform;
    plateSeparator_ = new SoSeparator;
    plate_ = new SoCube;

    barrel_->height = 5.5f;
    barrel_->radius = 0.7f;
    joint_->radius = 0.9f;
    // An open upper end makes the barrel read as a tube.
    barrel_->removePart(SoCylinder::TOP);
    plate_->height = 0.3f;
    plate_->width = 2.5f;
    plate_->depth = 2.5f;

    material_->diffuseColor.setValue(0, 0, 0);
    material_->specularColor.setValue(0.5f, 0.5f, 0.5f);
    material_->transparency = 0;

    plateSeparator_->addChild(plate_);
    parts_->addChild(material_);
    parts_->addChild(plateSeparator_);
    parts_->addChild(tiltTransform_);
    parts_->addChild(barrel_);
    parts_->addChild(jointTransform_);
    parts_->addChild(joint_);
    root_->addChild(parts_);

    jointTransform_->translation.setValue(0, plateHeight() / 2, 0);
    tilt(SbVec3f(0, 0, 1), startTilt);
}

CannonTurret::~CannonTurret() {
    root_->unref();
}

void CannonTurret::yaw(const SbVec3f& axis, float angle) {
    yawTransform_->rotation = SbRotation(axis, angle) * yawTransform_->rotation.getValue();
}

bool CannonTurret::tiltAllowed(const SbRotation& tilt) {
    SbVec3f axis;
    float radians = 0;
    tilt.getValue(axis, radians);
    // Only the size of the lean from the vertical counts, about whatever axis.
    const float degrees = radians * 180 / 3.1415927f;
    return degrees > uprightDegrees && degrees < maxTiltDegrees;
}

bool CannonTurret::tilt(const SbVec3f& axis, float angle) {
    const SbRotation proposed = SbRotation(axis, angle) * tiltTransform_->rotation.getValue();
    if (!tiltAllowed(proposed)) {
        return false;
    }
    tiltTransform_->rotation = proposed;
    return true;
}

bool CannonTurret::aim(const SbRotation& yaw, const SbRotation& tilt) {
    if (!tiltAllowed(tilt)) {
        return false;
    }
    yawTransform_->rotation = yaw;
    tiltTransform_->rotation = tilt;
    return true;
}

void CannonTurret::aimAsAtStart() {
    yawTransform_->rotation = SbRotation::identity();
    tiltTransform_->rotation = SbRotation::identity();
    tilt(SbVec3f(0, 0, 1), startTilt);
}

bool CannonTurret::tilt(float x, float y, float z, float angle) {
    return tilt(SbVec3f(x, y, z), angle);
}

void CannonTurret::moveBy(float x, float y, float z) {
    yawTransform_->translation = yawTransform_->translation.getValue() + SbVec3f(x, y, z);
}

float CannonTurret::plateHeight() const {
    return plate_->height.getValue();
}

Cannon::Cannon()
    : root_(new SoSeparator), base_(new SoCylinder), material_(new SoMaterial),
      transform_(new SoTransform) {
    root_->ref();
    base_->radius = 3.75f;
    base_->height = 2;

    turret_ = new CannonTurret;
    // The turret pivots one unit above the cannon's origin, on top of the base.
    turret_->moveBy(0, 1, 0);

    material_->diffuseColor.setValue(1, 1, 1);
    material_->specularColor.setValue(0.5f, 0.5f, 0.5f);
    material_->transparency = 0;

    root_->addChild(material_);
    root_->addChild(transform_);
    root_->addChild(turret_->root());
    root_->addChild(base_);
}

Cannon::~Cannon() {
    delete turret_;
    root_->unref();
}

void Cannon::moveBy(float x, float y, float z) {
    transform_->translation = transform_->translation.getValue() + SbVec3f(x, y, z);
    position_ = transform_->translation.getValue();
}

SbVec3f Cannon::launchPoint() const {
    return position_ + SbVec3f(0, 1, 0);
}

SbVec3f Cannon::barrelDirection() const {
    SbVec3f direction;
    nodeWorldMatrix(turret_->barrel()).multDirMatrix(SbVec3f(0, 1, 0), direction);
    return direction;
}

SbMatrix nodeWorldMatrix(SoNode* node, SoNode* root, const SbViewportRegion& viewportRegion) {
    SoSearchAction search;
    search.setNode(node);
    if (root != nullptr) {
        search.apply(root);
    }
    SoPath* path = search.getPath();
    // Callers only ask for nodes they have put into the scene; anything else is a broken
    // scene graph that no matrix could describe.
    PLIMMERTON_CHECK(path != NULL, "the node lies under the root");
    SoGetMatrixAction getMatrix(viewportRegion);
    getMatrix.apply(path);
    return getMatrix.getMatrix();
}

SbMatrix nodeWorldMatrix(SoNode* node) {
    // The matrix of plain transforms does not depend on the viewport; without a viewer any
    // region serves.
    const SbViewportRegion region =
        viewer != nullptr ? viewer->getViewportRegion() : SbViewportRegion();
    return nodeWorldMatrix(node, sceneRoot, region);
}
