#include "app/QtExaminerViewer.h"

#include "app/QtEnergyPlot.h"
#include "app/QtScreenshot.h"
#include "app/QtTextPainter.h"
#include "app/QtTuningPanel.h"
#include "appstate/Globals.h"
#include "control/ModelOpening.h"
#include "control/MouseGrab.h"
#include "control/ProgramState.h"
#include "control/SceneCapture.h"
#include "control/SceneOpening.h"
#include "control/StatusReport.h"
#include "offscreen/ClippingPlanes.h"

#include <GL/gl.h>
#include <Inventor/SbTime.h>
#include <Inventor/events/SoKeyboardEvent.h>
#include <Inventor/events/SoLocation2Event.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/lists/SbPList.h>
#include <Inventor/nodes/SoSeparator.h>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// One local file, from any file manager: what is dropped arrives as a list of addresses.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return QString();
    }
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

/// Takes a model file dragged over the view when it is dropped; whether Shift is held as it is
/// dropped goes with it.
class ModelDrop : public QObject {
public:
    ModelDrop(QObject* parent, std::function<void(const QString&, bool)> open)
        : QObject(parent), open_(std::move(open)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::DragEnter) {
            QDragEnterEvent* drag = static_cast<QDragEnterEvent*>(event);
            if (!droppedFile(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            QDropEvent* drop = static_cast<QDropEvent*>(event);
            const QString path = droppedFile(drop->mimeData());
            if (!path.isEmpty()) {
                drop->acceptProposedAction();
                // The drop's own modifiers are those the drag began with on some platforms;
                // the keyboard's now are those the user holds as the file is let go.
                const bool shift =
                    ((drop->keyboardModifiers() | QGuiApplication::queryKeyboardModifiers()) &
                     Qt::ShiftModifier) != 0;
                open_(path, shift);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(const QString&, bool)> open_;
};

// The planes that the viewer sets around the whole scene before each frame, held to the
// arena's reach: a body blown up far away, or to no number at all, leaves the arena drawn.
SbVec2f keepToArena(void* data, const SbVec2f& nearFar) {
    const SoCamera* camera = static_cast<QtExaminerViewer*>(data)->getCamera();
    PointBounds reach{};
    if (camera == nullptr || !arenaReachOf(collisionWorld, reach)) {
        return nearFar;
    }
    return clippingPlanesWithin(nearFar, SbBox3f(reach.min, reach.max), *camera);
}

} // namespace

QtExaminerViewer::QtExaminerViewer(QWidget* parent, QWidget* dockWidget, ProgramState& programState)
    : SoQtExaminerViewer(parent, nullptr, TRUE, SoQtFullViewer::BUILD_ALL, SoQtViewer::BROWSER,
                         FALSE),
      state(programState), overlay(paintText), dock(dockWidget) {
    // Built here rather than by the base class, so that the buttons are this class's.
    setBaseWidget(buildWidget(getParentWidget()));
    addSuperimposition(overlay.root());
    setAutoClippingStrategy(SoQtViewer::VARIABLE_NEAR_PLANE, 0.6f, keepToArena, this);
    QWidget* view = getGLWidget();
    view->setAcceptDrops(true);
    view->installEventFilter(new ModelDrop(view, [this](const QString& path, bool adding) {
        openFile(state, path.toStdString(), adding);
        refreshOverlay();
    }));
    dock->setAutoFillBackground(true);
    QPalette colours = dock->palette();
    colours.setColor(QPalette::Window, QColor(44, 52, 60));
    dock->setPalette(colours);
    tuningPanel = new QtTuningPanel(
        dock, getGLWidget(), state.tuning,
        [this] {
            const std::string refusal = state.tuning.takeRefusal();
            if (!refusal.empty()) {
                showNotice(state, refusal, SbTime::getTimeOfDay().getValue());
            }
            refreshOverlay();
            scheduleRedraw();
        },
        [this](const std::string& text) {
            showNotice(state, text, SbTime::getTimeOfDay().getValue());
            refreshOverlay();
        });
    energyPlot = new QtEnergyPlot(dock, state.energy);
    energyPlot->setMinimumSize(240, 160);
    auto* column = new QVBoxLayout(dock);
    column->setContentsMargins(6, 6, 6, 6);
    column->addWidget(tuningPanel, 0, Qt::AlignTop);
    column->addWidget(energyPlot, 1);
    dock->hide();
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

SbColor QtExaminerViewer::getBackgroundColor() const {
    return SoQtExaminerViewer::getBackgroundColor();
}

int QtExaminerViewer::getTransparencyType() const {
    return SoQtExaminerViewer::getTransparencyType();
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

void QtExaminerViewer::setCameraType(SoType) {}

void QtExaminerViewer::toggleCameraType() {}

void QtExaminerViewer::createViewerButtons(QWidget* parent, SbPList* buttons) {
    SoQtExaminerViewer::createViewerButtons(parent, buttons);
    // The examiner adds its camera-type switch last; it stays hidden and out of the column.
    const int last = buttons->getLength() - 1;
    if (last >= 0) {
        static_cast<QWidget*>((*buttons)[last])->hide();
        buttons->remove(last);
    }
}

SbBool QtExaminerViewer::processSoEvent(const SoEvent* const event) {
    if (event->isOfType(SoKeyboardEvent::getClassTypeId())) {
        // The render area hands the event to the scene graph; the viewer classes in between
        // would keep keys for their own bindings while in viewing mode.
        const SbBool handled = SoQtRenderArea::processSoEvent(event);
        if (updateOverlay()) {
            scheduleRedraw();
        }
        syncWidgets();
        return handled;
    }
    if (handleGrab(event)) {
        refreshOverlay();
        return TRUE;
    }
    followClick(event);
    return SoQtExaminerViewer::processSoEvent(event);
}

void QtExaminerViewer::followClick(const SoEvent* event) {
    if (SoMouseButtonEvent::isButtonPressEvent(event, SoMouseButtonEvent::BUTTON1)) {
        clicking = !event->wasCtrlDown() && !event->wasShiftDown();
        clickPixel = event->getPosition();
        return;
    }
    if (!clicking) {
        return;
    }
    const SbVec2s pixel = event->getPosition();
    // A few pixels of a hand's tremor still make a click; more is a drag that turns the view.
    const bool moved = std::abs(pixel[0] - clickPixel[0]) > clickSlack ||
                       std::abs(pixel[1] - clickPixel[1]) > clickSlack;
    if (moved) {
        clicking = false;
    } else if (SoMouseButtonEvent::isButtonReleaseEvent(event, SoMouseButtonEvent::BUTTON1)) {
        clicking = false;
        if (selectBodyAt(state.bodies, clickPixel)) {
            refreshOverlay();
        }
    }
}

bool QtExaminerViewer::handleGrab(const SoEvent* event) {
    // Ctrl with Shift and the left button on the body pins it there (or lets it go); elsewhere
    // it keeps zooming the view.
    if (SoMouseButtonEvent::isButtonPressEvent(event, SoMouseButtonEvent::BUTTON1) &&
        event->wasCtrlDown() && event->wasShiftDown()) {
        const bool pinned = pinBodyAt(state.bodies, event->getPosition());
        if (pinned) {
            refreshOverlay();
        }
        return pinned;
    }
    if (SoMouseButtonEvent::isButtonPressEvent(event, SoMouseButtonEvent::BUTTON1) &&
        event->wasCtrlDown() && !event->wasShiftDown()) {
        grabbing = grabBodyAt(state.grab, state.bodies, event->getPosition());
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

void QtExaminerViewer::refreshOverlay() {
    if (updateOverlay()) {
        scheduleRedraw();
    }
    // A body opened from the window brings its own values and bound.
    syncWidgets();
}

bool QtExaminerViewer::updateOverlay() {
    const double now = SbTime::getTimeOfDay().getValue();
    OverlayLine pull;
    pull.shown = grabLine(state.grab, pull.from, pull.to);
    return overlay.update(currentStatus(state), state.helpPanelShown, openingLines(state, now),
                          pull, getViewportRegion().getViewportSizePixels(), now);
}

// Not modal: the dialog has an event loop of its own, and one run from inside a key's handler
// would tick and draw the scene while the key's traversal of it is still under way.
void QtExaminerViewer::chooseModelFile(const std::string& folder, bool adding) {
    if (fileDialog == nullptr) {
        fileDialog = new QFileDialog(getBaseWidget());
        fileDialog->setFileMode(QFileDialog::ExistingFile);
        QStringList filters;
        for (const std::string& filter : modelFileFilters()) {
            filters << QString::fromStdString(filter);
        }
        fileDialog->setNameFilters(filters);
        QObject::connect(fileDialog, &QFileDialog::fileSelected, [this](const QString& path) {
            openFile(state, path.toStdString(), choiceAdds);
            refreshOverlay();
        });
    }
    choiceAdds = adding;
    fileDialog->setWindowTitle(adding ? "Add a model to the scene" : "Open a model as the body");
    fileDialog->setDirectory(QString::fromStdString(folder.empty() ? "." : folder));
    fileDialog->open();
}

void QtExaminerViewer::chooseSceneFile(const std::string& folder) {
    if (saveDialog == nullptr) {
        saveDialog = new QFileDialog(getBaseWidget());
        saveDialog->setWindowTitle("Save the scene");
        saveDialog->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog->setFileMode(QFileDialog::AnyFile);
        // The toolkit's own dialog, which has room for the state's box below its fields.
        saveDialog->setOption(QFileDialog::DontUseNativeDialog);
        saveDialog->setDefaultSuffix("toml");
        saveDialog->setNameFilters({"Scenes (*.toml)", "All files (*)"});
        saveWithState = new QCheckBox("Save the exact state beside it (NAME.state)", saveDialog);
        saveWithState->setChecked(true);
        if (auto* grid = qobject_cast<QGridLayout*>(saveDialog->layout())) {
            grid->addWidget(saveWithState, grid->rowCount(), 0, 1, -1);
        }
        QObject::connect(saveDialog, &QFileDialog::fileSelected, [this](const QString& path) {
            finishSceneSave(state, path.toStdString(), saveWithState->isChecked());
            refreshOverlay();
        });
        QObject::connect(saveDialog, &QFileDialog::rejected, [this] { cancelSceneSave(state); });
    }
    saveWithState->setChecked(true);
    saveDialog->setDirectory(QString::fromStdString(folder.empty() ? "." : folder));
    saveDialog->open();
}

void QtExaminerViewer::syncWidgets() {
    const bool changes = state.tuning.shown != tuningPanel->isVisibleTo(dock) ||
                         state.energyPlotShown != energyPlot->isVisibleTo(dock);
    // Measured before the dock changes: the view keeps its width, the window takes the rest.
    const int viewWidth = getParentWidget()->width();
    tuningPanel->sync();
    energyPlot->setVisible(state.energyPlotShown);
    if (!changes) {
        return;
    }
    dock->setVisible(state.tuning.shown || state.energyPlotShown);
    QWidget* window = dock->window();
    if ((window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
        const int dockWidth = dock->isVisibleTo(window) ? dock->sizeHint().width() : 0;
        window->resize(viewWidth + dockWidth,
                       std::max(window->height(), window->minimumSizeHint().height()));
    }
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
    updateOverlay();
    SoQtExaminerViewer::actualRedraw();
    // The plot paints after the frame, from the samples of the ticks just run.
    if (energyPlot->isVisible()) {
        energyPlot->update();
    }
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
