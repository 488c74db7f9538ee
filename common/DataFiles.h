#pragma once

#include <string>
#include <vector>

/// The installed data folder of the program at `program` (an absolute path): share/plimmerton
/// beside the program's bin/, wherever that was installed. Without a path, the folder of the
/// prefix the build was configured with.
std::string installedDataFolder(const std::string& program);

/// The folders, after the working directory, where the bundled data files are looked for: the
/// installed data folder of the running program, then the source tree's data/ (so that a
/// program run from its build folder finds them too).
std::vector<std::string> dataFolders();

/// Where the bundled data file `name` (a texture of the arena) is read from: `name` itself when
/// the working directory holds it, else its path in the first of `folders` that holds it.
/// Empty when none does; then one line on standard error says where it was looked for, the
/// first time only for each name.
std::string findDataFile(const std::string& name,
                         const std::vector<std::string>& folders = dataFolders());
