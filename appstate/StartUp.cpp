#include "appstate/StartUp.h"

#include "appstate/Globals.h"
#include "common/PointList.h"
#include "mpsystem/ConversionHint.h"
#include "mpsystem/MeshKind.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/OffLexer.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

bool openMeshStream() {
    delete meshStream;
    meshStream = new std::ifstream;
    return openMeshFile(*meshStream, settings.meshFileName);
}

const char* modelArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            ++i;
        } else {
            return argv[i];
        }
    }
    return "";
}

bool readCommandLine(int argc, char** argv) {
    settings.meshFileName = findOption(argc, argv, "-i");
    if (*settings.meshFileName == '\0') {
        settings.meshFileName = modelArgument(argc, argv);
    }
    if (!openMeshStream()) {
        if (*settings.meshFileName == '\0') {
            std::cerr << "Name the body: plimmerton MODEL [OPTIONS] or plimmerton -i MODEL "
                         "[OPTIONS], MODEL a body or model file; see plimmerton --help"
                      << std::endl;
        }
        return false;
    }
    readNumericSettings(argc, argv);
    const char* pins = findOption(argc, argv, "-pin");
    std::string problem;
    if (*pins != '\0' && !parsePointList(pins, settings.pins, problem)) {
        std::cerr << "-pin: " << problem << std::endl;
        settings.pins.clear();
        return false;
    }
    return true;
}

bool startsWithModel(int argc, char** argv) {
    const char* path = settings.meshFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (*findOption(argc, argv, "-i") == '\0') {
        return meshKindOf(file) != MeshKind::body;
    }
    const std::string keyword = readKeyword(file);
    return keyword != "OFF" && keyword != "TOFF" && isPreparableModel(keyword, path);
}

BodyOptionProblems applyBodyOptions(MpSystem& body, const std::string& name) {
    BodyOptionProblems problems;
    const bool refused = settings.pressureGiven
                             ? !body.setPressure(settings.pressure)
                             : body.filePressure() > 0.0f && body.pressure() == 0.0f;
    if (refused) {
        problems.pressure = (name.empty() ? std::string(settings.meshFileName) : name) + ": " +
                            body.pressureRefusal();
    }
    for (int32_t i : settings.pins) {
        if (i < body.numPoints()) {
            body.setPinned(i, true);
        } else if (problems.pins.empty()) {
            problems.pins = "-pin: point " + std::to_string(i) + " is not one of the body's " +
                            std::to_string(body.numPoints()) + " points";
        }
    }
    return problems;
}
