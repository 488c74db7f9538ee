#pragma once

#include <Inventor/SbVec3f.h>

#include <vector>

/// Writes what a run of plimmerton-sim reports on standard output: the points, the ticks, the
/// checksum of the final positions and, when there were ticks, the median time of one.
void printRunReport(const SbVec3f* positions, int points, long ticks,
                    std::vector<double> tickMillis);
