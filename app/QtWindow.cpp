#include "app/QtWindow.h"

#include "app/QtExaminerViewer.h"

#include <Inventor/Qt/SoQt.h>
#include <QHBoxLayout>
#include <QWidget>

#include <cstdlib>

// Last: Xlib defines macros (Bool, None, Status) that clash with names in the headers above.
#include <X11/Xlib.h>

namespace {

QWidget* topLevelWidget = nullptr;

/// Holds the viewer and asks for the viewer's own size, so that the window opens at it.
class ViewArea : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override {
        const QList<QWidget*> held = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        return held.isEmpty() ? QWidget::sizeHint() : held.front()->size();
    }
};

// The toolkit aborts the process when it cannot connect to the display, so the connection is
// tried here first, on the display the toolkit would use.
bool displayUsable(std::string& problem) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        problem = "no display is named: DISPLAY is not set";
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        problem = std::string("the display `") + name + "' is not there or refused the connection";
        return false;
    }
    XCloseDisplay(display);
    return true;
}

} // namespace

bool QtWindow::init(const char* programName, const char* className, std::string& problem) {
    if (!displayUsable(problem)) {
        return false;
    }
    topLevelWidget = SoQt::init(programName, className);
    if (topLevelWidget == nullptr) {
        problem = "the window toolkit could not start";
        return false;
    }
    return true;
}

ExaminerViewer* QtWindow::createExaminerViewer(ProgramState& state) {
    // The view, and beside it the column where the tuning panel and the energy plot dock:
    // over the view they would cover its texts.
    auto* layout = new QHBoxLayout(topLevelWidget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* view = new ViewArea(topLevelWidget);
    auto* dock = new QWidget(topLevelWidget);
    layout->addWidget(view, 1);
    layout->addWidget(dock, 0);
    return new QtExaminerViewer(view, dock, state);
}

void QtWindow::show() {
    SoQt::show(topLevelWidget);
}

void QtWindow::mainLoop() {
    SoQt::mainLoop();
}
