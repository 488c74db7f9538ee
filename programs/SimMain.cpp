// plimmerton-sim: runs the bodies of mesh files without a window, as the timer would, and
// reports where they ended up and how long a tick took.

#include "arena/ArenaFloor.h"
#include "arena/Pillars.h"
#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/BodyPlacement.h"
#include "balls/CollisionWorld.h"
#include "balls/ContactTimeStep.h"
#include "balls/SceneEnergy.h"
#include "balls/WorldTick.h"
#include "bodyoutput/BodyMeasures.h"
#include "bodyoutput/BodyMeshWriter.h"
#include "common/BodyAdditions.h"
#include "common/ToolCommandLine.h"
#include "common/Workers.h"
#include "control/BodySource.h"
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
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* simUsage =
    "Usage: plimmerton-sim -i MESH [-d DAMPING] [-m MASS] [-s STIFFNESS] [-t TIMESTEP]\n"
    "                      [-pressure P] [-pin I,J,...] [-add MESH [-at X,Y,Z]]...\n"
    "                      [-n TICKS] [-arena SEED] [-o OUTPUT] [-threads COUNT]\n"
    "                      [--energy CSV] [--stability] [--holding-pressure] [--keys SCRIPT]\n"
    "                      [--video OUT.mp4 [--size WxH] [--fps N] [-tex TEXTURE]]\n"
    "       plimmerton-sim SCENE.toml [OPTIONS] [--save-scene FILE.toml]\n"
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
    "  -add MESH      another body in the same run, of the same damping, mass,\n"
    "                 stiffness and pressure (unless its file asks for its own); repeat\n"
    "                 it for more bodies. The bodies push each other apart where they\n"
    "                 meet, and each its own parts where it folds\n"
    "  -at X,Y,Z      after -add MESH: put that body's centre (the mean of its points)\n"
    "                 at X,Y,Z; without it the body goes clear above the bodies before it\n"
    "  -n TICKS       number of ticks (default 100)\n"
    "  -arena SEED    put the floor and the pillars around the bodies, laid out with this\n"
    "                 seed; without it the bodies fall freely\n"
    "  -o OUTPUT      write the final body to OUTPUT in the form of MESH (OFF or TOFF,\n"
    "                 the same faces, texture coordinates kept), with coordinates that\n"
    "                 read back exactly; body k of -add (k = 2, 3, ...) to OUTPUT with -k\n"
    "                 before its extension (out.toff, out-2.toff, out-3.toff)\n"
    "  -threads COUNT threads for the step and the contact passes (default: all cores);\n"
    "                 the results do not depend on it\n"
    "  --energy CSV   write the bodies' energy to CSV: a header line, then one line for\n"
    "                 the start and one after each tick with the tick, the simulated time\n"
    "                 and the kinetic, spring, height (above the floor's level, y = -15)\n"
    "                 and total energy of all the bodies; with -add, then a column for\n"
    "                 each body's total (body1, body2, ...)\n"
    "  --stability    print only the stable time step, the largest at which the bodies\n"
    "                 hold at these options (among the floor and pillars with -arena, and\n"
    "                 one another), on one line \"stable time step T\", and run nothing\n"
    "  --holding-pressure  print only the pressure that holds the body up without\n"
    "                 struts by the README's rule, three times its weight (at MASS)\n"
    "                 over the area of its surface, on one line \"holding pressure P\",\n"
    "                 and run nothing\n"
    "\n"
    "SCENE.toml, a scene file (docs/scene-format.md), runs that scene in place of -i's\n"
    "body: its bodies, materials, time step, arena, camera, cannon, balls and keys, and\n"
    "with its state (NAME.state) the exact state of every point, going on from the tick\n"
    "it was saved at. The options given go over its values: -d, -m and -s set every\n"
    "body's material, -tex, -pressure and -pin the first body's, -t, -arena and --keys\n"
    "the scene's; -add adds bodies after its own.\n"
    "  --save-scene FILE.toml  write the scene as the run ends to FILE.toml, with its\n"
    "                 state beside it (FILE.state), so that a run of it goes on to the\n"
    "                 bit: 500 ticks saved and 500 more give the checksum of 1,000\n"
    "\n"
    "With --keys, --video, --save-scene or a SCENE the run is the program's whole\n"
    "scene, as its window assembles it: the bodies, the cannon and its balls, the floor,\n"
    "the ground and the pillars, laid out from SEED (default 1, or the scene's), so that\n"
    "the same run gives the same checksum and the same pictures.\n"
    "  --keys SCRIPT  press the program's keys at given ticks, with their meaning in the\n"
    "                 window: TICK:KEY,... with KEY a letter, a digit, space, left,\n"
    "                 right, up, down, end, f12, backspace, tab or delete, e.g.\n"
    "                 \"0:space,120:a,121:space\" (a key at tick T acts before tick T + 1;\n"
    "                 Q ends the run there; F12 saves the view as a PNG of --size in the\n"
    "                 pictures folder, as the window's F12 does; tab selects the next body\n"
    "                 for the keys that act on one, delete removes it; ctrl+o and ctrl+s,\n"
    "                 the window's file dialogs, are refused; a body that blows up or\n"
    "                 leaves the arena's reach ends the run at the tick that found it,\n"
    "                 with the program's line on standard error)\n"
    "  --video OUT.mp4  record the view of the window at start (camera, arena, bodies\n"
    "                 with TEXTURE, balls and lights, cannon) into an H.264 video at the\n"
    "                 program's target pace: frame k shows the state after the ticks of\n"
    "                 the first k / N seconds of the timer's grid (TIMESTEP / 3 a tick).\n"
    "                 Needs no display. The progress goes to standard error.\n"
    "  --size WxH     the size in pixels of the video and of F12's pictures (default\n"
    "                 640x480; odd sizes lose a row or column of the video)\n"
    "  --fps N        frames a second (default 30)\n"
    "\n"
    "Output, on standard output:\n"
    "  points N                    (of all the bodies)\n"
    "  ticks N\n"
    "  checksum HHHHHHHHHHHHHHHH   (FNV-1a, 64 bits, over the bytes of the final\n"
    "                               single-precision x, y, z of every point in order,\n"
    "                               body after body)\n"
    "  median tick T ms            (when TICKS > 0)\n"
    "  bodies N                    (with -add, then for each body k:)\n"
    "  body K points N extent X Y Z kept X Y Z inside N\n"
    "                              (the box around its points, its sides over those at\n"
    "                               the start, and how many of its points lie inside\n"
    "                               another body's closed surface)\n"
    "  video OUT.mp4, frames N (S s at N a second), wall time S s   (with --video)\n"
    "  screenshot: PATH            (for each F12 of --keys)\n"
    "  scene FILE.toml             (with --save-scene, then:)\n"
    "  state FILE.state\n"
    "\n"
    "An unknown option, an option without its value, a value out of its range, a SCRIPT\n"
    "that is not of its form, an -at without an -add before it or a missing -i end the\n"
    "run with status 2; a missing or unreadable mesh, a file without a known keyword, a\n"
    "malformed file, a body put beyond the arena's reach, a point of -pin beyond the\n"
    "body or a pressure its surface cannot hold with status 1 and the program's message\n"
    "on standard error; a CSV that cannot be written, status 1, and so does a video that\n"
    "cannot be written, whose file is then removed. A scene that cannot be used (not\n"
    "TOML, a key or value it may not hold, a newer version, a body file missing, a pin\n"
    "or a pressure that does not fit its body, a state of other bodies or damaged) ends\n"
    "it with status 1 and one line, SCENE:LINE:COLUMN: and what is wrong; so does a\n"
    "scene that cannot be saved.\n"
    "\n"
    "Examples:\n"
    "  plimmerton-sim -i data/ball.toff -d 0.04 -m 0.3 -s 85 -t 0.012 -n 1000 -arena 1\n"
    "  plimmerton-sim -i data/ball.toff -add data/ball.toff -d 0.04 -m 0.3 -s 85 -t 0.012\n"
    "      -n 4000 -arena 1\n"
    "  plimmerton-sim -i data/ball.toff -tex data/body.tga -d 0.04 -m 0.3 -s 85 -t 0.012\n"
    "      -n 750 --keys \"0:space,50:space\" --video ball.mp4\n"
    "  plimmerton-sim data/two-balls.toml -n 500 --save-scene mid.toml\n"
    "  plimmerton-sim mid.toml -n 500 --video mid.mp4";

