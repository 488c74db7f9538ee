#pragma once

#include <Inventor/SbBox3f.h>
#include <Inventor/SbColor.h>
#include <Inventor/SbVec2s.h>

#include "offscreen/EglOffscreen.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SoCamera;
class SoDirectionalLight;
class SoGLRenderAction;
class SoNode;
class SoRotation;
class SoSeparator;
class SoSwitch;

/// How the examiner viewer shows its scene, as far as a picture of it depends on it.
struct ViewLook {
    SbColor background{0, 0, 0};
    bool headlight = true;
    /// 0: as is, 4: lines, 10: shaded with a wireframe over it (the viewer's draw styles).
    int drawStyle = 0;
    /// A transparency type of the render action.
    int transparencyType = 0;
};

/// Draws a scene as the examiner viewer shows it (its background, its headlight that follows
/// the camera, its draw styles; no axis cross, no texts over the view) into pixels, with the
/// scene library's render action in a context of its own (EglCanvas).
class ViewRenderer {
public:
    /// Pictures of `size` pixels of `scene`, whose camera is `camera`.
    ViewRenderer(SbVec2s size, SoNode* scene, SoCamera* camera);
    /// Makes the context; false, with `problem` set, when there is none to draw in.
    bool open(std::string& problem);
    ~ViewRenderer();
    ViewRenderer(const ViewRenderer&) = delete;
    ViewRenderer& operator=(const ViewRenderer&) = delete;

    /// Holds the near and far planes, which follow the scene, to `limit` as the window's viewer
    /// holds its own (clippingPlanesWithin).
    void setClipLimit(const SbBox3f& limit) {
        clipLimit_ = limit;
        hasClipLimit_ = true;
    }
    /// Draws the scene as it is now; false when nothing could be drawn.
    bool render(const ViewLook& look);
    /// The last picture: 3 bytes a pixel, rows from the bottom up, no gaps between rows.
    const uint8_t* pixels() const;
    SbVec2s size() const { return size_; }

private:
    bool draw(const ViewLook& look);

    SbVec2s size_;
    SoCamera* camera_;
    EglCanvas canvas_;
    std::unique_ptr<SoGLRenderAction> action_;
    std::vector<uint8_t> pixels_;
    SoSeparator* root_;
    SoRotation* headlightTurn_;
    SoDirectionalLight* headlight_;
    SoSwitch* sceneSwitch_;
    SoSwitch* overlaySwitch_;
    SbBox3f clipLimit_;
    bool hasClipLimit_ = false;
};
