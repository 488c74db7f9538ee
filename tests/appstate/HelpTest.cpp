#include "appstate/Help.h"
#include "common/CommandLine.h"
#include "tests/appstate/ArgumentList.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Output {
    std::string out;
    std::string err;
};

template <typename Writer> Output capture(Writer write) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    write();
    Output output;
    output.err = ::testing::internal::GetCapturedStderr();
    output.out = ::testing::internal::GetCapturedStdout();
    return output;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// How wide a line shows on a terminal whose tabs stop at every eighth column.
std::string::size_type displayWidth(const std::string& line) {
    std::string::size_type column = 0;
    for (char c : line) {
        column = c == '\t' ? (column / 8 + 1) * 8 : column + 1;
    }
    return column;
}

const char* const helpPage = "\n"
                             "\n"
                             "General control\n"
                             "===============\n"
                             "P\tstart / stop animation\n"
                             "SPACE\tshoot ball\n"
                             "T\tremove a ball\n"
                             "N\tnew mass-point system\n"
                             "H\tthis help page\n"
                             "Q\tquit\n"
                             "\n"
                             "Switches\n"
                             "========\n"
                             "1\tstiffness (low / medium / high)\n"
                             "2\ttimestep (small / medium / big)\n"
                             "3\tdamping (low / medium / high)\n"
                             "4\theadlight (on/off)\n"
                             "5\tshaded / wireframe / overlay\n"
                             "6\tglobal cam / headcam\n"
                             "\n"
                             "MpSystem-\tCannon-\tGlobalCam- control\n"
                             "==========================================\n"
                             "LEFT_ARROW\tA\tJ\tleft\n"
                             "RIGHT_ARROW\tD\tL\tright\n"
                             "UP_ARROW\tW\tI\tforward/up/up\n"
                             "DOWN_ARROW\tS\tK\tbackward/down/down\n"
                             "\n";

TEST(HelpPage, IsTheKeyTableByteForByteOnStandardOutput) {
    Output output = capture(printHelp);
    EXPECT_EQ(output.out, helpPage);
    EXPECT_EQ(output.err, "");
}

TEST(HelpPage, HasTwentySevenLinesWithEmptyOnesWhereTheBlocksPart) {
    std::vector<std::string> lines = linesOf(capture(printHelp).out);
    ASSERT_EQ(lines.size(), 27u);
    for (int emptyLine : {1, 2, 11, 20, 27}) {
        EXPECT_EQ(lines[emptyLine - 1], "") << "line " << emptyLine;
    }
}

TEST(HelpPage, UnderlinesAreAsWideAsTheirHeadings) {
    std::vector<std::string> lines = linesOf(capture(printHelp).out);
    ASSERT_EQ(lines.size(), 27u);
    for (int heading : {3, 12, 21}) {
        const std::string& underline = lines[heading];
        EXPECT_EQ(underline.find_first_not_of('='), std::string::npos) << underline;
        EXPECT_EQ(underline.size(), displayWidth(lines[heading - 1])) << lines[heading - 1];
    }
    EXPECT_EQ(lines[3].size(), 15u);
    EXPECT_EQ(lines[12].size(), 8u);
    EXPECT_EQ(lines[21].size(), 42u);
}

TEST(HelpPage, KeyTableRowsHaveFourTabSeparatedColumns) {
    std::vector<std::string> lines = linesOf(capture(printHelp).out);
    ASSERT_EQ(lines.size(), 27u);
    for (int row = 22; row <= 25; ++row) {
        std::istringstream columns(lines[row]);
        std::vector<std::string> cells;
        for (std::string cell; std::getline(columns, cell, '\t');) {
            cells.push_back(cell);
        }
        EXPECT_EQ(cells.size(), 4u) << lines[row];
    }
}

TEST(HelpPage, EachCallPrintsTheWholePageAgain) {
    Output output = capture([] {
        printHelp();
        printHelp();
    });
    EXPECT_EQ(output.out, std::string(helpPage) + helpPage);
}

TEST(UsageRequest, OnlyAsTheSoleArgument) {
    ArgumentList longForm{"plimmerton", "--help"};
    EXPECT_TRUE(isUsageRequest(longForm.argc(), longForm.argv()));
    ArgumentList shortForm{"plimmerton", "-h"};
    EXPECT_TRUE(isUsageRequest(shortForm.argc(), shortForm.argv()));

    ArgumentList none{"plimmerton"};
    EXPECT_FALSE(isUsageRequest(none.argc(), none.argv()));
    ArgumentList withOthers{"plimmerton", "-i", "body.off", "--help"};
    EXPECT_FALSE(isUsageRequest(withOthers.argc(), withOthers.argv()));
    ArgumentList twice{"plimmerton", "-h", "-h"};
    EXPECT_FALSE(isUsageRequest(twice.argc(), twice.argv()));
    ArgumentList otherSpelling{"plimmerton", "-help"};
    EXPECT_FALSE(isUsageRequest(otherSpelling.argc(), otherSpelling.argv()));
    ArgumentList programNameOnly{"-h"};
    EXPECT_FALSE(isUsageRequest(programNameOnly.argc(), programNameOnly.argv()));
}

TEST(Usage, NamesEveryOptionOnStandardOutput) {
    Output output = capture(printUsage);
    EXPECT_EQ(output.err, "");
    for (const char* option : {"-i ", "-d ", "-m ", "-s ", "-t ", "-tex ", "-keys ", "-arena "}) {
        EXPECT_NE(output.out.find(std::string("  ") + option), std::string::npos) << option;
    }
    EXPECT_EQ(output.out.rfind("Usage: plimmerton ", 0), 0u);
    EXPECT_EQ(output.out.back(), '\n');
}

} // namespace
