#include "appstate/StartUp.h"

#include "appstate/Globals.h"
#include "mpsystem/MeshReader.h"

bool openMeshStream() {
    delete meshStream;
    meshStream = new std::ifstream;
    return openMeshFile(*meshStream, settings.meshFileName);
}

bool readCommandLine(int argc, char** argv) {
    settings.meshFileName = findOption(argc, argv, "-i");
    if (!openMeshStream()) {
        return false;
    }
    readNumericSettings(argc, argv);
    return true;
}
