#include "mpsystem/EdgeSet.h"

#include <algorithm>

namespace {

/// Keys have their top bit clear (point indices are non-negative 32-bit numbers), so this value
/// never stands for an edge.
constexpr uint64_t emptySlot = ~uint64_t(0);

/// Mixes all key bits into the low ones: neighbouring edges of a mesh have neighbouring keys,
/// which would otherwise cluster under linear probing.
uint64_t mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

std::size_t capacityFor(std::size_t edges) {
    std::size_t capacity = 16;
    // Half full at most keeps probe runs short.
    while (capacity < 2 * edges) {
        capacity *= 2;
    }
    return capacity;
}

} // namespace

EdgeSet::EdgeSet(std::size_t expectedEdges) : slots_(capacityFor(expectedEdges), emptySlot) {}

bool EdgeSet::insert(int32_t a, int32_t b) {
    const uint64_t lo = static_cast<uint32_t>(std::min(a, b));
    const uint64_t hi = static_cast<uint32_t>(std::max(a, b));
    if (2 * (size_ + 1) > slots_.size()) {
        rehash(2 * slots_.size());
    }
    return insertKey(lo << 32 | hi);
}

bool EdgeSet::insertKey(uint64_t key) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = mix(key) & mask;; i = (i + 1) & mask) {
        if (slots_[i] == key) {
            return false;
        }
        if (slots_[i] == emptySlot) {
            slots_[i] = key;
            ++size_;
            return true;
        }
    }
}

void EdgeSet::rehash(std::size_t capacity) {
    std::vector<uint64_t> old(capacity, emptySlot);
    old.swap(slots_);
    size_ = 0;
    for (uint64_t key : old) {
        if (key != emptySlot) {
            insertKey(key);
        }
    }
}
