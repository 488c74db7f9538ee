#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>

/// FNV-1a (64 bits) over the bytes of the positions' single-precision values, x, y and z of
/// each point in turn, each value's four bytes in little-endian order: equal only when every
/// bit of every coordinate is equal (with overwhelming likelihood), and the same on every
/// machine.
uint64_t positionChecksum(const SbVec3f* positions, int count);