/// More threads than any machine we know of has cores; the pool holds the count to the cores.
constexpr long maxThreads = 4096;
/// Far beyond what any body of the program's sizes holds together at.
constexpr double maxPressure = 1e6;

/// The options of a run of the whole scene, checked; false when the tool ends with the
/// command line's status.
bool readSceneOptions(ToolCommandLine& commandLine, SceneRun& run) {
    const bool scene = commandLine.has("--keys") || commandLine.has("--video") ||
                       commandLine.has("--save-scene") || !commandLine.operands().empty();
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
                               " takes the body alone, without --keys, --video, --save-scene or "
                               "a scene file");
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
        if (key.ctrl && key.key == SoKeyboardEvent::S) {
            commandLine.refuse("--keys: ctrl+s saves through the window's dialog, which a run "
                               "without a window has not; --save-scene FILE saves at the end");
            return false;
        }
    }
    run.videoFileName = commandLine.text("--video");
    run.textureFileName = commandLine.text("-tex");
    run.saveScenePath = commandLine.text("--save-scene");
    return true;
}

/// What the options given set over a scene file's values.
SceneOverrides sceneOverrides(const ToolCommandLine& commandLine, const SceneRun& run,
                              double pressure, const std::vector<int32_t>& pins, long arenaSeed) {
    SceneOverrides overrides;
    const auto number = [&commandLine](const char* name, std::optional<float>& value) {
        if (commandLine.has(name)) {
            value = commandLine.lenientNumber(name);
        }
    };
    number("-s", overrides.stiffness);
    number("-d", overrides.damping);
    number("-m", overrides.pointMass);
    number("-t", overrides.timeStep);
    if (commandLine.has("-pressure")) {
        overrides.firstPressure = static_cast<float>(pressure);
    }
    if (commandLine.has("-pin")) {
        overrides.firstPins = pins;
    }
    if (commandLine.has("-tex")) {
        overrides.firstPicture = run.textureFileName;
    }
    if (arenaSeed >= 0) {
        overrides.arenaSeed = static_cast<uint32_t>(arenaSeed);
    }
    if (commandLine.has("--keys")) {
        overrides.keys = commandLine.text("--keys");
    }
    return overrides;
}

