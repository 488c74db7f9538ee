#include "prepare/BodyFiles.h"

#include "common/PreparedBodies.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

/// A file written under a name of its own beside where it goes, until it is put in place.
class NewFile {
public:
    /// Writes the file with `write`; problem() says why it could not be written, if so.
    NewFile(const std::string& path, const std::function<bool(std::ostream&)>& write)
        : path_(path), temporary_(path + ".XXXXXX") {
        const int descriptor = mkstemp(temporary_.data());
        if (descriptor < 0) {
            problem_ = path + ": cannot be written (" + std::strerror(errno) + ")";
            temporary_.clear();
            return;
        }
        // Read by everyone, as the files the program ships are.
        fchmod(descriptor, 0644);
        close(descriptor);
        std::ofstream out(temporary_, std::ios::binary | std::ios::trunc);
        const bool written = out && write(out) && out.flush();
        out.close();
        if (!written || out.fail()) {
            problem_ = path + ": cannot be written (the disk may be full)";
        }
    }
    ~NewFile() {
        if (!temporary_.empty()) {
            std::remove(temporary_.c_str());
        }
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    const std::string& problem() const { return problem_; }

    /// Replaces the file at the path by the new one at once, so that no reader ever sees half
    /// of it; false, with problem() set, when it cannot.
    bool putInPlace() {
        if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
            problem_ = path_ + ": cannot be written (" + std::strerror(errno) + ")";
            return false;
        }
        temporary_.clear();
        return true;
    }

private:
    std::string path_;
    std::string temporary_;
    std::string problem_;
};

} // namespace

std::string writeBodyFiles(const TriangleMesh& body, const ModelPicture& picture,
                           const std::string& path, const std::string& comment,
                           float pressure) {
    NewFile bodyFile(path, [&](std::ostream& out) {
        return writeMesh(body, MeshForm::Toff, out, comment, pressure);
    });
    if (!bodyFile.problem().empty()) {
        return bodyFile.problem();
    }
    const bool hasPicture = !picture.bytes.empty();
    const std::string picturePath = hasPicture ? bodyPicturePath(path, picture.extension) : "";
    if (hasPicture) {
        NewFile pictureFile(picturePath, [&picture](std::ostream& out) {
            return static_cast<bool>(out.write(reinterpret_cast<const char*>(picture.bytes.data()),
                                               static_cast<std::streamsize>(picture.bytes.size())));
        });
        if (!pictureFile.problem().empty() || !pictureFile.putInPlace()) {
            return pictureFile.problem();
        }
    }
    for (const std::string& extension : bodyPictureExtensions()) {
        const std::string stale = bodyPicturePath(path, extension);
        if (stale != picturePath) {
            std::remove(stale.c_str());
        }
    }
    if (!bodyFile.putInPlace()) {
        return bodyFile.problem();
    }
    return std::string();
}
