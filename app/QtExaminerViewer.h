#pragma once

#include "app/OverlayScene.h"
#include "appstate/ExaminerViewer.h"

#include <Inventor/Qt/viewers/SoQtExaminerViewer.h>

class ProgramState;
class QCheckBox;
class QFileDialog;
class QtEnergyPlot;
class QtTuningPanel;

/// The examiner viewer in its window. Every keyboard event goes to the scene graph, in viewing
/// mode too, and none to the viewer's own key bindings (arrows, S, Home, Esc, Alt), which would
/// collide with the program's keys. The mouse navigates as usual, except that Ctrl with the left
/// button on a body selects and grabs it, and a click on a body (the left button pressed and let
/// go without moving) selects it. The on-screen texts (OverlayScene) are drawn over the view. A
/// model file dropped on the view is opened in the place of the selected body, or added as a
/// body of its own when Shift is held, as one chosen in its file dialog is.
/// The camera stays the scene's perspective camera: the keys, the headcam and the recorder work
/// on it, so the viewer's switch to an orthographic camera, which would replace it, is left out.
/// The tuning panel and the energy plot dock beside the view, never over it.
class QtExaminerViewer : public SoQtExaminerViewer, public ExaminerViewer {
public:
    /// Embedded in `parent`, all decorations, browser type; its mouse and texts work on `state`.
    /// The panel and the plot go into `dock`, a widget beside `parent` in the same window,
    /// which the window grows by while it is shown.
    QtExaminerViewer(QWidget* parent, QWidget* dock, ProgramState& state);

    // The toolkit's own overloads stay callable next to the ones taking this program's types.
    using SoQtExaminerViewer::setDrawStyle;
    using SoQtExaminerViewer::setHeadlight;

    void setFeedbackVisibility(bool on) override;
    void setTransparencyType(int type) override;
    void setSceneGraph(SoNode* root) override;
    void setTitle(const char* title) override;
    void setBackgroundColor(const SbColor& colour) override;
    SbColor getBackgroundColor() const override;
    int getTransparencyType() const override;
    void show() override;

    bool isHeadlight() const override;
    void setHeadlight(bool on) override;
    ExaminerViewer::DrawStyle getDrawStyle(ExaminerViewer::DrawType type) const override;
    void setDrawStyle(ExaminerViewer::DrawType type, ExaminerViewer::DrawStyle style) override;
    SbViewportRegion getViewportRegion() const override;

    unsigned maxLightSources() const override { return lightSources; }
    double refreshRate() const override;
    /// The camera keeps its type: a new camera would leave the program's without the view.
    void setCameraType(SoType type) override;
    void toggleCameraType() override;
    void saveScreenshot() override;
    void chooseModelFile(const std::string& folder, bool adding) override;
    /// The toolkit's own save dialog, with a box for the state below its fields.
    void chooseSceneFile(const std::string& folder) override;
    void refreshOverlay() override;

protected:
    SbBool processSoEvent(const SoEvent* const event) override;
    /// The viewer's buttons but the camera-type switch.
    void createViewerButtons(QWidget* parent, SbPList* buttons) override;
    void actualRedraw() override;

private:
    void readLightSources();
    /// Brings the on-screen texts up to date with the application's state; returns whether
    /// they changed.
    bool updateOverlay();

    /// Ctrl + left button on the body, the moves while it is held and its release; returns
    /// whether the event was one of those.
    bool handleGrab(const SoEvent* event);
    /// A plain press of the left button and its release without moving: selects the body
    /// under it. The view turns from the same events as ever.
    void followClick(const SoEvent* event);
    /// Shows or hides the tuning panel and the energy plot as the state says, in the dock beside
    /// the view, and brings the panel's values up to date. The window grows or shrinks by what
    /// the dock takes, so that the view keeps its size (unless the window fills the screen).
    void syncWidgets();

    ProgramState& state;
    OverlayScene overlay;
    QWidget* dock;
    /// Made once the viewer's own widgets are built.
    QtTuningPanel* tuningPanel = nullptr;
    QtEnergyPlot* energyPlot = nullptr;
    bool grabbing = false;
    /// The left button is down, and has not moved further than clickSlack pixels since.
    bool clicking = false;
    SbVec2s clickPixel{0, 0};
    static constexpr int clickSlack = 2;
    /// Made on the first Ctrl+O and kept, so that it remembers its size and place.
    QFileDialog* fileDialog = nullptr;
    /// Made on the first Ctrl+S and kept, with its box for the state.
    QFileDialog* saveDialog = nullptr;
    QCheckBox* saveWithState = nullptr;
    /// The file the dialog is choosing is to be added (Shift+Ctrl+O).
    bool choiceAdds = false;
    /// F12 was pressed: the next frame drawn is saved.
    bool screenshotRequested = false;

    /// OpenGL guarantees at least eight light sources; this answer stands until the first
    /// redraw, when a context exists and its real number can be read.
    unsigned lightSources = 8;
    bool firstFrameDrawn = false;
};
