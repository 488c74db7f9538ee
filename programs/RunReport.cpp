#include "programs/RunReport.h"

#include "bodyoutput/BodyMeasures.h"
#include "bodyoutput/PositionChecksum.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <iostream>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Body k: "body 2 points 642 extent 7.952 7.401 7.952 kept 0.994 0.925 0.994 inside 0".
void printBodyLine(const std::vector<MpSystem*>& bodies, size_t k, const SbVec3f& start) {
    const MpSystem& body = *bodies[k];
    const SbVec3f extent = extentOf(body);
    int inside = 0;
    for (size_t other = 0; other < bodies.size(); ++other) {
        if (other != k) {
            inside += pointsInside(*bodies[other], body);
        }
    }
    char line[200];
    std::snprintf(line, sizeof line, "body %zu points %d extent %.3f %.3f %.3f kept", k + 1,
                  body.numPoints(), extent[0], extent[1], extent[2]);
    std::cout << line;
    for (int a = 0; a < 3; ++a) {
        std::snprintf(line, sizeof line, " %.3f", start[a] > 0 ? extent[a] / start[a] : 0.0);
        std::cout << line;
    }
    std::cout << " inside " << inside << std::endl;
}

} // namespace

std::vector<SbVec3f> startingExtents(const std::vector<MpSystem*>& bodies) {
    std::vector<SbVec3f> extents;
    for (const MpSystem* body : bodies) {
        extents.push_back(extentOf(*body));
    }
    return extents;
}

void printRunReport(const std::vector<MpSystem*>& bodies, const std::vector<SbVec3f>& startExtents,
                    long ticks, std::vector<double> tickMillis) {
    long points = 0;
    for (const MpSystem* body : bodies) {
        points += body->numPoints();
    }
    char checksum[17];
    std::snprintf(checksum, sizeof checksum, "%016" PRIx64, bodiesChecksum(bodies));
    std::cout << "points " << points << std::endl;
    std::cout << "ticks " << ticks << std::endl;
    std::cout << "checksum " << checksum << std::endl;
    if (!tickMillis.empty()) {
        std::cout << "median tick " << median(std::move(tickMillis)) << " ms" << std::endl;
    }
    if (bodies.size() < 2) {
        return;
    }
    std::cout << "bodies " << bodies.size() << std::endl;
    for (size_t k = 0; k < bodies.size(); ++k) {
        printBodyLine(bodies, k, k < startExtents.size() ? startExtents[k] : SbVec3f(0, 0, 0));
    }
}
