// The tools' command line hands out the values it read, checked: a value that does not fit is
// refused with the tool's one line and status 2, and an absent option leaves the default.

#include "common/ToolCommandLine.h"
#include "appstate/ArgumentList.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

ToolCommandLine toolReading(ArgumentList& args) {
    ToolCommandLine line("tool", "Usage: tool", {"-n", "--size", "--up", "-i", "--frame"});
    EXPECT_TRUE(line.read(args.argc(), args.argv()));
    return line;
}

} // namespace

TEST(ToolCommandLineTest, ValuesComeBackAsGivenTheFirstOfTwiceGivenCounting) {
    ArgumentList args{"tool", "-i", "a.off", "-n", "50abc", "-i", "b.off", "stray"};
    ToolCommandLine line = toolReading(args);
    EXPECT_EQ(line.text("-i"), "a.off");
    EXPECT_EQ(line.text("--up", "y"), "y");
    EXPECT_FLOAT_EQ(line.lenientNumber("-n"), 50.0f);
    EXPECT_FLOAT_EQ(line.lenientNumber("--size"), 0.0f);
    EXPECT_EQ(line.operands(), std::vector<std::string>{"stray"});
}

TEST(ToolCommandLineTest, AFlagIsGivenOrNotAndTakesNoValue) {
    ArgumentList args{"tool", "model", "--progress", "out"};
    ToolCommandLine line("tool", "Usage: tool", {"-n"});
    line.setFlags({"--progress", "--quiet"});
    EXPECT_TRUE(line.read(args.argc(), args.argv()));
    EXPECT_TRUE(line.has("--progress"));
    EXPECT_FALSE(line.has("--quiet"));
    EXPECT_EQ(line.operands(), (std::vector<std::string>{"model", "out"}));
}

struct ValueCase {
    const char* option;
    const char* value;
    /// The refusal after "tool: ", or empty when the value is taken.
    const char* refusal;
};

class CheckedValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(CheckedValueTest, TakesAFittingValueAndRefusesOthersWithStatusTwo) {
    const ValueCase& c = GetParam();
    ArgumentList args{"tool", c.option, c.value};
    ToolCommandLine line = toolReading(args);
    long whole = -1;
    double positive = -1;
    std::string choice = "unset";
    int width = -1;
    int height = -1;
    testing::internal::CaptureStderr();
    const bool taken = line.wholeNumber("-n", 0, std::numeric_limits<long>::max(), whole) &&
                       line.wholeNumber("-i", 7, 1000000, whole) &&
                       line.positiveNumber("--size", 1e6, positive) &&
                       line.choice("--up", {"y", "z"}, choice) &&
                       line.dimensions("--frame", 16, 4096, width, height);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string refusal = c.refusal;
    EXPECT_EQ(taken, refusal.empty());
    EXPECT_EQ(line.status(), refusal.empty() ? 0 : 2);
    EXPECT_EQ(err, refusal.empty() ? "" : "tool: " + refusal + " (try --help)\n");
    const std::string option = c.option;
    if (taken && option == "--size") {
        EXPECT_DOUBLE_EQ(positive, std::stod(c.value));
    } else if (taken && option == "--up") {
        EXPECT_EQ(choice, c.value);
    } else if (taken && option == "--frame") {
        EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height), c.value);
    } else if (taken) {
        EXPECT_EQ(std::to_string(whole), c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, CheckedValueTest,
    testing::Values(ValueCase{"-n", "120", ""}, ValueCase{"-n", "0", ""},
                    ValueCase{"-n", "-5", "-n needs a whole number from 0 up, not '-5'"},
                    ValueCase{"-n", "12x", "-n needs a whole number from 0 up, not '12x'"},
                    ValueCase{"-n", "", "-n needs a whole number from 0 up, not ''"},
                    ValueCase{"-n", "99999999999999999999",
                              "-n needs a whole number from 0 up, not '99999999999999999999'"},
                    ValueCase{"-i", "6", "-i needs a whole number from 7 to 1000000, not '6'"},
                    ValueCase{"--size", "2.5", ""},
                    ValueCase{"--size", "0", "--size needs a positive number, not '0'"},
                    ValueCase{"--size", "nan", "--size needs a positive number, not 'nan'"},
                    ValueCase{"--size", "2e6", "--size needs a positive number, not '2e6'"},
                    ValueCase{"--up", "z", ""},
                    ValueCase{"--up", "x", "--up needs y or z, not 'x'"},
                    ValueCase{"--frame", "640x480", ""},
                    ValueCase{"--frame", "640x8",
                              "--frame needs WIDTHxHEIGHT, each from 16 to 4096, not '640x8'"},
                    ValueCase{"--frame", "640",
                              "--frame needs WIDTHxHEIGHT, each from 16 to 4096, not '640'"}));

TEST(ToolCommandLineTest, VersionNamesTheToolTheVersionAndItsNote) {
    ArgumentList args{"tool", "--version"};
    ToolCommandLine line("tool", "Usage: tool", {});
    line.setVersionNote(" (library 1.2)");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(line.read(args.argc(), args.argv()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string("tool ") + plimmertonVersion() + " (library 1.2)\n");
    EXPECT_EQ(line.status(), 0);
}
