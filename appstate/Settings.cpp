#include "appstate/Settings.h"

#include <cstdlib>

SimulationSettings settings;

static float numericOption(int argc, char** argv, const char* name) {
    return static_cast<float>(std::atof(findOption(argc, argv, name)));
}

void readNumericSettings(int argc, char** argv) {
    settings.damping = numericOption(argc, argv, "-d");
    settings.mass = numericOption(argc, argv, "-m");
    settings.stiffness = numericOption(argc, argv, "-s");
    settings.timeStep = numericOption(argc, argv, "-t");
    settings.textureFileName = findOption(argc, argv, "-tex");
    settings.pressureGiven = *findOption(argc, argv, "-pressure") != '\0';
    settings.pressure = numericOption(argc, argv, "-pressure");
}
