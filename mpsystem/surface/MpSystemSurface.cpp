// The body's operations on its surface in the scene and the headcam that rides on it: the part
// of the body that the window sees. The physics never calls them.

#include "mpsystem/MpSystem.h"

#include "common/GlobalView.h"
#include "mpsystem/surface/BodySurface.h"
#include "mpsystem/surface/PinMarkers.h"

#include <Inventor/nodes/SoCamera.h>
#include <Inventor/nodes/SoSeparator.h>

namespace {

/// Height above and distance behind (+z) point 0 at which the headcam rides.
const SbVec3f headcamOffset(0.0f, 5.0f, 10.0f);

} // namespace

SoSeparator* MpSystem::buildSurface(float red, float green, float blue, float transparency,
                                    const char* textureFile) {
    surface_ = std::make_shared<BodySurface>(*this, red, green, blue, transparency, textureFile,
                                             BodySurface::levelsWanted());
    pinMarkers_ = nullptr;
    shownPinChanges_ = 0;
    showPinMarkers();
    return surface_->root();
}

void MpSystem::updateScene() {
    if (surface_ != nullptr) {
        surface_->update();
    }
    showPinMarkers();
    if (headcam_ != 0 && camera_ != nullptr && numPoints_ > 0) {
        camera_->position.setValue(positions_[0] + headcamOffset);
        camera_->pointAt(positions_[0]);
    }
}

// Pinned points never move: the marker changes only with the pins.
void MpSystem::showPinMarkers() {
    if (surface_ == nullptr || pinChanges_ == shownPinChanges_) {
        return;
    }
    if (pinMarkers_ == nullptr) {
        pinMarkers_ = buildPinMarkers(pinCoordinates_);
        surface_->root()->addChild(pinMarkers_);
    }
    showPins(*pinCoordinates_, pinnedPositions_);
    shownPinChanges_ = pinChanges_;
}

void MpSystem::setHeadcam(bool on) {
    headcam_ = on ? 1 : 0;
    if (on || camera_ == nullptr) {
        return;
    }
    placeAtGlobalView(*camera_);
}

SoSeparator* MpSystem::surfaceRoot() const {
    return surface_ != nullptr ? surface_->root() : nullptr;
}

SoCoordinate3* MpSystem::surfaceCoordinates() const {
    return surface_ != nullptr ? surface_->coordinates() : nullptr;
}
