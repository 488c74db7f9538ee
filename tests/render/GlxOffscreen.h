#pragma once

/// Makes the scene library's offscreen renderer draw into direct-rendering GLX pbuffers on the
/// display named by DISPLAY. The library's own offscreen contexts are indirect ones on X
/// pixmaps: the X server refuses indirect contexts unless started with +iglx, and even then the
/// software driver answers no version, so the library would render nothing (or, on a server
/// that does serve them, hold itself to OpenGL 1.0 as over a remote display). A pbuffer with a
/// direct context draws with the same driver and features as the program's window.
///
/// Returns false, with a message on standard error, when the display cannot be opened or offers
/// no pbuffer configuration. Call before the first render; the display stays open until exit.
bool useDirectGlxOffscreenContexts();
