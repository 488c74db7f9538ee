#include "render/PictureComparison.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

PictureDifference comparePictures(const Image& a, const Image& b, int tolerance) {
    PictureDifference difference;
    if (a.width != b.width || a.height != b.height || a.channels != 3 || b.channels != 3) {
        difference.differingPixels = std::max(a.width * a.height, b.width * b.height);
        difference.largest = 255;
        return difference;
    }
    for (size_t i = 0; i < a.pixels.size(); i += 3) {
        int pixelLargest = 0;
        for (size_t k = i; k < i + 3; ++k) {
            pixelLargest = std::max(pixelLargest, std::abs(a.pixels[k] - b.pixels[k]));
        }
        difference.largest = std::max(difference.largest, pixelLargest);
        if (pixelLargest > tolerance) {
            ++difference.differingPixels;
        }
    }
    return difference;
}

int coveredPixels(const Image& picture, const uint8_t background[3]) {
    int covered = 0;
    for (size_t i = 0; i + 2 < picture.pixels.size(); i += 3) {
        if (!std::equal(background, background + 3, picture.pixels.begin() + i)) {
            ++covered;
        }
    }
    return covered;
}

Image differencePicture(const Image& a, const Image& b) {
    Image difference(a.width, a.height, 3);
    if (b.width != a.width || b.height != a.height) {
        return difference;
    }
    for (size_t i = 0; i < difference.pixels.size(); ++i) {
        difference.pixels[i] =
            static_cast<uint8_t>(std::min(255, 8 * std::abs(a.pixels[i] - b.pixels[i])));
    }
    return difference;
}

double rmsDifference(const Image& a, const Image& b, const uint8_t* background) {
    if (a.width != b.width || a.height != b.height || a.channels != 3 || b.channels != 3) {
        return 1.0;
    }
    double sum = 0.0;
    size_t counted = 0;
    for (size_t i = 0; i + 2 < a.pixels.size(); i += 3) {
        if (background != nullptr && std::equal(background, background + 3, &a.pixels[i]) &&
            std::equal(background, background + 3, &b.pixels[i])) {
            continue;
        }
        for (size_t k = i; k < i + 3; ++k) {
            const double d = (a.pixels[k] - b.pixels[k]) / 255.0;
            sum += d * d;
        }
        counted += 3;
    }
    return counted > 0 ? std::sqrt(sum / counted) : 0.0;
}
