#include "control/BodyRebuild.h"

#include "appstate/Globals.h"
#include "appstate/StartUp.h"
#include "balls/BodyPlacement.h"
#include "common/ErrorLine.h"
#include "control/BodySource.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>

// The collision world refers to the body and the scene holds its surface; both let go of it
// before it is destroyed, so neither the contact pass nor a later rebuild can reach it. Without
// a body (an earlier rebuild failed) there is nothing to take out, and no other child of the
// world may go in its place.
void destroyBody() {
    mpSystemReady = false;
    if (mpSystem == nullptr) {
        return;
    }
    const int surfaceIndex = worldSeparator->findChild(mpSystem->surfaceRoot());
    if (surfaceIndex >= 0) {
        worldSeparator->removeChild(surfaceIndex);
    }
    collisionWorld.removeBody(mpSystem);
    delete mpSystem;
    mpSystem = nullptr;
}

// The new body's surface goes last in the world, as the rebuilt one's does, and the body first
// among those the contacts know, ahead of any other.
static void installBody(MpSystem* body, SoCamera* camera) {
    mpSystem = body;
    mpSystem->setCamera(camera);
    worldSeparator->addChild(mpSystem->buildSurface(1, 1, 1, 0, settings.textureFileName));
    collisionWorld.insertBody(0, mpSystem);
    mpSystemReady = true;
}

bool rebuildBody(SoCamera* camera, BodySource& source) {
    const BodyMaterial& material = source.material;
    destroyBody();
    if (!openMeshStream()) {
        return false;
    }
    MpSystem* body = new MpSystem(*meshStream, material.damping, material.pointMass,
                                  material.stiffness, settings.meshFileName);
    // The reader has already said what is wrong with a malformed file; an empty body in the
    // scene would only hide that there is none.
    if (!body->isLoaded()) {
        delete body;
        return false;
    }
    turnAsMade(*body, source);
    if (!source.byOffset) {
        source.offset = source.placed
                            ? source.centre - centreOf(body->positions(), body->numPoints())
                            : SbVec3f(0, 0, 0);
    }
    // A body where its file puts it is not moved at all: adding 0 would turn each -0 into 0.
    if (source.byOffset || source.placed) {
        body->moveBy(source.offset);
    }
    // The file may have changed since the body was made of it: what it can no longer take is
    // said, and the body runs without it.
    if (!giveMaterial(*body, material)) {
        freshErrorLine() << settings.meshFileName << ": " << body->pressureRefusal() << std::endl;
    }
    bool beyondSaid = false;
    for (int32_t i : settings.pins) {
        if (i < body->numPoints()) {
            body->setPinned(i, true);
        } else if (!beyondSaid) {
            freshErrorLine() << "-pin: point " << i << " is not one of the body's "
                             << body->numPoints() << " points" << std::endl;
            beyondSaid = true;
        }
    }
    const int32_t beyond = pinAsMade(*body, source);
    if (beyond >= 0) {
        freshErrorLine() << settings.meshFileName << ": point " << beyond
                         << " is not one of the body's " << body->numPoints()
                         << " points, to be pinned" << std::endl;
    }
    installBody(body, camera);
    return true;
}

void replaceBody(MpSystem* body, SoCamera* camera) {
    destroyBody();
    installBody(body, camera);
}
