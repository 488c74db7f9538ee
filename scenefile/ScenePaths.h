#pragma once

#include "scenefile/SceneDescription.h"

#include <string>

/// A path as a scene file at `scenePath` writes it, resolved to one the program can open: a
/// relative path is taken from the scene file's folder, an absolute one (and an empty one) is
/// kept.
std::string resolveScenePath(const std::string& written, const std::string& scenePath);

/// The path to write into a scene file at `scenePath` for the file at `path` (as the program
/// opens it): relative to the scene file's folder, so that a folder of scenes and models can be
/// moved or shared whole; absolute when the two share no folder below the root, where a
/// relative path would only break sooner.
std::string pathInScene(const std::string& path, const std::string& scenePath);

/// The state file that goes with the scene file at `scenePath`: beside it, named like it with
/// ".state" in place of its extension ("moment.toml" -> "moment.state").
std::string stateFileName(const std::string& scenePath);

/// "SCENE:LINE:COLUMN: " where a place is known, else "SCENE: ": the start of every message
/// about a scene file, in the form editors jump to.
std::string scenePlace(const std::string& scenePath, const SourcePlace& place);

/// Checks that every file the scene names can be opened: each body's file and picture, and the
/// state file when the scene says it has one. False, with `problem` naming the first that cannot
/// and where the scene names it, otherwise.
bool checkSceneFiles(const SceneDescription& scene, const std::string& scenePath,
                     std::string& problem);
