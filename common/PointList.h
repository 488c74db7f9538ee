#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// Reads a list of point indices as the command lines give them, "I,J,...": whole numbers of 0
/// or more separated by commas, without blanks. Returns false, with `problem` saying what is
/// wrong ("'x' is not a point index"), for anything else, an empty list among it; `points` then
/// holds what came before. Indices beyond 32 bits are refused; repeats are kept.
bool parsePointList(const std::string& text, std::vector<int32_t>& points, std::string& problem);
