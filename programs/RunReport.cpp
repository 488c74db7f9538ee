#include "programs/RunReport.h"

#include "bodyoutput/PositionChecksum.h"

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

} // namespace

void printRunReport(const SbVec3f* positions, int points, long ticks,
                    std::vector<double> tickMillis) {
    char checksum[17];
    std::snprintf(checksum, sizeof checksum, "%016" PRIx64, positionChecksum(positions, points));
    std::cout << "points " << points << std::endl;
    std::cout << "ticks " << ticks << std::endl;
    std::cout << "checksum " << checksum << std::endl;
    if (!tickMillis.empty()) {
        std::cout << "median tick " << median(std::move(tickMillis)) << " ms" << std::endl;
    }
}
