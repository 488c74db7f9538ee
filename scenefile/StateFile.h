#pragma once

#include "scenefile/SimulationStateRecord.h"

#include <cstdint>
#include <string>
#include <string_view>

/// The first eight bytes of every state file.
constexpr char stateFileMagic[] = "PLMSTATE";
/// The version of the state file layout that this program writes and the newest it reads.
constexpr uint32_t stateFormatVersion = 1;
/// The header before the bodies' counts: magic, version, counts of bodies and balls, flags,
/// tick count, simulated time.
constexpr uint64_t stateHeaderBytes = 40;

/// The length in bytes of the state file of a simulation of this shape (docs/scene-format.md
/// gives the layout).
uint64_t stateFileSize(const StateShape& shape);

/// False, with `problem` naming the first, when a value of `record` is not one a simulation
/// can hold: a position, velocity or force that is not finite, a last length that is negative
/// or not finite, a colour outside 0 .. 1, a negative tick count or simulated time.
bool checkStateValues(const SimulationStateRecord& record, std::string& problem);

/// The bytes of the state file that holds `record`: little-endian, with a header and a CRC-32
/// at the end. The record's arrays must agree in length for each body.
std::string stateBytes(const SimulationStateRecord& record);

/// Reads the bytes of a state file that must hold the state of a simulation of the shape
/// `expected`. Refuses, with `problem` saying why (without a file name) and `record` as it was,
/// a file that is not a state file, one of a newer version, one whose counts do not match
/// `expected` (it belongs to other bodies), a truncated one, one longer than its counts take,
/// one whose checksum does not match its contents, and one holding values checkStateValues
/// refuses. Nothing is allocated before the length is known to match the counts.
bool readStateBytes(std::string_view bytes, const StateShape& expected,
                    SimulationStateRecord& record, std::string& problem);

/// Writes `record` to the state file at `path`, whole or not at all. False, with `problem`
/// saying why, when it cannot be written or holds values that could not be read back.
bool writeStateFile(const std::string& path, const SimulationStateRecord& record,
                    std::string& problem);

/// Reads the state file at `path` as readStateBytes does, reading no more of the file than a
/// state of shape `expected` takes. `problem` starts with the path.
bool readStateFile(const std::string& path, const StateShape& expected,
                   SimulationStateRecord& record, std::string& problem);
