#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

/// An 8-bit RGB or RGBA picture. Row 0 is the bottom row, as texture coordinate v = 0 sees it,
/// so pixel (x, y) starts at byte (y * width + x) * channels.
struct Image {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<uint8_t> pixels;

    Image() = default;
    /// A black (and fully transparent, for 4 channels) picture of the given size.
    Image(int width, int height, int channels);
    uint8_t* pixel(int x, int y) { return &pixels[(size_t(y) * width + x) * channels]; }
    const uint8_t* pixel(int x, int y) const { return &pixels[(size_t(y) * width + x) * channels]; }
};

/// Writes the picture as an uncompressed true-colour TGA (24-bit for RGB, 32-bit with 8 alpha
/// bits for RGBA), rows from the bottom up with the origin flag clear, which every reader takes
/// as the default. Returns false, writing nothing, when the picture is empty, larger than
/// 65535 in either direction, has other than 3 or 4 channels or too few pixels; false as well
/// when the stream fails.
bool writeTga(const Image& image, std::ostream& out);

/// The same into a file; false when the file cannot be written.
bool writeTgaFile(const Image& image, const std::string& path);
