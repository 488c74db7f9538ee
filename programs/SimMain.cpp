// plimmerton-sim: runs the body of a mesh file without a window, as the timer would, and
// reports where it ended up and how long a tick took.

#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"
#include "balls/ContactTimeStep.h"
#include "balls/WorldTick.h"
#include "bodyoutput/BodyMeshWriter.h"
#include "bodyoutput/PositionChecksum.h"
#include "common/ToolCommandLine.h"
#include "common/Workers.h"
#include "mpsystem/BodyEnergy.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/StableTimeStep.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

namespace {

const char* simUsage =
    "Usage: plimmerton-sim -i MESH [-d DAMPING] [-m MASS] [-s STIFFNESS] [-t TIMESTEP]\n"
    "                      [-n TICKS] [-arena SEED] [-o OUTPUT] [-threads COUNT]\n"
    "                      [--energy CSV] [--stability]\n"
    "       plimmerton-sim --help | --version\n"
    "\n"
    "Runs the body of MESH (an OFF or TOFF file) for TICKS timer ticks without a window,\n"
    "as the program does while its animation runs, and prints a checksum of the final\n"
    "positions and the median time of one tick. -i, -d, -m, -s and -t mean what they\n"
    "mean to the program and default to 0 as there.\n"
    "\n"
    "  -n TICKS       number of ticks (default 100)\n"
    "  -arena SEED    put the floor and the pillars around the body, laid out with this\n"
    "                 seed; without it the body falls freely\n"
    "  -o OUTPUT      write the final body to OUTPUT in the form of MESH (OFF or TOFF,\n"
    "                 the same faces, texture coordinates kept), with coordinates that\n"
    "                 read back exactly\n"
    "  -threads COUNT threads for the step and the contact pass (default: all cores);\n"
    "                 the results do not depend on it\n"
    "  --energy CSV   write the body's energy to CSV: a header line, then one line for\n"
    "                 the start and one after each tick with the tick, the simulated time\n"
    "                 and the kinetic, spring, height (above the floor's level, y = -15)\n"
    "                 and total energy\n"
    "  --stability    print only the stable time step, the largest at which the body\n"
    "                 holds at these options (among the floor and pillars with -arena),\n"
    "                 on one line \"stable time step T\", and run nothing\n"
    "\n"
    "Output, on standard output:\n"
    "  points N\n"
    "  ticks N\n"
    "  checksum HHHHHHHHHHHHHHHH   (FNV-1a, 64 bits, over the bytes of the final\n"
    "                               single-precision x, y, z of every point in order)\n"
    "  median tick T ms            (when TICKS > 0)\n"
    "\n"
    "An unknown option, an option without its value, a TICKS, SEED or COUNT that is not a\n"
    "whole number in its range or a missing -i end the run with status 2; a missing or\n"
    "unreadable mesh, a file without a known keyword or a malformed file with status 1\n"
    "and the program's message on standard error; a CSV that cannot be written, status 1.\n"
    "\n"
    "Example:\n"
    "  plimmerton-sim -i data/ball.toff -d 0.04 -m 0.3 -s 85 -t 0.012 -n 1000 -arena 1";

/// More threads than any machine we know of has cores; the pool holds the count to the cores.
constexpr long maxThreads = 4096;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

/// One line of the energy file: the tick, the simulated time and the four energies.
void writeEnergyLine(std::ofstream& out, long tick, const MpSystem& body, float timeStep) {
    const BodyEnergy e = measureEnergy(body, arenaFloorHeight);
    char line[160];
    std::snprintf(line, sizeof line, "%ld,%.7g,%.9g,%.9g,%.9g,%.9g\n", tick,
                  static_cast<double>(tick) * timeStep, e.kinetic, e.spring, e.height, e.total());
    out << line;
}

} // namespace

