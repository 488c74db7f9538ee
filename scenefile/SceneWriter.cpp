#include "scenefile/SceneWriter.h"

#include "scenefile/FileBytes.h"
#include "scenefile/FloatText.h"
#include "scenefile/ScenePaths.h"
#include "scenefile/SceneReader.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

/// Whole numbers in an array, this many to a line.
constexpr size_t wholeNumbersPerLine = 16;

/// A TOML basic string: quotes and backslashes escaped, control characters as \uXXXX; the
/// other bytes as they are (the read-back check refuses what is not UTF-8).
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string vectorText(const SbVec3f& v) {
    return "[" + floatText(v[0]) + ", " + floatText(v[1]) + ", " + floatText(v[2]) + "]";
}

std::string quaternionText(const Quaternion& q) {
    return "[" + floatText(q[0]) + ", " + floatText(q[1]) + ", " + floatText(q[2]) + ", " +
           floatText(q[3]) + "]";
}

std::string wholeNumbersText(const std::vector<int32_t>& values) {
    std::string text = "[";
    for (size_t k = 0; k < values.size(); ++k) {
        if (k > 0) {
            text += k % wholeNumbersPerLine == 0 ? ",\n    " : ", ";
        }
        text += std::to_string(values[k]);
    }
    return text + "]";
}

void writeBody(std::ostream& out, const BodyDescription& body, size_t number,
               const std::string& scenePath) {
    out << "\n# Body " << number
        << (number == 1 ? ", the first: the one the program starts with" : "") << ".\n";
    out << "[[body]]\n";
    out << "file = " << quoted(pathInScene(body.file, scenePath)) << "\n";
    out << "offset = " << vectorText(body.offset) << "\n";
    out << "rotation = " << quaternionText(body.rotation) << "\n";
    out << "stiffness = " << floatText(body.stiffness) << "\n";
    out << "damping = " << floatText(body.damping) << "\n";
    out << "point_mass = " << floatText(body.pointMass) << "\n";
    out << "pressure = " << floatText(body.pressure) << "\n";
    if (!body.picture.empty()) {
        out << "picture = " << quoted(pathInScene(body.picture, scenePath)) << "\n";
    }
    out << "pins = " << wholeNumbersText(body.pins) << "\n";
}

} // namespace

std::string sceneText(const SceneDescription& scene, const std::string& scenePath) {
    std::ostringstream out;
    out << "# A Plimmerton scene; docs/scene-format.md says what every key means.\n"
           "# Lengths are in world units (y up), times in seconds, angles of view in radians;\n"
           "# rotations are quaternions [x, y, z, w], or { axis = [x, y, z], degrees = A }\n"
           "# when written by hand. Paths are relative to this file's folder.\n\n";
    out << "version = " << scene.version << "\n";
    out << "# Seconds of simulated time per tick.\n";
    out << "time_step = " << floatText(scene.timeStep) << "\n";
    if (scene.arenaSeed) {
        out << "# The floor, the pillars and the clouds are laid out from this seed.\n";
        out << "arena_seed = " << *scene.arenaSeed << "\n";
    }
    if (!scene.keys.empty()) {
        out << "# Keys pressed at given ticks, as the -keys option takes them.\n";
        out << "keys = " << quoted(scene.keys) << "\n";
    }
    out << "# Whether the exact state of the simulation is saved beside this file, in "
        << std::filesystem::path(stateFileName(scenePath)).filename().string() << ".\n";
    out << "state = " << (scene.hasState ? "true" : "false") << "\n";
    if (scene.camera) {
        const CameraDescription& camera = *scene.camera;
        out << "\n[camera]\n";
        out << "position = " << vectorText(camera.position) << "\n";
        out << "orientation = " << quaternionText(camera.orientation) << "\n";
        out << "height_angle = " << floatText(camera.heightAngle) << "\n";
        out << "focal_distance = " << floatText(camera.focalDistance) << "\n";
    }
    if (scene.cannon) {
        out << "\n# The cannon's turn about the vertical and the tilt of its barrel.\n";
        out << "[cannon]\n";
        out << "yaw = " << quaternionText(scene.cannon->yaw) << "\n";
        out << "tilt = " << quaternionText(scene.cannon->tilt) << "\n";
    }
    for (size_t b = 0; b < scene.bodies.size(); ++b) {
        writeBody(out, scene.bodies[b], b + 1, scenePath);
    }
    if (!scene.balls.empty()) {
        out << "\n# The balls in flight: where they are, their velocity in units a second, their "
               "colour.\n";
    }
    for (const BallDescription& ball : scene.balls) {
        out << "[[ball]]\n";
        out << "position = " << vectorText(ball.position) << "\n";
        out << "velocity = " << vectorText(ball.velocity) << "\n";
        out << "colour = " << vectorText(ball.colour) << "\n";
    }
    return out.str();
}

bool writeSceneFile(const std::string& path, const SceneDescription& scene, std::string& problem) {
    const std::string text = sceneText(scene, path);
    SceneDescription readBack;
    std::string readProblem;
    if (!readSceneText(text, path, readBack, readProblem)) {
        problem =
            path + ": the scene cannot be written as it is, it would not read back: " + readProblem;
        return false;
    }
    if (!writeFileBytes(path, text, problem)) {
        problem = path + ": " + problem;
        return false;
    }
    return true;
}
