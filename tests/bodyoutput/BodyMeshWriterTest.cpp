// The simulation tool's output: a checksum of the positions and the body written back as a mesh.

#include "bodyoutput/BodyMeshWriter.h"
#include "CoinEnvironment.h"
#include "bodyoutput/PositionChecksum.h"
#include "generators/Icosphere.h"
#include "mpsystem/MpSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

std::unique_ptr<MpSystem> read(const std::string& text) {
    std::istringstream in(text);
    std::streambuf* progress = std::cerr.rdbuf(nullptr);
    auto body = std::make_unique<MpSystem>(in, 0.02f, 1.0f, 85.0f);
    std::cerr.rdbuf(progress);
    return body;
}

std::string written(const MpSystem& body, const std::string& original) {
    std::istringstream in(original);
    std::ostringstream out;
    EXPECT_TRUE(writeBodyMesh(body, in, out));
    return out.str();
}

/// A cube of quadrilaterals with comments, blank lines and a carriage return among its records.
const char* commentedQuadCube() {
    return "# a cube\nOFF\n# counts follow\n8 6 12\n"
           "-0.5 -0.5 -0.5\n0.5 -0.5 -0.5   # first edge\n0.5 0.5 -0.5\r\n-0.5 0.5 -0.5\n\n"
           "-0.5 -0.5 0.5\n0.5 -0.5 0.5\n0.5 0.5 0.5\n-0.5 0.5 0.5\n"
           "# faces\n4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 2 3 7 6\n4 1 2 6 5\n4 0 4 7 3\n";
}

} // namespace

TEST(PositionChecksum, IsFnv1aOverTheLittleEndianBytesOfEveryCoordinate) {
    EXPECT_EQ(positionChecksum(nullptr, 0), 0xcbf29ce484222325ULL) << "the FNV offset basis";
    const SbVec3f one[] = {SbVec3f(1, 2, 3)};
    EXPECT_EQ(positionChecksum(one, 1), 0x1de40d89811fe258ULL);
    const SbVec3f two[] = {SbVec3f(1, 2, 3), SbVec3f(-0.5f, 0.25f, 1e-3f)};
    EXPECT_EQ(positionChecksum(two, 2), 0x605949e494e02fe3ULL);
}

TEST(PositionChecksum, TellsApartValuesThatCompareEqualOrDifferInOneBit) {
    SbVec3f a[] = {SbVec3f(0.0f, 1.0f, 2.0f)};
    SbVec3f b[] = {SbVec3f(-0.0f, 1.0f, 2.0f)};
    EXPECT_NE(positionChecksum(a, 1), positionChecksum(b, 1)) << "0 and -0";
    b[0] = a[0];
    b[0][2] = std::nextafter(2.0f, 3.0f);
    EXPECT_NE(positionChecksum(a, 1), positionChecksum(b, 1)) << "one unit in the last place";
    const SbVec3f swapped[] = {SbVec3f(1.0f, 0.0f, 2.0f)};
    EXPECT_NE(positionChecksum(a, 1), positionChecksum(swapped, 1)) << "order of coordinates";
}

TEST(PositionChecksum, OfSeveralBodiesIsThatOfTheirPointsInOneListAndOfOneBodyItsOwn) {
    const TriangleMesh sphere = makeIcosphere(1, 4, SbVec3f(0, 0, 0));
    std::unique_ptr<MpSystem> first = read(meshText(sphere, MeshForm::Off));
    std::unique_ptr<MpSystem> second = read(meshText(sphere, MeshForm::Off));
    second->addExternalForce(3, SbVec3f(5, 0, 0));
    second->step(0.01f);
    EXPECT_EQ(bodiesChecksum({first.get()}),
              positionChecksum(first->positions(), first->numPoints()));
    std::vector<SbVec3f> all(first->positions(), first->positions() + first->numPoints());
    all.insert(all.end(), second->positions(), second->positions() + second->numPoints());
    EXPECT_EQ(bodiesChecksum({first.get(), second.get()}),
              positionChecksum(all.data(), static_cast<int>(all.size())));
    EXPECT_NE(bodiesChecksum({first.get(), second.get()}),
              bodiesChecksum({second.get(), first.get()}))
        << "the bodies' order counts";
    EXPECT_EQ(bodiesChecksum({}), fnvOffsetBasis);
}

