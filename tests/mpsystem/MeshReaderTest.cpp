#include "mpsystem/MeshReader.h"
#include "mpsystem/ConversionHint.h"
#include "mpsystem/OffLexer.h"
#include "tests/mpsystem/LoadMesh.h"

#include <Inventor/SoDB.h>

#include <gmock/gmock.h>

#include <atomic>
#include <fstream>
#include <vector>

using testing::ElementsAre;

namespace {

std::vector<std::pair<int, int>> springPairs(const MpSystem& body) {
    std::vector<std::pair<int, int>> pairs;
    for (int s = 0; s < body.numSprings(); ++s) {
        pairs.emplace_back(body.springs()[s].a, body.springs()[s].b);
    }
    return pairs;
}

std::vector<int> faceIndexList(const MpSystem& body) {
    return std::vector<int>(body.faceIndices(), body.faceIndices() + body.numFaceIndices());
}

/// Reads `text` in a child that ends through exit(), which skips the test program's tear-down:
/// the scene-graph library is shut down first, so a leak report on its state cannot mix into
/// the message under test.
void readAndEnd(const std::string& text) {
    SoDB::finish();
    std::istringstream in(text);
    MpSystem body(in, 0, 1, 50);
}

} // namespace

TEST(MeshReader, TwoTrianglesGiveFiveSpringsInOrderOfFirstMeeting) {
    LoadedMesh m = loadMesh(twoTriangles());
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_EQ(m.body->numPoints(), 4);
    EXPECT_THAT(springPairs(*m.body),
                ElementsAre(std::make_pair(0, 1), std::make_pair(1, 2), std::make_pair(2, 0),
                            std::make_pair(1, 3), std::make_pair(3, 2)));
    EXPECT_THAT(faceIndexList(*m.body), ElementsAre(0, 1, 2, -1, 2, 1, 3, -1));
    EXPECT_NE(m.log.find("A total number of edges: 5\n"), std::string::npos) << m.log;
}

TEST(MeshReader, RestAndLastLengthsAreTheEdgeLengths) {
    LoadedMesh m = loadMesh(twoTriangles());
    ASSERT_EQ(m.body->numSprings(), 5);
    const double expected[5] = {1.0, std::sqrt(2.0f), 1.0, 1.0, 1.0};
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(m.body->restLengths()[s], static_cast<double>(static_cast<float>(expected[s])));
        EXPECT_EQ(m.body->lastLength(s), m.body->restLengths()[s]);
    }
}

TEST(MeshReader, CubeProgressOutputIsExact) {
    LoadedMesh m = loadMesh(quadCube());
    EXPECT_EQ(m.log, "Reading points...\n(8 points)   [-0123456-] \n\n"
                     "Reading faces...\n(6 faces)   [-01234-] \n\n"
                     "A total number of edges: 12\nStart rendering scene...");
}

TEST(MeshReader, ProgressDigitsFollowTheRecordCount) {
    auto digitsFor = [](int count) {
        std::string text = "OFF " + std::to_string(count) + " 0 0\n";
        for (int i = 0; i < count; ++i) {
            text += "0 0 0\n";
        }
        const std::string log = loadMesh(text).log;
        const auto open = log.find("[-");
        return log.substr(open + 2, log.find("-]") - open - 2);
    };
    EXPECT_EQ(digitsFor(1), "");
    EXPECT_EQ(digitsFor(6), "01234");
    EXPECT_EQ(digitsFor(10), "012345678");
    EXPECT_EQ(digitsFor(11), "0123456789");
    EXPECT_EQ(digitsFor(250), "0123456789");
}

TEST(MeshReader, QuadrilateralsGiveSpringsButNoSurface) {
    LoadedMesh m = loadMesh(quadCube());
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_EQ(m.body->numSprings(), 12);
    EXPECT_EQ(m.body->numFaceIndices(), 0);
    for (int s = 0; s < 12; ++s) {
        EXPECT_FLOAT_EQ(m.body->restLengths()[s], 1.0);
    }
}

TEST(MeshReader, ClosedTriangleMeshHasThreeHalvesSpringsPerTriangle) {
    // A tetrahedron: 4 triangles, 6 edges.
    LoadedMesh m = loadMesh("OFF 4 4 6\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n"
                            "3 0 2 1\n3 0 1 3\n3 1 2 3\n3 2 0 3\n");
    EXPECT_EQ(m.body->numSprings(), 6);
    EXPECT_EQ(m.body->numFaceIndices(), 16);
}

