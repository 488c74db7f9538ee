#include "bodyoutput/PositionChecksum.h"

#include <cstring>

uint64_t positionChecksum(const SbVec3f* positions, int count) {
    uint64_t hash = 0xcbf29ce484222325ULL;
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
