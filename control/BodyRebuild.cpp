#include "control/BodyRebuild.h"

#include "appstate/Globals.h"
#include "appstate/StartUp.h"
#include "common/ErrorLine.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoSeparator.h>

// The collision world refers to the body and the scene holds its surface; both let go of it
// before it is destroyed, so neither the contact pass nor a later rebuild can reach it. Without
// a body (an earlier rebuild failed) there is nothing to take out, and no other child of the
// world may go in its place.
static void destroyBody() {
    if (mpSystem == nullptr) {
        return;
    }
    const int surfaceIndex = worldSeparator->findChild(mpSystem->surfaceRoot());
    if (surfaceIndex >= 0) {
        worldSeparator->removeChild(surfaceIndex);
    }
    collisionWorld.clearBodies();
    delete mpSystem;
    mpSystem = nullptr;
}

// The new body's surface goes last in the world, as the rebuilt one's does.
static void installBody(MpSystem* body, SoCamera* camera) {
    mpSystem = body;
    mpSystem->setCamera(camera);
    worldSeparator->addChild(mpSystem->buildSurface(1, 1, 1, 0, settings.textureFileName));
    collisionWorld.clearBodies();
    collisionWorld.addBody(mpSystem);
    mpSystemReady = true;
}

bool rebuildBody(SoCamera* camera) {
    mpSystemReady = false;
    destroyBody();
    if (!openMeshStream()) {
        return false;
    }
    MpSystem* body = new MpSystem(*meshStream, settings.damping, settings.mass, settings.stiffness,
                                  settings.meshFileName);
    // The reader has already said what is wrong with a malformed file; an empty body in the
    // scene would only hide that there is none.
    if (!body->isLoaded()) {
        delete body;
        return false;
    }
    // The file may have changed since the start: what it can no longer take is said, and the
    // body runs without it.
    const BodyOptionProblems problems = applyBodyOptions(*body);
    for (const std::string& problem : {problems.pressure, problems.pins}) {
        if (!problem.empty()) {
            freshErrorLine() << problem << std::endl;
        }
    }
    installBody(body, camera);
    return true;
}

void replaceBody(MpSystem* body, SoCamera* camera) {
    mpSystemReady = false;
    destroyBody();
    installBody(body, camera);
}
