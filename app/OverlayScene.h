#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbVec2s.h>

#include <string>
#include <vector>

class SoCoordinate3;
class SoOrthographicCamera;
class SoSeparator;
class SoSwitch;
class SoText2;
class SoTranslation;
struct StatusValues;

/// The texts over the view, as a scene of their own that the window layer draws on top of the
/// rendered one: the status in the upper left corner, below it the help panel while it is
/// shown, and at the bottom in the middle the hint while the animation is stopped. Each sits
/// on a dark translucent box. Laid out in pixels of the viewport, origin lower left.
class OverlayScene {
public:
    /// Colours of the texts, distinct from anything in the arena so that they can be found in
    /// a picture of the window.
    static const SbColor statusColour;
    static const SbColor hintColour;

    OverlayScene();
    ~OverlayScene();
    OverlayScene(const OverlayScene&) = delete;
    OverlayScene& operator=(const OverlayScene&) = delete;

    /// The overlay's root, held by the overlay.
    SoSeparator* root() const { return root_; }

    /// Shows `status` (and the hint while the animation is stopped) and, when `helpShown`, the
    /// help panel, laid out for a viewport of `size` pixels. Returns whether anything shown
    /// changed; nodes are touched only then.
    bool update(const StatusValues& status, bool helpShown, const SbVec2s& size);

    const std::vector<std::string>& statusShown() const { return statusShown_; }
    bool hintShown() const { return hintShown_; }
    bool helpShown() const { return helpShown_; }

private:
    /// Lines of text on a box, shown or not.
    struct Block {
        SoSwitch* visibility;
        SoTranslation* place;
        SoCoordinate3* box;
        SoText2* text;
    };

    Block makeBlock(const char* fontName, float fontSize, const SbColor& colour);
    void setLines(Block& block, const std::vector<std::string>& lines);
    /// Fits the block's box around its text and puts the box's upper left corner at `left`,
    /// `top`. Returns the box's bottom.
    float placeFromTop(Block& block, float left, float top);
    /// Fits the box and puts the middle of its lower edge at `centre`, `bottom`.
    void placeFromBottom(Block& block, float centre, float bottom);
    void show(Block& block, bool shown);

    SoSeparator* root_;
    SoOrthographicCamera* camera_;
    Block status_;
    Block help_;
    Block hint_;
    SbVec2s size_{0, 0};
    std::vector<std::string> statusShown_;
    bool hintShown_ = false;
    bool helpShown_ = false;
};
