#pragma once

#include <atomic>
#include <cstdint>
#include <string>

/// The largest model file the window reads. The loader holds a file whole in memory while it
/// reads it, and the body made of it as well, so the budget bounds what one opening can take.
/// 2 GB of a body file is some 20 million points (the 655,362-point ball of plimmerton-mkdata
/// --ball 8 is 65 MB, and one tick of it already takes 64 ms): a larger file is far more likely
/// a mistake than a model, and reading it would take much of the machine's memory.
constexpr std::uint64_t modelFileBudget = 2'000'000'000;

/// Bytes between two looks at the cancel flag while a file is read: a few milliseconds of
/// reading from a disk.
constexpr std::size_t modelReadChunk = std::size_t(1) << 20;

enum class ModelFileRead {
    /// The whole file is in the bytes.
    read,
    /// The file was not read, or not whole; the problem says why in one line naming it.
    refused,
    /// The flag was set while the file was read; nothing is kept.
    cancelled,
};

/// Reads the regular file at `path` whole into `bytes`, in chunks, looking at `cancelled`
/// before each. Refused before any byte is read: a file that is not there or cannot be opened,
/// a folder, a device (/dev/zero, a terminal), a pipe or a socket (whose end nobody can know),
/// a file over `budget` bytes. A file that grows or shrinks while it is read (still being
/// written) is refused when that shows, so that at most its size at the start is ever read.
ModelFileRead readModelFile(const std::string& path, std::string& bytes, std::string& problem,
                            const std::atomic<bool>& cancelled,
                            std::uint64_t budget = modelFileBudget);

/// What readModelFile refuses from the file's status alone, before it is opened (no regular
/// file, a file over `budget` bytes, one that is not there): the one line naming it and why;
/// empty when the file may be read.
std::string modelFileRefusal(const std::string& path, std::uint64_t budget = modelFileBudget);

/// A number of bytes as people read it: "2 GB", "1.5 kB", "12 bytes".
std::string byteSizeText(std::uint64_t bytes);
