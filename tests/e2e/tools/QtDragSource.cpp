// A window that drags one file away, as a file manager does: pressing a mouse button in it
// starts a drag of the file named on the command line (text/uri-list). The end-to-end tests
// press in it and let go over the program's view. Prints "dropped" or "not dropped" when the
// drag ends, and ends half a second after a drop.

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QString path) : path_(std::move(path)) {
        setWindowTitle("Drag source");
        resize(120, 120);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        QMimeData* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QFileInfo(path_).absoluteFilePath())});
        QDrag* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::printf(done == Qt::IgnoreAction ? "not dropped\n" : "dropped\n");
        std::fflush(stdout);
        // Not at once: the target finishes the drop with messages to this window, and a window
        // gone too soon leaves the target's next drop in doubt.
        if (done != Qt::IgnoreAction) {
            QTimer::singleShot(500, qApp, &QApplication::quit);
        }
    }

private:
    QString path_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: drag_source FILE\n");
        return 2;
    }
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.show();
    return application.exec();
}
