#pragma once

#include <cstdint>
#include <string>

/// Reads the file at `path` into `bytes`, but never more than `limit` bytes, so that an endless
/// or huge input (a pipe, a device, a file of gigabytes) costs no more memory than `limit`: a
/// file longer than that comes back cut to `limit` bytes, which the caller takes as too long.
/// False, with `problem` saying why (without the path), when the file cannot be opened or read.
bool readFileBytes(const std::string& path, std::int64_t limit, std::string& bytes,
                   std::string& problem);

/// Writes `bytes` to `path` whole or not at all: into a file beside it first, which then takes
/// the place of the old one, so that a failed write (a full disk, a folder that cannot be
/// written) leaves whatever was there before. False, with `problem` saying why, on failure.
bool writeFileBytes(const std::string& path, const std::string& bytes, std::string& problem);
