#pragma once

#include <string>

class ExaminerViewer;
class ProgramState;

/// The window system: the one place that knows the toolkit. Its header names no toolkit type,
/// so the rest of the program stays free of it.
namespace QtWindow {

/// Initialises the toolkit and the scene-graph library and creates the top-level window.
/// Returns false, without aborting, when no display can be opened or the toolkit fails, with
/// `problem` saying why ("no display is named: DISPLAY is not set").
bool init(const char* programName, const char* className, std::string& problem);

/// Creates the examiner viewer in the top-level window: embedded, all decorations, browser
/// type. It passes every keyboard event to the scene graph and none to its own key bindings;
/// the mouse navigates as usual. Its handlers work on `state`, which must outlive it.
ExaminerViewer* createExaminerViewer(ProgramState& state);

/// Shows the top-level window.
void show();

/// Runs the event loop until the window is closed.
void mainLoop();

} // namespace QtWindow
