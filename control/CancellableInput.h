#pragma once

#include <atomic>
#include <cstddef>
#include <streambuf>

/// Bytes already in memory read as a stream, without a copy, that ends early once `cancelled`
/// is set: the readers over it (the kind of a file, the mesh reader) then meet the end of their
/// input within a window of bytes, however long the line or the comment they are skipping.
/// Positions can be told and sought, as the mesh reader does to size its arrays.
class CancellableInput : public std::streambuf {
public:
    /// The first window is always served, so that a file's keyword is read whole.
    CancellableInput(const char* bytes, std::size_t size, const std::atomic<bool>& cancelled);

    /// Bytes served between two looks at the flag.
    static constexpr std::size_t window = std::size_t(1) << 16;

protected:
    int_type underflow() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir from,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    /// Serves the window from `position` on.
    void serveFrom(std::size_t position);

    char* begin_;
    std::size_t size_;
    const std::atomic<bool>& cancelled_;
};
