#pragma once

#include "scenefile/SceneDescription.h"

#include <string>

/// The text of a scene file at `scenePath` that holds `scene`: TOML a person can read and edit,
/// with a comment header, its paths relative to the scene file's folder (pathInScene) and its
/// numbers written so that they read back to the bit. The places in `scene` are not written.
std::string sceneText(const SceneDescription& scene, const std::string& scenePath);

/// Writes `scene` to the scene file at `path`, whole or not at all (whatever was there stays
/// on failure), after reading the text back: a scene that would not read back as it is (a
/// number that is not finite, a name that is not UTF-8) is refused. False, with `problem`
/// saying why, on failure.
bool writeSceneFile(const std::string& path, const SceneDescription& scene, std::string& problem);
