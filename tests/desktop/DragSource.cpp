// A stand-in for a file manager in the desktop tests: a small window that,
// like a file manager, takes the focus when a mouse button goes down on it
// and starts dragging a file (text/uri-list, copy or move offered) at once.
// xdotool then carries the drag wherever the test wants it to land.
//
//   frelt_drag_source FILE X Y
//
// Prints "drag source ready" once its window is shown, "drag started" when
// a drag begins and "drag ended ACTION" when it is over (ACTION is Qt's
// drop action: 0 refused, 1 copy, 2 move).

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class Source : public QWidget {
public:
    explicit Source(QString file) : file_(std::move(file)) {
        setWindowTitle(QStringLiteral("Drag Source"));
        setObjectName(QStringLiteral("dragsource"));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        // What a file manager does with the press: its window takes the
        // focus, then the drag begins.
        activateWindow();
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(file_)});
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        std::printf("drag started\n");
        std::fflush(stdout);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("drag ended %d\n", int(action));
        std::fflush(stdout);
    }

private:
    QString file_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: frelt_drag_source FILE X Y\n");
        return 2;
    }
    Source source(QString::fromLocal8Bit(argv[1]));
    source.setGeometry(QString(argv[2]).toInt(), QString(argv[3]).toInt(), 200, 120);
    source.show();
    QTimer::singleShot(0, [] {
        std::printf("drag source ready\n");
        std::fflush(stdout);
    });
    return app.exec();
}
