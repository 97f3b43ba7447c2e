#pragma once
// The run loop's backend on Qt's event dispatcher: waiting is Qt's event
// processing (which also iterates GLib's main context, so GIO callbacks and
// X11 file descriptors are served by the same wait), waking is the
// dispatcher's wake-up, and file-descriptor notifiers are socket notifiers.
//
// Where Qt runs a loop of its own (QDrag::exec), enterForeignLoop keeps the
// run loop's timers and main queue served from inside it, in the mode given.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <map>
#include <memory>
#include <string>

#include "platform/foundation/RunLoop.h"

class QAbstractEventDispatcher;
class QSocketNotifier;

namespace platform::qt {

class QtRunLoopBackend : public QObject, public RunLoopBackend {
    Q_OBJECT
public:
    // Needs the QCoreApplication; made on the main thread.
    QtRunLoopBackend();
    ~QtRunLoopBackend() override;

    PumpResult pump(bool wait, std::optional<TimePoint> deadline) override;
    void wake() override;
    NotifierId addNotifier(int fd, Readiness readiness, std::function<void()> callback) override;
    void removeNotifier(NotifierId id) override;

    // A loop of Qt's own runs from now until the matching leave.
    void enterForeignLoop(const std::string& mode);
    void leaveForeignLoop();

protected:
    bool event(QEvent* event) override;

private:
    void serveForeignLoop();

    QAbstractEventDispatcher* dispatcher_;
    QTimer deadline_;
    bool deadlinePassed_ = false;
    std::atomic<bool> woken_{false};
    std::map<NotifierId, QSocketNotifier*> notifiers_;
    NotifierId nextId_ = 1;
    // Foreign loops, innermost last, by mode (main thread only).
    std::vector<std::string> foreignModes_;
    std::atomic<bool> inForeignLoop_{false};
    std::atomic<bool> servePosted_{false};
    bool serving_ = false;
    QTimer foreignTimer_;
};

}  // namespace platform::qt
