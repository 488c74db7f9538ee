#pragma once

#include "image/ImageLayout.h"

#include <cstddef>
#include <string>

/// True when the data starts with the PNG signature.
bool isPng(const unsigned char* data, std::size_t size);

/// Reads the chunks of a PNG file: the header first, every critical chunk with its checksum
/// right, the image data whole and inflating to exactly the rows the header announces, the end
/// chunk present. Otherwise false, and `problem` says what is wrong. The image data is
/// inflated here into a small buffer that is used again and again, so a file whose data would
/// inflate far beyond its picture costs neither memory nor more time than the picture would.
bool readPngLayout(const unsigned char* data, std::size_t size, ImageLayout& layout,
                   std::string& problem);
