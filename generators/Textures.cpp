#include "generators/Textures.h"

#include <algorithm>
#include <cmath>

namespace {

uint8_t toByte(double value) {
    return uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

/// A well-mixed 32-bit value of a lattice corner, so that noise needs no table of its own.
uint32_t hashCorner(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed ^ (uint32_t(x) * 0x8da6b343u) ^ (uint32_t(y) * 0xd8163841u);
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

/// Value noise in [-1, 1] that repeats after `period` cells in x.
double periodicNoise(double x, double y, int period, uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int32_t x0 = int32_t(fx);
    const int32_t y0 = int32_t(fy);
    auto corner = [&](int32_t cx, int32_t cy) {
        int32_t wrapped = ((cx % period) + period) % period;
        return hashCorner(wrapped, cy, seed) / 2147483647.5 - 1.0;
    };
    const double sx = smooth(x - fx);
    const double sy = smooth(y - fy);
    double bottom = corner(x0, y0) + sx * (corner(x0 + 1, y0) - corner(x0, y0));
    double top = corner(x0, y0 + 1) + sx * (corner(x0 + 1, y0 + 1) - corner(x0, y0 + 1));
    return bottom + sy * (top - bottom);
}

/// Sum of octaves of |noise|, each at twice the frequency and half the weight of the one
/// before; every octave repeats across the unit width, so the sum does too.
double turbulence(double s, double t, int cellsAround, double cellsAlong, uint32_t seed) {
    double sum = 0;
    double weight = 1;
    int period = cellsAround;
    for (int octave = 0; octave < 4; ++octave) {
        sum += weight * std::fabs(periodicNoise(s * period, t * cellsAlong, period, seed + octave));
        weight *= 0.5;
        period *= 2;
        cellsAlong *= 2;
    }
    return sum;
}

} // namespace

Image makeBodyTexture(int size, int squares) {
    size = std::max(size, 1);
    squares = std::max(squares, 1);
    Image image(size, size, 3);
    const double light[3] = {250, 232, 196};
    const double warm[3] = {226, 112, 46};
    const double seam[3] = {70, 44, 30};
    const double cell = double(size) / squares;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Squares are centred on multiples of a cell, so the corner texel, which a body
            // without texture coordinates shows all over, is a square's middle, not a seam.
            double su = (x + 0.5) / cell + 0.5;
            double sv = (y + 0.5) / cell + 0.5;
            double i = std::floor(su);
            double j = std::floor(sv);
            const double* base = std::fmod(i + j, 2.0) == 0 ? warm : light;
            double fu = su - i - 0.5;
            double fv = sv - j - 0.5;
            // Distance in pixels to the nearest square border, for a soft dark seam.
            double border = (0.5 - std::max(std::fabs(fu), std::fabs(fv))) * cell;
            double seamWeight = std::clamp(1.5 - border, 0.0, 1.0);
            // A gentle gradient from the middle of each square gives it some relief.
            double shade = 1.0 - 0.18 * (fu * fu + fv * fv);
            uint8_t* p = image.pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                p[c] = toByte((base[c] * shade) * (1 - seamWeight) + seam[c] * seamWeight);
            }
        }
    }
    return image;
}

Image makePillarTexture(int width, int height, uint32_t seed) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    Image image(width, height, 3);
    const double pi = std::acos(-1.0);
    const double stone[3] = {236, 229, 214};
    const double vein[3] = {112, 116, 112};
    const double tint[3] = {214, 196, 170};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // s goes once around the shaft, t once along it; a shaft is about 1.6 times as
            // tall as it is round, so the noise has more cells along t.
            double s = (x + 0.5) / width;
            double t = (y + 0.5) / height;
            double turb = turbulence(s, t, 3, 4.0, seed);
            double wave = std::sin(2 * pi * (4 * s) + 3.2 * turb);
            // A thin dark vein inside a broad soft shadow, as in polished stone.
            double edge = 1.0 - std::fabs(wave);
            double veinWeight = 0.85 * std::pow(edge, 14.0) + 0.25 * std::pow(edge, 3.0);
            double cloud = 0.5 + 0.5 * periodicNoise(s * 3, t * 5, 3, seed + 17);
            uint8_t* p = image.pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                double base = stone[c] + (tint[c] - stone[c]) * cloud * 0.6;
                p[c] = toByte(base + (vein[c] - base) * veinWeight);
            }
        }
    }
    return image;
}
