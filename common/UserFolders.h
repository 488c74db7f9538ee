#pragma once

#include <string>

/// Where the user's files of a kind ("VIDEOS", "PICTURES") go, as a path from the root: the
/// folder `xdg-user-dir` names, also when that is the home folder (its answer for a kind that
/// is not set up); the home folder when the command is missing, fails or names a folder that
/// does not exist; the working directory only when there is no home folder either ("." when
/// even that cannot be named, having been removed).
std::string userFolder(const char* kind);

/// Claims a new file in `folder` named "plimmerton-DATE-TIME" (local time, "%Y%m%d-%H%M%S"),
/// with "-2", "-3", ... added while that name is taken, and `extension` (".mp4"): the file is
/// created empty so that nothing else takes the name, and never one that exists. Returns its
/// path, or empty text with `problem` set when no file can be made there.
std::string claimNewFile(const std::string& folder, const std::string& extension,
                         std::string& problem);
