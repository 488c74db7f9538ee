#include "image/PngLayout.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t headerChunkBytes = 13;

uint32_t readBig32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool isType(const unsigned char* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

/// Lower case in the first letter marks a chunk a reader may skip; a damaged one is dropped
/// and the picture stays good.
bool isCritical(const unsigned char* type) {
    return (type[0] & 0x20) == 0;
}

/// Samples per pixel of a colour type, or 0 for one that does not exist.
int samplesPerPixel(int colourType) {
    switch (colourType) {
    case 0:
        return 1;
    case 2:
        return 3;
    case 3:
        return 1;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 0;
    }
}

bool isAllowedDepth(int colourType, int depth) {
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default:
        return depth == 8 || depth == 16;
    }
}

/// Bytes of the filtered rows of a picture (one filter byte in front of each row), in the
/// seven passes of the interlaced order when `interlaced`.
uint64_t filteredBytes(uint64_t width, uint64_t height, uint64_t bitsPerPixel, bool interlaced) {
    auto rows = [&](uint64_t w, uint64_t h) {
        return w == 0 || h == 0 ? 0 : h * (1 + (w * bitsPerPixel + 7) / 8);
    };
    if (!interlaced) {
        return rows(width, height);
    }
    // Each pass takes every step-th pixel starting at start, across and down.
    const uint64_t startX[7] = {0, 4, 0, 2, 0, 1, 0};
    const uint64_t startY[7] = {0, 0, 4, 0, 2, 0, 1};
    const uint64_t stepX[7] = {8, 8, 4, 4, 2, 2, 1};
    const uint64_t stepY[7] = {8, 8, 8, 4, 4, 2, 2};
    uint64_t total = 0;
    for (int pass = 0; pass < 7; ++pass) {
        const uint64_t w =
            width > startX[pass] ? (width - startX[pass] + stepX[pass] - 1) / stepX[pass] : 0;
        const uint64_t h =
            height > startY[pass] ? (height - startY[pass] + stepY[pass] - 1) / stepY[pass] : 0;
        total += rows(w, h);
    }
    return total;
}

/// Inflates the image data chunk by chunk and counts what comes out, keeping none of it.
class InflateCount {
public:
    explicit InflateCount(uint64_t expected) : expected_(expected) {
        stream_.zalloc = Z_NULL;
        stream_.zfree = Z_NULL;
        stream_.opaque = Z_NULL;
        ready_ = inflateInit(&stream_) == Z_OK;
    }
    ~InflateCount() {
        if (ready_) {
            inflateEnd(&stream_);
        }
    }
    InflateCount(const InflateCount&) = delete;
    InflateCount& operator=(const InflateCount&) = delete;

    /// Feeds the data of one chunk; false, with `problem` set, when the data is damaged or
    /// inflates to more than the rows of the picture.
    bool add(const unsigned char* data, uint32_t length, std::string& problem) {
        if (!ready_) {
            problem = "no memory to inflate the PNG image data";
            return false;
        }
        stream_.next_in = const_cast<unsigned char*>(data);
        stream_.avail_in = length;
        while (!ended_ && stream_.avail_in > 0) {
            stream_.next_out = scratch_;
            stream_.avail_out = sizeof scratch_;
            const int status = inflate(&stream_, Z_NO_FLUSH);
            produced_ += sizeof scratch_ - stream_.avail_out;
            if (produced_ > expected_) {
                problem = "the PNG image data holds more than the picture its header announces";
                return false;
            }
            if (status == Z_STREAM_END) {
                ended_ = true;
            } else if (status == Z_BUF_ERROR) {
                // No progress is possible with what is left: the data is cut short.
                break;
            } else if (status != Z_OK) {
                problem = std::string("the PNG image data is damaged (") +
                          (stream_.msg != nullptr ? stream_.msg : "inflate failed") + ")";
                return false;
            }
        }
        return true;
    }

    /// True when the data ended with exactly the picture's rows.
    bool complete() const { return ended_ && produced_ == expected_; }

private:
    z_stream stream_{};
    bool ready_ = false;
    bool ended_ = false;
    uint64_t expected_;
    uint64_t produced_ = 0;
    unsigned char scratch_[1 << 16];
};

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    int depth = 0;
    int colourType = 0;
    bool interlaced = false;
};

bool readHeader(const unsigned char* data, uint32_t length, Header& header, std::string& problem) {
    if (length != headerChunkBytes) {
        problem = "the PNG header chunk has the wrong length";
        return false;
    }
    header.width = readBig32(data);
    header.height = readBig32(data + 4);
    header.depth = data[8];
    header.colourType = data[9];
    header.interlaced = data[12] == 1;
    if (samplesPerPixel(header.colourType) == 0 ||
        !isAllowedDepth(header.colourType, header.depth) || data[10] != 0 || data[11] != 0 ||
        data[12] > 1) {
        problem = "the PNG header names a kind of picture that does not exist";
        return false;
    }
    return fitsImageSides(header.width > 0x7fffffffu ? -1 : long(header.width),
                          header.height > 0x7fffffffu ? -1 : long(header.height), "PNG", problem);
}

} // namespace

bool isPng(const unsigned char* data, std::size_t size) {
    return size >= sizeof signature && std::memcmp(data, signature, sizeof signature) == 0;
}

bool readPngLayout(const unsigned char* data, std::size_t size, ImageLayout& layout,
                   std::string& problem) {
    Header header;
    bool haveHeader = false;
    bool havePalette = false;
    std::unique_ptr<InflateCount> imageData;
    std::size_t at = sizeof signature;
    for (;;) {
        if (size - at < 12) {
            problem = "the file ends before the PNG end chunk";
            return false;
        }
        const uint32_t length = readBig32(data + at);
        const unsigned char* type = data + at + 4;
        if (length > size - at - 12) {
            problem = "the file ends inside a PNG chunk";
            return false;
        }
        const unsigned char* body = type + 4;
        const uint32_t stored = readBig32(body + length);
        const uint32_t computed = uint32_t(crc32(crc32(0, type, 4), body, length));
        at += 12 + std::size_t(length);
        if (stored != computed) {
            if (isCritical(type)) {
                problem = "a PNG chunk fails its checksum";
                return false;
            }
            continue;
        }
        if (!haveHeader) {
            if (!isType(type, "IHDR")) {
                problem = "the PNG file does not begin with its header chunk";
                return false;
            }
            if (!readHeader(body, length, header, problem)) {
                return false;
            }
            haveHeader = true;
            const int bitsPerPixel = samplesPerPixel(header.colourType) * header.depth;
            imageData = std::make_unique<InflateCount>(
                filteredBytes(header.width, header.height, bitsPerPixel, header.interlaced));
        } else if (isType(type, "PLTE")) {
            havePalette = true;
        } else if (isType(type, "IDAT")) {
            if (!imageData->add(body, length, problem)) {
                return false;
            }
        } else if (isType(type, "IEND")) {
            break;
        }
    }
    if (header.colourType == 3 && !havePalette) {
        problem = "the PNG picture has no palette";
        return false;
    }
    if (!imageData->complete()) {
        problem = "the PNG image data ends before the last row of the picture";
        return false;
    }
    layout.width = int(header.width);
    layout.height = int(header.height);
    layout.reverseRows = true;
    return true;
}
