#include "app/Settings.h"

#include <cstdlib>
#include <cstring>

SimulationSettings settings;

const char* findOption(int argc, char** argv, const char* name) {
    static const char emptyText[] = "";
    for (int i = 0; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return argv[i + 1];
        }
    }
    return emptyText;
}

static float numericOption(int argc, char** argv, const char* name) {
    return static_cast<float>(std::atof(findOption(argc, argv, name)));
}

void readNumericSettings(int argc, char** argv) {
    settings.damping = numericOption(argc, argv, "-d");
    settings.mass = numericOption(argc, argv, "-m");
    settings.stiffness = numericOption(argc, argv, "-s");
    settings.timeStep = numericOption(argc, argv, "-t");
    settings.textureFileName = findOption(argc, argv, "-tex");
}