int main(int argc, char** argv) {
    ToolCommandLine commandLine(
        "plimmerton-sim", simUsage,
        {"-i", "-d", "-m", "-s", "-t", "-n", "-arena", "-o", "-threads", "--energy"});
    commandLine.setFlags({"--stability"});
    if (!commandLine.read(argc, argv)) {
        return commandLine.status();
    }
    if (!commandLine.operands().empty()) {
        return commandLine.refuse("unexpected argument '" + commandLine.operands().front() + "'");
    }
    if (!commandLine.has("-i")) {
        return commandLine.refuse("missing option -i MESH");
    }
    long ticks = 100;
    long threads = 0;
    long arenaSeed = -1;
    if (!commandLine.wholeNumber("-n", 0, std::numeric_limits<long>::max(), ticks) ||
        !commandLine.wholeNumber("-threads", 1, maxThreads, threads) ||
        !commandLine.wholeNumber("-arena", 0, std::numeric_limits<unsigned>::max(), arenaSeed)) {
        return commandLine.status();
    }
    const std::string meshFileName = commandLine.text("-i");
    std::ifstream mesh;
    if (!openMeshFile(mesh, meshFileName.c_str())) {
        return 1;
    }
    const float damping = commandLine.lenientNumber("-d");
    const float mass = commandLine.lenientNumber("-m");
    const float stiffness = commandLine.lenientNumber("-s");
    const float timeStep = commandLine.lenientNumber("-t");
    if (threads > 0) {
        setWorkerCount(static_cast<int>(threads));
    }
    const std::string outputName = commandLine.text("-o");

    MpSystem body(mesh, damping, mass, stiffness, meshFileName.c_str());
    if (!body.isLoaded()) {
        return 1;
    }
    std::cerr << std::endl;

    SoDB::init();
    SoSeparator* world = new SoSeparator;
    world->ref();
    CollisionWorld contacts;
    contacts.addBody(&body);
    // The balls stay out of a headless run: no cannon shoots them.
    BallSet balls;
    BallLightSet lights;
    const TickWorld tickWorld{&body, balls, lights, *world, contacts};
    if (arenaSeed >= 0) {
        // The seeded layout reads no texture: the picture plays no part in contacts.
        layOutArena(world, contacts, static_cast<unsigned>(arenaSeed));
        addArenaFloor(contacts);
    }
    if (commandLine.has("--stability")) {
        world->unref();
        std::cout << "stable time step " << contactTimeStep(StableTimeStep(body), body, contacts)
                  << std::endl;
        return 0;
    }
    const std::string energyName = commandLine.text("--energy");
    std::ofstream energy;
    if (!energyName.empty()) {
        energy.open(energyName);
        if (!energy) {
            world->unref();
            std::cerr << "Cannot write `" << energyName << "'" << std::endl;
            return 1;
        }
        energy << "tick,time,kinetic,spring,height,total\n";
        writeEnergyLine(energy, 0, body, timeStep);
    }

    std::vector<double> tickMillis;
    tickMillis.reserve(static_cast<size_t>(ticks));
    for (long k = 0; k < ticks; ++k) {
        const auto start = std::chrono::steady_clock::now();
        runTick(tickWorld, timeStep);
        const auto end = std::chrono::steady_clock::now();
        tickMillis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (!energyName.empty()) {
            writeEnergyLine(energy, k + 1, body, timeStep);
        }
    }
    world->unref();
    if (!energyName.empty() && !(energy.flush())) {
        std::cerr << "Cannot write `" << energyName << "'" << std::endl;
        return 1;
    }

    if (!outputName.empty()) {
        std::ifstream original(meshFileName);
        std::ofstream out(outputName);
        if (!out || !writeBodyMesh(body, original, out) || !out.flush()) {
            std::cerr << "Cannot write `" << outputName << "'" << std::endl;
            return 1;
        }
    }

    char checksum[17];
    std::snprintf(checksum, sizeof checksum, "%016" PRIx64,
                  positionChecksum(body.positions(), body.numPoints()));
    std::cout << "points " << body.numPoints() << std::endl;
    std::cout << "ticks " << ticks << std::endl;
    std::cout << "checksum " << checksum << std::endl;
    if (ticks > 0) {
        std::cout << "median tick " << median(tickMillis) << " ms" << std::endl;
    }
    return 0;
}
