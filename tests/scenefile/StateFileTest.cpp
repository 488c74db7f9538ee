// State files: the exact state back to the bit, the layout other readers rely on, and every
// kind of wrong file refused with what is wrong before anything is allocated for it.

#include "scenefile/StateFile.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

namespace fs = std::filesystem;

namespace {

float anyFinite(std::mt19937& random) {
    for (;;) {
        const uint32_t bits = static_cast<uint32_t>(random());
        float x = 0;
        std::memcpy(&x, &bits, sizeof x);
        if (std::isfinite(x)) {
            return x;
        }
    }
}

SbVec3f anyVector(std::mt19937& random) {
    return SbVec3f(anyFinite(random), anyFinite(random), anyFinite(random));
}

/// Two bodies of odd sizes and two balls, every value a random bit pattern.
SimulationStateRecord randomRecord(std::mt19937& random) {
    SimulationStateRecord record;
    record.ticksRun = 500;
    record.simulatedTime = 500 * static_cast<double>(0.012f);
    for (const auto& [points, springs] : {std::pair{7, 18}, std::pair{3, 0}}) {
        BodyStateRecord body;
        for (int i = 0; i < points; ++i) {
            body.positions.push_back(anyVector(random));
            body.velocities.push_back(anyVector(random));
            body.externalForces.push_back(anyVector(random));
        }
        for (int s = 0; s < springs; ++s) {
            body.lastLengths.push_back(std::ldexp(static_cast<double>(random()), -20));
        }
        record.bodies.push_back(body);
    }
    record.balls.push_back({anyVector(random), anyVector(random), anyVector(random), {1, 0, 0}});
    record.balls.push_back({anyVector(random), anyVector(random), anyVector(random), {0, 0, 1}});
    return record;
}

/// The bytes with their checksum made right again, so that a check after it is reached.
std::string withChecksum(std::string bytes) {
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size() - 4));
    for (int k = 0; k < 4; ++k) {
        bytes[bytes.size() - 4 + k] = static_cast<char>(crc >> (8 * k));
    }
    return bytes;
}

void putU32At(std::string& bytes, size_t at, uint32_t x) {
    for (int k = 0; k < 4; ++k) {
        bytes[at + k] = static_cast<char>(x >> (8 * k));
    }
}

struct BadState {
    const char* name;
    std::function<void(std::string& bytes, StateShape& expected)> change;
    const char* message;
};

void PrintTo(const BadState& state, std::ostream* out) {
    *out << state.name;
}

class BadStateTest : public testing::TestWithParam<BadState> {};

// The record's layout: header 40, counts 16, body 1 at 56 (7 points: 252 bytes, 18 springs:
// 144), body 2 at 452 (3 points: 108), balls at 560 (96), checksum at 656, 660 in all.

} // namespace

TEST(StateFileTest, AStateReadsBackToTheBitAndWritesTheSameBytes) {
    std::mt19937 random(30);
    const SimulationStateRecord record = randomRecord(random);
    const std::string bytes = stateBytes(record);
    ASSERT_EQ(bytes.size(), 660u);
    ASSERT_EQ(bytes.size(), stateFileSize(shapeOf(record)));
    SimulationStateRecord read;
    std::string problem;
    ASSERT_TRUE(readStateBytes(bytes, shapeOf(record), read, problem)) << problem;
    EXPECT_EQ(stateBytes(read), bytes);
    EXPECT_EQ(read.ticksRun, 500);
    EXPECT_EQ(read.simulatedTime, record.simulatedTime);
    ASSERT_EQ(read.bodies.size(), 2u);
    EXPECT_EQ(std::memcmp(read.bodies[0].externalForces.data(),
                          record.bodies[0].externalForces.data(), 7 * sizeof(SbVec3f)),
              0);
    EXPECT_EQ(read.bodies[0].lastLengths, record.bodies[0].lastLengths);
    EXPECT_EQ(read.balls[1].colour, SbVec3f(0, 0, 1));
}

TEST(StateFileTest, TheLayoutIsLittleEndianAsDocumented) {
    SimulationStateRecord record;
    record.ticksRun = 0x0102030405060708;
    record.simulatedTime = 1.5;
    record.bodies.push_back({{SbVec3f(1, 2, 3)}, {SbVec3f(0, 0, 0)}, {SbVec3f(0, 0, 0)}, {}});
    const std::string bytes = stateBytes(record);
    const std::string expectedHeader("PLMSTATE\x01\0\0\0\x01\0\0\0\0\0\0\0\0\0\0\0"
                                     "\x08\x07\x06\x05\x04\x03\x02\x01"
                                     "\0\0\0\0\0\0\xf8\x3f"
                                     "\x01\0\0\0\0\0\0\0"
                                     "\0\0\x80\x3f",
                                     52);
    EXPECT_EQ(bytes.substr(0, 52), expectedHeader);
    ASSERT_EQ(bytes.size(), 40u + 8 + 36 + 4);
    EXPECT_EQ(bytes, withChecksum(bytes));
}

