#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Numbers as little-endian bytes whatever the host's order, built from shifts so that the same
// code is right on any machine. Floating-point numbers go as the bits of their IEEE 754 form.

inline void putU32(std::string& out, uint32_t x) {
    for (int k = 0; k < 4; ++k) {
        out += static_cast<char>((x >> (8 * k)) & 0xff);
    }
}

inline void putU64(std::string& out, uint64_t x) {
    for (int k = 0; k < 8; ++k) {
        out += static_cast<char>((x >> (8 * k)) & 0xff);
    }
}

inline void putF32(std::string& out, float x) {
    uint32_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    putU32(out, bits);
}

inline void putF64(std::string& out, double x) {
    uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    putU64(out, bits);
}

inline void putVec3f(std::string& out, const SbVec3f& v) {
    putF32(out, v[0]);
    putF32(out, v[1]);
    putF32(out, v[2]);
}

/// Reads numbers in turn from bytes whose length the caller has checked beforehand.
class LittleEndianReader {
public:
    LittleEndianReader(std::string_view bytes, size_t offset) : bytes_(bytes), at_(offset) {}

    uint32_t u32() { return static_cast<uint32_t>(unsignedBytes(4)); }
    uint64_t u64() { return unsignedBytes(8); }
    float f32() {
        const uint32_t bits = u32();
        float x = 0;
        std::memcpy(&x, &bits, sizeof x);
        return x;
    }
    double f64() {
        const uint64_t bits = u64();
        double x = 0;
        std::memcpy(&x, &bits, sizeof x);
        return x;
    }
    SbVec3f vec3f() {
        const float x = f32();
        const float y = f32();
        const float z = f32();
        return SbVec3f(x, y, z);
    }
    size_t offset() const { return at_; }

private:
    uint64_t unsignedBytes(int count) {
        uint64_t x = 0;
        for (int k = 0; k < count; ++k) {
            x |= static_cast<uint64_t>(static_cast<unsigned char>(bytes_[at_ + k])) << (8 * k);
        }
        at_ += count;
        return x;
    }

    std::string_view bytes_;
    size_t at_;
};
