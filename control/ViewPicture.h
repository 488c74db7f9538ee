#pragma once

#include "offscreen/ViewRenderer.h"

#include <Inventor/SbVec2s.h>

/// How the viewer shows the scene now: its background, headlight, draw style and transparency.
ViewLook viewerLook();

/// F12 without a window: draws the view of the assembled scene as it is now (the state copied
/// into it first), as the viewer would show it without the texts over it, at `size` pixels, and
/// saves it as a PNG in the pictures folder under the name the window gives its pictures
/// ("plimmerton-DATE-TIME.png", never over an existing file). Prints "screenshot: PATH" on
/// standard output, or one line on standard error saying why there is no picture.
void saveViewPicture(SbVec2s size);