TEST(BodyMeshWriter, MovedBodyReadsBackBitForBitInEitherForm) {
    const TriangleMesh sphere = makeIcosphere(3, 4, SbVec3f(0.1f, 0.2f, 0.3f));
    for (MeshForm form : {MeshForm::Off, MeshForm::Toff}) {
        const std::string original = meshText(sphere, form);
        std::unique_ptr<MpSystem> body = read(original);
        for (int k = 0; k < 40; ++k) {
            body->addExternalForce(k, SbVec3f(k * 0.37f, -3, 1.0f / (k + 1)));
            body->step(0.012f);
        }
        const std::string text = written(*body, original);
        std::unique_ptr<MpSystem> back = read(text);
        ASSERT_TRUE(back->isLoaded()) << back->loadError();
        ASSERT_EQ(back->numPoints(), body->numPoints());
        EXPECT_EQ(0, std::memcmp(back->positions(), body->positions(),
                                 sizeof(SbVec3f) * body->numPoints()));
        EXPECT_EQ(positionChecksum(back->positions(), back->numPoints()),
                  positionChecksum(body->positions(), body->numPoints()));
        EXPECT_EQ(back->hasFileTexCoords(), form == MeshForm::Toff);
        EXPECT_EQ(text.substr(0, 5), form == MeshForm::Toff ? "TOFF\n" : "OFF\n6");
        if (form == MeshForm::Toff) {
            EXPECT_EQ(0, std::memcmp(back->texCoords(), body->texCoords(),
                                     sizeof(SbVec2f) * body->numPoints()));
        }
        EXPECT_EQ(back->numSprings(), body->numSprings());
        EXPECT_EQ(0, std::memcmp(back->faceIndices(), body->faceIndices(),
                                 sizeof(int32_t) * body->numFaceIndices()));
    }
}

TEST(BodyMeshWriter, KeepsTheFacesAsTheyWereWrittenAndSkipsWhatTheReaderSkips) {
    std::unique_ptr<MpSystem> body = read(commentedQuadCube());
    ASSERT_TRUE(body->isLoaded());
    body->step(0.01f);
    const std::string text = written(*body, commentedQuadCube());
    // Everything from the first face record on, as the file had it.
    const std::string faces = "\n4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 2 3 7 6\n4 1 2 6 5\n"
                              "4 0 4 7 3\n";
    ASSERT_GE(text.size(), faces.size());
    EXPECT_EQ(text.substr(text.size() - faces.size()), faces);
    EXPECT_EQ(text.substr(0, 11), "OFF\n8 6 12\n");
    std::unique_ptr<MpSystem> back = read(text);
    EXPECT_EQ(back->numSprings(), 12) << "the quadrilaterals' edges";
    EXPECT_EQ(0, std::memcmp(back->positions(), body->positions(), sizeof(SbVec3f) * 8));
}

TEST(BodyMeshWriter, RefusesAFileThatIsNotTheBodysOwn) {
    std::unique_ptr<MpSystem> body = read(commentedQuadCube());
    std::ostringstream out;
    std::istringstream otherCount("OFF\n4 1 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 1 2\n");
    EXPECT_FALSE(writeBodyMesh(*body, otherCount, out));
    std::istringstream otherForm(meshText(makeIcosphere(0, 1, SbVec3f(0, 0, 0)), MeshForm::Toff));
    std::unique_ptr<MpSystem> icosahedron =
        read(meshText(makeIcosphere(0, 1, SbVec3f(0, 0, 0)), MeshForm::Off));
    EXPECT_FALSE(writeBodyMesh(*icosahedron, otherForm, out)) << "TOFF for a body read as OFF";
    std::istringstream truncated("OFF\n8 6 12\n0 0 0\n");
    EXPECT_FALSE(writeBodyMesh(*body, truncated, out));
}

// The body written back asks for the pressure in force when it is read again, as its file's
// record right after the keyword; without a gas in force there is no record, even when the
// file it was read from had one.
TEST(BodyMeshWriter, KeepsThePressureInForceAsTheFilesRecord) {
    const std::string plain = meshText(makeIcosphere(2, 4, SbVec3f(0, 0, 0)), MeshForm::Toff);
    const std::string recorded = "TOFF\n# pressure 30\n" + plain.substr(5);
    struct Case {
        const std::string& original;
        float pressure;
        const char* header;
    };
    for (const Case& c :
         {Case{plain, 12.5f, "TOFF\n# pressure 12.5\n"}, Case{plain, 0.0f, "TOFF\n162 "},
          Case{recorded, 30.0f, "TOFF\n# pressure 30\n"}, Case{recorded, 0.0f, "TOFF\n162 "},
          Case{plain, 1.0f / 3.0f, "TOFF\n# pressure 0.333333343\n"}}) {
        std::unique_ptr<MpSystem> body = read(c.original);
        ASSERT_TRUE(body->setPressure(c.pressure));
        body->step(0.012f);
        const std::string text = written(*body, c.original);
        EXPECT_EQ(text.substr(0, std::strlen(c.header)), c.header) << c.pressure;
        std::unique_ptr<MpSystem> back = read(text);
        ASSERT_TRUE(back->isLoaded()) << back->loadError();
        EXPECT_EQ(back->filePressure(), c.pressure) << "to the bit";
        EXPECT_EQ(back->pressure(), c.pressure);
    }
}
