// A body put back into a state it was in goes on exactly as it went on then; and the step says
// when its guard had to stop a point.

#include "mpsystem/BodyState.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace {

/// A sheet of 16 x 16 points on bumps around y = 1, its springs along the rows, the columns and
/// one diagonal: 705 springs, enough for a step plan of two parts. With `singleLengths` the
/// rest lengths are single-precision numbers, as the reader makes them; else they are not.
BodyMesh sheet(bool singleLengths) {
    const int side = 16;
    BodyMesh mesh;
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            const float bump = 0.1f * std::sin(0.7f * row) * std::cos(0.4f * column);
            mesh.positions.emplace_back(0.3f * column, 1.0f + bump, 0.3f * row);
            mesh.masses.push_back(row < side / 2 ? 0.5f : 0.75f);
            mesh.texCoords.emplace_back(0.0f, 0.0f);
        }
    }
    const auto join = [&](int a, int b) {
        mesh.springs.push_back(SpringEnds{a, b});
        const SbVec3f d = mesh.positions[a] - mesh.positions[b];
        const double length =
            std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]);
        mesh.restLengths.push_back(singleLengths ? double(static_cast<float>(length)) : length);
    };
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            const int i = row * side + column;
            if (column + 1 < side) {
                join(i, i + 1);
            }
            if (row + 1 < side) {
                join(i, i + side);
            }
            if (row + 1 < side && column + 1 < side) {
                join(i, i + side + 1);
            }
        }
    }
    mesh.pointMass = 0.5f;
    return mesh;
}

/// A closed ball: an octahedron whose triangles are split in four `levels` times, its points
/// pushed out onto a sphere of radius 1 around y = 1, wound outward; a spring on each edge,
/// its rest length in double precision.
/// Three levels give 258 points and 768 springs, enough for a step plan of two parts.
BodyMesh ball(int levels) {
    BodyMesh mesh;
    std::vector<SbVec3f> points = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                   {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
    std::vector<std::array<int32_t, 3>> triangles = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                                     {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<int32_t, int32_t>, int32_t> middles;
        const auto middle = [&](int32_t a, int32_t b) {
            const auto key = std::minmax(a, b);
            const auto found = middles.find(key);
            if (found != middles.end()) {
                return found->second;
            }
            SbVec3f m = points[a] + points[b];
            m.normalize();
            points.push_back(m);
            return middles[key] = static_cast<int32_t>(points.size() - 1);
        };
        std::vector<std::array<int32_t, 3>> split;
        for (const auto& t : triangles) {
            const int32_t ab = middle(t[0], t[1]);
            const int32_t bc = middle(t[1], t[2]);
            const int32_t ca = middle(t[2], t[0]);
            split.insert(split.end(),
                         {{t[0], ab, ca}, {ab, t[1], bc}, {ca, bc, t[2]}, {ab, bc, ca}});
        }
        triangles = split;
    }
    std::set<std::pair<int32_t, int32_t>> edges;
    for (const auto& t : triangles) {
        mesh.faceIndices.insert(mesh.faceIndices.end(), {t[0], t[1], t[2], -1});
        for (int k = 0; k < 3; ++k) {
            edges.insert(std::minmax(t[k], t[(k + 1) % 3]));
        }
    }
    for (const SbVec3f& p : points) {
        mesh.positions.push_back(p + SbVec3f(0, 1, 0));
        mesh.masses.push_back(0.5f);
        mesh.texCoords.emplace_back(0.0f, 0.0f);
    }
    for (const auto& [a, b] : edges) {
        mesh.springs.push_back(SpringEnds{a, b});
        const SbVec3f d = points[a] - points[b];
        mesh.restLengths.push_back(
            std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]));
    }
    mesh.pointMass = 0.5f;
    return mesh;
}

/// Tick k's pushes, as the contact pass and the keys would give them.
void push(MpSystem& body, int k) {
    for (int i = k % 7; i < body.numPoints(); i += 37) {
        body.addExternalForce(i, SbVec3f(4.0f * std::sin(0.3f * k), 2.0f, -1.5f));
    }
}

/// Everything the body shows after its ticks, to compare byte for byte.
struct Trace {
    std::vector<SbVec3f> positions;
    std::vector<SbVec3f> velocities;
    std::vector<double> lastLengths;
};

/// Runs ticks [first, last) of 0.012 s and traces the body after each.
std::vector<Trace> runTicks(MpSystem& body, int first, int last) {
    std::vector<Trace> traces;
    for (int k = first; k < last; ++k) {
        push(body, k);
        body.step(0.012f);
        Trace trace;
        trace.positions.assign(body.positions(), body.positions() + body.numPoints());
        trace.velocities.assign(body.velocities(), body.velocities() + body.numPoints());
        for (int s = 0; s < body.numSprings(); ++s) {
            trace.lastLengths.push_back(body.lastLength(s));
        }
        traces.push_back(trace);
    }
    return traces;
}

template <typename T> bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

