#include "control/MouseGrab.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "control/BodyGrab.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/SbLine.h>
#include <Inventor/SbPlane.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/SoPickedPoint.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/details/SoFaceDetail.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>

namespace {

// The line of sight through `pixel`, with the camera's view as the viewer maps it onto its
// viewport.
bool sightLine(const SbVec2s& pixel, SbLine& sight) {
    SbViewportRegion used;
    const SbViewVolume volume = camera->SoCamera::getViewVolume(viewer->getViewportRegion(), used);
    const SbVec2s origin = used.getViewportOriginPixels();
    const SbVec2s size = used.getViewportSizePixels();
    if (size[0] <= 0 || size[1] <= 0) {
        return false;
    }
    const SbVec2f normalised((pixel[0] - origin[0] + 0.5f) / size[0],
                             (pixel[1] - origin[1] + 0.5f) / size[1]);
    volume.projectPointToLine(normalised, sight);
    return true;
}

// The held part moves in the upright plane that faces the camera: the cursor moved up the
// screen lifts it straight up, moved sideways carries it over the floor. A camera that looks
// straight down has no such plane; its own view direction serves then.
SbVec3f dragPlaneNormal() {
    SbVec3f viewDirection;
    camera->orientation.getValue().multVec(SbVec3f(0, 0, -1), viewDirection);
    SbVec3f level(viewDirection[0], 0, viewDirection[2]);
    if (level.length() < 0.1f) {
        return viewDirection;
    }
    level.normalize();
    return level;
}

// The corner of the picked triangle nearest to where the line of sight met it.
int nearestCorner(const SoFaceDetail& face, const SbVec3f& hit, const MpSystem& body) {
    int nearest = -1;
    float nearestDistance = 0;
    for (int corner = 0; corner < face.getNumPoints(); ++corner) {
        const int index = face.getPoint(corner)->getCoordinateIndex();
        const float distance = (body.pointPosition(index) - hit).sqrLength();
        if (nearest < 0 || distance < nearestDistance) {
            nearest = index;
            nearestDistance = distance;
        }
    }
    return nearest;
}

/// The body's point nearest to where the line of sight through `pixel` meets the body, the
/// nearest corner of the triangle found; -1 when the body is not the first thing there (or there
/// is no body).
int pickBodyPoint(const SbVec2s& pixel) {
    if (!mpSystemReady || mpSystem == nullptr) {
        return -1;
    }
    SbLine sight;
    if (!sightLine(pixel, sight)) {
        return -1;
    }
    // Along the whole line of sight: the camera's near and far distances are the viewer's to
    // set while it draws, and need not hold the body.
    SoRayPickAction pick(viewer->getViewportRegion());
    pick.setRay(sight.getPosition(), sight.getDirection());
    pick.apply(sceneRoot);
    const SoPickedPoint* picked = pick.getPickedPoint();
    if (picked == nullptr || !picked->getPath()->containsNode(mpSystem->surfaceRoot())) {
        return -1;
    }
    const SoDetail* detail = picked->getDetail();
    if (detail == nullptr || !detail->isOfType(SoFaceDetail::getClassTypeId())) {
        return -1;
    }
    return nearestCorner(*static_cast<const SoFaceDetail*>(detail), picked->getObjectPoint(),
                         *mpSystem);
}

} // namespace

bool grabBodyAt(BodyGrab& grab, const SbVec2s& pixel) {
    grab.release();
    const int point = pickBodyPoint(pixel);
    if (point < 0) {
        return false;
    }
    const SbVec3f position = mpSystem->pointPosition(point);
    grab.grab(*mpSystem, point, position, SbPlane(dragPlaneNormal(), position));
    return grab.holds(*mpSystem);
}

std::vector<int32_t> pinPatch(const MpSystem& body, int point) {
    std::vector<int32_t> patch = {point};
    const int32_t* faces = body.faceIndices();
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        if (faces[k] == point || faces[k + 1] == point || faces[k + 2] == point) {
            patch.insert(patch.end(), faces + k, faces + k + 3);
        }
    }
    std::sort(patch.begin(), patch.end());
    patch.erase(std::unique(patch.begin(), patch.end()), patch.end());
    return patch;
}

bool pinBodyAt(const SbVec2s& pixel) {
    const int point = pickBodyPoint(pixel);
    if (point < 0) {
        return false;
    }
    const bool pin = !mpSystem->isPinned(point);
    for (int32_t i : pinPatch(*mpSystem, point)) {
        mpSystem->setPinned(i, pin);
    }
    // The marker shows at once, also while the animation stands still.
    mpSystem->updateScene();
    return true;
}

void dragBodyTo(BodyGrab& grab, const SbVec2s& pixel) {
    SbLine sight;
    SbVec3f target;
    if (grab.holdsAny() && sightLine(pixel, sight) && grab.plane().intersect(sight, target)) {
        grab.moveTarget(target);
    }
}

void releaseBody(BodyGrab& grab) {
    grab.release();
}

bool grabLine(const BodyGrab& grab, SbVec2f& from, SbVec2f& to) {
    if (!mpSystemReady || mpSystem == nullptr || !grab.holds(*mpSystem) || camera == nullptr ||
        viewer == nullptr) {
        return false;
    }
    SbViewportRegion used;
    const SbViewVolume volume = camera->SoCamera::getViewVolume(viewer->getViewportRegion(), used);
    const SbVec2s size = used.getViewportSizePixels();
    const SbVec2s origin = used.getViewportOriginPixels();
    const auto pixel = [&](const SbVec3f& point) {
        SbVec3f screen;
        volume.projectToScreen(point, screen);
        return SbVec2f(origin[0] + screen[0] * size[0], origin[1] + screen[1] * size[1]);
    };
    from = pixel(mpSystem->pointPosition(grab.point()));
    to = pixel(grab.target());
    return true;
}
