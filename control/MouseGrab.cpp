#include "control/MouseGrab.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"
#include "control/BodyGrab.h"
#include "control/SceneBodies.h"
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

} // namespace

PickedBody pickBodyAt(const SceneBodies& bodies, const SbVec2s& pixel) {
    PickedBody picked;
    SbLine sight;
    if (!sightLine(pixel, sight)) {
        return picked;
    }
    // Along the whole line of sight: the camera's near and far distances are the viewer's to
    // set while it draws, and need not hold the body.
    SoRayPickAction pick(viewer->getViewportRegion());
    pick.setRay(sight.getPosition(), sight.getDirection());
    pick.apply(sceneRoot);
    const SoPickedPoint* first = pick.getPickedPoint();
    if (first == nullptr) {
        return picked;
    }
    const SoDetail* detail = first->getDetail();
    if (detail == nullptr || !detail->isOfType(SoFaceDetail::getClassTypeId())) {
        return picked;
    }
    MpSystem* body = nullptr;
    for (int k = 0; k < bodies.count() && body == nullptr; ++k) {
        MpSystem* candidate = bodies.body(k);
        if (candidate != nullptr && candidate->surfaceRoot() != nullptr &&
            first->getPath()->containsNode(candidate->surfaceRoot())) {
            body = candidate;
        }
    }
    if (body == nullptr) {
        return picked;
    }
    const SoFaceDetail& face = *static_cast<const SoFaceDetail*>(detail);
    picked.hit = first->getObjectPoint();
    float nearestDistance = 0;
    for (int corner = 0; corner < face.getNumPoints(); ++corner) {
        const int index = face.getPoint(corner)->getCoordinateIndex();
        const SbVec3f at = body->pointPosition(index);
        const float distance = (at - picked.hit).length();
        if (picked.point < 0 || distance < nearestDistance) {
            picked.point = index;
            nearestDistance = distance;
        }
        const int next = face.getPoint((corner + 1) % face.getNumPoints())->getCoordinateIndex();
        picked.reach = std::max(picked.reach, (body->pointPosition(next) - at).length());
    }
    picked.body = body;
    picked.position = body->pointPosition(picked.point);
    return picked;
}

bool selectBodyAt(SceneBodies& bodies, const SbVec2s& pixel) {
    const PickedBody picked = pickBodyAt(bodies, pixel);
    if (picked.body == nullptr) {
        return false;
    }
    bodies.select(bodies.indexOf(picked.body));
    return true;
}

bool grabBodyAt(BodyGrab& grab, SceneBodies& bodies, const SbVec2s& pixel) {
    grab.release();
    const PickedBody picked = pickBodyAt(bodies, pixel);
    if (picked.body == nullptr) {
        return false;
    }
    bodies.select(bodies.indexOf(picked.body));
    grab.grab(*picked.body, picked.point, picked.position,
              SbPlane(dragPlaneNormal(), picked.position));
    return grab.holds(*picked.body);
}

namespace {

/// For each point, its neighbours on the surface: the corners of its triangles.
std::vector<std::vector<int32_t>> surfaceNeighbours(const MpSystem& body) {
    std::vector<std::vector<int32_t>> neighbours(static_cast<size_t>(body.numPoints()));
    const int32_t* faces = body.faceIndices();
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        for (int j = 0; j < 3; ++j) {
            std::vector<int32_t>& around = neighbours[static_cast<size_t>(faces[k + j])];
            around.insert(around.end(), {faces[k + (j + 1) % 3], faces[k + (j + 2) % 3]});
        }
    }
    return neighbours;
}

} // namespace

std::vector<int32_t> pinPatch(const MpSystem& body, int point) {
    std::vector<int32_t> patch = surfaceNeighbours(body)[static_cast<size_t>(point)];
    patch.push_back(point);
    std::sort(patch.begin(), patch.end());
    patch.erase(std::unique(patch.begin(), patch.end()), patch.end());
    return patch;
}

std::vector<int32_t> pinnedPatch(const MpSystem& body, int point) {
    std::vector<int32_t> patch;
    if (!body.isPinned(point)) {
        return patch;
    }
    const std::vector<std::vector<int32_t>> neighbours = surfaceNeighbours(body);
    std::vector<bool> seen(neighbours.size(), false);
    seen[static_cast<size_t>(point)] = true;
    patch.push_back(point);
    for (size_t next = 0; next < patch.size(); ++next) {
        for (int32_t j : neighbours[static_cast<size_t>(patch[next])]) {
            if (!seen[static_cast<size_t>(j)] && body.isPinned(j)) {
                seen[static_cast<size_t>(j)] = true;
                patch.push_back(j);
            }
        }
    }
    std::sort(patch.begin(), patch.end());
    return patch;
}

bool pinBodyAt(SceneBodies& bodies, const SbVec2s& pixel) {
    const PickedBody pick = pickBodyAt(bodies, pixel);
    if (pick.body == nullptr) {
        return false;
    }
    bodies.select(bodies.indexOf(pick.body));
    MpSystem& body = *pick.body;
    // A click near a pin lets go of all the pins around it, however they were made: a pinned
    // patch stretches the triangles around it as the body hangs from it, and the corner nearest
    // the cursor is often a free one; near is within the longest edge of the triangle clicked.
    int pinned = -1;
    float pinnedDistance = pick.reach;
    for (int32_t i : body.pinnedPoints()) {
        const float distance = (body.pointPosition(i) - pick.hit).length();
        if (distance <= pinnedDistance) {
            pinned = i;
            pinnedDistance = distance;
        }
    }
    const bool pin = pinned < 0;
    for (int32_t i : pin ? pinPatch(body, pick.point) : pinnedPatch(body, pinned)) {
        body.setPinned(i, pin);
    }
    // The marker shows at once, also while the animation stands still.
    body.updateScene();
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
    const MpSystem* held = grab.heldBody();
    if (held == nullptr || camera == nullptr || viewer == nullptr) {
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
    from = pixel(held->pointPosition(grab.point()));
    to = pixel(grab.target());
    return true;
}
