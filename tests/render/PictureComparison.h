#pragma once

#include "generators/TgaWriter.h"

/// How two RGB pictures of the same size differ. A pixel counts as differing when one of its
/// channels differs by more than the tolerance given to comparePictures().
struct PictureDifference {
    int differingPixels = 0;
    /// The largest difference of one channel anywhere, in levels of 0 .. 255.
    int largest = 0;
};

/// Compares two RGB pictures; pictures of different sizes differ in every pixel.
PictureDifference comparePictures(const Image& a, const Image& b, int tolerance);

/// How many pixels of an RGB picture are not the background colour.
int coveredPixels(const Image& picture, const uint8_t background[3]);

/// Where two RGB pictures of the same size differ: each channel's difference, eight times
/// brighter, on black.
Image differencePicture(const Image& a, const Image& b);

/// The root mean square of the channels' differences of two RGB pictures of the same size, as
/// a share of the full range (0 .. 1): over every pixel, or with `background` only over the
/// pixels that are not that colour in one picture or the other. 1 for pictures that do not
/// match in size.
double rmsDifference(const Image& a, const Image& b, const uint8_t* background = nullptr);
