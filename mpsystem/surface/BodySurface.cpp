#include "mpsystem/surface/BodySurface.h"

#include "common/ErrorLine.h"
#include "image/TextureFile.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

/// Makes the field hold exactly `count` values: a new node's field starts with one default
/// value, which an empty body must not keep.
template <typename Field, typename Value>
void setExactly(Field& field, int count, const Value* values) {
    field.setValues(0, count, values);
    field.setNum(count);
}

/// Puts the picture of `textureFile` into the node. Without a file name the surface stays
/// untextured and nothing is said; a file that gives no picture leaves it untextured too, with
/// one line on standard error.
void loadSurfaceTexture(SoTexture2& node, const char* textureFile) {
    if (textureFile == nullptr || textureFile[0] == '\0') {
        return;
    }
    std::string problem;
    if (!loadTexture(node, textureFile, problem)) {
        freshErrorLine() << problem << std::endl;
    }
}

} // namespace

BodySurface::BodySurface(const MpSystem& body, float red, float green, float blue,
                         float transparency, const char* textureFile, bool levels)
    : body_(body), levels_(std::make_shared<SurfaceLevels>()) {
    root_ = new SoSeparator;
    root_->ref();

    // Each triangle is a strip of its own in the file's winding, which the hints declare as the
    // front; the library then computes smooth normals up to the crease angle.
    SoShapeHints* hints = new SoShapeHints;
    hints->vertexOrdering = SoShapeHints::COUNTERCLOCKWISE;
    hints->creaseAngle = 1.0f;
    root_->addChild(hints);

    SoMaterial* material = new SoMaterial;
    material->diffuseColor.setValue(red, green, blue);
    material->transparency.setValue(transparency);
    root_->addChild(material);

    SoNormalBinding* normalBinding = new SoNormalBinding;
    normalBinding->value = SoNormalBinding::PER_VERTEX;
    root_->addChild(normalBinding);

    // Texture coordinates and coordinates share the point numbering, so the strip set needs no
    // texture coordinate indices, and a level's triangles take the coordinates of the points
    // they kept.
    SoTextureCoordinate2* texture = new SoTextureCoordinate2;
    setExactly(texture->point, body.numPoints(), body.texCoords());
    root_->addChild(texture);

    // The picture is decoded by our own checked reader; the node's file name stays empty, so
    // the library's loader never reads the file.
    SoTexture2* image = new SoTexture2;
    loadSurfaceTexture(*image, textureFile);
    image->model = SoTexture2::MODULATE;
    root_->addChild(image);

    coordinates_ = new SoCoordinate3;
    coordinates_->ref();
    setExactly(coordinates_->point, body.numPoints(), body.positions());
    root_->addChild(coordinates_);

    SurfaceStripSet::initClass();
    strips_ = new SurfaceStripSet;
    strips_->ref();
    setExactly(strips_->coordIndex, body.numFaceIndices(), body.faceIndices());
    root_->addChild(strips_);

    if (levels) {
        levels_->build(body.faceIndices(), body.numFaceIndices(), body.positions(),
                       body.numPoints());
        strips_->setLevels(levels_, this);
    }
}

BodySurface::~BodySurface() {
    strips_->dropFeed();
    strips_->unref();
    coordinates_->unref();
    root_->unref();
}

void BodySurface::update() {
    const int level = strips_->levelDrawn();
    copyPoints(level);
    strips_->pointsCopied(level, coordinates_->getNodeId());
}

void BodySurface::feedLevel(int level) {
    // The strip set asks while it draws: the points change under the same node id, and the
    // picture being drawn already shows them.
    const SbBool notifying = coordinates_->point.enableNotify(FALSE);
    copyPoints(level);
    coordinates_->point.enableNotify(notifying);
    strips_->pointsCopied(level, coordinates_->getNodeId());
}

void BodySurface::copyPoints(int level) {
    SoMFVec3f& field = coordinates_->point;
    const SbVec3f* positions = body_.positions();
    if (level == 0 || level > levels_->numLevels()) {
        field.setValues(0, body_.numPoints(), positions);
        return;
    }
    SbVec3f* values = field.startEditing();
    for (int32_t p : levels_->level(level).points) {
        values[p] = positions[p];
    }
    field.finishEditing();
}

bool BodySurface::levelsWanted() {
    const char* value = std::getenv("PLIMMERTON_ALL_TRIANGLES");
    if (value == nullptr || value[0] == '\0' || std::strcmp(value, "0") == 0) {
        return true;
    }
    if (std::strcmp(value, "1") != 0) {
        freshErrorLine() << "PLIMMERTON_ALL_TRIANGLES is neither 0 nor 1: large bodies are "
                            "drawn in levels"
                         << std::endl;
        return true;
    }
    return false;
}
