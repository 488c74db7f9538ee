#include "app/QtExaminerViewer.h"

#include "app/QtScreenshot.h"
#include "app/QtTextPainter.h"
#include "appstate/Globals.h"
#include "control/MouseGrab.h"
#include "control/ProgramState.h"
#include "control/StatusReport.h"

#include <GL/gl.h>
#include <Inventor/SbTime.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/events/SoLocation2Event.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/nodes/SoSeparator.h>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

QtExaminerViewer::QtExaminerViewer(QWidget* parent, ProgramState& programState)
    : SoQtExaminerViewer(parent, nullptr, TRUE, SoQtFullViewer::BUILD_ALL, SoQtViewer::BROWSER),
      state(programState), overlay(paintText) {
    addSuperimposition(overlay.root());
}

void QtExaminerViewer::setFeedbackVisibility(bool on) {
    SoQtExaminerViewer::setFeedbackVisibility(on);
}

void QtExaminerViewer::setTransparencyType(int type) {
    SoQtExaminerViewer::setTransparencyType(static_cast<SoGLRenderAction::TransparencyType>(type));
}

void QtExaminerViewer::setSceneGraph(SoNode* root) {
    SoQtExaminerViewer::setSceneGraph(root);
}

void QtExaminerViewer::setTitle(const char* title) {
    SoQtExaminerViewer::setTitle(title);
}

void QtExaminerViewer::setBackgroundColor(const SbColor& colour) {
    SoQtExaminerViewer::setBackgroundColor(colour);
}

void QtExaminerViewer::show() {
    SoQtExaminerViewer::show();
}

bool QtExaminerViewer::isHeadlight() const {
    return SoQtExaminerViewer::isHeadlight() != FALSE;
}

void QtExaminerViewer::setHeadlight(bool on) {
    SoQtExaminerViewer::setHeadlight(on);
}

ExaminerViewer::DrawStyle QtExaminerViewer::getDrawStyle(ExaminerViewer::DrawType type) const {
    return static_cast<ExaminerViewer::DrawStyle>(
        SoQtExaminerViewer::getDrawStyle(static_cast<SoQtViewer::DrawType>(type)));
}

void QtExaminerViewer::setDrawStyle(ExaminerViewer::DrawType type,
                                    ExaminerViewer::DrawStyle style) {
    SoQtExaminerViewer::setDrawStyle(static_cast<SoQtViewer::DrawType>(type),
                                     static_cast<SoQtViewer::DrawStyle>(style));
}

SbViewportRegion QtExaminerViewer::getViewportRegion() const {
    return SoQtExaminerViewer::getViewportRegion();
}

double QtExaminerViewer::refreshRate() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->refreshRate() : 0.0;
}

void QtExaminerViewer::saveScreenshot() {
    screenshotRequested = true;
    scheduleRedraw();
}

SbBool QtExaminerViewer::processSoEvent(const SoEvent* const event) {
    if (event->isOfType(SoKeyboardEvent::getClassTypeId())) {
        // The render area hands the event to the scene graph; the viewer classes in between
        // would keep keys for their own bindings while in viewing mode.
        const SbBool handled = SoQtRenderArea::processSoEvent(event);
        if (refreshOverlay()) {
            scheduleRedraw();
        }
        return handled;
    }
    if (handleGrab(event)) {
        return TRUE;
    }
    return SoQtExaminerViewer::processSoEvent(event);
}

bool QtExaminerViewer::handleGrab(const SoEvent* event) {
    // Ctrl with Shift and the left button keeps zooming the view.
    if (SoMouseButtonEvent::isButtonPressEvent(event, SoMouseButtonEvent::BUTTON1) &&
        event->wasCtrlDown() && !event->wasShiftDown()) {
        grabbing = grabBodyAt(state.grab, event->getPosition());
        return grabbing;
    }
    if (!grabbing) {
        return false;
    }
    if (event->isOfType(SoLocation2Event::getClassTypeId())) {
        dragBodyTo(state.grab, event->getPosition());
        return true;
    }
    if (SoMouseButtonEvent::isButtonReleaseEvent(event, SoMouseButtonEvent::BUTTON1)) {
        releaseBody(state.grab);
        grabbing = false;
        return true;
    }
    return false;
}

bool QtExaminerViewer::refreshOverlay() {
    return overlay.update(currentStatus(state), state.helpPanelShown,
                          getViewportRegion().getViewportSizePixels(),
                          SbTime::getTimeOfDay().getValue());
}

void QtExaminerViewer::actualRedraw() {
    if (!firstFrameDrawn) {
        readLightSources();
        // While the window manager places a new window, the first frame can be lost without
        // any expose event to repair it; the scene is static until the animation starts, so
        // it is drawn once more when the window has settled.
        QTimer::singleShot(1000, getBaseWidget(), [this] { scheduleRedraw(); });
        firstFrameDrawn = true;
    }
    refreshOverlay();
    SoQtExaminerViewer::actualRedraw();
    if (screenshotRequested) {
        screenshotRequested = false;
        ::saveScreenshot(getViewportRegion().getViewportSizePixels());
    }
}

void QtExaminerViewer::readLightSources() {
    // Asked of OpenGL directly and once: the scene-graph library's own query warns at every
    // call and is meaningless before a context exists.
    GLint count = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &count);
    if (count > 0) {
        lightSources = static_cast<unsigned>(count);
    }
}
