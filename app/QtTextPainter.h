#pragma once

#include "app/OverlayScene.h"

/// Draws lines of on-screen text with the toolkit's fonts: the status and the help panel in a
/// monospaced font (the panel's columns line up), the hint larger and bold, each on a dark
/// translucent box.
TextImage paintText(const std::vector<std::string>& lines, TextKind kind);