void expectSameRun(const std::vector<Trace>& expected, const std::vector<Trace>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_TRUE(sameBytes(expected[k].positions, actual[k].positions)) << "tick " << k;
        EXPECT_TRUE(sameBytes(expected[k].velocities, actual[k].velocities)) << "tick " << k;
        EXPECT_TRUE(sameBytes(expected[k].lastLengths, actual[k].lastLengths)) << "tick " << k;
    }
}

struct StateCase {
    const char* name;
    bool singleLengths;
    int parts;
    /// A closed ball held by a gas, with pinned points, in place of the sheet.
    bool gasAndPins = false;
};

/// The case's body; one with a gas and pins has them as the values in force.
MpSystem* makeBody(const StateCase& c, float damping, float stiffness) {
    if (!c.gasAndPins) {
        return new MpSystem(sheet(c.singleLengths), damping, stiffness);
    }
    MpSystem* body = new MpSystem(ball(3), damping, stiffness);
    EXPECT_TRUE(body->setPressure(25.0f));
    for (int i : {0, 7, 130}) {
        body->setPinned(i, true);
    }
    return body;
}

class BodyStateRoundTrip : public testing::TestWithParam<StateCase> {};

// A run put back to a state taken mid-way (with forces gathered for the next step, after a
// body of other values, pressure and pins went its own way) continues bit for bit as the run
// that went straight on; and so does a twin body read from the same mesh and laid out for
// other threads, into which the state is put.
TEST_P(BodyStateRoundTrip, ARestoredRunContinuesBitForBit) {
    const StateCase& c = GetParam();
    std::unique_ptr<MpSystem> body(makeBody(c, 0.03f, 120.0f));
    body->splitStep(c.parts);
    ASSERT_EQ(body->stepPlan().parts(), c.parts);
    ASSERT_EQ(body->hasSingleLengths(), c.singleLengths);
    runTicks(*body, 0, 30);
    push(*body, 30);
    BodyState state(*body);
    body->captureState(state);
    const float pressure = body->pressure();
    const std::vector<int32_t> pins = body->pinnedPoints();
    const std::vector<Trace> straightOn = runTicks(*body, 31, 70);

    body->setStiffness(999.0f);
    body->setDamping(0.5f);
    body->setPointMass(3.0f);
    body->setPressure(c.gasAndPins ? 60.0f : 0.0f);
    body->setPinned(0, false);
    body->setPinned(5, true);
    runTicks(*body, 100, 120);
    const uint64_t pinChanges = body->pinChanges();
    body->restoreState(state);
    EXPECT_EQ(body->stiffness(), 120.0f);
    EXPECT_EQ(body->damping(), 0.03f);
    EXPECT_EQ(body->pointMass(), 0.5f);
    EXPECT_EQ(body->pressure(), pressure);
    EXPECT_EQ(body->pinnedPoints(), pins);
    EXPECT_GT(body->pinChanges(), pinChanges) << "the marker of the pins looks again";
    const std::vector<Trace> restored = runTicks(*body, 31, 70);
    expectSameRun(straightOn, restored);
    for (int32_t i : pins) {
        EXPECT_TRUE(sameBytes(std::vector<SbVec3f>{state.positions[i]},
                              std::vector<SbVec3f>{restored.back().positions[i]}))
            << "pinned point " << i << " held where the state had it";
    }

    std::unique_ptr<MpSystem> twin(makeBody(c, 0.0f, 0.0f));
    twin->setPressure(0.0f);
    twin->splitStep(c.parts == 1 ? 2 : 1);
    twin->restoreState(state);
    expectSameRun(straightOn, runTicks(*twin, 31, 70));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, BodyStateRoundTrip,
    testing::Values(StateCase{"single_one_part", true, 1}, StateCase{"single_two_parts", true, 2},
                    StateCase{"double_one_part", false, 1}, StateCase{"double_two_parts", false, 2},
                    StateCase{"gas_and_pins_one_part", false, 1, true},
                    StateCase{"gas_and_pins_two_parts", false, 2, true}),
    [](const testing::TestParamInfo<StateCase>& info) { return info.param.name; });

// The guard that stops a point whose new state would leave single precision is what tells a
// blow-up in the making: each step, plain or fast, says whether it had to.
TEST(BodyState, EachStepSaysWhetherItsGuardStoppedAPoint) {
    for (bool fast : {true, false}) {
        MpSystem body(sheet(true), 0.0f, 50.0f);
        const auto step = [&](float dt) { fast ? body.step(dt) : body.stepSequential(dt); };
        step(0.012f);
        EXPECT_FALSE(body.stoppedPoints()) << fast;
        body.addExternalForce(3, SbVec3f(3e38f, 0, 0));
        step(1e30f);
        EXPECT_TRUE(body.stoppedPoints()) << fast;
        step(0.012f);
        EXPECT_FALSE(body.stoppedPoints()) << fast;
    }
}

TEST(BodyState, TheBodysOwnSizeIsItsLargestSideAsMade) {
    const MpSystem body(sheet(true), 0.0f, 50.0f);
    EXPECT_FLOAT_EQ(body.restSize(), 0.3f * 15);
}

} // namespace
