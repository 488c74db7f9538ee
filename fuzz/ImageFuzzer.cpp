// libFuzzer target: the decoding of texture files on arbitrary bytes, and the texture node that
// takes the picture. Any crash, sanitizer report, leak, hang, out-of-memory or broken promise
// below is a fault of the checks in front of the decoder or of the decoder itself.

#include "common/Check.h"
#include "image/ImageDecoder.h"
#include "image/ImageLayout.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoTexture2.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

SoTexture2* node = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SoDB::init();
    node = new SoTexture2;
    node->ref();
    // The library's own state is released at the end, so the leak checker sees only ours.
    std::atexit([] {
        node->unref();
        SoDB::finish();
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    DecodedImage image;
    std::string problem;
    if (!decodeImage(data, size, image, problem)) {
        PLIMMERTON_CHECK(!problem.empty(), "a refused file says why");
        PLIMMERTON_CHECK(problem.find('\n') == std::string::npos, "the reason is one line");
        PLIMMERTON_CHECK(!image.pixels && image.width == 0 && image.height == 0, "nothing is kept");
        return 0;
    }
    PLIMMERTON_CHECK(image.width >= 1 && image.width <= maxImageSide && image.height >= 1 &&
                         image.height <= maxImageSide,
                     "the sides are within the limits");
    PLIMMERTON_CHECK(image.components >= 1 && image.components <= 4, "one to four channels");
    PLIMMERTON_CHECK(image.pixels != nullptr, "a picture has pixels");
    const SbVec2s sides(short(image.width), short(image.height));
    const std::size_t bytes =
        std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.components);

    node->image.setValue(sides, image.components, image.pixels.get());
    SbVec2s keptSides;
    int keptComponents = 0;
    const unsigned char* kept = node->image.getValue(keptSides, keptComponents);
    PLIMMERTON_CHECK(keptSides == sides && keptComponents == image.components && kept != nullptr,
                     "the node holds a picture of the same shape");
    // The sanitizer checks that both buffers hold every byte the sides promise.
    PLIMMERTON_CHECK(std::memcmp(kept, image.pixels.get(), bytes) == 0,
                     "the node holds the same pixels");
    node->image.setValue(SbVec2s(0, 0), 0, nullptr);
    return 0;
}
