// Bodies in the arena that press on each other and on themselves: what a user sees.

#include "BodiesRun.h"
#include "CoinEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int layerColumns = 20;
constexpr int uprightColumns = 4;
constexpr int rows = 7;
constexpr float spacing = 0.25f;

/// A sheet `rows` points wide folded like a C, as mesh text: a layer lying at height y along
/// -x, an upright at x = 0 and a layer above the first, `spacing` between neighbours. Struts
/// from each point to the next but one along and across the sheet stiffen it against bending,
/// except at the two folds.
std::string foldedSheet(float y) {
    std::vector<SbVec3f> path;
    for (int k = 0; k <= layerColumns; ++k) {
        path.emplace_back(-spacing * (layerColumns - k), y, 0);
    }
    for (int m = 1; m <= uprightColumns; ++m) {
        path.emplace_back(0, y + spacing * m, 0);
    }
    // Half a spacing along, so that the upper layer's points lie over the lower one's hollows.
    for (int k = 1; k <= layerColumns; ++k) {
        path.emplace_back(-spacing * (k - 0.5f), y + spacing * uprightColumns, 0);
    }
    const int columns = static_cast<int>(path.size());
    std::ostringstream faces;
    int count = 0;
    for (int i = 0; i + 1 < columns; ++i) {
        for (int j = 0; j + 1 < rows; ++j) {
            const int a = rows * i + j;
            faces << "3 " << a << ' ' << a + rows << ' ' << a + 1 << '\n';
            faces << "3 " << a + 1 << ' ' << a + rows << ' ' << a + rows + 1 << '\n';
            count += 2;
        }
    }
    for (int i = 0; i + 2 < columns; ++i) {
        const bool fold = i + 1 == layerColumns || i + 1 == layerColumns + uprightColumns;
        for (int j = 0; j < rows && !fold; ++j, ++count) {
            faces << "2 " << rows * i + j << ' ' << rows * (i + 2) + j << '\n';
        }
        for (int j = 0; j + 2 < rows; ++j, ++count) {
            faces << "2 " << rows * i + j << ' ' << rows * i + j + 2 << '\n';
        }
    }
    std::ostringstream off;
    off << "OFF\n" << rows * columns << ' ' << count << " 0\n";
    for (const SbVec3f& p : path) {
        for (int j = 0; j < rows; ++j) {
            off << p[0] << ' ' << p[1] << ' ' << j * spacing << '\n';
        }
    }
    off << faces.str();
    return off.str();
}

/// How many times, over 18 simulated seconds, a point of the upper layer was found below a
/// point inside the lower layer that it lay over (closer than half a spacing across the
/// ground). Points near the folds are left out: they belong to one stretch of fabric.
int crossings(bool selfContacts) {
    BodiesRun run(1);
    run.contacts().bodyContacts().setSelfContacts(selfContacts);
    MpSystem& sheet = run.add(foldedSheet(-14.9f), SbVec3f(0, 0, 3), 0.04f, 0.3f, 85);
    int crossed = 0;
    for (int tick = 0; tick < 1500; ++tick) {
        run.tick(0.012f);
        if (tick % 10 != 0) {
            continue;
        }
        for (int u = layerColumns + uprightColumns + 6; u <= 2 * layerColumns + uprightColumns;
             ++u) {
            for (int l = 1; l < layerColumns - 6; ++l) {
                for (int j = 0; j < rows; ++j) {
                    for (int m = 1; m + 1 < rows; ++m) {
                        const SbVec3f& p = sheet.positions()[rows * u + j];
                        const SbVec3f& q = sheet.positions()[rows * l + m];
                        const float dx = p[0] - q[0];
                        const float dz = p[2] - q[2];
                        if (dx * dx + dz * dz < 0.25f * spacing * spacing && p[1] < q[1]) {
                            ++crossed;
                        }
                    }
                }
            }
        }
    }
    return crossed;
}

} // namespace

TEST(BodiesInArena, ASheetFoldedOntoItselfFallsMostlyOnItself) {
    // Without contacts of its own, its upper layer falls through the lower one to the floor;
    // with them, a few of its points are pressed through where it lands.
    const int through = crossings(false);
    EXPECT_GT(through, 1000);
    EXPECT_LT(crossings(true), through / 5);
}

TEST(BodiesInArena, ABundledBallSetOnAnotherStaysOnTopInItsShapeThoughItSinksIn) {
    // The run script's options. The lower ball lands and comes to rest; the second is put
    // half a unit above it and let go.
    BodiesRun run(1);
    const std::string ball = dataFile("ball.toff");
    MpSystem& lower = run.add(ball, SbVec3f(0, 0, 0), 0.04f, 0.3f, 85);
    const SbVec3f size = extentOf(lower);
    for (int tick = 0; tick < 1000; ++tick) {
        run.tick(0.012f);
    }
    float top = lower.positions()[0][1];
    for (int i = 0; i < lower.numPoints(); ++i) {
        top = std::max(top, lower.positions()[i][1]);
    }
    // The file's ball reaches 4 above its centre, at y = 0.
    MpSystem& upper = run.add(ball, SbVec3f(0, top + 0.5f + 4, 0), 0.04f, 0.3f, 85);
    for (int tick = 0; tick < 4000; ++tick) {
        run.tick(0.012f);
    }
    SbVec3f centres[2] = {SbVec3f(0, 0, 0), SbVec3f(0, 0, 0)};
    float fastest = 0;
    int inside = 0;
    for (int k = 0; k < 2; ++k) {
        const MpSystem& body = run.body(k);
        const SbVec3f kept = extentOf(body);
        for (int a = 0; a < 3; ++a) {
            EXPECT_GT(kept[a], 0.8f * size[a]) << "body " << k << ", axis " << a;
        }
        for (int i = 0; i < body.numPoints(); ++i) {
            centres[k] += body.positions()[i] / static_cast<float>(body.numPoints());
            fastest = std::max(fastest, body.velocities()[i].length());
        }
    }
    for (int i = 0; i < upper.numPoints(); ++i) {
        inside += isInside(lower, upper.positions()[i]) ? 1 : 0;
    }
    EXPECT_LT(fastest, 1.0f) << "at rest";
    // Spheres of half a spring let the soft shells' points through each other where they press:
    // the upper ball sinks into the lower one, a quarter of its points inside, but rests above
    // its centre rather than falling through or rolling off.
    EXPECT_GT(centres[1][1] - centres[0][1], 0.5f);
    EXPECT_LT(std::fabs(centres[1][0] - centres[0][0]), 1.0f);
    EXPECT_LT(inside, upper.numPoints() / 3);
}
