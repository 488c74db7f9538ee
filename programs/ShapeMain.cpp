// plimmerton-shape: compares a body after a run with the body as it was prepared, as the
// numbers a prepared model has to hold: its shape, its rest on the floor, its place in the arena.

#include "common/ToolCommandLine.h"
#include "mpsystem/MpSystem.h"
#include "prepare/PrincipalExtents.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* usage = "Usage: plimmerton-shape PREPARED.toff FINAL.toff\n"
                    "       plimmerton-shape --help | --version\n"
                    "\n"
                    "Compares the body FINAL (written by plimmerton-sim -o after a run) with the\n"
                    "body PREPARED it started as. Prints the principal extents of both (square\n"
                    "roots of the eigenvalues of the points' covariance, largest first), their\n"
                    "ratios, the lowest point's height above the floor (y = -15), and whether\n"
                    "every point is finite and inside the arena (|x|, |z| < 16, y > -16).\n"
                    "When the body's surface is closed, also the volume it encloses before and\n"
                    "after and their ratio.\n"
                    "Status 0 when every ratio is at least 0.6, the lowest point lies within one\n"
                    "unit of the floor and every point is finite and inside; else 3. A body that\n"
                    "cannot be read gives status 1, a wrong command line status 2.";

constexpr float floorHeight = -15.0f;
constexpr float arenaReach = 16.0f;

std::unique_ptr<MpSystem> readBody(const char* path) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << path << ": cannot be read" << std::endl;
        return nullptr;
    }
    // The reader's progress would bury the figures.
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.0f, 1.0f, 0.0f);
    std::cerr.rdbuf(progress);
    if (!body->isLoaded()) {
        std::cerr << path << ": " << body->loadError() << std::endl;
        return nullptr;
    }
    return body;
}

} // namespace

int main(int argc, char** argv) {
    ToolCommandLine commandLine("plimmerton-shape", usage, {});
    if (!commandLine.read(argc, argv)) {
        return commandLine.status();
    }
    const std::vector<std::string>& files = commandLine.operands();
    if (files.size() < 2) {
        return commandLine.refuse(files.empty() ? "missing PREPARED.toff and FINAL.toff"
                                                : "missing FINAL.toff");
    }
    if (files.size() > 2) {
        return commandLine.refuse("unexpected argument '" + files[2] + "'");
    }
    const char* preparedName = files[0].c_str();
    const char* finalName = files[1].c_str();
    const auto before = readBody(preparedName);
    const auto after = readBody(finalName);
    if (!before || !after) {
        return 1;
    }
    if (before->numPoints() != after->numPoints()) {
        std::cerr << finalName << ": not the same body as " << preparedName << std::endl;
        return 1;
    }
    const auto e0 = principalExtents(before->positions(), before->numPoints());
    const auto e1 = principalExtents(after->positions(), after->numPoints());
    bool inside = true;
    float lowest = INFINITY;
    for (int i = 0; i < after->numPoints(); ++i) {
        const SbVec3f& p = after->positions()[i];
        inside = inside && std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) &&
                 std::fabs(p[0]) < arenaReach && std::fabs(p[2]) < arenaReach && p[1] > -arenaReach;
        lowest = std::min(lowest, p[1]);
    }
    double worst = 1e30;
    std::cout << std::fixed << std::setprecision(3);
    std::cout << "extents before " << e0[0] << " " << e0[1] << " " << e0[2] << std::endl;
    std::cout << "extents after " << e1[0] << " " << e1[1] << " " << e1[2] << std::endl;
    std::cout << "ratios";
    for (int k = 0; k < 3; ++k) {
        const double ratio = e0[k] > 0 ? e1[k] / e0[k] : 0.0;
        worst = std::min(worst, ratio);
        std::cout << " " << ratio;
    }
    std::cout << std::endl;
    if (before->pressureProblem().empty()) {
        const double v0 = before->volume();
        const double v1 = after->volume();
        std::cout << "volume before " << v0 << std::endl;
        std::cout << "volume after " << v1 << std::endl;
        std::cout << "volume ratio " << (v0 != 0 ? v1 / v0 : 0.0) << std::endl;
    }
    const float aboveFloor = lowest - floorHeight;
    std::cout << "lowest above floor " << aboveFloor << std::endl;
    std::cout << "finite and inside " << (inside ? "yes" : "no") << std::endl;
    const bool holds = worst >= 0.6 && std::fabs(aboveFloor) <= 1.0f && inside;
    std::cout << "holds " << (holds ? "yes" : "no") << std::endl;
    return holds ? 0 : 3;
}