TEST(MeshReader, FaceOfTwoVerticesGivesOneSpring) {
    LoadedMesh m = loadMesh("OFF 2 1 1\n0 0 0\n0 2 0\n2 1 0\n");
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_THAT(springPairs(*m.body), ElementsAre(std::make_pair(1, 0)));
    EXPECT_DOUBLE_EQ(m.body->restLengths()[0], 2.0);
    EXPECT_EQ(m.body->numFaceIndices(), 0);
}

TEST(MeshReader, EveryPairOfPointsBecomesOneSpring) {
    // Far more edges than the points suggest, each met in both orders: the first order wins.
    const int n = 120;
    std::string text = "OFF " + std::to_string(n) + " " + std::to_string(n * (n - 1)) + " 0\n";
    for (int i = 0; i < n; ++i) {
        text += std::to_string(i) + " 0 0\n";
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (i != j) {
                text += "2 " + std::to_string(i) + " " + std::to_string(j) + "\n";
            }
        }
    }
    LoadedMesh m = loadMesh(text);
    ASSERT_EQ(m.body->numSprings(), n * (n - 1) / 2);
    int s = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j, ++s) {
            ASSERT_EQ(m.body->springs()[s].a, i);
            ASSERT_EQ(m.body->springs()[s].b, j);
            ASSERT_EQ(m.body->restLengths()[s], j - i);
        }
    }
}

TEST(MeshReader, CommentsAreSkippedEverywhereTheyAreAllowed) {
    LoadedMesh m = loadMesh("# made by hand\n\n#second comment\nOFF # keyword\n"
                            "# points\n4\n# faces\n2 #\n#edges\n0\n# first vertex\n"
                            "0 0 0\n#\n1 0 0\n  # indented\n0 1 0\n1 1 0\n"
                            "# faces follow\n\n3 0 1 2\n3 2 1 3\n");
    ASSERT_TRUE(m.body->isLoaded()) << m.body->loadError();
    EXPECT_EQ(m.body->numPoints(), 4);
    EXPECT_EQ(m.body->numSprings(), 5);
    EXPECT_EQ(m.body->pointPosition(3), SbVec3f(1, 1, 0));
}

TEST(MeshReader, HeaderOnOneLineReadsAsOnSeveralLines) {
    LoadedMesh oneLine = loadMesh("OFF 4 2 0\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n3 0 1 2\n3 2 1 3\n");
    LoadedMesh split = loadMesh(twoTriangles());
    EXPECT_EQ(oneLine.log, split.log);
    EXPECT_EQ(springPairs(*oneLine.body), springPairs(*split.body));
}

TEST(MeshReader, FacesMaySpanAndShareLines) {
    LoadedMesh m = loadMesh("OFF 4 2 0\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n3 0\n1\n2 3 2 1 3");
    ASSERT_TRUE(m.body->isLoaded()) << m.body->loadError();
    EXPECT_THAT(faceIndexList(*m.body), ElementsAre(0, 1, 2, -1, 2, 1, 3, -1));
}

TEST(MeshReader, OffVertexLineDiscardsNumbersAfterThePosition) {
    LoadedMesh m = loadMesh("OFF 3 1 0\n1 2 3 0.5 0.5 0.5\n4 5 6 0.5 0.5 0.5\n7 8 9\n3 0 1 2\n");
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_EQ(m.body->pointPosition(0), SbVec3f(1, 2, 3));
    EXPECT_EQ(m.body->pointPosition(1), SbVec3f(4, 5, 6));
    EXPECT_EQ(m.body->pointPosition(2), SbVec3f(7, 8, 9));
    EXPECT_FALSE(m.body->hasFileTexCoords());
}

TEST(MeshReader, ToffGivesTextureCoordinates) {
    LoadedMesh m = loadMesh("TOFF 3 1 0\n1 2 3 0.25 0.75\n0 0 0 1 0 9 9\n1 0 0 0 1\n3 0 1 2\n");
    ASSERT_TRUE(m.body->isLoaded());
    EXPECT_TRUE(m.body->hasFileTexCoords());
    EXPECT_EQ(m.body->pointPosition(0), SbVec3f(1, 2, 3));
    EXPECT_EQ(m.body->texCoords()[0], SbVec2f(0.25f, 0.75f));
    EXPECT_EQ(m.body->texCoords()[1], SbVec2f(1, 0));
    EXPECT_EQ(m.body->texCoords()[2], SbVec2f(0, 1));
}

