#pragma once

#include <cstdint>
#include <string>

/// Writes a picture of `width` x `height` pixels, 3 bytes (red, green, blue) a pixel with no
/// gaps between rows and the rows from the bottom up as OpenGL reads them, to `path` as a PNG
/// file with its top row first. False, with `problem` saying why, when the file cannot be
/// written whole.
bool writePng(const std::string& path, const uint8_t* pixels, int width, int height,
              std::string& problem);
