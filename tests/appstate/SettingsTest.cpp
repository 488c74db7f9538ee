#include "appstate/Settings.h"
#include "tests/appstate/ArgumentList.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { settings = SimulationSettings{}; }
};

TEST(FindOption, NoArgumentsGiveEmptyTextNotNull) {
    ArgumentList args{"plimmerton"};
    const char* value = findOption(args.argc(), args.argv(), "-i");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "");
}

TEST(FindOption, ZeroArgumentCountGivesEmptyText) {
    ArgumentList args{};
    const char* value = findOption(args.argc(), args.argv(), "-i");
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "");
}

TEST(FindOption, ReturnsTheArgumentItselfNotACopy) {
    ArgumentList args{"plimmerton", "-i", "body.off"};
    EXPECT_EQ(findOption(args.argc(), args.argv(), "-i"), args.argv()[2]);
}

TEST(FindOption, OptionInLastPlaceHasNoValue) {
    ArgumentList args{"plimmerton", "-d", "0.5", "-i"};
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-i"), "");
}

TEST(FindOption, FirstOccurrenceWithAValueWins) {
    ArgumentList twice{"plimmerton", "-i", "first.off", "-i", "second.off"};
    EXPECT_STREQ(findOption(twice.argc(), twice.argv(), "-i"), "first.off");

    ArgumentList lastHasNone{"plimmerton", "-s", "50", "-s"};
    EXPECT_STREQ(findOption(lastHasNone.argc(), lastHasNone.argv(), "-s"), "50");
}

TEST(FindOption, ValueMayLookLikeAnOption) {
    ArgumentList args{"plimmerton", "-d", "-m", "5"};
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-d"), "-m");
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-m"), "5");
}

TEST(FindOption, NamesMatchExactlyAndCaseSensitively) {
    ArgumentList args{"plimmerton", "-tex", "skin.tga", "-I", "body.off", "--i", "x"};
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-t"), "");
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-i"), "");
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-te"), "");
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-tex"), "skin.tga");
}

TEST(FindOption, ProgramNameTakesPartInTheScan) {
    ArgumentList args{"-i", "body.off"};
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-i"), "body.off");
}

TEST(FindOption, StrayArgumentsAreSkipped) {
    ArgumentList args{"plimmerton", "stray", "--verbose", "-i", "body.off", "more"};
    EXPECT_STREQ(findOption(args.argc(), args.argv(), "-i"), "body.off");
}

TEST_F(SettingsTest, AbsentOptionsKeepTheirStartValues) {
    ArgumentList args{"plimmerton", "-i", "body.off"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.damping, 0.0f);
    EXPECT_EQ(settings.mass, 0.0f);
    EXPECT_EQ(settings.stiffness, 0.0f);
    EXPECT_EQ(settings.timeStep, 0.0f);
    ASSERT_NE(settings.textureFileName, nullptr);
    EXPECT_STREQ(settings.textureFileName, "");
}

TEST_F(SettingsTest, EachOptionReachesItsOwnField) {
    ArgumentList args{"plimmerton", "-tex", "skin.tga", "-t", "0.012", "-s",
                      "85",         "-m",   "1.5",      "-d", "0.02"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.damping, 0.02f);
    EXPECT_EQ(settings.mass, 1.5f);
    EXPECT_EQ(settings.stiffness, 85.0f);
    EXPECT_EQ(settings.timeStep, 0.012f);
    EXPECT_STREQ(settings.textureFileName, "skin.tga");
}

TEST_F(SettingsTest, TexDoesNotSetTheTimeStep) {
    ArgumentList args{"plimmerton", "-tex", "x"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.timeStep, 0.0f);
    EXPECT_STREQ(settings.textureFileName, "x");
}

TEST_F(SettingsTest, TimeStepDoesNotSetTheTexture) {
    ArgumentList args{"plimmerton", "-t", "0.01"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.timeStep, 0.01f);
    EXPECT_STREQ(settings.textureFileName, "");
}

TEST_F(SettingsTest, OptionNameAsValueConvertsToZero) {
    ArgumentList args{"plimmerton", "-d", "-m", "5"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.damping, 0.0f);
    EXPECT_EQ(settings.mass, 5.0f);
}

TEST_F(SettingsTest, NumbersConvertAsFarAsTheyAreNumeric) {
    ArgumentList args{"plimmerton", "-s", "50abc", "-m", "1e-1", "-d", "abc", "-t", " \t-2.5e1x"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.stiffness, 50.0f);
    EXPECT_EQ(settings.mass, 0.1f);
    EXPECT_EQ(settings.damping, 0.0f);
    EXPECT_EQ(settings.timeStep, -25.0f);
}

TEST_F(SettingsTest, ValuesAreRoundedToSinglePrecision) {
    ArgumentList args{"plimmerton", "-t", "0.1"};
    readNumericSettings(args.argc(), args.argv());
    EXPECT_EQ(settings.timeStep, static_cast<float>(0.1));
    EXPECT_NE(static_cast<double>(settings.timeStep), 0.1);
}

} // namespace
