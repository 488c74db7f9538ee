#include "scenefile/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

/// TOML takes "85" for an integer, so a number without a point or an exponent gets ".0".
std::string asTomlFloat(const char* first, const char* last) {
    std::string text(first, last);
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    return text;
}

template <typename T> std::string nonFiniteText(T x) {
    if (std::isnan(x)) {
        return "nan";
    }
    return x > 0 ? "inf" : "-inf";
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

std::string floatText(float x) {
    if (!std::isfinite(x)) {
        return nonFiniteText(x);
    }
    char buffer[64];
    // The shortest text that names x among the floats is read by TOML as the nearest double,
    // which is then rounded again to a float. Rounding twice can land on the other neighbour
    // when the double falls exactly half-way between two floats; then the double's own shortest
    // text (exact for every float) is written instead.
    const std::to_chars_result shortest = std::to_chars(buffer, buffer + sizeof buffer, x);
    double parsed = 0;
    std::from_chars(buffer, shortest.ptr, parsed);
    if (sameBits(static_cast<float>(parsed), x)) {
        return asTomlFloat(buffer, shortest.ptr);
    }
    const std::to_chars_result exact =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(x));
    return asTomlFloat(buffer, exact.ptr);
}
