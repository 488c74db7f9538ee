#include "appstate/StartUp.h"

#include "appstate/Globals.h"
#include "mpsystem/ConversionHint.h"
#include "mpsystem/MeshKind.h"
#include "mpsystem/MeshReader.h"
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
