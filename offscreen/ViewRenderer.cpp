#include "offscreen/ViewRenderer.h"

#include "offscreen/ClippingPlanes.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SbXfBox3f.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCamera.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTransformSeparator.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <iostream>

namespace {

constexpr int lineStyle = 4;
constexpr int overlayStyle = 10;

// Passes on every message of the library but its notes on GLX contexts.
void dropGlxNotes(const SoError* error, void*) {
    const char* text = error->getDebugString().getString();
    if (std::strstr(text, "glx") == nullptr) {
        std::cerr << text << std::endl;
    }
}

/// Lines in plain colours without texture, over whatever the scene asks for.
SoGroup* lineLook(const SbColor* colour) {
    SoGroup* group = new SoGroup;
    SoDrawStyle* lines = new SoDrawStyle;
    lines->style = SoDrawStyle::LINES;
    lines->setOverride(TRUE);
    group->addChild(lines);
    SoLightModel* unlit = new SoLightModel;
    unlit->model = SoLightModel::BASE_COLOR;
    unlit->setOverride(TRUE);
    group->addChild(unlit);
    SoComplexity* noTexture = new SoComplexity;
    noTexture->textureQuality = 0;
    noTexture->setOverride(TRUE);
    group->addChild(noTexture);
    if (colour != nullptr) {
        SoBaseColor* base = new SoBaseColor;
        base->rgb = *colour;
        base->setOverride(TRUE);
        group->addChild(base);
    }
    return group;
}

// The near and far planes the viewer sets before each frame: around everything in view, the
// near plane no closer than the depth buffer resolves (the viewer's default strategy, a
// varying near plane at 0.6 of 24 depth bits).
void clipAroundScene(SoCamera& camera, SoNode* scene, SbVec2s size) {
    SoGetBoundingBoxAction boxAction{SbViewportRegion(size)};
    boxAction.apply(scene);
    SbXfBox3f box = boxAction.getXfBoundingBox();
    if (box.isEmpty()) {
        return;
    }
    SbMatrix toCamera;
    toCamera.setTranslate(-camera.position.getValue());
    box.transform(toCamera);
    toCamera.setRotate(camera.orientation.getValue().inverse());
    box.transform(toCamera);
    const SbBox3f projected = box.project();
    float nearDistance = -projected.getMax()[2];
    const float farDistance = -projected.getMin()[2];
    if (farDistance <= 0) {
        return;
    }
    nearDistance = std::max(nearDistance, farDistance * nearPlaneShare);
    camera.nearDistance = nearDistance * (1 - clippingSlack);
    camera.farDistance = farDistance * (1 + clippingSlack);
}

} // namespace

ViewRenderer::ViewRenderer(SbVec2s size, SoNode* scene, SoCamera* camera)
    : size_(size), camera_(camera),
      action_(std::make_unique<SoGLRenderAction>(SbViewportRegion(size))),
      pixels_(static_cast<size_t>(size[0]) * size[1] * 3), root_(new SoSeparator),
      headlightTurn_(new SoRotation), headlight_(new SoDirectionalLight),
      sceneSwitch_(new SoSwitch), overlaySwitch_(new SoSwitch) {
    root_->ref();
    // Drawn from as long as the renderer lives, wherever the scene's owners put it meanwhile.
    camera_->ref();
    // A cache context of its own: the scene's display lists and textures are the window
    // context's, not this one's.
    action_->setCacheContext(SoGLCacheContextElement::getUniqueCacheContext());
    // The viewer's headlight shines from just above and left of the eye, turning with the
    // camera.
    SoTransformSeparator* headlightPlace = new SoTransformSeparator;
    headlightPlace->addChild(headlightTurn_);
    headlight_->direction.setValue(1, -1, -10);
    headlightPlace->addChild(headlight_);
    root_->addChild(headlightPlace);

    // The scene as it is (child 0) or in lines (child 1), then for the overlay style its
    // wireframe in red over it.
    SoSeparator* asIs = new SoSeparator;
    asIs->addChild(scene);
    sceneSwitch_->addChild(asIs);
    SoSeparator* lines = new SoSeparator;
    lines->addChild(lineLook(nullptr));
    lines->addChild(scene);
    sceneSwitch_->addChild(lines);
    root_->addChild(sceneSwitch_);
    SoSeparator* overlay = new SoSeparator;
    const SbColor overlayColour(1, 0, 0);
    overlay->addChild(lineLook(&overlayColour));
    overlay->addChild(scene);
    overlaySwitch_->addChild(overlay);
    root_->addChild(overlaySwitch_);
}

ViewRenderer::~ViewRenderer() {
    root_->unref();
    camera_->unref();
}

bool ViewRenderer::open(std::string& problem) {
    return canvas_.open(size_, problem);
}

bool ViewRenderer::render(const ViewLook& look) {
    headlight_->on = look.headlight;
    sceneSwitch_->whichChild = look.drawStyle == lineStyle ? 1 : 0;
    overlaySwitch_->whichChild = look.drawStyle == overlayStyle ? 0 : SO_SWITCH_NONE;
    // The viewer moves the planes of its camera before each frame; the window's view keeps
    // its own, and nothing hears of the change.
    const SbBool notifying = camera_->enableNotify(FALSE);
    const float nearDistance = camera_->nearDistance.getValue();
    const float farDistance = camera_->farDistance.getValue();
    clipAroundScene(*camera_, root_, size_);
    if (hasClipLimit_) {
        const SbVec2f planes = clippingPlanesWithin(
            SbVec2f(camera_->nearDistance.getValue(), camera_->farDistance.getValue()), clipLimit_,
            *camera_);
        camera_->nearDistance = planes[0];
        camera_->farDistance = planes[1];
    }
    const bool drawn = draw(look);
    camera_->nearDistance = nearDistance;
    camera_->farDistance = farDistance;
    camera_->enableNotify(notifying);
    return drawn;
}

bool ViewRenderer::draw(const ViewLook& look) {
    if (!canvas_.makeCurrent()) {
        return false;
    }
    // The library notes that this context is not the window system's; it needs none of that.
    SoErrorCB* previous = SoDebugError::getHandlerCallback();
    void* previousData = SoDebugError::getHandlerData();
    SoDebugError::setHandlerCallback(dropGlxNotes, nullptr);
    // The state the window's context starts a frame with: the library relies on it for
    // scaled shapes (the pillars) and for what lies in front.
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, size_[0], size_[1]);
    glClearColor(look.background[0], look.background[1], look.background[2], 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    action_->setTransparencyType(
        static_cast<SoGLRenderAction::TransparencyType>(look.transparencyType));
    action_->apply(root_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size_[0], size_[1], GL_RGB, GL_UNSIGNED_BYTE, pixels_.data());
    SoDebugError::setHandlerCallback(previous, previousData);
    canvas_.release();
    return true;
}

const uint8_t* ViewRenderer::pixels() const {
    return pixels_.data();
}
