#pragma once

#include "generators/TgaWriter.h"

/// The body's picture: a checkerboard of `squares` x `squares` warm squares with dark seams,
/// so that stretching and shearing of the surface shows. Squares are centred on the corners
/// and wrap across the edges when `squares` is even. RGB, size x size pixels.
Image makeBodyTexture(int size, int squares);

/// The pillars' stone: cream marble with grey veins running along the shaft. The left and
/// right edges join without a seam, because the picture is wrapped once around a cylinder.
/// The same seed gives the same picture. RGB, width x height pixels.
Image makePillarTexture(int width, int height, uint32_t seed);
