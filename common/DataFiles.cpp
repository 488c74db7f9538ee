#include "common/DataFiles.h"

#include "common/ErrorLine.h"

#include <filesystem>
#include <iostream>
#include <set>

namespace {

bool isReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

std::string installedDataFolder(const std::string& program) {
    if (program.empty()) {
        return PLIMMERTON_INSTALLED_DATA_DIR;
    }
    const std::filesystem::path folder = std::filesystem::path(program).parent_path();
    return (folder / PLIMMERTON_DATA_FROM_BIN).lexically_normal().string();
}

std::vector<std::string> dataFolders() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return {installedDataFolder(error ? std::string() : self.string()), PLIMMERTON_SOURCE_DATA_DIR};
}

std::string findDataFile(const std::string& name, const std::vector<std::string>& folders) {
    if (isReadableFile(name)) {
        return name;
    }
    for (const std::string& folder : folders) {
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        if (isReadableFile(path)) {
            return path.string();
        }
    }
    // Every pillar asks again; one line is enough to say that they all go without.
    static std::set<std::string> reported;
    if (reported.insert(name).second) {
        freshErrorLine() << "Cannot find `" << name << "' in the working directory";
        for (const std::string& folder : folders) {
            std::cerr << ", " << folder;
        }
        std::cerr << std::endl;
    }
    return std::string();
}
