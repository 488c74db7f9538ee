#include "app/OverlayScene.h"

#include "appstate/OnScreenText.h"
#include "control/KeyTable.h"

#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoDepthBuffer.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoLineSet.h>
#include <Inventor/nodes/SoOrthographicCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>
#include <Inventor/nodes/SoTranslation.h>
#include <Inventor/nodes/SoTransparencyType.h>

#include <algorithm>

namespace {

const float margin = 8;
// Above the viewer's frame counter in the lower left corner.
const float hintBottom = 34;

} // namespace

OverlayScene::OverlayScene(TextPainter painter)
    : painter_(std::move(painter)), root_(new SoSeparator), camera_(new SoOrthographicCamera) {
    root_->ref();
    // One world unit is one pixel: the camera is fitted to the viewport on every update.
    camera_->viewportMapping = SoCamera::LEAVE_ALONE;
    camera_->nearDistance = 0.5f;
    camera_->farDistance = 1.5f;
    root_->addChild(camera_);
    SoLightModel* unlit = new SoLightModel;
    unlit->model = SoLightModel::BASE_COLOR;
    root_->addChild(unlit);
    // The pictures lie in one plane, each drawn over what came before, pixel for pixel.
    SoDepthBuffer* noDepth = new SoDepthBuffer;
    noDepth->test = FALSE;
    noDepth->write = FALSE;
    root_->addChild(noDepth);
    SoTransparencyType* inOrder = new SoTransparencyType;
    inOrder->value = SoTransparencyType::BLEND;
    root_->addChild(inOrder);
    SoComplexity* nearest = new SoComplexity;
    nearest->textureQuality = 0.1f;
    root_->addChild(nearest);

    // The pull on a held body, under the texts.
    lineVisibility_ = new SoSwitch;
    root_->addChild(lineVisibility_);
    SoSeparator* line = new SoSeparator;
    lineVisibility_->addChild(line);
    SoBaseColor* lineColour = new SoBaseColor;
    lineColour->rgb.setValue(1.0f, 0.8f, 0.2f);
    line->addChild(lineColour);
    SoDrawStyle* lineWidth = new SoDrawStyle;
    lineWidth->lineWidth = 2;
    line->addChild(lineWidth);
    lineEnds_ = new SoCoordinate3;
    lineEnds_->point.setNum(2);
    line->addChild(lineEnds_);
    line->addChild(new SoLineSet);

    status_ = makeBlock();
    help_ = makeBlock();
    hint_ = makeBlock();
    message_ = makeBlock();
    paint(help_, helpPanelLines(), TextKind::help);
    paint(hint_, {pausedHint()}, TextKind::hint);
}

OverlayScene::~OverlayScene() {
    root_->unref();
}

OverlayScene::Block OverlayScene::makeBlock() {
    Block block;
    block.visibility = new SoSwitch;
    root_->addChild(block.visibility);
    SoSeparator* content = new SoSeparator;
    block.visibility->addChild(content);
    block.place = new SoTranslation;
    content->addChild(block.place);
    block.texture = new SoTexture2;
    block.texture->model = SoTexture2::REPLACE;
    content->addChild(block.texture);
    block.rectangle = new SoSeparator;
    content->addChild(block.rectangle);
    return block;
}

// The rectangle is as large as the picture, so that each pixel of it shows one of the view.
void OverlayScene::paint(Block& block, const std::vector<std::string>& lines, TextKind kind) {
    const TextImage image = painter_(lines, kind);
    block.texture->image.setValue(image.size, 4, image.pixels.data());
    block.box = image.box;
    if (image.size == block.size) {
        return;
    }
    block.size = image.size;
    block.rectangle->removeAllChildren();
    const float width = image.size[0];
    const float height = image.size[1];
    SoCoordinate3* corners = new SoCoordinate3;
    corners->point.set1Value(0, 0, 0, 0);
    corners->point.set1Value(1, width, 0, 0);
    corners->point.set1Value(2, width, height, 0);
    corners->point.set1Value(3, 0, height, 0);
    block.rectangle->addChild(corners);
    SoTextureCoordinate2* mapping = new SoTextureCoordinate2;
    mapping->point.set1Value(0, 0, 0);
    mapping->point.set1Value(1, 1, 0);
    mapping->point.set1Value(2, 1, 1);
    mapping->point.set1Value(3, 0, 1);
    block.rectangle->addChild(mapping);
    SoFaceSet* face = new SoFaceSet;
    face->numVertices = 4;
    block.rectangle->addChild(face);
}

float OverlayScene::placeFromTop(Block& block, float left, float top) {
    block.place->translation.setValue(left, top - block.size[1], 0);
    return top - block.box[1];
}

bool OverlayScene::update(const StatusValues& status, bool helpShown,
                          const std::vector<std::string>& message, const OverlayLine& line,
                          const SbVec2s& size, double now) {
    std::vector<std::string> lines = statusLines(status);
    const bool onlyClockMoved = status.running && runningShown_ &&
                                lines.size() == statusShown_.size() &&
                                std::equal(lines.begin(), lines.end() - 1, statusShown_.begin());
    if (onlyClockMoved && now - statusPainted_ < clockPeriod) {
        lines = statusShown_;
    }
    const bool hintShown = !status.running;
    const bool resized = size != size_;
    if (!resized && lines == statusShown_ && hintShown == hintShown_ && helpShown == helpShown_ &&
        message == messageShown_ && line == lineShown_) {
        return false;
    }
    if (line != lineShown_) {
        lineEnds_->point.set1Value(0, line.from[0], line.from[1], 0);
        lineEnds_->point.set1Value(1, line.to[0], line.to[1], 0);
        lineVisibility_->whichChild = line.shown ? 0 : SO_SWITCH_NONE;
        lineShown_ = line;
    }
    if (resized) {
        size_ = size;
        camera_->position.setValue(size[0] / 2.0f, size[1] / 2.0f, 1);
        camera_->height = size[1];
        camera_->aspectRatio = size[1] > 0 ? static_cast<float>(size[0]) / size[1] : 1.0f;
    }
    if (lines != statusShown_) {
        paint(status_, lines, TextKind::status);
        statusShown_ = lines;
        statusPainted_ = now;
    }
    if (message != messageShown_ && !message.empty()) {
        paint(message_, message, TextKind::message);
    }
    messageShown_ = message;
    runningShown_ = status.running;
    const float statusBottom = placeFromTop(status_, margin, size[1] - margin);
    placeFromTop(help_, margin, statusBottom - margin);
    const float hintTop = hintBottom + hint_.box[1];
    placeFromTop(hint_, (size[0] - hint_.box[0]) / 2.0f, hintTop);
    placeFromTop(message_, (size[0] - message_.box[0]) / 2.0f, hintTop + margin + message_.box[1]);
    status_.visibility->whichChild = 0;
    help_.visibility->whichChild = helpShown ? 0 : SO_SWITCH_NONE;
    hint_.visibility->whichChild = hintShown ? 0 : SO_SWITCH_NONE;
    message_.visibility->whichChild = message.empty() ? SO_SWITCH_NONE : 0;
    hintShown_ = hintShown;
    helpShown_ = helpShown;
    return true;
}
