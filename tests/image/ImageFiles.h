#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// A picture as the texture node holds it: rows from the bottom up, `channels` bytes a pixel.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;

    const uint8_t* pixel(int x, int y) const {
        return &pixels[(std::size_t(y) * width + x) * channels];
    }
};

/// A gently shaded picture in which no two rows and no two columns are alike, so that a
/// swapped axis, a flipped row order or swapped channels show, and a lossy coding stays close
/// to it. Even rows come in stretches of three equal pixels. At 13 x 11 it has few enough
/// colours for a palette.
Picture knownPicture(int width, int height, int channels);

using Bytes = std::vector<uint8_t>;

/// A true-colour TGA (24 bits for 3 channels, 32 for 4), plain or `runLength` coded;
/// `topDown` writes the top row first and sets the origin bit that says so.
Bytes tgaFile(const Picture& picture, bool runLength, bool topDown = false);

enum class PngKind { plain, palette, paletteWithAlpha, sixteenBits, interlaced };

/// A PNG of the picture: grey, grey and alpha, RGB or RGBA by its channels (`plain`); or, for
/// 3 channels, with every pixel's colour in a palette (with an alpha table), with 16 bits a
/// sample (the low byte noise that the texture drops) or interlaced.
Bytes pngFile(const Picture& picture, PngKind kind = PngKind::plain);

/// A JPEG of a grey (1 channel) or colour (3 channels) picture at the highest quality, without
/// subsampling, sequential or progressive.
Bytes jpegFile(const Picture& picture, bool progressive = false);

/// A file name as a test name: letters and digits, anything else an underscore.
std::string testName(std::string fileName);

/// Writes the bytes to a file in the build tree and returns its path.
std::string scratchFile(const std::string& name, const Bytes& bytes);
