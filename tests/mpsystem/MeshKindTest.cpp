#include "mpsystem/MeshKind.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

struct KindCase {
    const char* name;
    const char* text;
    MeshKind kind;
};

class MeshKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(MeshKinds, AreToldFromTheRecords) {
    std::istringstream in(GetParam().text);
    EXPECT_EQ(meshKindOf(in), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MeshKinds,
    ::testing::Values(
        KindCase{"Toff", "TOFF\n3 1 0\n0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n3 0 1 2\n", MeshKind::body},
        // Counts on lines of their own, comments between records, colours after the points.
        KindCase{"BracedOff",
                 "# a body\nOFF\n3\n2\n0\n0 0 0 1 0 0\n# the next point\n1 0 0 1 0 0\n0 1 0\n"
                 "3 0 1 2\n2 0 2\n",
                 MeshKind::body},
        KindCase{"BareOff", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 255 0 0\n",
                 MeshKind::surface},
        KindCase{"Coff", "COFF\n3 1 0\n0 0 0 1 1 1 1\n", MeshKind::other},
        KindCase{"Ply", "ply\nformat ascii 1.0\n", MeshKind::other},
        KindCase{"Empty", "", MeshKind::other},
        KindCase{"CutShort", "OFF\n3 1 0\n0 0 0\n", MeshKind::other},
        KindCase{"NegativeCount", "OFF\n-3 1 0\n", MeshKind::other}),
    [](const ::testing::TestParamInfo<KindCase>& info) { return std::string(info.param.name); });

} // namespace
