#include "control/KeyTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

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
    for (const char* key : {"P ", "O ", "SPACE", "T ", "N ", "H ", "Q ", "1 2 3", "4 5 6", "arrows",
                            "END", "A D W S", "J L I K", "F12", "Ctrl+left"}) {
        EXPECT_NE(panel.find(key), std::string::npos) << key;
    }
    for (const KeyBinding& binding : keyTable()) {
        EXPECT_NE(panel.find(std::string(binding.label) + " "), std::string::npos) << binding.label;
        EXPECT_NE(panel.find(binding.text), std::string::npos) << binding.text;
    }
}

TEST(KeyTable, NoKeyAndModifierHasTwoActions) {
    std::set<std::pair<int, bool>> seen;
    for (const KeyBinding& binding : keyTable()) {
        if (binding.action != nullptr) {
            EXPECT_TRUE(seen.insert({binding.key, binding.ctrl}).second) << binding.label;
        }
    }
}

} // namespace
