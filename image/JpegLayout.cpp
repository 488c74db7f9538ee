#include "image/JpegLayout.h"

#include <cstdint>

namespace {

constexpr unsigned char startOfImage = 0xd8;
constexpr unsigned char endOfImage = 0xd9;
constexpr unsigned char startOfScan = 0xda;
constexpr unsigned char huffmanTables = 0xc4;
constexpr unsigned char quantizationTables = 0xdb;
constexpr unsigned char progressiveFrame = 0xc2;
constexpr int maxComponents = 3;

long readBig16(const unsigned char* p) {
    return (long(p[0]) << 8) | long(p[1]);
}

/// Frame headers of the codings the decoder reads: baseline, extended and progressive, all
/// with Huffman codes.
bool isReadableFrame(unsigned char marker) {
    return marker >= 0xc0 && marker <= 0xc2;
}

/// Frame headers of the lossless, hierarchical and arithmetic codings.
bool isOtherFrame(unsigned char marker) {
    return marker >= 0xc3 && marker <= 0xcf && marker != huffmanTables && marker != 0xc8 &&
           marker != 0xcc;
}

/// Markers that stand alone, without a length: restarts and the temporary marker.
bool standsAlone(unsigned char marker) {
    return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

/// From the start of a scan's coded data, the position of the next marker (its 0xff) that
/// ends the data: stuffed zero bytes and restart markers belong to the data. `size` when the
/// file ends first.
std::size_t endOfCodedData(const unsigned char* data, std::size_t size, std::size_t at) {
    while (at + 1 < size) {
        if (data[at] != 0xff) {
            ++at;
            continue;
        }
        const unsigned char next = data[at + 1];
        if (next == 0x00 || standsAlone(next)) {
            at += 2;
        } else if (next == 0xff) {
            ++at;
        } else {
            return at;
        }
    }
    return size;
}

/// The state of the walk through the segments: the frame and the tables defined so far. The
/// decoder uses whatever lies in a table's memory when a scan names a table that no segment
/// defined, and reads far outside its tables with such a Huffman table: each scan must name
/// defined tables only.
class Segments {
public:
    explicit Segments(ImageLayout& layout) : layout_(layout) {}

    bool haveFrame() const { return numComponents_ > 0; }

    /// Reads the frame header from the `length` bytes after its length field.
    bool readFrame(unsigned char marker, const unsigned char* segment, long length,
                   std::string& problem) {
        if (haveFrame()) {
            problem = "the JPEG file has two frame headers";
            return false;
        }
        if (length < 6 || length < 6 + 3 * long(segment[5])) {
            problem = "the JPEG frame header is cut short";
            return false;
        }
        if (segment[0] != 8) {
            problem = "JPEG pictures of " + std::to_string(int(segment[0])) +
                      " bits per sample are not supported (only 8)";
            return false;
        }
        const int components = segment[5];
        if (components != 1 && components != maxComponents) {
            problem = "JPEG pictures of " + std::to_string(components) +
                      " colour components are not supported (only grey and colour)";
            return false;
        }
        const long height = readBig16(segment + 1);
        const long width = readBig16(segment + 3);
        if (!fitsImageSides(width, height, "JPEG", problem)) {
            return false;
        }
        for (int k = 0; k < components; ++k) {
            ids_[k] = segment[6 + 3 * k];
            quantizers_[k] = segment[8 + 3 * k];
            if (quantizers_[k] > 3) {
                problem = "the JPEG frame header names a quantization table that cannot exist";
                return false;
            }
        }
        numComponents_ = components;
        progressive_ = marker == progressiveFrame;
        layout_.width = int(width);
        layout_.height = int(height);
        layout_.reverseRows = true;
        return true;
    }

    /// Each table: class 0 (DC) or 1 (AC), number 0 to 3, at most 256 codes, whole. The
    /// decoder takes the counts of codes as they come and writes past its tables when they add
    /// up to more than 256.
    bool readHuffmanTables(const unsigned char* segment, long length, std::string& problem) {
        long at = 0;
        while (at < length) {
            if (length - at < 17 || (segment[at] >> 4) > 1 || (segment[at] & 15) > 3) {
                problem = "a JPEG Huffman table is damaged";
                return false;
            }
            long codes = 0;
            for (int k = 1; k <= 16; ++k) {
                codes += segment[at + k];
            }
            if (codes > 256 || length - at - 17 < codes) {
                problem = "a JPEG Huffman table is damaged";
                return false;
            }
            huffman_[segment[at] >> 4][segment[at] & 15] = true;
            at += 17 + codes;
        }
        return true;
    }

    /// Each table: 8-bit (64 bytes) or 16-bit (128 bytes) values, number 0 to 3, whole.
    bool readQuantizationTables(const unsigned char* segment, long length, std::string& problem) {
        long at = 0;
        while (at < length) {
            const int precision = segment[at] >> 4;
            const long bytes = 1 + 64 * (precision + 1);
            if (precision > 1 || (segment[at] & 15) > 3 || length - at < bytes) {
                problem = "a JPEG quantization table is damaged";
                return false;
            }
            quantization_[segment[at] & 15] = true;
            at += bytes;
        }
        return true;
    }

    /// Reads a scan header: its components must be the frame's, and every table it decodes
    /// with defined.
    bool readScan(const unsigned char* segment, long length, std::string& problem) {
        if (!haveFrame()) {
            problem = "a JPEG scan comes before the frame header";
            return false;
        }
        if (++scans_ > maxJpegScans) {
            problem = "the JPEG picture has more than " + std::to_string(maxJpegScans) + " scans";
            return false;
        }
        const int count = length >= 1 ? segment[0] : 0;
        if (count < 1 || count > numComponents_ || length < 4 + 2 * long(count)) {
            problem = "a JPEG scan header is damaged";
            return false;
        }
        const int spectralStart = segment[1 + 2 * count];
        const int successiveHigh = segment[3 + 2 * count] >> 4;
        // A progressive scan decodes either the DC values (the first time with a DC table,
        // refined with none) or AC values; a sequential scan decodes both.
        const bool usesDc = !progressive_ || (spectralStart == 0 && successiveHigh == 0);
        const bool usesAc = !progressive_ || spectralStart > 0;
        for (int k = 0; k < count; ++k) {
            const int component = componentIndex(segment[1 + 2 * k]);
            const int dc = segment[2 + 2 * k] >> 4;
            const int ac = segment[2 + 2 * k] & 15;
            if (component < 0 || dc > 3 || ac > 3) {
                problem = "a JPEG scan header is damaged";
                return false;
            }
            if ((usesDc && !huffman_[0][dc]) || (usesAc && !huffman_[1][ac]) ||
                !quantization_[quantizers_[component]]) {
                problem = "a JPEG scan uses a table that the file does not define";
                return false;
            }
            // A sequential scan decodes its components whole: the decoder would do all the
            // work again for each further scan of the same component.
            if (!progressive_ && scanned_[component]) {
                problem = "a sequential JPEG picture codes a component in two scans";
                return false;
            }
            scanned_[component] = true;
        }
        return true;
    }

    int scans() const { return scans_; }

private:
    int componentIndex(int id) const {
        for (int k = 0; k < numComponents_; ++k) {
            if (ids_[k] == id) {
                return k;
            }
        }
        return -1;
    }

    ImageLayout& layout_;
    int numComponents_ = 0;
    bool progressive_ = false;
    int ids_[maxComponents] = {};
    int quantizers_[maxComponents] = {};
    bool huffman_[2][4] = {};
    bool quantization_[4] = {};
    bool scanned_[maxComponents] = {};
    int scans_ = 0;
};

} // namespace

bool isJpeg(const unsigned char* data, std::size_t size) {
    return size >= 3 && data[0] == 0xff && data[1] == startOfImage && data[2] == 0xff;
}

bool readJpegLayout(const unsigned char* data, std::size_t size, ImageLayout& layout,
                    std::string& problem) {
    Segments segments(layout);
    std::size_t at = 2;
    for (;;) {
        if (at >= size) {
            problem = "the file ends before the JPEG end-of-image marker";
            return false;
        }
        if (data[at] != 0xff) {
            problem = "the JPEG file has stray bytes where a marker should be";
            return false;
        }
        while (at < size && data[at] == 0xff) {
            ++at;
        }
        if (at >= size) {
            continue;
        }
        const unsigned char marker = data[at++];
        if (marker == endOfImage) {
            break;
        }
        if (standsAlone(marker)) {
            continue;
        }
        if (marker == startOfImage) {
            problem = "the JPEG file starts its picture twice";
            return false;
        }
        const long length = size - at >= 2 ? readBig16(data + at) : 0;
        if (length < 2 || std::size_t(length) > size - at) {
            problem = "the file ends inside a JPEG marker segment";
            return false;
        }
        const unsigned char* segment = data + at + 2;
        const long bytes = length - 2;
        at += std::size_t(length);
        bool fine = true;
        if (isOtherFrame(marker)) {
            problem = "lossless, hierarchical and arithmetic-coded JPEG pictures are not supported";
            fine = false;
        } else if (isReadableFrame(marker)) {
            fine = segments.readFrame(marker, segment, bytes, problem);
        } else if (marker == huffmanTables) {
            fine = segments.readHuffmanTables(segment, bytes, problem);
        } else if (marker == quantizationTables) {
            fine = segments.readQuantizationTables(segment, bytes, problem);
        } else if (marker == startOfScan) {
            fine = segments.readScan(segment, bytes, problem);
            at = endOfCodedData(data, size, at);
        }
        if (!fine) {
            return false;
        }
    }
    if (segments.scans() == 0) {
        problem = "the JPEG file ends without a scan";
        return false;
    }
    // Every 8 x 8 block of a picture takes at least one bit of coded data for its first
    // value: a file shorter than that lies about the picture's size, and would have the
    // decoder fill a large picture from nothing.
    if (uint64_t(layout.width) * uint64_t(layout.height) > uint64_t(64 * 8) * size) {
        problem = "the JPEG file is too short for a picture of " + std::to_string(layout.width) +
                  " x " + std::to_string(layout.height) + " pixels";
        return false;
    }
    return true;
}