/// One line of the energy file: the tick, the simulated time and the four energies of all the
/// bodies, then with several bodies each one's total.
void writeEnergyLine(std::ofstream& out, long tick, const std::vector<MpSystem*>& bodies,
                     float timeStep) {
    const BodyEnergy e = measureEnergy(bodies, arenaFloorHeight);
    char line[160];
    std::snprintf(line, sizeof line, "%ld,%.7g,%.9g,%.9g,%.9g,%.9g", tick,
                  static_cast<double>(tick) * timeStep, e.kinetic, e.spring, e.height, e.total());
    out << line;
    if (bodies.size() > 1) {
        for (const MpSystem* body : bodies) {
            std::snprintf(line, sizeof line, ",%.9g",
                          measureEnergy(*body, arenaFloorHeight).total());
            out << line;
        }
    }
    out << '\n';
}

std::string energyHeader(size_t bodies) {
    std::string header = "tick,time,kinetic,spring,height,total";
    if (bodies > 1) {
        for (size_t k = 1; k <= bodies; ++k) {
            header += ",body" + std::to_string(k);
        }
    }
    return header + "\n";
}

/// Reads the body of -add `addition` as the first was read, of `material` (its pressure, when
/// above 0, for a body whose file asks for none), and puts it in its place among the bodies of
/// `contacts` (which it joins); null, with the reason on standard error, when it cannot be read
/// or placed, or its surface cannot hold the pressure.
std::unique_ptr<MpSystem> addBody(const BodyAddition& addition, const BodyMaterial& material,
                                  CollisionWorld& contacts) {
    std::ifstream mesh;
    if (!openMeshFile(mesh, addition.file.c_str())) {
        return nullptr;
    }
    auto body = std::make_unique<MpSystem>(mesh, material.damping, material.pointMass,
                                           material.stiffness, addition.file.c_str());
    std::cerr << std::endl;
    if (!body->isLoaded()) {
        return nullptr;
    }
    const float asked = body->filePressure() > 0.0f ? body->filePressure() : material.pressure;
    if (!body->setPressure(asked)) {
        std::cerr << addition.file << ": " << body->pressureRefusal() << std::endl;
        return nullptr;
    }
    const std::string refusal =
        placeBody(*body, addition.placed ? &addition.centre : nullptr, contacts);
    if (!refusal.empty()) {
        std::cerr << addition.file << ": " << refusal << std::endl;
        return nullptr;
    }
    contacts.addBody(body.get());
    return body;
}

