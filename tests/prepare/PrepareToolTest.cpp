// plimmerton-prepare as a user runs it: what it prints, its exit status, and that a bad model
// leaves one line naming the file and the problem and never touches the output file.

#include "ModelFiles.h"
#include "generators/Icosphere.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

ToolRun runTool(const std::string& arguments) {
    TempFile out(".out");
    TempFile err(".err");
    const int raw = std::system(
        (std::string(PREPARE_TOOL) + " " + arguments + " >" + out.path() + " 2>" + err.path())
            .c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out.read(), err.read()};
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

/// Files in /tmp whose names start with the output's: a temporary one left behind would be
/// half a body.
int leftovers(const std::string& output) {
    const std::string base = output.substr(output.rfind('/') + 1);
    int count = 0;
    DIR* dir = opendir("/tmp");
    while (dirent* entry = readdir(dir)) {
        count += std::string(entry->d_name).rfind(base, 0) == 0 ? 1 : 0;
    }
    closedir(dir);
    return count;
}

struct BadModel {
    const char* name;
    const char* suffix;
    const char* text; // nullptr: no file at all
    const char* problem;
};

} // namespace

class BadModelFile : public testing::TestWithParam<BadModel> {};

TEST_P(BadModelFile, GivesOneLineAndStatusOneAndLeavesTheOutputAsItWas) {
    const BadModel& bad = GetParam();
    TempFile model(bad.suffix);
    if (bad.text != nullptr) {
        model.write(bad.text);
    }
    TempFile output(".toff");
    output.write("OFF\n0 0 0\n");
    const ToolRun run = runTool(model.path() + " " + output.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, model.path() + ": " + bad.problem + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(output.read(), "OFF\n0 0 0\n");
    EXPECT_EQ(leftovers(output.path()), 1) << "only the output itself";
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadModelFile,
    testing::Values(
        BadModel{"Missing", ".obj", nullptr, "cannot be read (No such file or directory)"},
        BadModel{"Empty", ".off", "", "the file is empty"},
        BadModel{"NoFaces", ".obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "the model has no faces"},
        BadModel{"NotFinite", ".obj", "v 0 0 0\nv 1e39 0 0\nv 0 1 0\nf 1 2 3\n",
                 "the model has coordinates that are not finite numbers"},
        BadModel{"TooFewPoints", ".obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
                 "the model has 3 points; a body needs at least 7"}),
    [](const testing::TestParamInfo<BadModel>& info) { return info.param.name; });

TEST(PrepareTool, RefusesAFileOfNoKnownFormInOneLine) {
    TempFile model(".xyz");
    model.write("this is not a model\n");
    TempFile output(".toff");
    const ToolRun run = runTool(model.path() + " " + output.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind(model.path() + ": not a model the import library can read (", 0), 0u)
        << run.err;
    EXPECT_EQ(lineCount(run.err), 1);
    EXPECT_FALSE(output.exists());
}

TEST(PrepareTool, ExplainsItselfAndNamesAWrongOption) {
    const ToolRun help = runTool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: plimmerton-prepare MODEL OUT.toff", 0), 0u);
    EXPECT_EQ(help.err, "");
    const ToolRun version = runTool("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("plimmerton-prepare ", 0), 0u);

    const ToolRun unknown = runTool("a.obj b.toff --colour red");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "plimmerton-prepare: unknown option '--colour' (try --help)\n");
    const ToolRun missing = runTool("a.obj b.toff --points");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "plimmerton-prepare: option '--points' needs a value (try --help)\n");
    EXPECT_EQ(runTool("a.obj b.toff --up x").status, 2);
    EXPECT_EQ(runTool("a.obj").status, 2);
}

TEST(PrepareTool, WritesTheBodyAndSaysWhatItDid) {
    TempFile model(".off");
    // The keyword in small letters and colours after the faces, as some programs write them.
    model.write("off\n8 6 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n"
                "4 0 3 2 1 255 0 0\n4 4 5 6 7 255 0 0\n4 0 1 5 4 255 0 0\n4 2 3 7 6 255 0 0\n"
                "4 1 2 6 5 255 0 0\n4 0 4 7 3 255 0 0\n");
    TempFile output(".toff");
    const ToolRun run = runTool(model.path() + " " + output.path() + " --points 50");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Read " + model.path() + ": 8 points, 6 faces (12 triangles)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Kept: 50 points"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Wrote " + output.path()), std::string::npos);
    EXPECT_EQ(output.read().rfind("TOFF\n", 0), 0u);
}

// With --progress the tool says how far it has come, in lines a program reads: the stages in
// their order, a percentage that only rises and ends at 100 as the last line of a good run.
TEST(PrepareTool, ReportsItsProgressInLinesThatRiseTo100) {
    TempFile model(".obj");
    model.write(objText(makeIcosphere(2, 1, SbVec3f(0, 0, 0))));
    TempFile output(".toff");
    const ToolRun run = runTool(model.path() + " " + output.path() + " --progress --points 500");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> stages = {"reading",  "importing", "welding", "simplifying",
                                             "ordering", "placing",   "bracing", "writing"};
    std::istringstream lines(run.out);
    std::string line;
    std::string last;
    int percent = -1;
    std::size_t stage = 0;
    int progressLines = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("progress ", 0) != 0) {
            EXPECT_LT(percent, 100) << "a report line after the last: " << line;
            continue;
        }
        std::istringstream words(line.substr(9));
        int next = -1;
        std::string name;
        words >> next >> name;
        ASSERT_TRUE(words.eof() && !words.fail()) << line;
        EXPECT_GT(next, percent) << line;
        const auto at = std::find(stages.begin() + stage, stages.end(), name);
        ASSERT_NE(at, stages.end()) << "a stage unknown or out of its order: " << line;
        stage = static_cast<std::size_t>(at - stages.begin());
        percent = next;
        last = line;
        ++progressLines;
    }
    EXPECT_EQ(last, "progress 100 writing");
    EXPECT_EQ(run.out.substr(run.out.size() - last.size() - 1), last + "\n");
    EXPECT_EQ(run.out.rfind("progress 0 reading\n", 0), 0u);
    EXPECT_GE(progressLines, 8) << "a line at least for each stage";

    // Without the option, no such line; a model that fails never gets to 100.
    EXPECT_EQ(runTool(model.path() + " " + output.path()).out.find("progress "), std::string::npos);
    TempFile empty(".obj");
    empty.write("");
    const ToolRun failed = runTool(empty.path() + " " + output.path() + " --progress");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out.find("progress 100"), std::string::npos) << failed.out;
}
