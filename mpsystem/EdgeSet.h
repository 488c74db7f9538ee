#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// The set of undirected edges already met while reading a mesh. Memory and time grow with the
/// number of edges, not with the square of the point count, so large meshes load in linear time.
class EdgeSet {
public:
    /// Prepares room for about `expectedEdges` edges; more may be inserted.
    explicit EdgeSet(std::size_t expectedEdges);

    /// Adds the edge between points a and b (both >= 0); false when it was there already, in
    /// either order.
    bool insert(int32_t a, int32_t b);
    std::size_t size() const { return size_; }

private:
    void rehash(std::size_t capacity);
    bool insertKey(uint64_t key);

    /// Open addressing with linear probing; a slot holds the key (smaller << 32 | larger).
    std::vector<uint64_t> slots_;
    std::size_t size_ = 0;
};