TEST(MeshReader, OffTextureCoordinatesWrapAroundTheCentroid) {
    // An octahedron about (10, 10, 10): the poles get v = 0 and 1, the equator v = 0.5 with u
    // going once around.
    LoadedMesh m = loadMesh("OFF 6 0 0\n11 10 10\n10 10 11\n9 10 10\n10 10 9\n"
                            "10 11 10\n10 9 10\n");
    ASSERT_TRUE(m.body->isLoaded());
    const SbVec2f* t = m.body->texCoords();
    EXPECT_FLOAT_EQ(t[0][0], 0.5f);
    EXPECT_FLOAT_EQ(t[1][0], 0.75f);
    EXPECT_FLOAT_EQ(t[2][0], 1.0f);
    EXPECT_FLOAT_EQ(t[3][0], 0.25f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(t[i][1], 0.5f);
    }
    EXPECT_FLOAT_EQ(t[4][1], 1.0f);
    EXPECT_FLOAT_EQ(t[5][1], 0.0f);
}

TEST(MeshReader, PointsBelowTheFloorOfTheFileWeighHalfAgainAsMuch) {
    LoadedMesh m = loadMesh("OFF 3 0 0\n0 0 0\n0 -0.001 0\n0 0.001 0\n", 0.0f, 2.0f);
    EXPECT_EQ(m.body->masses()[0], 2.0f);
    EXPECT_EQ(m.body->masses()[1], 3.0f);
    EXPECT_EQ(m.body->masses()[2], 2.0f);
}

TEST(MeshReader, YIsComparedBeforeRoundingToSinglePrecision) {
    // -1e-50 rounds to -0 as a float, yet lies below 0.
    LoadedMesh m = loadMesh("OFF 1 0 0\n0 -1e-50 0\n", 0.0f, 2.0f);
    EXPECT_EQ(m.body->masses()[0], 3.0f);
}

TEST(MeshReader, BodyStartsAtRestWithItsSettings) {
    LoadedMesh m = loadMesh(twoTriangles(), 0.04f, 1.0f, 85.0f);
    EXPECT_EQ(m.body->damping(), 0.04f);
    EXPECT_EQ(m.body->stiffness(), 85.0f);
    EXPECT_EQ(m.body->springDamping(), 0.1f);
    EXPECT_FALSE(m.body->isHeadcam());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.body->velocities()[i], SbVec3f(0, 0, 0));
        EXPECT_EQ(m.body->externalForces()[i], SbVec3f(0, 0, 0));
    }
}

TEST(MeshReader, StreamIsLeftAfterTheLastFace) {
    std::istringstream in(std::string(twoTriangles()) + "trailing words\n");
    testing::internal::CaptureStderr();
    MpSystem body(in, 0, 1, 50);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(body.isLoaded());
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "trailing");
}

TEST(MeshReader, CarriageReturnLineEndsAreRead) {
    LoadedMesh m = loadMesh("# dos\r\n\r\n# file\r\nOFF\r\n4 2 0\r\n0 0 0\r\n1 0 0\r\n"
                            "\r\n# gap\r\n0 1 0\r\n1 1 0\r\n3 0 1 2\r\n3 2 1 3\r\n");
    ASSERT_TRUE(m.body->isLoaded()) << m.body->loadError();
    EXPECT_EQ(m.body->numSprings(), 5);
}

// A reading given up stops at the next record with the reason as its error and no word of a
// malformed file, wherever it is: in the points, in the faces, or before a keyword that would
// otherwise end the program.
TEST(MeshReader, ACancelledReadingStopsQuietlyWherever) {
    const std::atomic<bool> cancelled{true};
    for (const char* text : {"TOFF\n3 1 0\n0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n3 0 1 2\n", "",
                             "# a comment, then the input ends"}) {
        std::istringstream in(text);
        testing::internal::CaptureStderr();
        MeshReader reader(in, "body.toff", &cancelled);
        const BodyMesh mesh = reader.read(1);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(reader.error(), MeshReader::cancelledReading) << text;
        EXPECT_TRUE(mesh.positions.empty());
        EXPECT_EQ(said.find("Malformed"), std::string::npos) << said;
        EXPECT_EQ(said.find("No OFF"), std::string::npos) << said;
    }
}

TEST(MeshReaderDeathTest, UnknownKeywordEndsTheProgramNamingTheWordAndTheConversion) {
    // A word that only a model begins with names the conversion; any other word only itself.
    for (const char* keyword : {"off", "COFF", "OFFX", "4"}) {
        const bool model = keyword[0] != 'O' && keyword[0] != '4';
        const std::string text = std::string(keyword) + "\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
        EXPECT_EXIT(readAndEnd(text), testing::ExitedWithCode(1),
                    "^No OFF- or TRIANGULATION-File !\nThe file begins with \"" +
                        std::string(keyword) + "\", which is not OFF or TOFF" +
                        (model ? "; a model of another kind becomes a body with: "
                                 "plimmerton-prepare MODEL BODY.toff"
                               : "") +
                        "\n$")
            << keyword;
    }
    // Without a first word there is nothing to name.
    for (const char* text : {"", "# only a comment\n"}) {
        EXPECT_EXIT(readAndEnd(text), testing::ExitedWithCode(1),
                    "^No OFF- or TRIANGULATION-File !\n$");
    }
}

