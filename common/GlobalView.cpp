#include "common/GlobalView.h"

#include <Inventor/nodes/SoCamera.h>

void placeAtGlobalView(SoCamera& camera) {
    camera.position.setValue(-10.0f, 15.0f, 50.0f);
    camera.pointAt(SbVec3f(0.0f, 0.0f, 1.0f), SbVec3f(0.0f, 1.0f, 0.0f));
    camera.nearDistance = 0.1f;
    camera.farDistance = 50.0f;
}
