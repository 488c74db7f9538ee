#include "scenefile/SceneReader.h"

#include "scenefile/FileBytes.h"
#include "scenefile/ScenePaths.h"
#include "scenefile/SceneTable.h"

#include <cstdint>
#include <limits>

namespace {

// Far beyond anything in the arena, but small enough that squares of distances stay finite in
// single precision.
const NumberRange coordinates{-1e6, 1e6};
const NumberRange colourComponent{0, 1};

bool readBody(const toml::table& table, int number, const std::string& path, BodyDescription& body,
              std::string& problem) {
    SceneTable fields(table, "body " + std::to_string(number), path,
                      {"file", "offset", "rotation", "stiffness", "damping", "point_mass",
                       "pressure", "picture", "pins"},
                      problem);
    if (!fields.hasOnlyKnownKeys() || !fields.text("file", true, body.file, body.filePlace)) {
        return false;
    }
    if (body.file.empty()) {
        return fields.fail(table.get("file"), fields.field("file") + " is empty");
    }
    if (!fields.vector("offset", coordinates, false, body.offset) ||
        !fields.rotation("rotation", false, body.rotation) ||
        !fields.number("stiffness", {0, 1e7}, false, body.stiffness) ||
        !fields.number("damping", {0, 1e4}, false, body.damping) ||
        !fields.number("point_mass", {0, 1e6, true}, false, body.pointMass) ||
        !fields.number("pressure", {0, 1e7}, false, body.pressure) ||
        !fields.text("picture", false, body.picture, body.picturePlace) ||
        !fields.wholeNumbers("pins", {0, std::numeric_limits<int32_t>::max()}, body.pins,
                             body.pinsPlace)) {
        return false;
    }
    body.file = resolveScenePath(body.file, path);
    body.picture = resolveScenePath(body.picture, path);
    return true;
}

bool readBall(const toml::table& table, int number, const std::string& path, BallDescription& ball,
              std::string& problem) {
    SceneTable fields(table, "ball " + std::to_string(number), path,
                      {"position", "velocity", "colour"}, problem);
    return fields.hasOnlyKnownKeys() &&
           fields.vector("position", coordinates, true, ball.position) &&
           fields.vector("velocity", coordinates, false, ball.velocity) &&
           fields.vector("colour", colourComponent, false, ball.colour);
}

bool readCamera(const toml::table& table, const std::string& path, CameraDescription& camera,
                std::string& problem) {
    SceneTable fields(table, "the camera", path,
                      {"position", "orientation", "height_angle", "focal_distance"}, problem);
    return fields.hasOnlyKnownKeys() &&
           fields.vector("position", coordinates, true, camera.position) &&
           fields.rotation("orientation", true, camera.orientation) &&
           fields.number("height_angle", {0, 3.14, true}, false, camera.heightAngle) &&
           fields.number("focal_distance", {0, 1e6, true}, false, camera.focalDistance);
}

bool readCannon(const toml::table& table, const std::string& path, CannonDescription& cannon,
                std::string& problem) {
    SceneTable fields(table, "the cannon", path, {"yaw", "tilt"}, problem);
    return fields.hasOnlyKnownKeys() && fields.rotation("yaw", false, cannon.yaw) &&
           fields.rotation("tilt", false, cannon.tilt);
}

/// The version first: a newer file is refused as such, not for the keys it may have added.
bool readVersion(SceneTable& fields, const toml::table& root, SceneDescription& scene) {
    std::int64_t version = 0;
    bool found = false;
    if (!fields.wholeNumber("version", {1, std::numeric_limits<int32_t>::max()}, true, version,
                            found)) {
        return false;
    }
    if (version > sceneFormatVersion) {
        return fields.fail(root.get("version"), "the scene is of version " +
                                                    std::to_string(version) +
                                                    ", newer than this program reads (" +
                                                    std::to_string(sceneFormatVersion) + ")");
    }
    scene.version = static_cast<int>(version);
    return true;
}

bool readRoot(const toml::table& root, const std::string& path, SceneDescription& scene,
              std::string& problem) {
    SceneTable fields(
        root, "", path,
        {"version", "time_step", "arena_seed", "keys", "state", "camera", "cannon", "body", "ball"},
        problem);
    std::int64_t seed = 0;
    bool hasSeed = false;
    if (!readVersion(fields, root, scene) || !fields.hasOnlyKnownKeys() ||
        !fields.number("time_step", {0, 1, true}, false, scene.timeStep) ||
        !fields.wholeNumber("arena_seed", {0, std::numeric_limits<uint32_t>::max()}, false, seed,
                            hasSeed) ||
        !fields.text("keys", false, scene.keys, scene.keysPlace) ||
        !fields.flag("state", scene.hasState, scene.statePlace)) {
        return false;
    }
    if (hasSeed) {
        scene.arenaSeed = static_cast<uint32_t>(seed);
    }
    if (const toml::table* camera = fields.table("camera")) {
        scene.camera.emplace();
        if (!readCamera(*camera, path, *scene.camera, problem)) {
            return false;
        }
    } else if (!problem.empty()) {
        return false;
    }
    if (const toml::table* cannon = fields.table("cannon")) {
        scene.cannon.emplace();
        if (!readCannon(*cannon, path, *scene.cannon, problem)) {
            return false;
        }
    } else if (!problem.empty()) {
        return false;
    }
    std::vector<const toml::table*> tables;
    if (!fields.tables("body", maxSceneBodies, tables)) {
        return false;
    }
    if (tables.empty()) {
        return fields.fail(nullptr, "the scene names no body: it needs a [[body]] with a file");
    }
    scene.bodies.resize(tables.size());
    for (size_t b = 0; b < tables.size(); ++b) {
        if (!readBody(*tables[b], static_cast<int>(b + 1), path, scene.bodies[b], problem)) {
            return false;
        }
    }
    if (!fields.tables("ball", maxSceneBalls, tables)) {
        return false;
    }
    scene.balls.resize(tables.size());
    for (size_t k = 0; k < tables.size(); ++k) {
        if (!readBall(*tables[k], static_cast<int>(k + 1), path, scene.balls[k], problem)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool readSceneText(std::string_view text, const std::string& path, SceneDescription& scene,
                   std::string& problem) {
    if (static_cast<std::int64_t>(text.size()) > maxSceneFileBytes) {
        problem = path + ": larger than a scene file may be (" + std::to_string(maxSceneFileBytes) +
                  " bytes)";
        return false;
    }
    const toml::parse_result parsed = toml::parse(text, path);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        problem = scenePlace(path, {static_cast<int>(error.source().begin.line),
                                    static_cast<int>(error.source().begin.column)}) +
                  std::string(error.description());
        return false;
    }
    SceneDescription read;
    std::string readProblem;
    if (!readRoot(parsed.table(), path, read, readProblem)) {
        problem = readProblem;
        return false;
    }
    scene = std::move(read);
    return true;
}

bool readSceneFile(const std::string& path, SceneDescription& scene, std::string& problem) {
    std::string text;
    if (!readFileBytes(path, maxSceneFileBytes + 1, text, problem)) {
        problem = path + ": " + problem;
        return false;
    }
    return readSceneText(text, path, scene, problem);
}
