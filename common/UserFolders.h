#pragma once

#include <string>

/// The user's folder of a kind ("VIDEOS", "PICTURES") as `xdg-user-dir` names it, or the
/// working directory (".") when it names none: when the command is missing, fails, answers
/// the home folder (its answer for a kind that is not set up) or a folder that does not exist.
std::string userFolder(const char* kind);

/// Claims a new file in `folder` named "plimmerton-DATE-TIME" (local time, "%Y%m%d-%H%M%S"),
/// with "-2", "-3", ... added while that name is taken, and `extension` (".mp4"): the file is
/// created empty so that nothing else takes the name, and never one that exists. Returns its
/// path, or empty text with `problem` set when no file can be made there.
std::string claimNewFile(const std::string& folder, const std::string& extension,
                         std::string& problem);
