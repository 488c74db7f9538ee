#include "app/StartUp.h"

#include "app/Globals.h"

#include <iostream>

bool openMeshStream() {
    delete meshStream;
    meshStream = new std::ifstream(settings.meshFileName);
    if (meshStream->fail()) {
        std::cerr << "File `" << settings.meshFileName << "' does not exist!" << std::endl;
        return false;
    }
    return true;
}

bool readCommandLine(int argc, char** argv) {
    settings.meshFileName = findOption(argc, argv, "-i");
    if (!openMeshStream()) {
        return false;
    }
    readNumericSettings(argc, argv);
    return true;
}
