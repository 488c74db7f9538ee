#pragma once

#include "scenefile/SceneDescription.h"

#include <string>
#include <string_view>

/// Reads the scene file at `path` (docs/scene-format.md) into `scene`, its relative paths
/// resolved against the file's folder. A file larger than maxSceneFileBytes is refused before
/// it is parsed. False, with `problem` saying what is wrong and where ("PATH:LINE:COLUMN: ..."
/// where the file gives a place), and `scene` as it was, when the file cannot be read, is not
/// TOML, has a value of the wrong type, out of range or not finite, misses a required key, has
/// a key this version does not know, or was written for a newer version. The files it names
/// are not looked at (checkSceneFiles does).
bool readSceneFile(const std::string& path, SceneDescription& scene, std::string& problem);

/// The same for `text`, the contents of a scene file at `path`.
bool readSceneText(std::string_view text, const std::string& path, SceneDescription& scene,
                   std::string& problem);
