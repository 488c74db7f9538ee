#pragma once

#include <Inventor/SbVec2s.h>

/// Saves the frame just drawn in the current OpenGL context, `size` pixels from the lower
/// left corner, as a PNG file in the user's pictures folder (userFolder), named after the time
/// (plimmerton-YYYYMMDD-HHMMSS.png, then -2, -3, ... within the same second; an existing file
/// is never overwritten). Prints "screenshot: PATH" on standard output, or one line on
/// standard error when the file cannot be written.
void saveScreenshot(const SbVec2s& size);
