#pragma once

#include "image/ImageLayout.h"

#include <cstddef>
#include <string>

/// True when the first bytes could be a TGA header of any kind (TGA files have no signature:
/// a colour-map type of 0 or 1 and a known image type).
bool looksLikeTga(const unsigned char* data, std::size_t size);

/// Reads the header of a TGA file we take: true colour of 24 or 32 bits per pixel, plain or
/// run-length encoded, whose pixel data the file holds in full. Otherwise false, and `problem`
/// says what is wrong or not supported.
///
/// The rows go to the texture in the order of the file, the first row at the bottom, whatever
/// the origin bits of the header say: so the picture is drawn as it always has been.
bool readTgaLayout(const unsigned char* data, std::size_t size, ImageLayout& layout,
                   std::string& problem);
