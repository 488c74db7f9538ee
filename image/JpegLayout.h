#pragma once

#include "image/ImageLayout.h"

#include <cstddef>
#include <string>

/// True when the data starts with a JPEG start-of-image marker.
bool isJpeg(const unsigned char* data, std::size_t size);

/// Walks the markers of a JPEG file: one frame header, of 8-bit grey or colour (three
/// components), sequential or progressive with Huffman coding; every segment and table whole;
/// at most `maxJpegScans` scans, each decoding with tables defined before it (and, in a
/// sequential picture, each component in one scan only); the end-of-image marker present; at
/// least a bit of data for each 8 x 8 block. Otherwise false, and `problem` says what is wrong
/// or not supported.
bool readJpegLayout(const unsigned char* data, std::size_t size, ImageLayout& layout,
                    std::string& problem);

/// Each scan of a progressive picture is a pass over all its pixels: the bound keeps a small
/// file from asking for hundreds of passes over a large picture. Encoders write about ten.
constexpr int maxJpegScans = 64;
