#include "ImageFiles.h"

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

Picture knownPicture(int width, int height, int channels) {
    Picture picture{width, height, channels, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Even rows in stretches of three equal pixels, for the runs of run-length codes.
            const int xs = y % 2 == 0 ? x - x % 3 : x;
            const int sample[4] = {40 + 9 * xs, 30 + 11 * y, 220 - 5 * xs - 6 * y,
                                   250 - 4 * xs - 3 * y};
            for (int c = 0; c < channels; ++c) {
                picture.pixels.push_back(uint8_t(sample[c]));
            }
        }
    }
    return picture;
}

namespace {

void putLittle16(Bytes& out, int value) {
    out.push_back(uint8_t(value & 0xff));
    out.push_back(uint8_t(value >> 8));
}

void putBig32(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

/// The pixel as TGA stores it: blue, green, red (, alpha).
Bytes tgaPixel(const Picture& picture, int x, int y) {
    const uint8_t* p = picture.pixel(x, y);
    Bytes stored = {p[2], p[1], p[0]};
    if (picture.channels == 4) {
        stored.push_back(p[3]);
    }
    return stored;
}

void appendChunk(Bytes& png, const char* type, const Bytes& data) {
    putBig32(png, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    putBig32(png, uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

/// The rows of one pass of the picture, top down, each with filter byte 0.
void appendRows(Bytes& raw, const Picture& picture, PngKind kind, int x0, int y0, int dx, int dy,
                const std::map<Bytes, int>& palette) {
    if (x0 >= picture.width) {
        return;
    }
    for (int row = y0; row < picture.height; row += dy) {
        raw.push_back(0);
        const int y = picture.height - 1 - row;
        for (int x = x0; x < picture.width; x += dx) {
            const uint8_t* p = picture.pixel(x, y);
            if (kind == PngKind::palette || kind == PngKind::paletteWithAlpha) {
                raw.push_back(uint8_t(palette.at(Bytes(p, p + 3))));
                continue;
            }
            for (int c = 0; c < picture.channels; ++c) {
                raw.push_back(p[c]);
                if (kind == PngKind::sixteenBits) {
                    raw.push_back(uint8_t(31 * x + 17 * y + c));
                }
            }
        }
    }
}

void abortOnJpegError(j_common_ptr) {
    std::abort();
}

} // namespace

Bytes tgaFile(const Picture& picture, bool runLength, bool topDown) {
    Bytes out(12, 0);
    out[2] = runLength ? 10 : 2;
    putLittle16(out, picture.width);
    putLittle16(out, picture.height);
    out.push_back(uint8_t(8 * picture.channels));
    out.push_back(uint8_t((picture.channels == 4 ? 8 : 0) | (topDown ? 0x20 : 0)));

    std::vector<Bytes> pixels;
    for (int row = 0; row < picture.height; ++row) {
        const int y = topDown ? picture.height - 1 - row : row;
        for (int x = 0; x < picture.width; ++x) {
            pixels.push_back(tgaPixel(picture, x, y));
        }
    }
    if (!runLength) {
        for (const Bytes& p : pixels) {
            out.insert(out.end(), p.begin(), p.end());
        }
        return out;
    }
    // Runs of equal pixels as run packets, everything else as raw packets; both reach across
    // the ends of rows.
    auto append = [&out](const Bytes& p) { out.insert(out.end(), p.begin(), p.end()); };
    const std::size_t n = pixels.size();
    std::size_t at = 0;
    while (at < n) {
        std::size_t run = 1;
        while (at + run < n && run < 128 && pixels[at + run] == pixels[at]) {
            ++run;
        }
        if (run > 1) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            append(pixels[at]);
            at += run;
            continue;
        }
        std::size_t raw = 1;
        while (at + raw < n && raw < 128 &&
               !(at + raw + 1 < n && pixels[at + raw] == pixels[at + raw + 1])) {
            ++raw;
        }
        out.push_back(uint8_t(raw - 1));
        for (std::size_t k = at; k < at + raw; ++k) {
            append(pixels[k]);
        }
        at += raw;
    }
    return out;
}

Bytes pngFile(const Picture& picture, PngKind kind) {
    static const int colourTypes[5] = {0, 0, 4, 2, 6};
    const bool paletted = kind == PngKind::palette || kind == PngKind::paletteWithAlpha;
    std::map<Bytes, int> palette;
    if (paletted) {
        for (std::size_t k = 0; k < picture.pixels.size(); k += 3) {
            palette.emplace(Bytes(&picture.pixels[k], &picture.pixels[k] + 3), 0);
        }
        int index = 0;
        for (auto& entry : palette) {
            entry.second = index++;
        }
    }

    Bytes header;
    putBig32(header, uint32_t(picture.width));
    putBig32(header, uint32_t(picture.height));
    header.push_back(kind == PngKind::sixteenBits ? 16 : 8);
    header.push_back(uint8_t(paletted ? 3 : colourTypes[picture.channels]));
    header.insert(header.end(), {0, 0, uint8_t(kind == PngKind::interlaced ? 1 : 0)});

    Bytes raw;
    if (kind == PngKind::interlaced) {
        const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& p : passes) {
            appendRows(raw, picture, kind, p[0], p[1], p[2], p[3], palette);
        }
    } else {
        appendRows(raw, picture, kind, 0, 0, 1, 1, palette);
    }
    Bytes packed(compressBound(uLong(raw.size())));
    uLongf packedSize = uLongf(packed.size());
    compress(packed.data(), &packedSize, raw.data(), uLong(raw.size()));
    packed.resize(packedSize);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    appendChunk(png, "IHDR", header);
    if (paletted) {
        Bytes colours;
        Bytes alphas;
        for (const auto& entry : palette) {
            colours.insert(colours.end(), entry.first.begin(), entry.first.end());
            alphas.push_back(uint8_t(255 - 3 * entry.second));
        }
        appendChunk(png, "PLTE", colours);
        if (kind == PngKind::paletteWithAlpha) {
            appendChunk(png, "tRNS", alphas);
        }
    }
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

Bytes jpegFile(const Picture& picture, bool progressive) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = abortOnJpegError;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.width);
    info.image_height = JDIMENSION(picture.height);
    info.input_components = picture.channels;
    info.in_color_space = picture.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    for (int row = 0; row < picture.height; ++row) {
        JSAMPROW line = const_cast<JSAMPROW>(picture.pixel(0, picture.height - 1 - row));
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes jpeg(buffer, buffer + size);
    std::free(buffer);
    return jpeg;
}

std::string testName(std::string fileName) {
    for (char& c : fileName) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return fileName;
}

std::string scratchFile(const std::string& name, const Bytes& bytes) {
    const std::string path = std::string(PLIMMERTON_BINARY_DIR) + "/image-test-" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}
