#pragma once

#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec2s.h>

#include <functional>
#include <string>
#include <vector>

class SoCoordinate3;
class SoOrthographicCamera;
class SoSeparator;
class SoSwitch;
class SoTexture2;
class SoTranslation;
struct StatusValues;

/// Lines of text drawn on their box as an image. The box fills the image's upper left corner;
/// the rest of the image, up to sizes the graphics library takes as they are (powers of two),
/// is transparent.
struct TextImage {
    SbVec2s size{0, 0};
    SbVec2s box{0, 0};
    /// Red, green, blue and opacity of each pixel, rows from the bottom up.
    std::vector<unsigned char> pixels;
};

/// The kinds of text over the view, each with its look.
enum class TextKind { status, help, hint, message };

/// A line over the view, in pixels of the viewport: the pull on a held body.
struct OverlayLine {
    bool shown = false;
    SbVec2f from{0, 0};
    SbVec2f to{0, 0};
    bool operator==(const OverlayLine& other) const {
        return shown == other.shown && (!shown || (from == other.from && to == other.to));
    }
    bool operator!=(const OverlayLine& other) const { return !(*this == other); }
};

/// Draws lines of a kind of text; the window layer's fonts do it.
using TextPainter = std::function<TextImage(const std::vector<std::string>& lines, TextKind kind)>;

/// The texts over the view, as a scene of their own that the window layer draws on top of the
/// rendered one: the status in the upper left corner, below it the help panel while it is
/// shown, at the bottom in the middle the hint while the animation is stopped, and above it a
/// message (a model being opened, why one could not be) while there is one. Each is one
/// textured rectangle, drawn anew only when its text changes, so a frame costs the texts little.
/// Laid out in pixels of the viewport, origin lower left.
class OverlayScene {
public:
    explicit OverlayScene(TextPainter painter);
    ~OverlayScene();
    OverlayScene(const OverlayScene&) = delete;
    OverlayScene& operator=(const OverlayScene&) = delete;

    /// The overlay's root, held by the overlay.
    SoSeparator* root() const { return root_; }

    /// Least time, in seconds, between two pictures of the status that differ only in its
    /// clock (the simulated time and the pace) while the animation runs. Painting the text and
    /// handing the picture to the graphics library at every frame would cost the program
    /// about a tenth of a core; a clock read four times a second reads as well.
    static constexpr double clockPeriod = 0.25;

    /// Shows `status` (and the hint while the animation is stopped), when `helpShown` the help
    /// panel, the `message` lines when there are any and the `line` when it is shown, laid out
    /// for a viewport of `size` pixels, at wall-clock time `now` in seconds. Returns whether
    /// anything shown changed; nodes are touched only then.
    bool update(const StatusValues& status, bool helpShown, const std::vector<std::string>& message,
                const OverlayLine& line, const SbVec2s& size, double now);

    const std::vector<std::string>& statusShown() const { return statusShown_; }
    bool hintShown() const { return hintShown_; }
    bool helpShown() const { return helpShown_; }
    const std::vector<std::string>& messageShown() const { return messageShown_; }
    const OverlayLine& lineShown() const { return lineShown_; }

private:
    /// A text's picture on a rectangle, shown or not.
    struct Block {
        SoSwitch* visibility;
        SoTranslation* place;
        SoTexture2* texture;
        SoSeparator* rectangle;
        SbVec2s size{0, 0};
        SbVec2s box{0, 0};
    };

    Block makeBlock();
    void paint(Block& block, const std::vector<std::string>& lines, TextKind kind);
    /// Puts the block's box with its upper left corner at `left`, `top`; returns its bottom.
    float placeFromTop(Block& block, float left, float top);

    TextPainter painter_;
    SoSeparator* root_;
    SoOrthographicCamera* camera_;
    Block status_;
    Block help_;
    Block hint_;
    Block message_;
    SoSwitch* lineVisibility_;
    SoCoordinate3* lineEnds_;
    SbVec2s size_{0, 0};
    std::vector<std::string> statusShown_;
    double statusPainted_ = 0;
    bool runningShown_ = false;
    bool hintShown_ = false;
    bool helpShown_ = false;
    std::vector<std::string> messageShown_;
    OverlayLine lineShown_;
};
