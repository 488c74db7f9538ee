#include "common/BodyAdditions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each -add with the -at that follows it, in the order given, among other options.
TEST(BodyAdditions, EachAddTakesTheAtThatFollowsIt) {
    std::vector<std::string> words = {"plimmerton", "-i",          "a.off",  "-add", "b.toff",
                                      "-at",        "1,-2.5, 3e1", "-d",     "0.04", "-add",
                                      "c.obj",      "-at",         "-0,0,0", "-add", "d.off"};
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    std::vector<BodyAddition> additions;
    std::string problem;
    ASSERT_TRUE(readBodyAdditions(givenOptions(static_cast<int>(argv.size()), argv.data()),
                                  additions, problem))
        << problem;
    ASSERT_EQ(additions.size(), 3u);
    EXPECT_EQ(additions[0].file, "b.toff");
    EXPECT_TRUE(additions[0].placed);
    EXPECT_EQ(additions[0].centre, SbVec3f(1, -2.5f, 30));
    EXPECT_EQ(additions[1].file, "c.obj");
    EXPECT_TRUE(additions[1].placed);
    EXPECT_EQ(additions[2].file, "d.off");
    EXPECT_FALSE(additions[2].placed) << "without -at it goes above the others";
}

class BadAddition : public testing::TestWithParam<std::pair<GivenOptions, const char*>> {};

// Values that are no centre (not numbers, not finite, too few or too many, missing) and -at
// without an -add are refused with the line that names the value.
TEST_P(BadAddition, IsRefusedWithALineThatNamesIt) {
    std::vector<BodyAddition> additions;
    std::string problem;
    EXPECT_FALSE(readBodyAdditions(GetParam().first, additions, problem));
    EXPECT_EQ(problem, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadAddition,
    testing::Values(
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "1,2"}},
                       "-at needs X,Y,Z, three numbers, not '1,2'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "1,2,3,4"}},
                       "-at needs X,Y,Z, three numbers, not '1,2,3,4'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "x,2,3"}},
                       "-at needs X,Y,Z, three numbers, not 'x,2,3'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "nan,2,3"}},
                       "-at needs X,Y,Z, three numbers, not 'nan,2,3'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "1,inf,3"}},
                       "-at needs X,Y,Z, three numbers, not '1,inf,3'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "1,1e39,3"}},
                       "-at needs X,Y,Z, three numbers, not '1,1e39,3'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "1,2,3x"}},
                       "-at needs X,Y,Z, three numbers, not '1,2,3x'"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", ""}},
                       "-at needs X,Y,Z, three numbers, not ''"),
        std::make_pair(GivenOptions{{"-add", ""}}, "-add needs a body file"),
        std::make_pair(GivenOptions{{"-at", "1,2,3"}, {"-add", "b.off"}},
                       "-at 1,2,3 places the body of an -add before it, and there is none"),
        std::make_pair(GivenOptions{{"-add", "b.off"}, {"-at", "1,2,3"}, {"-at", "4,5,6"}},
                       "-at 4,5,6: b.off is placed already")));

} // namespace
