#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbViewportRegion.h>

#include <string>

class SoNode;

/// The operations the program calls on its examiner viewer. The real one lives in a window
/// (QtExaminerViewer, the only code that names the toolkit); HeadlessViewer stands in for it
/// in tests. Numeric values are those of the viewer classes of the scene-graph binding.
class ExaminerViewer {
public:
    enum DrawType { STILL = 0, INTERACTIVE = 1 };
    enum DrawStyle {
        VIEW_AS_IS = 0,
        VIEW_HIDDEN_LINE = 1,
        VIEW_NO_TEXTURE = 2,
        VIEW_LOW_COMPLEXITY = 3,
        VIEW_LINE = 4,
        VIEW_POINT = 5,
        VIEW_BBOX = 6,
        VIEW_LOW_RES_LINE = 7,
        VIEW_LOW_RES_POINT = 8,
        VIEW_SAME_AS_STILL = 9,
        VIEW_WIREFRAME_OVERLAY = 10
    };

    virtual ~ExaminerViewer() = default;

    /// Shows the examiner's axis cross.
    virtual void setFeedbackVisibility(bool on) = 0;
    /// A transparency type of the render action (6: sorted object blend).
    virtual void setTransparencyType(int type) = 0;
    /// Renders `root`, whose first child is the camera the viewer takes as its own.
    virtual void setSceneGraph(SoNode* root) = 0;
    virtual void setTitle(const char* title) = 0;
    virtual void setBackgroundColor(const SbColor& colour) = 0;
    virtual SbColor getBackgroundColor() const = 0;
    virtual int getTransparencyType() const = 0;
    virtual void show() = 0;

    virtual bool isHeadlight() const = 0;
    virtual void setHeadlight(bool on) = 0;
    virtual DrawStyle getDrawStyle(DrawType type) const = 0;
    virtual void setDrawStyle(DrawType type, DrawStyle style) = 0;
    virtual SbViewportRegion getViewportRegion() const = 0;

    /// How many OpenGL light sources the rendering context offers. The real viewer asks its
    /// context once; the balls' light limit is derived from it.
    virtual unsigned maxLightSources() const = 0;
    /// How many frames a second the display shows; 0 when it is not known.
    virtual double refreshRate() const = 0;

    /// Saves a picture of the view as the next frame draws it, without the texts over it.
    virtual void saveScreenshot() = 0;
    /// Lets the user choose a model file to open in the place of the selected body, or to add
    /// to the scene as a body of its own (`adding`), starting in `folder` (the working directory
    /// when empty), without holding up the main loop.
    virtual void chooseModelFile(const std::string& folder, bool adding) = 0;
    /// Lets the user choose the scene file to save the scene taken at Ctrl+S into, and whether
    /// its exact state goes beside it (yes unless the user says no), starting in `folder`,
    /// without holding up the main loop; the choice goes to finishSceneSave (or
    /// cancelSceneSave), control/SceneCapture.h.
    virtual void chooseSceneFile(const std::string& folder) = 0;
    /// Brings the texts over the view up to date with the program's state, and redraws when
    /// they changed.
    virtual void refreshOverlay() = 0;
};
