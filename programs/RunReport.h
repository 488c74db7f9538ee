#pragma once

#include <Inventor/SbVec3f.h>

#include <vector>

class MpSystem;

/// The extent of each body when a run starts, to report what each kept of it.
std::vector<SbVec3f> startingExtents(const std::vector<MpSystem*>& bodies);

/// Writes what a run of plimmerton-sim reports on standard output: the points of all the
/// bodies, the ticks, the checksum of the final positions (bodiesChecksum: with one body its
/// own) and, when there were ticks, the median time of one. With several bodies, then the
/// bodies' count and a line for each: its points, its extent, what it kept of `startExtents`,
/// and how many of its points lie inside another body.
void printRunReport(const std::vector<MpSystem*>& bodies, const std::vector<SbVec3f>& startExtents,
                    long ticks, std::vector<double> tickMillis);
