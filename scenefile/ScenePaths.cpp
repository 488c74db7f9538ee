#include "scenefile/ScenePaths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

/// The path made absolute against the working folder, without `.` and `..`; the path as it is
/// when the working folder is gone.
fs::path absoluteNormal(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? fs::path(path) : absolute).lexically_normal();
}

/// Why a file cannot be opened for reading, or empty when it can.
std::string unreadable(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || ::access(path.c_str(), R_OK) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return "it is a folder";
    }
    return {};
}

} // namespace

std::string resolveScenePath(const std::string& written, const std::string& scenePath) {
    const fs::path path(written);
    if (written.empty() || path.is_absolute()) {
        return written;
    }
    const fs::path folder = fs::path(scenePath).parent_path();
    if (folder.empty()) {
        return written;
    }
    return (folder / path).lexically_normal().string();
}

std::string pathInScene(const std::string& path, const std::string& scenePath) {
    if (path.empty()) {
        return path;
    }
    const fs::path target = absoluteNormal(path);
    const fs::path folder = absoluteNormal(scenePath).parent_path();
    const fs::path relative = target.lexically_relative(folder);
    if (relative.empty() || !target.is_absolute()) {
        return target.string();
    }
    // Climbing out of every folder of the scene's path means the two share only the root.
    int climbs = 0;
    for (const fs::path& part : relative) {
        if (part != "..") {
            break;
        }
        ++climbs;
    }
    int depth = 0;
    for (const fs::path& part : folder.relative_path()) {
        if (!part.empty()) {
            ++depth;
        }
    }
    return depth > 0 && climbs >= depth ? target.string() : relative.string();
}

std::string stateFileName(const std::string& scenePath) {
    return fs::path(scenePath).replace_extension(".state").string();
}

std::string scenePlace(const std::string& scenePath, const SourcePlace& place) {
    if (place.line <= 0) {
        return scenePath + ": ";
    }
    return scenePath + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) + ": ";
}

bool checkSceneFiles(const SceneDescription& scene, const std::string& scenePath,
                     std::string& problem) {
    for (size_t b = 0; b < scene.bodies.size(); ++b) {
        const BodyDescription& body = scene.bodies[b];
        const std::string name = "body " + std::to_string(b + 1);
        std::string why = unreadable(body.file);
        if (!why.empty()) {
            problem = scenePlace(scenePath, body.filePlace) + name + "'s file '" + body.file +
                      "' cannot be opened: " + why;
            return false;
        }
        if (!body.picture.empty() && !(why = unreadable(body.picture)).empty()) {
            problem = scenePlace(scenePath, body.picturePlace) + name + "'s picture '" +
                      body.picture + "' cannot be opened: " + why;
            return false;
        }
    }
    if (scene.hasState) {
        const std::string state = stateFileName(scenePath);
        const std::string why = unreadable(state);
        if (!why.empty()) {
            problem = scenePlace(scenePath, scene.statePlace) + "the state file '" + state +
                      "' cannot be opened: " + why;
            return false;
        }
    }
    return true;
}
