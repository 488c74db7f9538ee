#include "bodyoutput/PositionChecksum.h"

#include "mpsystem/MpSystem.h"

#include <cstring>

uint64_t positionChecksum(const SbVec3f* positions, int count, uint64_t hash) {
    for (int i = 0; i < count; ++i) {
        for (int a = 0; a < 3; ++a) {
            const float value = positions[i][a];
            uint32_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            for (int byte = 0; byte < 4; ++byte) {
                hash ^= (bits >> (8 * byte)) & 0xffu;
                hash *= 0x100000001b3ULL;
            }
        }
    }
    return hash;
}

uint64_t bodiesChecksum(const std::vector<MpSystem*>& bodies) {
    uint64_t hash = fnvOffsetBasis;
    for (const MpSystem* body : bodies) {
        hash = positionChecksum(body->positions(), body->numPoints(), hash);
    }
    return hash;
}
