#include "balls/ColumnOrder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

/// Bits of the columns' numbers sorted in one pass.
constexpr int digitBits = 11;
constexpr int digits = 1 << digitBits;
/// A column number's offset from the lowest, held to the columns across.
uint32_t columnOffset(int32_t number, int32_t lowest) {
    return static_cast<uint32_t>(std::min<int64_t>(int64_t(number) - lowest, 0xffff));
}

/// The bits of z turned so that they order as the values do, a value that is not a number
/// last.
uint32_t orderedBits(float z) {
    if (std::isnan(z)) {
        return 0xffffffffu;
    }
    uint32_t bits;
    std::memcpy(&bits, &z, sizeof bits);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

} // namespace

void ColumnOrder::reserve(int count) {
    const size_t n = static_cast<size_t>(std::max(count, 0));
    order_.reserve(n);
    spare_.reserve(n);
    keys_.reserve(n);
    spareKeys_.reserve(n);
    counts_.reserve(digits + 1);
    columnStart_.reserve(n + 1);
    columnX_.reserve(n);
    columnY_.reserve(n);
}

int ColumnOrder::firstColumnFrom(int32_t x, int32_t y) const {
    int low = 0;
    int high = numColumns();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (isBefore(middle, x, y)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void ColumnOrder::build(const int32_t* x, const int32_t* y, const float* z, int count) {
    const int n = std::max(count, 0);
    order_.resize(n);
    spare_.resize(n);
    keys_.resize(n);
    spareKeys_.resize(n);
    columnStart_.clear();
    columnX_.clear();
    columnY_.clear();
    if (n == 0) {
        columnStart_.push_back(0);
        return;
    }
    int32_t lowX = x[0];
    int32_t lowY = y[0];
    for (int k = 1; k < n; ++k) {
        lowX = std::min(lowX, x[k]);
        lowY = std::min(lowY, y[k]);
    }
    // A key per item: its column's numbers from the lowest, sixteen bits each, above its
    // height's bits turned so that they order as the heights do. Only the digits in which the
    // keys differ need a pass.
    uint64_t differing = 0;
    for (int k = 0; k < n; ++k) {
        const uint64_t column =
            static_cast<uint64_t>(columnOffset(x[k], lowX)) << 16 | columnOffset(y[k], lowY);
        keys_[k] = column << 32 | orderedBits(z[k]);
        differing |= keys_[k] ^ keys_[0];
        order_[k] = k;
    }
    counts_.resize(digits + 1);
    for (int shift = 0; shift < 64; shift += digitBits) {
        if (((differing >> shift) & (digits - 1)) == 0) {
            continue;
        }
        std::fill(counts_.begin(), counts_.end(), 0);
        for (int k = 0; k < n; ++k) {
            ++counts_[((keys_[k] >> shift) & (digits - 1)) + 1];
        }
        for (int d = 0; d < digits; ++d) {
            counts_[d + 1] += counts_[d];
        }
        for (int k = 0; k < n; ++k) {
            const int32_t at = counts_[(keys_[k] >> shift) & (digits - 1)]++;
            spare_[at] = order_[k];
            spareKeys_[at] = keys_[k];
        }
        order_.swap(spare_);
        keys_.swap(spareKeys_);
    }
    for (int e = 0; e < n; ++e) {
        if (e == 0 || (keys_[e] >> 32) != (keys_[e - 1] >> 32)) {
            columnStart_.push_back(e);
            columnX_.push_back(lowX + static_cast<int32_t>(keys_[e] >> 48));
            columnY_.push_back(lowY + static_cast<int32_t>((keys_[e] >> 32) & 0xffff));
        }
    }
    columnStart_.push_back(n);
}
