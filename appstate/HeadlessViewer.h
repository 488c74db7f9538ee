#pragma once

#include "appstate/ExaminerViewer.h"

#include <string>

/// An examiner viewer without a window: it records what is set and answers with a fixed
/// viewport, so the assembled scene can be driven in-process.
class HeadlessViewer : public ExaminerViewer {
public:
    void setFeedbackVisibility(bool on) override { feedbackVisible = on; }
    void setTransparencyType(int type) override { transparencyType = type; }
    void setSceneGraph(SoNode* root) override { sceneGraph = root; }
    void setTitle(const char* text) override { title = text; }
    void setBackgroundColor(const SbColor& colour) override { backgroundColor = colour; }
    SbColor getBackgroundColor() const override { return backgroundColor; }
    int getTransparencyType() const override { return transparencyType; }
    void show() override { shown = true; }

    bool isHeadlight() const override { return headlight; }
    void setHeadlight(bool on) override { headlight = on; }
    DrawStyle getDrawStyle(DrawType type) const override { return drawStyles[type]; }
    void setDrawStyle(DrawType type, DrawStyle style) override { drawStyles[type] = style; }
    SbViewportRegion getViewportRegion() const override { return viewport; }
    unsigned maxLightSources() const override { return lightSources; }
    double refreshRate() const override { return displayRate; }
    void saveScreenshot() override { ++screenshotsAsked; }
    void chooseModelFile(const std::string& folder, bool adding) override {
        ++fileChoicesAsked;
        choiceFolder = folder;
        choiceAdds = adding;
    }
    void chooseSceneFile(const std::string& folder) override {
        ++sceneChoicesAsked;
        choiceFolder = folder;
    }
    void refreshOverlay() override { ++overlayRefreshes; }

    bool feedbackVisible = false;
    int transparencyType = 0;
    SoNode* sceneGraph = nullptr;
    std::string title;
    SbColor backgroundColor{0, 0, 0};
    bool shown = false;
    bool headlight = true;
    DrawStyle drawStyles[2] = {VIEW_AS_IS, VIEW_SAME_AS_STILL};
    SbViewportRegion viewport{640, 480};
    unsigned lightSources = 8;
    double displayRate = 60;
    int screenshotsAsked = 0;
    int fileChoicesAsked = 0;
    std::string choiceFolder;
    bool choiceAdds = false;
    int sceneChoicesAsked = 0;
    int overlayRefreshes = 0;
};