// A large file without a blank near its start (a device of zeros, a binary model) is refused
// after the few bytes that a keyword can have, not read whole as one word.
TEST(OffLexer, KeywordReadingStopsSoonAfterTheLongestKeyword) {
    for (char filler : {'A', '\0'}) {
        std::istringstream in(std::string(1 << 20, filler));
        EXPECT_EQ(readKeyword(in), std::string(keywordReadLimit, filler));
        EXPECT_EQ(in.tellg(), std::streampos(keywordReadLimit));
    }
    std::istringstream tabbed("# comment\n \tTOFF\t3 1 0\n");
    EXPECT_EQ(readKeyword(tabbed), "TOFF");
}

struct HintCase {
    std::string keyword;
    const char* fileName;
    std::string shownWord;
    std::string command;
};

class ConversionHintCases : public testing::TestWithParam<HintCase> {};

TEST_P(ConversionHintCases, NameTheWordAndTheCommandForAModelOnly) {
    const HintCase& c = GetParam();
    EXPECT_EQ(conversionHint(c.keyword, c.fileName),
              "The file begins with \"" + c.shownWord + "\", which is not OFF or TOFF" +
                  (c.command.empty()
                       ? ""
                       : "; a model of another kind becomes a body with: " + c.command));
}

INSTANTIATE_TEST_SUITE_P(
    ModelsOfOtherKinds, ConversionHintCases,
    testing::Values(HintCase{"ply", "models/cow.ply", "ply",
                             "plimmerton-prepare models/cow.ply models/cow.toff"},
                    HintCase{"solid", "part", "solid", "plimmerton-prepare part part.toff"},
                    HintCase{"COFF", "a b.toff", "COFF",
                             "plimmerton-prepare 'a b.toff' 'a b-body.toff'"},
                    HintCase{std::string("\x01\x02glTF", 6), "scene.GLB", "??glTF",
                             "plimmerton-prepare scene.GLB scene.toff"},
                    HintCase{"v", "mesh.obj", "v", "plimmerton-prepare mesh.obj mesh.toff"},
                    HintCase{"<?xml", "ship.mesh.xml", "<?xml",
                             "plimmerton-prepare ship.mesh.xml ship.mesh.toff"},
                    HintCase{std::string(keywordReadLimit, 'A'), "big.off",
                             std::string(keywordReadLimit, 'A') + "...",
                             "plimmerton-prepare big.off big.toff"}));

// A picture or a text given in place of a body is named, with no conversion that would fail.
INSTANTIATE_TEST_SUITE_P(
    OtherFiles, ConversionHintCases,
    testing::Values(HintCase{std::string("\0\0\x02\0", 4), "body.tga", "????", ""},
                    HintCase{"Plimmerton", "README.md", "Plimmerton", ""},
                    HintCase{"toff", "lower.toff", "toff", ""},
                    HintCase{"<?xml", "notes.xml", "<?xml", ""}, HintCase{"OFFX", "", "OFFX", ""}));

// The reader's last line ends without a newline; a message after it, and a failed read after
// it, start on lines of their own, while the reader's own lines stay as they are.
TEST(MeshReader, MessagesAfterTheLastProgressLineStartLinesOfTheirOwn) {
    setErrorLineOpen(false);
    testing::internal::CaptureStderr();
    std::istringstream cube(quadCube());
    MpSystem first(cube, 0.0f, 1.0f, 50.0f);
    std::ifstream missing;
    EXPECT_FALSE(openMeshFile(missing, "no/such/body.off"));
    std::istringstream again(quadCube());
    MpSystem second(again, 0.0f, 1.0f, 50.0f);
    std::istringstream broken("OFF\n8 six 0\n");
    MpSystem third(broken, 0.0f, 1.0f, 50.0f);
    // Two bodies read in a row, as N twice or an opened model right after N reads them.
    std::istringstream fourth(quadCube());
    MpSystem fourthBody(fourth, 0.0f, 1.0f, 50.0f);
    std::istringstream fifth(quadCube());
    MpSystem fifthBody(fifth, 0.0f, 1.0f, 50.0f);
    const std::string log = testing::internal::GetCapturedStderr();
    const std::string read = "Reading points...\n(8 points)   [-0123456-] \n\n"
                             "Reading faces...\n(6 faces)   [-01234-] \n\n"
                             "A total number of edges: 12\nStart rendering scene...";
    EXPECT_EQ(log, read + "\nFile `no/such/body.off' does not exist!\n" + read +
                       "\nMalformed mesh file: the header has no valid face count\n" + read + "\n" +
                       read);
}
