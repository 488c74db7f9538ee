// The scripts of keys that plimmerton-sim --keys and the program's -keys press: what they
// read and the one line that says what is wrong.

#include "control/KeyScript.h"

#include <gtest/gtest.h>

TEST(KeyScriptTest, KeysComeInTheOrderOfTheirTicksThoseOfATickAsWritten) {
    std::vector<ScriptedKey> keys;
    std::string problem;
    ASSERT_TRUE(parseKeyScript(
        "120:a,0:SPACE,121:space,0:p,400:1,5:Left,6:ctrl+o,7:f12,9:BackSpace", keys, problem))
        << problem;
    const std::vector<std::pair<int64_t, SoKeyboardEvent::Key>> expected = {
        {0, SoKeyboardEvent::SPACE},      {0, SoKeyboardEvent::P},
        {5, SoKeyboardEvent::LEFT_ARROW}, {6, SoKeyboardEvent::O},
        {7, SoKeyboardEvent::F12},        {9, SoKeyboardEvent::BACKSPACE},
        {120, SoKeyboardEvent::A},        {121, SoKeyboardEvent::SPACE},
        {400, SoKeyboardEvent::NUMBER_1}};
    ASSERT_EQ(keys.size(), expected.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(keys[k].tick, expected[k].first) << k;
        EXPECT_EQ(keys[k].key, expected[k].second) << k;
        EXPECT_EQ(keys[k].ctrl, expected[k].second == SoKeyboardEvent::O) << k;
    }
}

class KeyScriptErrorTest : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(KeyScriptErrorTest, ABadScriptNamesTheItemAndWhatIsWrong) {
    std::vector<ScriptedKey> keys;
    std::string problem;
    EXPECT_FALSE(parseKeyScript(GetParam().first, keys, problem));
    EXPECT_EQ(problem, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, KeyScriptErrorTest,
    testing::Values(
        std::make_pair("", "the script needs TICK:KEY items, separated by commas"),
        std::make_pair("0:space,", "the script needs TICK:KEY items, separated by commas"),
        std::make_pair("0:space,12", "'12' is not TICK:KEY"),
        std::make_pair("-1:space", "'-1:space': the tick must be a whole number from 0 up"),
        std::make_pair("1e3:a", "'1e3:a': the tick must be a whole number from 0 up"),
        std::make_pair("3:shift",
                       "'3:shift': no such key (a letter, a digit, space, left, "
                       "right, up, down, end, f12, backspace, tab, delete, or ctrl+ one of "
                       "them)")));

// A script saved with a scene reads back to the same keys, every kind of key among them.
TEST(KeyScriptTest, TheTextOfAScriptReadsBackToTheSameKeys) {
    std::vector<ScriptedKey> keys;
    std::string problem;
    ASSERT_TRUE(parseKeyScript("0:space,0:P,5:left,6:ctrl+o,7:F12,9:backspace,10:tab,11:delete,"
                               "12:right,12:up,13:down,14:end,120:z,400:9,401:ctrl+s",
                               keys, problem))
        << problem;
    const std::string text = keyScriptText(keys);
    std::vector<ScriptedKey> again;
    ASSERT_TRUE(parseKeyScript(text, again, problem)) << text << ": " << problem;
    ASSERT_EQ(again.size(), keys.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(again[k].tick, keys[k].tick) << k;
        EXPECT_EQ(again[k].key, keys[k].key) << k;
        EXPECT_EQ(again[k].ctrl, keys[k].ctrl) << k;
    }
    EXPECT_EQ(text.substr(0, 15), "0:space,0:p,5:l");
    EXPECT_EQ(keyScriptText({}), "");
}

// A run going on from a moment saved at tick 500 presses the keys of tick 500 and after, and
// none of those the first run pressed already.
TEST(KeyScriptTest, KeysBeforeTheSavedTickCountAsPressed) {
    std::vector<ScriptedKey> keys;
    std::string problem;
    ASSERT_TRUE(parseKeyScript("0:a,499:b,500:c,501:d", keys, problem));
    KeyScriptPlayer player(keys);
    player.skipBefore(500);
    EXPECT_FALSE(player.finished());
    EXPECT_EQ(player.keys().size(), 4u) << "the script keeps every key, to be saved again";
    player.skipBefore(502);
    EXPECT_TRUE(player.finished());
}
