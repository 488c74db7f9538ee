#include "app/QtWindow.h"

#include "app/QtExaminerViewer.h"

#include <Inventor/Qt/SoQt.h>

// Last: Xlib defines macros (Bool, None, Status) that clash with names in the headers above.
#include <X11/Xlib.h>

namespace {

QWidget* topLevelWidget = nullptr;

// The toolkit aborts the process when it cannot connect to the display, so the connection is
// tried here first, on the display the toolkit would use.
bool displayUsable() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

} // namespace

bool QtWindow::init(const char* programName, const char* className) {
    if (!displayUsable()) {
        return false;
    }
    topLevelWidget = SoQt::init(programName, className);
    return topLevelWidget != nullptr;
}

ExaminerViewer* QtWindow::createExaminerViewer(ProgramState& state) {
    return new QtExaminerViewer(topLevelWidget, state);
}

void QtWindow::show() {
    SoQt::show(topLevelWidget);
}

void QtWindow::mainLoop() {
    SoQt::mainLoop();
}