/// Writes body k (from 1) to its numbered output, in the form of `meshFileName`, the file it
/// was read from; false, with the line that says so, when it cannot.
bool writeOutput(const MpSystem& body, const std::string& meshFileName, const std::string& path) {
    std::ifstream original(meshFileName);
    std::ofstream out(path);
    if (!out || !writeBodyMesh(body, original, out) || !out.flush()) {
        std::cerr << "Cannot write `" << path << "'" << std::endl;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    ToolCommandLine commandLine("plimmerton-sim", simUsage,
                                {"-i",        "-d",      "-m",     "-s",       "-t",
                                 "-n",        "-arena",  "-o",     "-threads", "--energy",
                                 "--keys",    "--video", "--size", "--fps",    "-tex",
                                 "-pressure", "-pin",    "-add",   "-at",      "--save-scene"});
    commandLine.setFlags({"--stability", "--holding-pressure"});
    if (!commandLine.read(argc, argv)) {
        return commandLine.status();
    }
    // One operand may name a scene file, whose bodies take the place of -i's.
    const std::vector<std::string>& operands = commandLine.operands();
    if (!operands.empty() &&
        (operands.size() > 1 || commandLine.has("-i") || !isSceneFile(operands.front()))) {
        return commandLine.refuse("unexpected argument '" + operands.back() + "'");
    }
    if (operands.empty() && !commandLine.has("-i")) {
        return commandLine.refuse("missing option -i MESH");
    }
    long ticks = 100;
    long threads = 0;
    long arenaSeed = -1;
    SceneRun run;
    std::string problem;
    if (!readBodyAdditions(commandLine.given(), run.additions, problem)) {
        return commandLine.refuse(problem);
    }
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
    if (!operands.empty()) {
        run.scenePath = operands.front();
        run.overrides = sceneOverrides(commandLine, run, pressure, pins, arenaSeed);
        run.ticks = ticks;
        return runScene(run);
    }
    if (commandLine.has("--keys") || commandLine.has("--video") ||
        commandLine.has("--save-scene")) {
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
    const TickWorld tickWorld{balls, lights, *world, contacts};
    if (arenaSeed >= 0) {
        // The seeded layout reads no texture: the picture plays no part in contacts.
        layOutArena(world, contacts, static_cast<unsigned>(arenaSeed));
        addArenaFloor(contacts);
    }
    // The others in their order after the first, each placed among those before it; the
    // contacts forget them before they are destroyed.
    std::vector<std::unique_ptr<MpSystem>> others;
    const auto finish = [&](int status) {
        contacts.clearBodies();
        world->unref();
        return status;
    };
    const BodyMaterial additionMaterial{stiffness, damping, mass,
                                        commandLine.has("-pressure") ? body.pressure() : 0.0f};
    for (const BodyAddition& addition : run.additions) {
        others.push_back(addBody(addition, additionMaterial, contacts));
        if (!others.back()) {
            return finish(1);
        }
    }
    const std::vector<MpSystem*> bodies = contacts.bodies();
    if (commandLine.has("--stability")) {
        std::vector<StableTimeStep> bounds;
        std::vector<const StableTimeStep*> freeBodies;
        bounds.reserve(bodies.size());
        for (const MpSystem* each : bodies) {
            bounds.emplace_back(*each);
            freeBodies.push_back(&bounds.back());
        }
        std::cout << "stable time step " << sceneTimeStep(freeBodies, contacts) << std::endl;
        return finish(0);
    }
    const std::string energyName = commandLine.text("--energy");
    std::ofstream energy;
    if (!energyName.empty()) {
        energy.open(energyName);
        if (!energy) {
            std::cerr << "Cannot write `" << energyName << "'" << std::endl;
            return finish(1);
        }
        energy << energyHeader(bodies.size());
        writeEnergyLine(energy, 0, bodies, timeStep);
    }

    const std::vector<SbVec3f> startExtents = startingExtents(bodies);
    std::vector<double> tickMillis;
    tickMillis.reserve(static_cast<size_t>(ticks));
    for (long k = 0; k < ticks; ++k) {
        const auto start = std::chrono::steady_clock::now();
        runTick(tickWorld, timeStep);
        const auto end = std::chrono::steady_clock::now();
        tickMillis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (!energyName.empty()) {
            writeEnergyLine(energy, k + 1, bodies, timeStep);
        }
    }
    if (!energyName.empty() && !(energy.flush())) {
        std::cerr << "Cannot write `" << energyName << "'" << std::endl;
        return finish(1);
    }

    if (!outputName.empty()) {
        if (!writeOutput(body, meshFileName, outputName)) {
            return finish(1);
        }
        for (size_t k = 0; k < others.size(); ++k) {
            if (!writeOutput(*others[k], run.additions[k].file,
                             numberedOutput(outputName, static_cast<int>(k) + 2))) {
                return finish(1);
            }
        }
    }

    printRunReport(bodies, startExtents, ticks, std::move(tickMillis));
    return finish(0);
}
