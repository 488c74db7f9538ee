#include "mpsystem/surface/PinMarkers.h"

#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoPickStyle.h>
#include <Inventor/nodes/SoPointSet.h>
#include <Inventor/nodes/SoSeparator.h>

SoSeparator* buildPinMarkers(SoCoordinate3*& coordinates) {
    SoSeparator* marker = new SoSeparator;
    SoPickStyle* unpickable = new SoPickStyle;
    unpickable->style = SoPickStyle::UNPICKABLE;
    marker->addChild(unpickable);
    SoLightModel* unlit = new SoLightModel;
    unlit->model = SoLightModel::BASE_COLOR;
    marker->addChild(unlit);
    SoBaseColor* red = new SoBaseColor;
    red->rgb.setValue(1.0f, 0.15f, 0.1f);
    marker->addChild(red);
    SoDrawStyle* dots = new SoDrawStyle;
    dots->pointSize = 9.0f;
    marker->addChild(dots);
    coordinates = new SoCoordinate3;
    coordinates->point.setNum(0);
    marker->addChild(coordinates);
    marker->addChild(new SoPointSet);
    return marker;
}

void showPins(SoCoordinate3& coordinates, const std::vector<SbVec3f>& pinned) {
    coordinates.point.setValues(0, static_cast<int>(pinned.size()), pinned.data());
    coordinates.point.setNum(static_cast<int>(pinned.size()));
}
