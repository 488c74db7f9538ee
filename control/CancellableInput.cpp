#include "control/CancellableInput.h"

#include <algorithm>

CancellableInput::CancellableInput(const char* bytes, std::size_t size,
                                   const std::atomic<bool>& cancelled)
    // The get area is never written through: the stream buffer's interface only takes char*.
    : begin_(const_cast<char*>(bytes)), size_(size), cancelled_(cancelled) {
    serveFrom(0);
}

void CancellableInput::serveFrom(std::size_t position) {
    setg(begin_, begin_ + position, begin_ + std::min(size_, position + window));
}

CancellableInput::int_type CancellableInput::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    const std::size_t position = static_cast<std::size_t>(egptr() - begin_);
    if (position >= size_ || cancelled_.load(std::memory_order_relaxed)) {
        return traits_type::eof();
    }
    serveFrom(position);
    return traits_type::to_int_type(*gptr());
}

CancellableInput::pos_type CancellableInput::seekoff(off_type offset, std::ios_base::seekdir from,
                                                     std::ios_base::openmode which) {
    if ((which & std::ios_base::in) == 0) {
        return pos_type(off_type(-1));
    }
    off_type base = 0;
    if (from == std::ios_base::cur) {
        base = gptr() - begin_;
    } else if (from == std::ios_base::end) {
        base = static_cast<off_type>(size_);
    }
    const off_type target = base + offset;
    if (target < 0 || target > static_cast<off_type>(size_)) {
        return pos_type(off_type(-1));
    }
    serveFrom(static_cast<std::size_t>(target));
    return pos_type(target);
}

CancellableInput::pos_type CancellableInput::seekpos(pos_type position,
                                                     std::ios_base::openmode which) {
    return seekoff(off_type(position), std::ios_base::beg, which);
}
