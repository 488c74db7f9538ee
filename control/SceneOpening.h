#pragma once

#include "control/BodySource.h"
#include "control/KeyScript.h"
#include "scenefile/SceneDescription.h"
#include "scenefile/SimulationStateRecord.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MpSystem;
class ProgramState;

/// What the command line sets over a scene file's own values: -d, -m and -s every body's
/// material, -pressure, -pin and -tex the first body's (as they do for the body of -i), -t the
/// time step, -arena the arena's seed and the key script (-keys, --keys) the scene's.
struct SceneOverrides {
    std::optional<float> stiffness;
    std::optional<float> damping;
    std::optional<float> pointMass;
    std::optional<float> firstPressure;
    std::optional<std::vector<int32_t>> firstPins;
    std::optional<std::string> firstPicture;
    std::optional<float> timeStep;
    std::optional<uint32_t> arenaSeed;
    std::optional<std::string> keys;
};

/// The overrides of the program's own command line (findOption): numbers as far as they are
/// numeric, as the program reads them. False, with `problem`, when -pin gives no list of points.
bool programOverrides(int argc, char** argv, SceneOverrides& overrides, std::string& problem);

/// Puts the values `overrides` gives in the place of the scene's.
void applyOverrides(const SceneOverrides& overrides, SceneDescription& scene);

/// A scene read and made ready to take the running one's place, nothing of the running one
/// touched yet: its bodies read, turned, placed, of their materials and pins (in no scene, no
/// contacts), its state read against them, its key script read.
struct LoadedScene {
    LoadedScene();
    ~LoadedScene();
    LoadedScene(const LoadedScene&) = delete;
    LoadedScene& operator=(const LoadedScene&) = delete;

    std::string path;
    SceneDescription scene;
    /// One for each body, in the scene's order.
    std::vector<BodySource> sources;
    std::vector<std::unique_ptr<MpSystem>> bodies;
    /// The exact state, when the scene has one.
    std::optional<SimulationStateRecord> state;
    std::vector<ScriptedKey> keys;
};

/// Whether `path` names a scene file rather than a model: its name ends in ".toml".
bool isSceneFile(const std::string& path);

/// The scene file named as the program's plain argument (`plimmerton moment.toml`), when that
/// argument is one and -i names no body; empty otherwise.
std::string sceneArgument(int argc, char** argv);

/// Reads the scene file at `path` with `overrides` over its values and makes everything it
/// names (LoadedScene). False, with `problem` saying what is wrong and where ("PATH:LINE:COLUMN:
/// ..." where the file gives a place), when the file is no scene (scenefile/SceneReader.h), a
/// file it names cannot be opened or read as a body, a pressure does not fit its body's surface,
/// a pin is not one of its body's points, a body would stand beyond the arena's reach, the key
/// script is not of its form, it has more balls in flight than `ballLimit`, or its state does
/// not belong to its bodies and balls or is damaged (scenefile/StateFile.h).
bool loadScene(const std::string& path, const SceneOverrides& overrides, unsigned ballLimit,
               LoadedScene& loaded, std::string& problem);

/// Puts the loaded scene in the place of the running one, whole: every body (the first becomes
/// mpSystem and is selected), the time step, the arena laid out from its seed when it is
/// another (a scene without one keeps the arena there is), the camera, the cannon's aim, the balls
/// in flight, the key script; with a state, every point's and ball's exact state, the ticks run and
/// the simulated time (the script's keys before that tick count as pressed). The grab, the
/// snapshots, the watch and the energy plot start afresh, a model's opening under way is given up,
/// and the status names the scene. Whether the animation runs stays as it was.
void installScene(ProgramState& state, LoadedScene& loaded);

/// loadScene, then installScene; the running scene stays as it was when the first fails.
bool openScene(ProgramState& state, const std::string& path, const SceneOverrides& overrides,
               std::string& problem);

/// The start of a run from the scene file at `path`, before the scene is assembled: reads it
/// with `overrides` over its values and checks the files it names, then points settings at its
/// first body (its file, picture and material, the scene's time step, no -pin) with meshStream
/// opened on it, and sets `arenaSeed` to the scene's, so that the assembly builds that body in
/// that arena; openScene then puts the whole scene in place. `scene` keeps the texts that
/// settings point into. False, with `problem`, when the scene cannot be used.
bool startFromScene(const std::string& path, const SceneOverrides& overrides,
                    SceneDescription& scene, std::optional<unsigned>& arenaSeed,
                    std::string& problem);

/// A file chosen in the window's dialog or dropped on its view: a scene file replaces the scene
/// (said on standard output, or why not over the view and on standard error); any other file is
/// opened as a model (openModel), added as a body of its own when `adding`.
void openFile(ProgramState& state, const std::string& path, bool adding);
