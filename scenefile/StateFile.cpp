#include "scenefile/StateFile.h"

#include "common/Check.h"
#include "common/Finite.h"
#include "scenefile/FileBytes.h"
#include "scenefile/LittleEndian.h"

#include <zlib.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr size_t magicBytes = sizeof stateFileMagic - 1;
constexpr uint64_t bodyCountBytes = 8;
constexpr uint64_t pointBytes = 3 * 3 * 4;
constexpr uint64_t springBytes = 8;
constexpr uint64_t ballBytes = 4 * 3 * 4;
constexpr uint64_t checksumBytes = 4;

uint32_t crc32Of(std::string_view bytes) {
    return static_cast<uint32_t>(
        crc32_z(crc32_z(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

std::string plural(uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string hex(uint32_t x) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08" PRIx32, x);
    return text;
}

bool fail(std::string& problem, const std::string& what) {
    problem = what;
    return false;
}

bool checkVectors(const std::vector<SbVec3f>& values, const std::string& owner, const char* what,
                  std::string& problem) {
    for (size_t i = 0; i < values.size(); ++i) {
        if (!isFinite(values[i])) {
            return fail(problem, owner + " point " + std::to_string(i) + " has a " + what +
                                     " that is not a finite number");
        }
    }
    return true;
}

bool checkBall(const BallStateRecord& ball, const std::string& owner, std::string& problem) {
    if (!isFinite(ball.position) || !isFinite(ball.velocity) || !isFinite(ball.force)) {
        return fail(problem, owner + " has a position, velocity or force that is not finite");
    }
    for (int k = 0; k < 3; ++k) {
        if (!(ball.colour[k] >= 0 && ball.colour[k] <= 1)) {
            return fail(problem, owner + " has a colour outside 0 .. 1");
        }
    }
    return true;
}

/// The checks of the header and the counts, in the order that says most about a wrong file.
bool checkLayout(std::string_view bytes, const StateShape& expected, std::string& problem) {
    const size_t shown = std::min(bytes.size(), magicBytes);
    if (bytes.substr(0, shown) != std::string_view(stateFileMagic, shown)) {
        return fail(problem, "not a Plimmerton state file (it does not start with \"" +
                                 std::string(stateFileMagic) + "\")");
    }
    if (bytes.size() < stateHeaderBytes) {
        return fail(problem, "truncated: " + plural(bytes.size(), "byte", "bytes") +
                                 ", fewer than a state file's header takes (" +
                                 std::to_string(stateHeaderBytes) + ")");
    }
    LittleEndianReader header(bytes, magicBytes);
    const uint32_t version = header.u32();
    if (version == 0 || version > stateFormatVersion) {
        return fail(problem, "the state is of version " + std::to_string(version) +
                                 (version == 0 ? ", which no program writes"
                                               : ", newer than this program reads (" +
                                                     std::to_string(stateFormatVersion) + ")"));
    }
    const uint32_t bodies = header.u32();
    const uint32_t balls = header.u32();
    const uint32_t flags = header.u32();
    if (bodies != expected.bodies.size()) {
        return fail(problem, "the state holds " + plural(bodies, "body", "bodies") +
                                 ", the scene " + plural(expected.bodies.size(), "body", "bodies") +
                                 ": it belongs to another scene");
    }
    if (balls != static_cast<uint64_t>(expected.balls)) {
        return fail(problem, "the state holds " + plural(balls, "ball", "balls") + ", the scene " +
                                 plural(expected.balls, "ball", "balls") +
                                 ": it belongs to another scene");
    }
    if (flags != 0) {
        return fail(problem, "the state has flags this version does not know (" + hex(flags) + ")");
    }
    const uint64_t countsEnd = stateHeaderBytes + bodyCountBytes * bodies;
    if (bytes.size() < countsEnd) {
        return fail(problem, "truncated: " + plural(bytes.size(), "byte", "bytes") +
                                 ", fewer than the header and the bodies' counts take (" +
                                 std::to_string(countsEnd) + ")");
    }
    LittleEndianReader counts(bytes, stateHeaderBytes);
    for (uint32_t b = 0; b < bodies; ++b) {
        const uint32_t points = counts.u32();
        const uint32_t springs = counts.u32();
        const BodyShape& shape = expected.bodies[b];
        if (points != static_cast<uint64_t>(shape.points) ||
            springs != static_cast<uint64_t>(shape.springs)) {
            return fail(problem, "body " + std::to_string(b + 1) + " has " +
                                     plural(points, "point", "points") + " and " +
                                     plural(springs, "spring", "springs") +
                                     " in the state, in the scene " +
                                     plural(shape.points, "point", "points") + " and " +
                                     plural(shape.springs, "spring", "springs") +
                                     ": it belongs to other bodies");
        }
    }
    const uint64_t size = stateFileSize(expected);
    if (bytes.size() < size) {
        return fail(problem, "truncated: " + plural(bytes.size(), "byte", "bytes") + " of the " +
                                 std::to_string(size) + " its counts take");
    }
    if (bytes.size() > size) {
        return fail(problem, "longer than the " + std::to_string(size) +
                                 " bytes its counts take: something follows the state");
    }
    LittleEndianReader trailer(bytes, size - checksumBytes);
    const uint32_t stored = trailer.u32();
    const uint32_t computed = crc32Of(bytes.substr(0, size - checksumBytes));
    if (stored != computed) {
        return fail(problem, "checksum mismatch: the file was altered or damaged (stored " +
                                 hex(stored) + ", computed " + hex(computed) + ")");
    }
    return true;
}

void readVectors(LittleEndianReader& in, std::vector<SbVec3f>& values, size_t count) {
    values.resize(count);
    for (SbVec3f& v : values) {
        v = in.vec3f();
    }
}

} // namespace

StateShape shapeOf(const SimulationStateRecord& record) {
    StateShape shape;
    for (const BodyStateRecord& body : record.bodies) {
        shape.bodies.push_back({static_cast<int64_t>(body.positions.size()),
                                static_cast<int64_t>(body.lastLengths.size())});
    }
    shape.balls = static_cast<int64_t>(record.balls.size());
    return shape;
}

uint64_t stateFileSize(const StateShape& shape) {
    uint64_t size = stateHeaderBytes + bodyCountBytes * shape.bodies.size();
    for (const BodyShape& body : shape.bodies) {
        PLIMMERTON_CHECK(body.points >= 0 && body.points <= std::numeric_limits<uint32_t>::max() &&
                             body.springs >= 0 &&
                             body.springs <= std::numeric_limits<uint32_t>::max(),
                         "a body's counts fit the state file's");
        size += pointBytes * static_cast<uint64_t>(body.points) +
                springBytes * static_cast<uint64_t>(body.springs);
    }
    PLIMMERTON_CHECK(shape.balls >= 0 && shape.balls <= std::numeric_limits<uint32_t>::max(),
                     "the ball count fits the state file's");
    return size + ballBytes * static_cast<uint64_t>(shape.balls) + checksumBytes;
}

bool checkStateValues(const SimulationStateRecord& record, std::string& problem) {
    if (record.ticksRun < 0 || !std::isfinite(record.simulatedTime) || record.simulatedTime < 0) {
        return fail(problem, "the tick count or the simulated time is negative or not finite");
    }
    for (size_t b = 0; b < record.bodies.size(); ++b) {
        const BodyStateRecord& body = record.bodies[b];
        const std::string owner = "body " + std::to_string(b + 1);
        if (!checkVectors(body.positions, owner, "position", problem) ||
            !checkVectors(body.velocities, owner, "velocity", problem) ||
            !checkVectors(body.externalForces, owner, "force", problem)) {
            return false;
        }
        for (size_t s = 0; s < body.lastLengths.size(); ++s) {
            if (!(body.lastLengths[s] >= 0) || !std::isfinite(body.lastLengths[s])) {
                return fail(problem, owner + " spring " + std::to_string(s) +
                                         " has a last length that is negative or not finite");
            }
        }
    }
    for (size_t k = 0; k < record.balls.size(); ++k) {
        if (!checkBall(record.balls[k], "ball " + std::to_string(k + 1), problem)) {
            return false;
        }
    }
    return true;
}

std::string stateBytes(const SimulationStateRecord& record) {
    const StateShape shape = shapeOf(record);
    std::string out;
    out.reserve(stateFileSize(shape));
    out.append(stateFileMagic, magicBytes);
    putU32(out, stateFormatVersion);
    putU32(out, static_cast<uint32_t>(record.bodies.size()));
    putU32(out, static_cast<uint32_t>(record.balls.size()));
    putU32(out, 0);
    putU64(out, static_cast<uint64_t>(record.ticksRun));
    putF64(out, record.simulatedTime);
    for (const BodyShape& body : shape.bodies) {
        putU32(out, static_cast<uint32_t>(body.points));
        putU32(out, static_cast<uint32_t>(body.springs));
    }
    for (const BodyStateRecord& body : record.bodies) {
        PLIMMERTON_CHECK(body.velocities.size() == body.positions.size() &&
                             body.externalForces.size() == body.positions.size(),
                         "a body's state has one velocity and one force for each point");
        for (const auto* values : {&body.positions, &body.velocities, &body.externalForces}) {
            for (const SbVec3f& v : *values) {
                putVec3f(out, v);
            }
        }
        for (const double length : body.lastLengths) {
            putF64(out, length);
        }
    }
    for (const BallStateRecord& ball : record.balls) {
        putVec3f(out, ball.position);
        putVec3f(out, ball.velocity);
        putVec3f(out, ball.force);
        putVec3f(out, ball.colour);
    }
    putU32(out, crc32Of(out));
    return out;
}

bool readStateBytes(std::string_view bytes, const StateShape& expected,
                    SimulationStateRecord& record, std::string& problem) {
    if (!checkLayout(bytes, expected, problem)) {
        return false;
    }
    LittleEndianReader in(bytes, magicBytes + 16);
    SimulationStateRecord read;
    const uint64_t ticks = in.u64();
    if (ticks > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return fail(problem, "the tick count " + std::to_string(ticks) + " is out of range");
    }
    read.ticksRun = static_cast<int64_t>(ticks);
    read.simulatedTime = in.f64();
    in = LittleEndianReader(bytes, stateHeaderBytes + bodyCountBytes * expected.bodies.size());
    read.bodies.resize(expected.bodies.size());
    for (size_t b = 0; b < expected.bodies.size(); ++b) {
        BodyStateRecord& body = read.bodies[b];
        const auto points = static_cast<size_t>(expected.bodies[b].points);
        readVectors(in, body.positions, points);
        readVectors(in, body.velocities, points);
        readVectors(in, body.externalForces, points);
        body.lastLengths.resize(static_cast<size_t>(expected.bodies[b].springs));
        for (double& length : body.lastLengths) {
            length = in.f64();
        }
    }
    read.balls.resize(static_cast<size_t>(expected.balls));
    for (BallStateRecord& ball : read.balls) {
        ball.position = in.vec3f();
        ball.velocity = in.vec3f();
        ball.force = in.vec3f();
        ball.colour = in.vec3f();
    }
    if (!checkStateValues(read, problem)) {
        return false;
    }
    record = std::move(read);
    return true;
}

bool writeStateFile(const std::string& path, const SimulationStateRecord& record,
                    std::string& problem) {
    if (!checkStateValues(record, problem) || !writeFileBytes(path, stateBytes(record), problem)) {
        problem = path + ": " + problem;
        return false;
    }
    return true;
}

bool readStateFile(const std::string& path, const StateShape& expected,
                   SimulationStateRecord& record, std::string& problem) {
    std::string bytes;
    // One byte more than the state takes tells a longer file from one of the right length.
    const uint64_t limit = stateFileSize(expected) + 1;
    if (!readFileBytes(path, static_cast<int64_t>(limit), bytes, problem) ||
        !readStateBytes(bytes, expected, record, problem)) {
        problem = path + ": " + problem;
        return false;
    }
    return true;
}
