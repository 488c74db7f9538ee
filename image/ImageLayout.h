#pragma once

#include <cstddef>
#include <string>

/// The widest and the tallest picture we take, in pixels. The largest picture (8192 x 8192,
/// four channels) decodes to 256 MiB and the texture node keeps a copy of its own: a larger
/// one would cost more memory than all the rest of the program, and the drawing scales a
/// texture down to what the graphics card holds anyway.
constexpr int maxImageSide = 8192;

/// The largest image file read: the largest picture stored without compression, with a
/// mebibyte to spare for headers and notes in the file.
constexpr std::size_t maxImageFileBytes =
    std::size_t(maxImageSide) * maxImageSide * 4 + (std::size_t(1) << 20);

/// What a file's headers say about its picture, found before the decoder sees a byte of it.
struct ImageLayout {
    int width = 0;
    int height = 0;
    /// The decoder hands the rows over from the top down; true when they must be put in the
    /// opposite order to come out bottom row first, as the texture takes them.
    bool reverseRows = true;
};

/// True when a picture of `width` x `height` pixels is one we take; otherwise `problem` says
/// why not, naming the `format`.
bool fitsImageSides(long width, long height, const char* format, std::string& problem);
