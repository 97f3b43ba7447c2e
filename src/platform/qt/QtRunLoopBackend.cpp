#include "platform/qt/QtRunLoopBackend.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QThread>

#include <chrono>
#include <cmath>

#include "platform/foundation/FailureHook.h"

namespace platform::qt {

namespace {
// Posted by wake() while a foreign loop runs: serve the run loop from it.
const QEvent::Type kServeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

QtRunLoopBackend::QtRunLoopBackend() : dispatcher_(QAbstractEventDispatcher::instance(QThread::currentThread())) {
    assertMainThread("QtRunLoopBackend");
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, [this] { deadlinePassed_ = true; });
    foreignTimer_.setSingleShot(true);
    foreignTimer_.setTimerType(Qt::PreciseTimer);
    connect(&foreignTimer_, &QTimer::timeout, this, [this] { serveForeignLoop(); });
}

QtRunLoopBackend::~QtRunLoopBackend() {
    for (auto& [id, notifier] : notifiers_) delete notifier;
}

RunLoopBackend::PumpResult QtRunLoopBackend::pump(bool wait, std::optional<TimePoint> deadline) {
    // Inside a foreign loop the run loop is served from Qt's loop; a pass
    // that only asks what is pending finds nothing of its own to deliver.
    if (serving_ && !wait) return PumpResult::none;
    if (!dispatcher_) return PumpResult::starved;
    const bool delivered = dispatcher_->processEvents(QEventLoop::AllEvents);
    if (delivered || !wait) return delivered ? PumpResult::delivered : PumpResult::none;
    if (woken_.exchange(false)) return PumpResult::none;
    if (deadline) {
        const auto left = std::chrono::duration<double, std::milli>(*deadline - dispatch::clock::now()).count();
        if (left <= 0) return PumpResult::none;
        deadlinePassed_ = false;
        deadline_.start(static_cast<int>(std::min(std::ceil(left), 2.0e9)));
    }
    const bool any = dispatcher_->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    deadline_.stop();
    woken_ = false;
    const bool timedOut = std::exchange(deadlinePassed_, false);
    return any && !timedOut ? PumpResult::delivered : PumpResult::none;
}

void QtRunLoopBackend::wake() {
    woken_ = true;
    if (inForeignLoop_ && !servePosted_.exchange(true))
        QCoreApplication::postEvent(this, new QEvent(kServeEvent));
    if (dispatcher_) dispatcher_->wakeUp();
}

bool QtRunLoopBackend::event(QEvent* event) {
    if (event->type() == kServeEvent) {
        servePosted_ = false;
        serveForeignLoop();
        return true;
    }
    return QObject::event(event);
}

RunLoopBackend::NotifierId QtRunLoopBackend::addNotifier(int fd, Readiness readiness, std::function<void()> callback) {
    const auto id = nextId_++;
    auto* notifier = new QSocketNotifier(fd, readiness == Readiness::readable ? QSocketNotifier::Read : QSocketNotifier::Write);
    connect(notifier, &QSocketNotifier::activated, this, [callback = std::move(callback)] { callback(); });
    notifiers_.emplace(id, notifier);
    return id;
}

void QtRunLoopBackend::removeNotifier(NotifierId id) {
    auto it = notifiers_.find(id);
    if (it == notifiers_.end()) return;
    // It may be removing itself from inside its own callback: silence it now,
    // delete it once the callback has returned.
    it->second->setEnabled(false);
    it->second->disconnect();
    it->second->deleteLater();
    notifiers_.erase(it);
}

void QtRunLoopBackend::enterForeignLoop(const std::string& mode) {
    foreignModes_.push_back(mode);
    inForeignLoop_ = true;
    serveForeignLoop();
}

void QtRunLoopBackend::leaveForeignLoop() {
    if (!foreignModes_.empty()) foreignModes_.pop_back();
    inForeignLoop_ = !foreignModes_.empty();
    if (!inForeignLoop_) foreignTimer_.stop();
}

void QtRunLoopBackend::serveForeignLoop() {
    if (foreignModes_.empty() || serving_) return;
    const std::string mode = foreignModes_.back();
    serving_ = true;
    RunLoop::main().runUntilIdle(mode);
    serving_ = false;
    if (auto next = RunLoop::main().nextTimerDeadline(mode)) {
        const auto left = std::chrono::duration<double, std::milli>(*next - dispatch::clock::now()).count();
        foreignTimer_.start(static_cast<int>(std::clamp(std::ceil(left), 0.0, 2.0e9)));
    } else {
        foreignTimer_.stop();
    }
}

}  // namespace platform::qt
