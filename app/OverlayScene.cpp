#include "app/OverlayScene.h"

#include "appstate/OnScreenText.h"

#include <Inventor/SbBox3f.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoDepthBuffer.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoFont.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoText2.h>
#include <Inventor/nodes/SoTranslation.h>
#include <Inventor/nodes/SoTransparencyType.h>

namespace {

const float margin = 8;
const float padding = 5;
// Above the viewer's frame counter in the lower left corner.
const float hintBottom = 34;
const float boxTransparency = 0.3f;
const SbColor boxColour(0.03f, 0.06f, 0.08f);

} // namespace

const SbColor OverlayScene::statusColour(1, 1, 1);
const SbColor OverlayScene::hintColour(1, 0.8f, 0.2f);

OverlayScene::OverlayScene() : root_(new SoSeparator), camera_(new SoOrthographicCamera) {
    root_->ref();
    // One world unit is one pixel: the camera is fitted to the viewport on every update.
    camera_->viewportMapping = SoCamera::LEAVE_ALONE;
    camera_->nearDistance = 0.5f;
    camera_->farDistance = 1.5f;
    root_->addChild(camera_);
    SoLightModel* unlit = new SoLightModel;
    unlit->model = SoLightModel::BASE_COLOR;
    root_->addChild(unlit);
    // Boxes and texts lie in one plane and are drawn in order, each over what came before.
    SoDepthBuffer* noDepth = new SoDepthBuffer;
    noDepth->test = FALSE;
    noDepth->write = FALSE;
    root_->addChild(noDepth);
    SoTransparencyType* inOrder = new SoTransparencyType;
    inOrder->value = SoTransparencyType::BLEND;
    root_->addChild(inOrder);

    status_ = makeBlock("DejaVu Sans Mono", 13, statusColour);
    help_ = makeBlock("DejaVu Sans Mono", 12, statusColour);
    hint_ = makeBlock("DejaVu Sans:Bold", 20, hintColour);
    setLines(help_, helpPanelLines());
    setLines(hint_, {pausedHint()});
}

OverlayScene::~OverlayScene() {
    root_->unref();
}

OverlayScene::Block OverlayScene::makeBlock(const char* fontName, float fontSize,
                                            const SbColor& colour) {
    Block block;
    block.visibility = new SoSwitch;
    root_->addChild(block.visibility);
    SoSeparator* content = new SoSeparator;
    block.visibility->addChild(content);

    block.place = new SoTranslation;
    content->addChild(block.place);
    SoMaterial* boxMaterial = new SoMaterial;
    boxMaterial->diffuseColor = boxColour;
    boxMaterial->transparency = boxTransparency;
    content->addChild(boxMaterial);
    block.box = new SoCoordinate3;
    content->addChild(block.box);
    SoFaceSet* face = new SoFaceSet;
    face->numVertices = 4;
    content->addChild(face);

    // Opaque again after the box.
    SoMaterial* textMaterial = new SoMaterial;
    textMaterial->diffuseColor = colour;
    textMaterial->transparency = 0;
    content->addChild(textMaterial);
    SoFont* font = new SoFont;
    font->name = fontName;
    font->size = fontSize;
    content->addChild(font);
    block.text = new SoText2;
    content->addChild(block.text);
    return block;
}

void OverlayScene::setLines(Block& block, const std::vector<std::string>& lines) {
    block.text->string.setNum(static_cast<int>(lines.size()));
    for (size_t k = 0; k < lines.size(); ++k) {
        block.text->string.set1Value(static_cast<int>(k), lines[k].c_str());
    }
}

// The text's extent around its own origin, in pixels: glyph sizes need the viewport and the
// camera above it, so it is measured along the path from the root.
static SbBox3f textBounds(SoSeparator* root, SoSwitch* visibility, SoText2* text,
                          const SbVec2s& size, const SbVec3f& place) {
    SoPath* path = new SoPath(root);
    path->ref();
    path->append(visibility);
    path->append(visibility->getChild(0));
    path->append(text);
    SoGetBoundingBoxAction measure{SbViewportRegion(size)};
    measure.apply(path);
    path->unref();
    const SbBox3f bounds = measure.getBoundingBox();
    if (bounds.isEmpty()) {
        return bounds;
    }
    return SbBox3f(bounds.getMin() - place, bounds.getMax() - place);
}

float OverlayScene::placeFromTop(Block& block, float left, float top) {
    const SbBox3f text =
        textBounds(root_, block.visibility, block.text, size_, block.place->translation.getValue());
    if (text.isEmpty()) {
        return top;
    }
    const SbVec3f low = text.getMin() - SbVec3f(padding, padding, 0);
    const SbVec3f high = text.getMax() + SbVec3f(padding, padding, 0);
    block.box->point.set1Value(0, low[0], low[1], 0);
    block.box->point.set1Value(1, high[0], low[1], 0);
    block.box->point.set1Value(2, high[0], high[1], 0);
    block.box->point.set1Value(3, low[0], high[1], 0);
    block.place->translation.setValue(left - low[0], top - high[1], 0);
    return top - (high[1] - low[1]);
}

void OverlayScene::placeFromBottom(Block& block, float centre, float bottom) {
    const SbBox3f text =
        textBounds(root_, block.visibility, block.text, size_, block.place->translation.getValue());
    if (text.isEmpty()) {
        return;
    }
    const float width = text.getMax()[0] - text.getMin()[0] + 2 * padding;
    const float height = text.getMax()[1] - text.getMin()[1] + 2 * padding;
    placeFromTop(block, centre - width / 2, bottom + height);
}

void OverlayScene::show(Block& block, bool shown) {
    block.visibility->whichChild = shown ? 0 : SO_SWITCH_NONE;
}

bool OverlayScene::update(const StatusValues& status, bool helpShown, const SbVec2s& size) {
    const std::vector<std::string> lines = statusLines(status);
    const bool hintShown = !status.running;
    const bool resized = size != size_;
    if (!resized && lines == statusShown_ && hintShown == hintShown_ && helpShown == helpShown_) {
        return false;
    }
    if (resized) {
        size_ = size;
        camera_->position.setValue(size[0] / 2.0f, size[1] / 2.0f, 1);
        camera_->height = size[1];
        camera_->aspectRatio = size[1] > 0 ? static_cast<float>(size[0]) / size[1] : 1.0f;
    }
    if (lines != statusShown_) {
        setLines(status_, lines);
        statusShown_ = lines;
    }
    // Blocks are measured while shown: a switched-off block has no extent.
    show(status_, true);
    show(help_, true);
    show(hint_, true);
    const float statusBottom = placeFromTop(status_, margin, size[1] - margin);
    placeFromTop(help_, margin, statusBottom - margin);
    placeFromBottom(hint_, size[0] / 2.0f, hintBottom);
    show(help_, helpShown);
    show(hint_, hintShown);
    hintShown_ = hintShown;
    helpShown_ = helpShown;
    return true;
}
