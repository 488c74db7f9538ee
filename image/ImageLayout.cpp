#include "image/ImageLayout.h"

bool fitsImageSides(long width, long height, const char* format, std::string& problem) {
    if (width < 1 || height < 1) {
        problem = std::string("the ") + format + " header gives the picture no pixels (" +
                  std::to_string(width) + " x " + std::to_string(height) + ")";
        return false;
    }
    if (width > maxImageSide || height > maxImageSide) {
        problem = std::string("the ") + format + " picture is " + std::to_string(width) + " x " +
                  std::to_string(height) + " pixels, larger than the " +
                  std::to_string(maxImageSide) + " x " + std::to_string(maxImageSide) +
                  " a texture may have";
        return false;
    }
    return true;
}
