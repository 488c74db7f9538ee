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
#include "common/ToolCommandLine.h"
#include "common/Workers.h"
#include "mpsystem/BodyEnergy.h"
#include "mpsystem/MeshReader.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/StableTimeStep.h"
#include "programs/RunReport.h"
#include "programs/SceneRun.h"

#include <Inventor/SoDB.h>
#include <Inventor/nodes/SoSeparator.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

namespace {

const char* simUsage =
    "Usage: plimmerton-sim -i MESH [-d DAMPING] [-m MASS] [-s STIFFNESS] [-t TIMESTEP]\n"
    "                      [-pressure P] [-pin I,J,...]\n"
    "                      [-n TICKS] [-arena SEED] [-o OUTPUT] [-threads COUNT]\n"
    "                      [--energy CSV] [--stability] [--holding-pressure] [--keys SCRIPT]\n"
    "                      [--video OUT.mp4 [--size WxH] [--fps N] [-tex TEXTURE]]\n"
    "       plimmerton-sim --help | --version\n"
    "\n"
    "Runs the body of MESH (an OFF or TOFF file) for TICKS timer ticks without a window,\n"
    "as the program does while its animation runs, and prints a checksum of the final\n"
    "positions and the median time of one tick. -i, -d, -m, -s, -t and -tex mean what\n"
    "they mean to the program and default to 0 and nothing as there.\n"
    "\n"
    "  -pressure P    the pressure of a gas inside the body's closed surface, 0 to\n"
    "                 1000000 (default: what the file asks for, else 0); an open\n"
    "                 surface holds none, and the run ends with status 1\n"
    "  -pin I,J,...   pin these points of the body (indices from 0) where they start\n"
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
    "  --holding-pressure  print only the pressure that holds the body up without\n"
    "                 struts by the README's rule, three times its weight (at MASS)\n"
    "                 over the area of its surface, on one line \"holding pressure P\",\n"
    "                 and run nothing\n"
    "\n"
    "With --keys or --video the run is the program's whole scene, as its window\n"
    "assembles it: the body, the cannon and its balls, the floor, the ground and the\n"
    "pillars, laid out from SEED (default 1), so that the same run gives the same\n"
    "checksum and the same pictures.\n"
    "  --keys SCRIPT  press the program's keys at given ticks, with their meaning in the\n"
    "                 window: TICK:KEY,... with KEY a letter, a digit, space, left,\n"
    "                 right, up, down, end, f12 or backspace, e.g. \"0:space,120:a,121:space\"\n"
    "                 (a key at tick T acts before tick T + 1; Q ends the run there;\n"
    "                 F12 saves the view as a PNG of --size in the pictures folder, as\n"
    "                 the window's F12 does; ctrl+o, the window's file dialog, is refused;\n"
    "                 a body that blows up or leaves the arena's reach ends the run at the\n"
    "                 tick that found it, with the program's line on standard error)\n"
    "  --video OUT.mp4  record the view of the window at start (camera, arena, body with\n"
    "                 its TEXTURE, balls and lights, cannon) into an H.264 video at the\n"
    "                 program's target pace: frame k shows the state after the ticks of\n"
    "                 the first k / N seconds of the timer's grid (TIMESTEP / 3 a tick).\n"
    "                 Needs no display. The progress goes to standard error.\n"
    "  --size WxH     the size in pixels of the video and of F12's pictures (default\n"
    "                 640x480; odd sizes lose a row or column of the video)\n"
    "  --fps N        frames a second (default 30)\n"
    "\n"
    "Output, on standard output:\n"
    "  points N\n"
    "  ticks N\n"
    "  checksum HHHHHHHHHHHHHHHH   (FNV-1a, 64 bits, over the bytes of the final\n"
    "                               single-precision x, y, z of every point in order)\n"
    "  median tick T ms            (when TICKS > 0)\n"
    "  video OUT.mp4, frames N (S s at N a second), wall time S s   (with --video)\n"
    "  screenshot: PATH            (for each F12 of --keys)\n"
    "\n"
    "An unknown option, an option without its value, a value out of its range, a SCRIPT\n"
    "that is not of its form or a missing -i end the run with status 2; a missing or\n"
    "unreadable mesh, a file without a known keyword, a malformed file, a point of -pin\n"
    "beyond the body or a pressure its surface cannot hold with status 1 and the\n"
    "program's message on standard error; a CSV that cannot be written, status 1,\n"
    "and so does a video that cannot be written, whose file is then removed.\n"
    "\n"
    "Examples:\n"
    "  plimmerton-sim -i data/ball.toff -d 0.04 -m 0.3 -s 85 -t 0.012 -n 1000 -arena 1\n"
    "  plimmerton-sim -i data/ball.toff -tex data/body.tga -d 0.04 -m 0.3 -s 85 -t 0.012\n"
    "      -n 750 --keys \"0:space,50:space\" --video ball.mp4";

/// More threads than any machine we know of has cores; the pool holds the count to the cores.
constexpr long maxThreads = 4096;
/// Far beyond what any body of the program's sizes holds together at.
constexpr double maxPressure = 1e6;

/// The options of a run of the whole scene, checked; false when the tool ends with the
/// command line's status.
bool readSceneOptions(ToolCommandLine& commandLine, SceneRun& run) {
    const bool scene = commandLine.has("--keys") || commandLine.has("--video");
    if (!scene) {
        for (const char* option : {"--size", "--fps", "-tex"}) {
            if (commandLine.has(option)) {
                commandLine.refuse(std::string(option) + " needs --video");
                return false;
            }
        }
        return true;
    }
    for (const char* option : {"-o", "--energy", "--stability", "--holding-pressure"}) {
        if (commandLine.has(option)) {
            commandLine.refuse(std::string(option) +
                               " takes the body alone, without --keys or --video");
            return false;
        }
    }
    long fps = run.framesPerSecond;
    if (!commandLine.dimensions("--size", 16, 4096, run.width, run.height) ||
        !commandLine.wholeNumber("--fps", 1, 240, fps)) {
        return false;
    }
    run.framesPerSecond = static_cast<int>(fps);
    std::string problem;
    if (commandLine.has("--keys") &&
        !parseKeyScript(commandLine.text("--keys"), run.keys, problem)) {
        commandLine.refuse("--keys: " + problem);
        return false;
    }
    for (const ScriptedKey& key : run.keys) {
        if (key.ctrl && key.key == SoKeyboardEvent::O) {
            commandLine.refuse("--keys: ctrl+o opens the window's file dialog, which a run "
                               "without a window has not");
            return false;
        }
    }
    run.videoFileName = commandLine.text("--video");
    run.textureFileName = commandLine.text("-tex");
    return true;
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
    ToolCommandLine commandLine("plimmerton-sim", simUsage,
                                {"-i", "-d", "-m", "-s", "-t", "-n", "-arena", "-o", "-threads",
                                 "--energy", "--keys", "--video", "--size", "--fps", "-tex",
                                 "-pressure", "-pin"});
    commandLine.setFlags({"--stability", "--holding-pressure"});
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
    SceneRun run;
    double pressure = 0;
    std::vector<int32_t> pins;
    if (!commandLine.number("-pressure", 0, maxPressure, pressure) ||
        !commandLine.pointList("-pin", pins) ||
        !commandLine.wholeNumber("-n", 0, std::numeric_limits<long>::max(), ticks) ||
        !commandLine.wholeNumber("-threads", 1, maxThreads, threads) ||
        !commandLine.wholeNumber("-arena", 0, std::numeric_limits<unsigned>::max(), arenaSeed) ||
        !readSceneOptions(commandLine, run)) {
        return commandLine.status();
    }
    const std::string meshFileName = commandLine.text("-i");
    const float damping = commandLine.lenientNumber("-d");
    const float mass = commandLine.lenientNumber("-m");
    const float stiffness = commandLine.lenientNumber("-s");
    const float timeStep = commandLine.lenientNumber("-t");
    if (threads > 0) {
        setWorkerCount(static_cast<int>(threads));
    }
    if (commandLine.has("--keys") || commandLine.has("--video")) {
        run.meshFileName = meshFileName;
        run.damping = damping;
        run.mass = mass;
        run.stiffness = stiffness;
        run.timeStep = timeStep;
        run.pressureGiven = commandLine.has("-pressure");
        run.pressure = static_cast<float>(pressure);
        run.pins = pins;
        run.ticks = ticks;
        if (arenaSeed >= 0) {
            run.arenaSeed = static_cast<unsigned>(arenaSeed);
        }
        return runScene(run);
    }
    std::ifstream mesh;
    if (!openMeshFile(mesh, meshFileName.c_str())) {
        return 1;
    }
    const std::string outputName = commandLine.text("-o");

    MpSystem body(mesh, damping, mass, stiffness, meshFileName.c_str());
    if (!body.isLoaded()) {
        return 1;
    }
    std::cerr << std::endl;
    if (commandLine.has("--holding-pressure")) {
        std::cout << "holding pressure " << body.holdingPressure() << std::endl;
        return 0;
    }
    for (int32_t i : pins) {
        if (i >= body.numPoints()) {
            std::cerr << "-pin: point " << i << " is not one of the body's " << body.numPoints()
                      << " points" << std::endl;
            return 1;
        }
        body.setPinned(i, true);
    }
    const bool refused = commandLine.has("-pressure")
                             ? !body.setPressure(static_cast<float>(pressure))
                             : body.filePressure() > 0.0f && body.pressure() == 0.0f;
    if (refused) {
        std::cerr << meshFileName << ": " << body.pressureRefusal() << std::endl;
        return 1;
    }

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

    printRunReport(body.positions(), body.numPoints(), ticks, std::move(tickMillis));
    return 0;
}
