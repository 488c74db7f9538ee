#include "control/KeyScript.h"

#include "appstate/ExaminerViewer.h"
#include "appstate/Globals.h"

#include <Inventor/actions/SoHandleEventAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

struct KeyName {
    const char* name;
    SoKeyboardEvent::Key key;
};

const KeyName namedKeys[] = {
    {"space", SoKeyboardEvent::SPACE},       {"left", SoKeyboardEvent::LEFT_ARROW},
    {"right", SoKeyboardEvent::RIGHT_ARROW}, {"up", SoKeyboardEvent::UP_ARROW},
    {"down", SoKeyboardEvent::DOWN_ARROW},   {"end", SoKeyboardEvent::END},
    {"f12", SoKeyboardEvent::F12},           {"backspace", SoKeyboardEvent::BACKSPACE},
    {"tab", SoKeyboardEvent::TAB},           {"delete", SoKeyboardEvent::DELETE},
};

bool keyNamed(std::string name, ScriptedKey& key) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    key.ctrl = name.rfind("ctrl+", 0) == 0;
    if (key.ctrl) {
        name.erase(0, 5);
    }
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') {
        key.key = static_cast<SoKeyboardEvent::Key>(SoKeyboardEvent::A + (name[0] - 'a'));
        return true;
    }
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') {
        key.key = static_cast<SoKeyboardEvent::Key>(SoKeyboardEvent::NUMBER_0 + (name[0] - '0'));
        return true;
    }
    for (const KeyName& named : namedKeys) {
        if (name == named.name) {
            key.key = named.key;
            return true;
        }
    }
    return false;
}

void sendKey(const ScriptedKey& key, SoButtonEvent::State state) {
    SoKeyboardEvent event;
    event.setKey(key.key);
    event.setState(state);
    event.setCtrlDown(key.ctrl);
    SoHandleEventAction action(viewer->getViewportRegion());
    action.setEvent(&event);
    action.apply(sceneRoot);
}

} // namespace

bool parseKeyScript(const std::string& script, std::vector<ScriptedKey>& keys,
                    std::string& problem) {
    keys.clear();
    std::istringstream items(script);
    std::string item;
    while (std::getline(items, item, ',')) {
        const size_t colon = item.find(':');
        if (colon == std::string::npos) {
            problem = "'" + item + "' is not TICK:KEY";
            return false;
        }
        const std::string tick = item.substr(0, colon);
        char* end = nullptr;
        errno = 0;
        const long long number = std::strtoll(tick.c_str(), &end, 10);
        if (tick.empty() || !std::isdigit(static_cast<unsigned char>(tick[0])) || *end != '\0' ||
            errno == ERANGE) {
            problem = "'" + item + "': the tick must be a whole number from 0 up";
            return false;
        }
        ScriptedKey key;
        key.tick = number;
        if (!keyNamed(item.substr(colon + 1), key)) {
            problem = "'" + item +
                      "': no such key (a letter, a digit, space, left, right, up, down, end, "
                      "f12, backspace, tab, delete, or ctrl+ one of them)";
            return false;
        }
        keys.push_back(key);
    }
    if (keys.empty() || script.back() == ',') {
        problem = "the script needs TICK:KEY items, separated by commas";
        return false;
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.tick < b.tick; });
    return true;
}

std::string keyScriptText(const std::vector<ScriptedKey>& keys) {
    std::string text;
    for (const ScriptedKey& key : keys) {
        if (!text.empty()) {
            text += ',';
        }
        text += std::to_string(key.tick) + ':' + (key.ctrl ? "ctrl+" : "");
        if (key.key >= SoKeyboardEvent::A && key.key <= SoKeyboardEvent::Z) {
            text += static_cast<char>('a' + (key.key - SoKeyboardEvent::A));
        } else if (key.key >= SoKeyboardEvent::NUMBER_0 && key.key <= SoKeyboardEvent::NUMBER_9) {
            text += static_cast<char>('0' + (key.key - SoKeyboardEvent::NUMBER_0));
        } else {
            for (const KeyName& named : namedKeys) {
                if (named.key == key.key) {
                    text += named.name;
                }
            }
        }
    }
    return text;
}

void KeyScriptPlayer::skipBefore(int64_t ticksRun) {
    while (next_ < keys_.size() && keys_[next_].tick < ticksRun) {
        ++next_;
    }
}

bool KeyScriptPlayer::pressDue(int64_t ticksRun, bool holdQuit) {
    while (next_ < keys_.size() && keys_[next_].tick <= ticksRun) {
        const ScriptedKey& key = keys_[next_];
        if (holdQuit && key.key == SoKeyboardEvent::Q && !key.ctrl) {
            return true;
        }
        ++next_;
        sendKey(key, SoButtonEvent::DOWN);
        sendKey(key, SoButtonEvent::UP);
    }
    return false;
}
