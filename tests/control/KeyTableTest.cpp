#include "control/KeyTable.h"

#include <Inventor/SoDB.h>
#include <Inventor/events/SoKeyboardEvent.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string panelText() {
    std::string panel;
    for (const std::string& line : helpPanelLines()) {
        panel += line + "\n";
    }
    return panel;
}

TEST(KeyTable, HelpPanelListsEveryKeyAndTheMouse) {
    const std::string panel = panelText();
    for (const char* key :
         {"P ", "O ", "SPACE", "T ", "N ", "H ", "Q ", "1 2 3", "4 5 6", "arrows", "END", "A D W S",
          "J L I K", "F12", "Tab", "Delete", "Shift+Ctrl+O", "Ctrl+left", "selects"}) {
        EXPECT_NE(panel.find(key), std::string::npos) << key;
    }
    for (const KeyBinding& binding : keyTable()) {
        if (binding.label != nullptr) {
            EXPECT_NE(panel.find(std::string(binding.label) + " "), std::string::npos)
                << binding.label;
            EXPECT_NE(panel.find(binding.text), std::string::npos) << binding.text;
        }
    }
    // The first row is labelled: a row without one is named by the row before it.
    ASSERT_FALSE(keyTable().empty());
    EXPECT_NE(keyTable().front().label, nullptr);
}

/// The rows that an event of `key`, with Ctrl and Shift as given, presses.
std::vector<const KeyBinding*> rowsPressed(SoKeyboardEvent::Key key, bool ctrl, bool shift,
                                           SoButtonEvent::State state = SoButtonEvent::DOWN) {
    SoDB::init();
    SoKeyboardEvent event;
    event.setKey(key);
    event.setState(state);
    event.setCtrlDown(ctrl);
    event.setShiftDown(shift);
    std::vector<const KeyBinding*> rows;
    for (const KeyBinding& binding : keyTable()) {
        if (binding.action != nullptr && pressesKey(binding, &event)) {
            rows.push_back(&binding);
        }
    }
    return rows;
}

// Every key of the table, with every mix of Ctrl and Shift, runs one action at most: two rows
// that took the same press would act twice, in an order nobody chose.
TEST(KeyTable, EveryPressRunsOneRowAtMost) {
    for (const KeyBinding& binding : keyTable()) {
        for (int modifiers = 0; modifiers < 4; ++modifiers) {
            EXPECT_LE(rowsPressed(binding.key, modifiers & 1, modifiers & 2).size(), 1u)
                << "key " << binding.key << ", modifiers " << modifiers;
        }
    }
}

struct Press {
    SoKeyboardEvent::Key key;
    bool ctrl;
    bool shift;
    /// The label of the row it runs (of the row before it for rows without one); none for no
    /// row.
    const char* row;
};

class KeyDispatch : public testing::TestWithParam<Press> {};

// O alone steps once; with Ctrl it opens a model, with Ctrl and Shift it adds one; the keys the
// program is built around answer with any modifiers, as they always did; a release runs nothing.
TEST_P(KeyDispatch, APressRunsTheRowOfItsKeyAndModifiers) {
    const Press press = GetParam();
    const std::vector<const KeyBinding*> rows = rowsPressed(press.key, press.ctrl, press.shift);
    if (press.row == nullptr) {
        EXPECT_TRUE(rows.empty());
        return;
    }
    ASSERT_EQ(rows.size(), 1u);
    const KeyBinding* named = rows.front();
    while (named->label == nullptr) {
        --named;
    }
    EXPECT_STREQ(named->label, press.row);
    EXPECT_TRUE(rowsPressed(press.key, press.ctrl, press.shift, SoButtonEvent::UP).empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyDispatch,
                         testing::Values(Press{SoKeyboardEvent::O, false, false, "O"},
                                         Press{SoKeyboardEvent::O, false, true, "O"},
                                         Press{SoKeyboardEvent::O, true, false, "Ctrl+O"},
                                         Press{SoKeyboardEvent::O, true, true, "Shift+Ctrl+O"},
                                         Press{SoKeyboardEvent::TAB, false, false, "Tab"},
                                         Press{SoKeyboardEvent::TAB, true, false, nullptr},
                                         Press{SoKeyboardEvent::DELETE, false, false, "Delete"},
                                         Press{SoKeyboardEvent::F12, true, false, nullptr},
                                         Press{SoKeyboardEvent::P, true, true, "P"},
                                         Press{SoKeyboardEvent::NUMBER_3, false, true, "1 2 3"},
                                         Press{SoKeyboardEvent::NUMBER_6, true, false, "4 5 6"},
                                         Press{SoKeyboardEvent::DOWN_ARROW, false, false, "arrows"},
                                         Press{SoKeyboardEvent::S, false, false, "A D W S"},
                                         Press{SoKeyboardEvent::K, false, true, "J L I K"},
                                         Press{SoKeyboardEvent::Z, false, false, nullptr}));

} // namespace
