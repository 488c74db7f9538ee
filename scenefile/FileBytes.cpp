#include "scenefile/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <sys/stat.h>

namespace {

std::string systemProblem(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool readFileBytes(const std::string& path, std::int64_t limit, std::string& bytes,
                   std::string& problem) {
    bytes.clear();
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        problem = systemProblem("cannot be opened");
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        problem = "is a folder, not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = systemProblem("cannot be opened");
        return false;
    }
    // Read in pieces up to the limit: the file's own size is not to be trusted (a pipe has none,
    // a device may never end).
    char piece[1 << 16];
    while (static_cast<std::int64_t>(bytes.size()) < limit) {
        const std::int64_t wanted =
            std::min<std::int64_t>(sizeof piece, limit - static_cast<std::int64_t>(bytes.size()));
        in.read(piece, wanted);
        bytes.append(piece, static_cast<size_t>(in.gcount()));
        if (in.eof()) {
            return true;
        }
        if (!in) {
            problem = systemProblem("cannot be read");
            return false;
        }
    }
    return true;
}

bool writeFileBytes(const std::string& path, const std::string& bytes, std::string& problem) {
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            problem = systemProblem("cannot be written");
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            problem = systemProblem("cannot be written");
            std::remove(partial.c_str());
            return false;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        problem = systemProblem("cannot be written");
        std::remove(partial.c_str());
        return false;
    }
    return true;
}
