// plimmerton-mkdata: writes the bundled bodies and textures into a folder, or a finer ball.

#include "common/ToolCommandLine.h"
#include "generators/BundledData.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* usage = "Usage: plimmerton-mkdata FOLDER\n"
                    "       plimmerton-mkdata --ball LEVEL FILE\n"
                    "       plimmerton-mkdata --help | --version\n"
                    "The first form writes the bundled bodies and textures into FOLDER; the\n"
                    "second writes the bundled ball with LEVEL subdivisions (1 to 9; 3 is the\n"
                    "bundled one, 7 has 163,842 points) into FILE. Each file written is named on\n"
                    "standard output with what it holds. An unknown option or a missing argument\n"
                    "ends it with status 2, a bad LEVEL or a file it cannot write with status 1.";

bool writeFile(const BundledFile& file, const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(file.bytes.data(), std::streamsize(file.bytes.size()));
    out.close();
    if (out.fail()) {
        std::cerr << "Cannot write `" << path.string() << "'" << std::endl;
        return false;
    }
    std::cout << path.string() << ": " << file.summary << ", " << file.bytes.size() << " bytes"
              << std::endl;
    return true;
}

int writeBall(const std::string& levelText, const std::filesystem::path& path) {
    char* end = nullptr;
    const long level = std::strtol(levelText.c_str(), &end, 10);
    if (levelText.empty() || *end != '\0' || level < 1 || level > 9) {
        std::cerr << "The level must be a whole number from 1 to 9, not `" << levelText << "'"
                  << std::endl;
        return 1;
    }
    return writeFile(makeBall(static_cast<int>(level)), path) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    ToolCommandLine commandLine("plimmerton-mkdata", usage, {"--ball"});
    if (!commandLine.read(argc, argv)) {
        return commandLine.status();
    }
    const std::vector<std::string>& operands = commandLine.operands();
    const char* wanted = commandLine.has("--ball") ? "FILE" : "FOLDER";
    if (operands.empty()) {
        return commandLine.refuse(std::string("missing ") + wanted);
    }
    if (operands.size() > 1) {
        return commandLine.refuse("unexpected argument '" + operands[1] + "'");
    }
    if (commandLine.has("--ball")) {
        return writeBall(commandLine.text("--ball"), operands[0]);
    }
    const std::filesystem::path folder = operands[0];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::cerr << "Cannot create folder `" << folder.string() << "': " << error.message()
                  << std::endl;
        return 1;
    }
    for (const BundledFile& file : makeBundledData()) {
        if (!writeFile(file, folder / file.name)) {
            return 1;
        }
    }
    return 0;
}
