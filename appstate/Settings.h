#pragma once

#include "common/CommandLine.h"

#include <cstdint>
#include <vector>

/// The command-line values. Texts point into the argument vector (or at a static empty text).
struct SimulationSettings {
    const char* meshFileName = "";
    float damping = 0.0f;
    float mass = 0.0f;
    float stiffness = 0.0f;
    /// Length of one physics step in seconds; key 2 changes it.
    float timeStep = 0.0f;
    const char* textureFileName = "";
    /// The pressure of option -pressure, when given; without it a body keeps the pressure its
    /// file asks for.
    bool pressureGiven = false;
    float pressure = 0.0f;
    /// The points of option -pin, pinned in every body read from the command line's file.
    std::vector<int32_t> pins;
};

extern SimulationSettings settings;

/// Reads the numeric options and the texture name into `settings` (the mesh name is read
/// first, by the start-up, before the mesh file is opened). Numbers convert as far as they
/// are numeric; a missing or non-numeric value gives 0. The points of -pin are read by the
/// start-up, which refuses a list that is not one.
void readNumericSettings(int argc, char** argv);
