#include "offscreen/ClippingPlanes.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SbXfBox3f.h>
#include <Inventor/nodes/SoCamera.h>

#include <algorithm>
#include <cmath>

SbVec2f clippingPlanesWithin(const SbVec2f& nearFar, const SbBox3f& limit, const SoCamera& camera) {
    SbXfBox3f box(limit);
    SbMatrix toCamera;
    toCamera.setTranslate(-camera.position.getValue());
    box.transform(toCamera);
    toCamera.setRotate(camera.orientation.getValue().inverse());
    box.transform(toCamera);
    const SbBox3f projected = box.project();
    const float limitNear = -projected.getMax()[2];
    const float limitFar = -projected.getMin()[2] * (1 + clippingSlack);
    const bool numbers = std::isfinite(nearFar[0]) && std::isfinite(nearFar[1]);
    // All of the limit behind the eye: nothing to hold to.
    if (!(limitFar > 0) || (numbers && nearFar[1] <= limitFar)) {
        return nearFar;
    }
    const float nearest = std::max(limitNear, limitFar * nearPlaneShare) * (1 - clippingSlack);
    return SbVec2f(nearest, limitFar);
}