TEST_P(BadStateTest, IsRefusedWithWhatIsWrong) {
    std::mt19937 random(30);
    const SimulationStateRecord original = randomRecord(random);
    std::string bytes = stateBytes(original);
    StateShape expected = shapeOf(original);
    GetParam().change(bytes, expected);
    SimulationStateRecord record;
    record.ticksRun = 7;
    std::string problem;
    EXPECT_FALSE(readStateBytes(bytes, expected, record, problem));
    EXPECT_EQ(problem, GetParam().message);
    EXPECT_EQ(record.ticksRun, 7) << "a refused state leaves the record as it was";
}

INSTANTIATE_TEST_SUITE_P(
    States, BadStateTest,
    testing::Values(
        BadState{"Empty", [](std::string& b, StateShape&) { b.clear(); },
                 "truncated: 0 bytes, fewer than a state file's header takes (40)"},
        BadState{"CutInTheMagic", [](std::string& b, StateShape&) { b.resize(5); },
                 "truncated: 5 bytes, fewer than a state file's header takes (40)"},
        BadState{"CutInTheCounts", [](std::string& b, StateShape&) { b.resize(50); },
                 "truncated: 50 bytes, fewer than the header and the bodies' counts take (56)"},
        BadState{"CutByOneByte", [](std::string& b, StateShape&) { b.pop_back(); },
                 "truncated: 659 bytes of the 660 its counts take"},
        BadState{"TrailingBytes", [](std::string& b, StateShape&) { b += "\n"; },
                 "longer than the 660 bytes its counts take: something follows the state"},
        BadState{"Foreign", [](std::string& b, StateShape&) { b = "version = 1\n"; },
                 "not a Plimmerton state file (it does not start with \"PLMSTATE\")"},
        BadState{"NewerVersion", [](std::string& b, StateShape&) { putU32At(b, 8, 2); },
                 "the state is of version 2, newer than this program reads (1)"},
        BadState{"VersionZero", [](std::string& b, StateShape&) { putU32At(b, 8, 0); },
                 "the state is of version 0, which no program writes"},
        BadState{"OtherBodyCount", [](std::string&, StateShape& e) { e.bodies.push_back({}); },
                 "the state holds 2 bodies, the scene 3 bodies: it belongs to another scene"},
        BadState{"OtherBallCount", [](std::string&, StateShape& e) { e.balls = 1; },
                 "the state holds 2 balls, the scene 1 ball: it belongs to another scene"},
        BadState{"OtherPointCount", [](std::string&, StateShape& e) { e.bodies[1].points = 4; },
                 "body 2 has 3 points and 0 springs in the state, in the scene 4 points and 0 "
                 "springs: it belongs to other bodies"},
        BadState{"HugeCounts", [](std::string& b, StateShape&) { putU32At(b, 48, 0xffffffff); },
                 "body 2 has 4294967295 points and 0 springs in the state, in the scene 3 points "
                 "and 0 springs: it belongs to other bodies"},
        BadState{"AlteredPosition", [](std::string& b, StateShape&) { b[100] ^= 1; },
                 "checksum mismatch: the file was altered or damaged (stored 0x65428606, "
                 "computed 0xb3198913)"},
        BadState{"UnknownFlags",
                 [](std::string& b, StateShape&) {
                     putU32At(b, 20, 4);
                     b = withChecksum(b);
                 },
                 "the state has flags this version does not know (0x00000004)"},
        BadState{"NanVelocity",
                 [](std::string& b, StateShape&) {
                     putU32At(b, 56 + 84 + 12, 0x7fc00000);
                     b = withChecksum(b);
                 },
                 "body 1 point 1 has a velocity that is not a finite number"},
        BadState{"NegativeLastLength",
                 [](std::string& b, StateShape&) {
                     b[56 + 252 + 7] = static_cast<char>(0xbf);
                     b = withChecksum(b);
                 },
                 "body 1 spring 0 has a last length that is negative or not finite"},
        BadState{"BallColourAboveOne",
                 [](std::string& b, StateShape&) {
                     putU32At(b, 560 + 36, 0x40000000);
                     b = withChecksum(b);
                 },
                 "ball 1 has a colour outside 0 .. 1"}),
    [](const testing::TestParamInfo<BadState>& info) { return std::string(info.param.name); });

TEST(StateFileTest, FilesAreWrittenWholeAndReadNoFurtherThanTheirCounts) {
    std::mt19937 random(3);
    SimulationStateRecord record = randomRecord(random);
    const fs::path path =
        fs::temp_directory_path() / ("plimmerton-state-" + std::to_string(::getpid()) + ".state");
    std::string problem;
    ASSERT_TRUE(writeStateFile(path.string(), record, problem)) << problem;
    SimulationStateRecord read;
    EXPECT_TRUE(readStateFile(path.string(), shapeOf(record), read, problem)) << problem;
    EXPECT_EQ(stateBytes(read), stateBytes(record));

    record.bodies[1].positions[2][0] = INFINITY;
    EXPECT_FALSE(writeStateFile(path.string(), record, problem));
    EXPECT_EQ(problem,
              path.string() + ": body 2 point 2 has a position that is not a finite number");
    EXPECT_TRUE(readStateFile(path.string(), shapeOf(read), read, problem))
        << "the refused write left the file as it was";
    fs::remove(path);

    EXPECT_FALSE(readStateFile("/dev/zero", shapeOf(record), read, problem));
    EXPECT_EQ(problem, "/dev/zero: not a Plimmerton state file (it does not start with "
                       "\"PLMSTATE\")");
}
