#pragma once

#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <vector>

class MpSystem;

/// FNV-1a's starting value (64 bits): the checksum of no positions.
constexpr uint64_t fnvOffsetBasis = 0xcbf29ce484222325ULL;

/// FNV-1a (64 bits) over the bytes of the positions' single-precision values, x, y and z of
/// each point in turn, each value's four bytes in little-endian order: equal only when every
/// bit of every coordinate is equal (with overwhelming likelihood), and the same on every
/// machine. `hash` is where the hashing starts: the checksum of the positions before these.
uint64_t positionChecksum(const SbVec3f* positions, int count, uint64_t hash = fnvOffsetBasis);

/// The checksum of every body's positions, one body after another in their order: as if all
/// their points were one list. With one body it is that body's positionChecksum.
uint64_t bodiesChecksum(const std::vector<MpSystem*>& bodies);
