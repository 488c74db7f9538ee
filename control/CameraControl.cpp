#include "control/CameraControl.h"

#include <Inventor/SbRotation.h>
#include <Inventor/SbVec3f.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>

void orbitCamera(SoPerspectiveCamera* camera, char axis, float angle) {
    const SbRotation orientation = camera->orientation.getValue();
    const SbVec3f position = camera->position.getValue();

    SbVec3f turnAxis(0, 1, 0);
    if (axis == 'X') {
        SbVec3f up;
        SbVec3f viewing;
        orientation.multVec(SbVec3f(0, 1, 0), up);
        orientation.multVec(SbVec3f(0, 0, -1), viewing);
        turnAxis = up.cross(viewing);
    }
    const SbRotation turn(turnAxis, angle);

    // The library composes left to right: the camera's own orientation first, then the turn.
    camera->orientation.setValue(orientation * turn);
    SbVec3f turnedPosition;
    turn.multVec(position, turnedPosition);
    camera->position.setValue(turnedPosition);
}
