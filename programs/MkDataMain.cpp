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
                    "       plimmerton-mkdata --ball LEVEL [--pressure P] FILE\n"
                    "       plimmerton-mkdata --sheet N FILE\n"
                    "       plimmerton-mkdata --help | --version\n"
                    "The first form writes the bundled bodies and textures into FOLDER; the\n"
                    "second writes the bundled ball with LEVEL subdivisions (1 to 9; 3 is the\n"
                    "bundled one, 4 has 2,562 points, 7 has 163,842) into FILE: braced by struts\n"
                    "through its centre, or with --pressure P above 0 without struts, with a\n"
                    "bending spring across an edge at each point, its file asking for a gas of\n"
                    "pressure P inside (a record \"# pressure P\"). The third writes a cloth: a\n"
                    "square sheet of N x N points (2 to 2048), 8 units a side, upright with its\n"
                    "top edge 4 units up, facing the cannon and the camera, numbered row by row\n"
                    "from the top (corners 0, N-1, N(N-1), N^2-1), with structural, shear and\n"
                    "bending springs, as a TOFF file; hang it by its top corners with\n"
                    "plimmerton -pin 0,N-1. Each file written is named on standard output with\n"
                    "what it holds. An unknown option, a missing argument or a value out of its\n"
                    "range ends it with status 2, a bad LEVEL or a file it cannot write with\n"
                    "status 1.";

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

int writeBall(const std::string& levelText, float pressure, const std::filesystem::path& path) {
    char* end = nullptr;
    const long level = std::strtol(levelText.c_str(), &end, 10);
    if (levelText.empty() || *end != '\0' || level < 1 || level > 9) {
        std::cerr << "The level must be a whole number from 1 to 9, not `" << levelText << "'"
                  << std::endl;
        return 1;
    }
    return writeFile(makeBall(static_cast<int>(level), pressure), path) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    ToolCommandLine commandLine("plimmerton-mkdata", usage, {"--ball", "--pressure", "--sheet"});
    if (!commandLine.read(argc, argv)) {
        return commandLine.status();
    }
    double pressure = 0;
    long sheet = 0;
    if (!commandLine.number("--pressure", 0, 1e6, pressure) ||
        !commandLine.wholeNumber("--sheet", 2, 2048, sheet)) {
        return commandLine.status();
    }
    if (commandLine.has("--ball") && commandLine.has("--sheet")) {
        return commandLine.refuse("--ball and --sheet each write a file of their own");
    }
    if (commandLine.has("--pressure") && !commandLine.has("--ball")) {
        return commandLine.refuse("--pressure needs --ball");
    }
    const std::vector<std::string>& operands = commandLine.operands();
    const bool oneFile = commandLine.has("--ball") || commandLine.has("--sheet");
    const char* wanted = oneFile ? "FILE" : "FOLDER";
    if (operands.empty()) {
        return commandLine.refuse(std::string("missing ") + wanted);
    }
    if (operands.size() > 1) {
        return commandLine.refuse("unexpected argument '" + operands[1] + "'");
    }
    if (commandLine.has("--ball")) {
        return writeBall(commandLine.text("--ball"), static_cast<float>(pressure), operands[0]);
    }
    if (commandLine.has("--sheet")) {
        return writeFile(makeSheetFile(static_cast<int>(sheet)), operands[0]) ? 0 : 1;
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
