#pragma once

#include <Inventor/events/SoKeyboardEvent.h>

#include <cstdint>
#include <string>
#include <vector>

/// A key that a script presses once, before the tick that follows `tick` ticks of the run
/// (tick 0: at the start, before any tick).
struct ScriptedKey {
    int64_t tick = 0;
    SoKeyboardEvent::Key key = SoKeyboardEvent::ANY;
    bool ctrl = false;
};

/// Reads a script of keys, "TICK:KEY,TICK:KEY,...", for example "0:space,120:a,121:space,400:1".
/// A KEY is a letter, a digit, space, left, right, up, down, end, f12, backspace, tab or
/// delete, in any case, and may be written ctrl+KEY. The keys come back in the order of their
/// ticks, those of one tick in the order written. False, with `problem` saying what is wrong with
/// which item, when the script is not of that form.
bool parseKeyScript(const std::string& script, std::vector<ScriptedKey>& keys,
                    std::string& problem);

/// The script of `keys` as parseKeyScript reads it, which reads back to the same keys: the
/// letters in lower case, the named keys by their names, "ctrl+" before a key pressed with Ctrl.
/// Empty for no keys.
std::string keyScriptText(const std::vector<ScriptedKey>& keys);

/// The keys of a script pressed at their ticks, in turn.
class KeyScriptPlayer {
public:
    KeyScriptPlayer() = default;
    explicit KeyScriptPlayer(std::vector<ScriptedKey> keys) : keys_(std::move(keys)) {}

    /// Presses and releases, through the scene as the window does, every key not yet pressed
    /// whose tick is at most `ticksRun`. Stops before Q, which would end the process at once,
    /// when `holdQuit`: then returns true, and the caller ends the run.
    bool pressDue(int64_t ticksRun, bool holdQuit);
    bool finished() const { return next_ == keys_.size(); }
    /// Counts the keys whose tick is before `ticksRun` as pressed: a run that goes on from a
    /// moment saved at that tick presses only those still to come, as the first run would have.
    void skipBefore(int64_t ticksRun);
    /// Every key of the script, those pressed among them.
    const std::vector<ScriptedKey>& keys() const { return keys_; }

private:
    std::vector<ScriptedKey> keys_;
    size_t next_ = 0;
};
