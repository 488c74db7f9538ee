#pragma once

#include <Inventor/SbVec3f.h>

#include <vector>

class SoSeparator;

/// A W x H two-byte (luminance, alpha) image of `numDiscs` overlapping soft discs of
/// `radius` pixels: luminance 255 everywhere, alpha the shaped cloud density. Pixel (i, j),
/// i < W, j < H, starts at byte 2 * (i * H + j). Seeds the standard generator from the clock.
std::vector<unsigned char> makeCloudImage(int width, int height, int numDiscs, int radius);

/// The same image with the standard generator seeded by `seed`: equal seeds, equal images.
std::vector<unsigned char> makeCloudImage(int width, int height, int numDiscs, int radius,
                                          unsigned int seed);

/// The flat, cloud-textured ground sheet: a grid of `columns` x `rows` vertices covering the
/// square of half size `halfSize` around `centre` at height centre[1], drawn as triangle
/// strips with a generated 256 x 256 cloud texture.
SoSeparator* buildGround(const SbVec3f& centre, float halfSize, float red, float green, float blue,
                         float transparency, int columns, int rows);

/// The same ground with clouds from `seed`: equal seeds, equal clouds.
SoSeparator* buildGround(const SbVec3f& centre, float halfSize, float red, float green, float blue,
                         float transparency, int columns, int rows, unsigned int seed);

/// Maps a density in [0, 1] to the cloud's alpha curve: thin edges, soft but dense cores.
double shapeDensity(double x);

/// Perlin's bias: a^(log b / log 0.5), so bias(a, 0.5) = a; pushes a up for b > 0.5.
double bias(double a, double b);

/// Perlin's gain: an S-curve through (0.5, 0.5), steeper about the middle and flatter at the ends
/// for g > 0.5.
double gain(double a, double g);
