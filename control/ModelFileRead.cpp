#include "control/ModelFileRead.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// What a file that is no regular file is, for the line that refuses it.
const char* nonFileKind(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return S_ISREG(mode) ? nullptr : "no regular file";
}

bool refuseKindOrSize(const std::string& path, const struct stat& status, std::uint64_t budget,
                      std::string& problem) {
    if (const char* kind = nonFileKind(status.st_mode)) {
        problem = path + ": is " + kind + ", not a model file";
        return true;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    if (size > budget) {
        problem = path + ": holds " + byteSizeText(size) + ", more than the " +
                  byteSizeText(budget) + " a model file may have";
        return true;
    }
    return false;
}

std::string cannotRead(const std::string& path, int error) {
    return path + ": cannot be read: " + std::strerror(error);
}

/// Closes the descriptor however the reading ends.
struct OpenFile {
    int fd;
    ~OpenFile() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

} // namespace

std::string byteSizeText(std::uint64_t bytes) {
    struct Unit {
        double size;
        const char* name;
    };
    for (const Unit unit : {Unit{1e9, "GB"}, Unit{1e6, "MB"}, Unit{1e3, "kB"}}) {
        if (bytes >= unit.size) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / unit.size);
            std::string number = text;
            if (number.size() > 2 && number.compare(number.size() - 2, 2, ".0") == 0) {
                number.resize(number.size() - 2);
            }
            return number + " " + unit.name;
        }
    }
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string modelFileRefusal(const std::string& path, std::uint64_t budget) {
    struct stat status {};
    std::string problem;
    if (stat(path.c_str(), &status) != 0) {
        problem = cannotRead(path, errno);
    } else {
        refuseKindOrSize(path, status, budget, problem);
    }
    return problem;
}

ModelFileRead readModelFile(const std::string& path, std::string& bytes, std::string& problem,
                            const std::atomic<bool>& cancelled, std::uint64_t budget) {
    bytes.clear();
    // Looked at before opening: opening a pipe waits for a writer, and opening some devices
    // acts on them.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        problem = cannotRead(path, errno);
        return ModelFileRead::refused;
    }
    if (refuseKindOrSize(path, status, budget, problem)) {
        return ModelFileRead::refused;
    }
    // Without waiting, and looked at again once open: the name may have been given to
    // something else in between.
    OpenFile file{open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) {
        problem = cannotRead(path, errno);
        return ModelFileRead::refused;
    }
    if (fstat(file.fd, &status) != 0) {
        problem = cannotRead(path, errno);
        return ModelFileRead::refused;
    }
    if (refuseKindOrSize(path, status, budget, problem)) {
        return ModelFileRead::refused;
    }
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    bytes.reserve(size);
    std::size_t done = 0;
    while (done < size) {
        if (cancelled.load(std::memory_order_relaxed)) {
            bytes = std::string();
            return ModelFileRead::cancelled;
        }
        const std::size_t want = std::min(modelReadChunk, size - done);
        bytes.resize(done + want);
        const ssize_t got = read(file.fd, &bytes[done], want);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            problem = cannotRead(path, errno);
            bytes = std::string();
            return ModelFileRead::refused;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    char more = 0;
    if (done != size || read(file.fd, &more, 1) > 0) {
        problem = path + ": changed while it was read; open it once it is complete";
        bytes = std::string();
        return ModelFileRead::refused;
    }
    return ModelFileRead::read;
}
