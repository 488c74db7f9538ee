// Scene files that must be refused, each with the file, the line and column and what is wrong,
// and the limits that keep a huge or endless file from costing memory without bound.

#include "scenefile/SceneReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct BadScene {
    const char* name;
    std::string text;
    const char* message;
};

/// A scene that is right but for `body`, the lines of its one body.
std::string withBody(const std::string& body) {
    return "version = 1\n\n[[body]]\nfile = \"ball.toff\"\n" + body;
}

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) {
        out += text;
    }
    return out;
}

void PrintTo(const BadScene& scene, std::ostream* out) {
    *out << scene.name;
}

class BadSceneTest : public testing::TestWithParam<BadScene> {};

} // namespace

TEST_P(BadSceneTest, IsRefusedWithThePlaceAndWhatIsWrong) {
    SceneDescription scene;
    scene.timeStep = 0.5f;
    std::string problem;
    EXPECT_FALSE(readSceneText(GetParam().text, "bad.toml", scene, problem));
    EXPECT_EQ(problem, GetParam().message);
    EXPECT_EQ(scene.timeStep, 0.5f) << "a refused scene leaves the description as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, BadSceneTest,
    testing::Values(
        BadScene{"Syntax", "version = 1\ntime_step = = 0.01\n",
                 "bad.toml:2:13: Error while parsing value: could not determine value type"},
        BadScene{"NotUtf8", "version = 1\nkeys = \"\xff\"\n",
                 "bad.toml:2:8: Encountered invalid utf-8 sequence"},
        // Found by the fuzzer: a letter beyond ASCII where whitespace may stand.
        BadScene{"LetterBeyondAscii", "verur =\xcd\x90\nb\nb[toff5e\n",
                 "bad.toml:1:8: Error while parsing value: could not determine value type"},
        BadScene{"HugeInteger", "version = 99999999999999999999\n",
                 "bad.toml:1:31: Error while parsing decimal integer: '99999999999999999999' is "
                 "not representable in 64 bits"},
        BadScene{"Empty", "", "bad.toml: the scene has no 'version'"},
        BadScene{"VersionAsText", "version = \"1\"\n",
                 "bad.toml:1:11: 'version' must be a whole number, not a string"},
        BadScene{"NewerVersion", "version = 2\nsomething_new = 1\n",
                 "bad.toml:1:11: the scene is of version 2, newer than this program reads (1)"},
        BadScene{"VersionZero", "version = 0\n",
                 "bad.toml:1:11: 'version' is 0; it must be between 1 and 2147483647"},
        BadScene{"NoBody", "version = 1\n",
                 "bad.toml: the scene names no body: it needs a [[body]] with a file"},
        BadScene{"BodyAsOneTable", "version = 1\n[body]\nfile = \"ball.toff\"\n",
                 "bad.toml:2:1: 'body' must be [[body]] sections, one for each, not a table"},
        BadScene{"UnknownKey", "version = 1\ntimestep = 0.01\n",
                 "bad.toml:2:1: unknown key 'timestep' (did you mean 'time_step'?)"},
        BadScene{"UnknownBodyKey", withBody("stifness = 85\nsize = 3\n"),
                 "bad.toml:5:1: unknown key 'stifness' in body 1 (did you mean 'stiffness'?)"},
        BadScene{"MissingFile", "version = 1\n[[body]]\nstiffness = 85\n",
                 "bad.toml:2:1: body 1 has no 'file'"},
        BadScene{"EmptyFile", "version = 1\n[[body]]\nfile = \"\"\n",
                 "bad.toml:3:8: 'file' of body 1 is empty"},
        BadScene{"NulInFile", "version = 1\n[[body]]\nfile = \"a\\u0000b\"\n",
                 "bad.toml:3:8: 'file' of body 1 holds a NUL character"},
        BadScene{"StiffnessAsText", withBody("stiffness = \"hard\"\n"),
                 "bad.toml:5:13: 'stiffness' of body 1 must be a number, not a string"},
        BadScene{"NegativeDamping", withBody("damping = -0.1\n"),
                 "bad.toml:5:11: 'damping' of body 1 is -0.1; it must be between 0 and 10000"},
        BadScene{"NanMass", withBody("point_mass = nan\n"),
                 "bad.toml:5:14: 'point_mass' of body 1 is nan, not a finite number"},
        BadScene{"InfinitePressure", withBody("pressure = inf\n"),
                 "bad.toml:5:12: 'pressure' of body 1 is inf, not a finite number"},
        BadScene{"CameraWithoutOrientation", withBody("") + "[camera]\n" + "position = [0, 0, 0]\n",
                 "bad.toml:5:1: the camera has no 'orientation'"},
        BadScene{"ZeroTimeStep", "version = 1\ntime_step = 0\n",
                 "bad.toml:2:13: 'time_step' is 0; it must be greater than 0 and at most 1"},
        BadScene{"TimeStepRoundingToZero", "version = 1\ntime_step = 1e-50\n",
                 "bad.toml:2:13: 'time_step' is 1e-50; it must be greater than 0 and "
                 "at most 1"},
        BadScene{"ShortOffset", withBody("offset = [1, 2]\n"),
                 "bad.toml:5:10: 'offset' of body 1 must be an array of three numbers, not of 2"},
        BadScene{"TextInOffset", withBody("offset = [1, \"2\", 3]\n"),
                 "bad.toml:5:14: 'offset' of body 1[1] must be a number, not a string"},
        BadScene{"FarOffset", withBody("offset = [0, 2e6, 0]\n"),
                 "bad.toml:5:14: 'offset' of body 1[1] is 2000000; it must be between -1000000 "
                 "and 1000000"},
        BadScene{"LongQuaternion", withBody("rotation = [0, 0, 1, 1]\n"),
                 "bad.toml:5:12: 'rotation' of body 1 has length 1.41421356; a rotation's "
                 "quaternion has length 1"},
        BadScene{"AxisWithoutDirection",
                 withBody("rotation = { axis = [0, 0, 0], degrees = 90 }\n"),
                 "bad.toml:5:21: 'axis' of 'rotation' of body 1 has no direction"},
        BadScene{"AxisAngleTypo", withBody("rotation = { axis = [0, 1, 0], degree = 90 }\n"),
                 "bad.toml:5:32: unknown key 'degree' in 'rotation' of body 1 (did you mean "
                 "'degrees'?)"},
        BadScene{"NegativePin", withBody("pins = [0, 5, -1]\n"),
                 "bad.toml:5:15: 'pins' of body 1[2] is -1; it must be between 0 and "
                 "2147483647"},
        BadScene{"PinAsNumberWithPoint", withBody("pins = [1.5]\n"),
                 "bad.toml:5:9: 'pins' of body 1[0] must be a whole number, not a number"},
        BadScene{"SeedTooLarge", "version = 1\narena_seed = 4294967296\n",
                 "bad.toml:2:14: 'arena_seed' is 4294967296; it must be between 0 and "
                 "4294967295"},
        BadScene{"StateAsText", "version = 1\nstate = \"yes\"\n",
                 "bad.toml:2:9: 'state' must be true or false, not a string"},
        BadScene{"CameraAsNumber", "version = 1\ncamera = 3\n",
                 "bad.toml:2:10: 'camera' must be a table ([camera]), not a whole number"},
        BadScene{"ColourAboveOne",
                 withBody("") + "[[ball]]\nposition = [0, 0, 0]\ncolour = [1, 2, 0]\n",
                 "bad.toml:7:14: 'colour' of ball 1[1] is 2; it must be between 0 and 1"},
        BadScene{"BallWithoutPosition", withBody("") + "[[ball]]\nvelocity = [0, 0, 0]\n",
                 "bad.toml:5:1: ball 1 has no 'position'"},
        BadScene{"TooManyBodies", "version = 1\n" + repeated("[[body]]\nfile = \"b\"\n", 1001),
                 "bad.toml:2002:1: more than 1000 [[body]] sections, the most a scene may hold"},
        BadScene{"TooManyBalls", withBody("") + repeated("[[ball]]\nposition = [0, 0, 0]\n", 1001),
                 "bad.toml:2005:1: more than 1000 [[ball]] sections, the most a scene may hold"},
        BadScene{"TooLarge", std::string(maxSceneFileBytes + 1, '#'),
                 "bad.toml: larger than a scene file may be (1048576 bytes)"}),
    [](const testing::TestParamInfo<BadScene>& info) { return std::string(info.param.name); });

TEST(SceneFileLimitsTest, AnEndlessFileIsReadNoFurtherThanTheLimit) {
    SceneDescription scene;
    std::string problem;
    EXPECT_FALSE(readSceneFile("/dev/zero", scene, problem));
    EXPECT_EQ(problem, "/dev/zero: larger than a scene file may be (1048576 bytes)");
    EXPECT_FALSE(readSceneFile("/no/such/scene.toml", scene, problem));
    EXPECT_EQ(problem, "/no/such/scene.toml: cannot be opened: No such file or directory");
}
