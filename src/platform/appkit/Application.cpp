#include "platform/appkit/Application.h"

#include "platform/appkit/ModalPresenter.h"

#include <algorithm>
#include <set>

#include "platform/appkit/Menu.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

void ApplicationDelegate::applicationOpenFiles(Application& app, const std::vector<std::string>& paths) {
    for (const auto& p : paths) applicationOpenFile(app, p);
}

std::shared_ptr<Application> Application::shared() {
    return singleInstance<Application>([] { return std::shared_ptr<Application>(new Application); });
}

Application::Application() : backend_(std::make_shared<HeadlessKitBackend>()) {
    registerAction("terminate:", [this](const std::shared_ptr<Object>& sender) { terminate(sender); });
    registerAction("hide:", [this](const std::shared_ptr<Object>& sender) { hide(sender); });
}

Application::~Application() = default;

void Application::postAndTell(const std::string& name, void (ApplicationDelegate::*method)(const Notification&)) {
    auto self = weak_from_this().lock();
    Notification n{name, std::any(std::static_pointer_cast<Application>(self)), this, {}};
    if (auto d = delegate()) ((*d).*method)(n);
    NotificationCenter::defaultCenter().post(n);
}

// --- life cycle

void Application::finishLaunching() {
    assertMainThread("Application::finishLaunching");
    if (launched_) return;
    launched_ = true;
    postAndTell(applicationnotification::willFinishLaunching, &ApplicationDelegate::applicationWillFinishLaunching);
    postAndTell(applicationnotification::didFinishLaunching, &ApplicationDelegate::applicationDidFinishLaunching);
    // A program with a presence in the dock comes to the front at launch; an
    // accessory (status area only) waits until it is asked to.
    if (activationPolicy_ == ActivationPolicy::regular) activate();
}

void Application::run() {
    assertMainThread("Application::run");
    finishLaunching();
    running_ = true;
    RunLoop::main().run(RunLoopMode::defaultMode, [this] { return terminated_; });
    running_ = false;
}

void Application::terminate(const std::shared_ptr<Object>&) {
    assertMainThread("Application::terminate");
    if (terminated_) return;
    TerminateReply reply = TerminateReply::now;
    if (auto d = delegate()) reply = d->applicationShouldTerminate(*this);
    if (reply == TerminateReply::later) {
        terminationPending_ = true;
        return;
    }
    if (reply == TerminateReply::cancel) return;
    replyToApplicationShouldTerminate(true);
}

void Application::replyToApplicationShouldTerminate(bool shouldTerminate) {
    assertMainThread("Application::replyToApplicationShouldTerminate");
    terminationPending_ = false;
    if (!shouldTerminate || terminated_) return;
    postAndTell(applicationnotification::willTerminate, &ApplicationDelegate::applicationWillTerminate);
    terminated_ = true;
    // Stop every modal session so the loops unwind back to run().
    for (auto& s : modalSessions_)
        if (!s->response) s->response = modalresponse::abort;
}

void Application::openFiles(const std::vector<std::string>& paths) {
    assertMainThread("Application::openFiles");
    if (paths.empty()) return;
    if (auto d = delegate()) d->applicationOpenFiles(*this, paths);
}

void Application::reopen() {
    assertMainThread("Application::reopen");
    if (auto d = delegate()) d->applicationShouldHandleReopen(*this, !visible_.empty());
}

// --- activation

void Application::activate(bool) {
    assertMainThread("Application::activate");
    if (active_) return;
    postAndTell(applicationnotification::willBecomeActive, &ApplicationDelegate::applicationWillBecomeActive);
    active_ = true;
    hidden_ = false;
    // A wait for a held button belongs to the turn away that began it; once
    // the program is back it is over, and must not act on a later showing.
    afterPointerRelease_.clear();
    if (pointerReleaseTimer_) pointerReleaseTimer_->invalidate();
    pointerReleaseTimer_.reset();
    if (backend_) backend_->activateApplication();
    // Windows hidden by the deactivation come back.
    for (auto& w : windows()) {
        if (w->hidesOnDeactivate() && w->hiddenByDeactivation_) {
            w->hiddenByDeactivation_ = false;
            w->orderFront();
        }
    }
    auto key = keyWindowBeforeDeactivation_.lock();
    keyWindowBeforeDeactivation_.reset();
    if (!key || !key->isVisible()) key = nullptr;
    if (!key) {
        for (auto& w : orderedWindows()) {
            if (w->canBecomeKeyWindow()) {
                key = w;
                break;
            }
        }
    }
    if (key) setKeyWindow(key);
    postAndTell(applicationnotification::didBecomeActive, &ApplicationDelegate::applicationDidBecomeActive);
}

void Application::focusLost(std::function<bool()> stillLost) {
    if (!active_) return;
    constexpr auto grant = std::chrono::milliseconds(500);
    const auto sinceRequest = std::chrono::steady_clock::now() - lastFocusRequest_;
    const auto key = keyWindow();
    if (sinceRequest < grant && key && key->isVisible()) {
        const double wait = std::chrono::duration<double>(grant - sinceRequest).count();
        dispatch::Queue::main()->after(dispatch::seconds(wait), [stillLost = std::move(stillLost)]() mutable {
            Application::shared()->focusLost(std::move(stillLost));
        });
        return;
    }
    if (stillLost()) deactivate();
}

void Application::deactivate() {
    assertMainThread("Application::deactivate");
    if (!active_) return;
    postAndTell(applicationnotification::willResignActive, &ApplicationDelegate::applicationWillResignActive);
    auto key = keyWindow();
    active_ = false;
    if (key) {
        keyWindow_.reset();
        key->resignKeyWindow();
    }
    keyWindowBeforeDeactivation_ = key;
    if (backend_) backend_->deactivateApplication();
    // Transient popovers go when the user turns to another program. A press
    // that took the focus and is still held may be the start of a drag that
    // is meant to land in the popover: it goes once the button is up, unless
    // the program is active again by then (a drop in it brings it back).
    const bool held = isPointerButtonDown();
    for (auto& p : shownPopovers()) {
        if (p->behavior() != PopoverBehavior::transient || p->isDetached()) continue;
        if (!held) {
            p->clickedOutside();
            continue;
        }
        whenPointerReleased([weak = std::weak_ptr<Popover>(p)] {
            auto popover = weak.lock();
            if (!popover || Application::shared()->isActive()) return;
            if (popover->behavior() == PopoverBehavior::transient && !popover->isDetached()) popover->clickedOutside();
        });
    }
    for (auto& w : orderedWindows()) {
        if (w->hidesOnDeactivate()) {
            w->hiddenByDeactivation_ = true;
            w->orderOut();
        }
    }
    postAndTell(applicationnotification::didResignActive, &ApplicationDelegate::applicationDidResignActive);
}

// --- the pointer held in another program

bool Application::isPointerButtonDown() const { return backend_ && backend_->pointerButtonsDown(); }

bool Application::isDragOverWindows() const {
    for (const auto& weak : allWindows_)
        if (auto w = weak.lock(); w && w->hasDragInside()) return true;
    return false;
}

void Application::whenPointerReleased(std::function<void()> then) {
    assertMainThread("Application::whenPointerReleased");
    if (!isPointerButtonDown() && !isDragOverWindows()) {
        then();
        return;
    }
    afterPointerRelease_.push_back(std::move(then));
    if (pointerReleaseTimer_) return;
    dragWaitTicks_ = 0;
    pointerReleaseTimer_ = Timer::scheduled(0.05, true, [weak = weak_from_this()](Timer& timer) {
        if (auto self = std::static_pointer_cast<Application>(weak.lock())) self->checkPointerReleased();
        else timer.invalidate();
    });
}

void Application::checkPointerReleased() {
    if (isPointerButtonDown()) return;
    // After the release the drag's source still tells the window under it
    // the drop or the exit; a source that never does is given up after two
    // seconds.
    if (isDragOverWindows() && ++dragWaitTicks_ < 40) return;
    if (pointerReleaseTimer_) pointerReleaseTimer_->invalidate();
    pointerReleaseTimer_.reset();
    auto waiting = std::move(afterPointerRelease_);
    afterPointerRelease_.clear();
    for (auto& then : waiting) then();
}

void Application::hide(const std::shared_ptr<Object>&) {
    assertMainThread("Application::hide");
    hidden_ = true;
    deactivate();
}

// --- windows

std::vector<std::shared_ptr<Window>> Application::windows() const {
    std::vector<std::shared_ptr<Window>> result = visible_;
    for (auto& weak : allWindows_) {
        auto w = weak.lock();
        if (w && std::find(result.begin(), result.end(), w) == result.end()) result.push_back(w);
    }
    return result;
}

std::vector<std::shared_ptr<Window>> Application::orderedWindows() const { return visible_; }

std::shared_ptr<Window> Application::windowWithWindowNumber(int number) const {
    for (auto& w : windows())
        if (w->windowNumber() == number) return w;
    return nullptr;
}

void Application::windowCreated(const std::shared_ptr<Window>& window) {
    allWindows_.erase(std::remove_if(allWindows_.begin(), allWindows_.end(), [](auto& w) { return w.expired(); }),
                      allWindows_.end());
    for (auto& w : allWindows_)
        if (w.lock() == window) return;
    allWindows_.push_back(window);
}

void Application::pushVisible(const std::shared_ptr<Window>& window, bool front) {
    visible_.erase(std::remove(visible_.begin(), visible_.end(), window), visible_.end());
    // Higher levels stay in front of lower ones.
    auto it = visible_.begin();
    if (front) {
        while (it != visible_.end() && (*it)->level() > window->level()) ++it;
    } else {
        while (it != visible_.end() && (*it)->level() >= window->level()) ++it;
    }
    visible_.insert(it, window);
}

void Application::announceOrder() {
    if (backend_) backend_->orderWindows(visible_);
}

void Application::windowDidOrderFront(const std::shared_ptr<Window>& window) {
    const bool wasVisible = std::find(visible_.begin(), visible_.end(), window) != visible_.end();
    windowCreated(window);
    pushVisible(window, true);
    if (!wasVisible)
        if (auto* native = window->nativeWindow(true)) native->show();
    announceOrder();
}

void Application::windowDidOrderBack(const std::shared_ptr<Window>& window) {
    pushVisible(window, false);
    announceOrder();
}

void Application::windowDidOrderOut(const std::shared_ptr<Window>& window) {
    auto keepAlive = window;
    visible_.erase(std::remove(visible_.begin(), visible_.end(), window), visible_.end());
    if (auto* native = window->nativeWindow()) native->hide();
    announceOrder();
    if (keyWindowBeforeDeactivation_.lock() == window) keyWindowBeforeDeactivation_.reset();
    if (mainWindow() == window) mainWindow_.reset();
    if (keyWindow() == window) chooseNewKeyWindow();
}

void Application::chooseNewKeyWindow() {
    auto old = keyWindow();
    std::shared_ptr<Window> next;
    for (auto& w : visible_) {
        if (w != old && w->canBecomeKeyWindow()) {
            next = w;
            break;
        }
    }
    if (next) {
        setKeyWindow(next);
    } else if (old) {
        keyWindow_.reset();
        old->resignKeyWindow();
    }
}

void Application::setKeyWindow(const std::shared_ptr<Window>& window) {
    if (window && !active_) {
        // An inactive program has no key window; this one becomes key when
        // the program is activated.
        keyWindowBeforeDeactivation_ = window;
        return;
    }
    auto old = keyWindow();
    if (old == window) return;
    keyWindow_ = window;
    if (old) old->resignKeyWindow();
    if (window) {
        if (auto* native = window->nativeWindow()) {
            lastFocusRequest_ = std::chrono::steady_clock::now();
            native->makeKey();
        }
        window->becomeKeyWindow();
        if (window->canBecomeMainWindow()) setMainWindow(window);
    }
}

void Application::setMainWindow(const std::shared_ptr<Window>& window) {
    auto old = mainWindow();
    if (old == window) return;
    mainWindow_ = window;
    if (old) {
        NotificationCenter::defaultCenter().post(
            Notification{windownotification::didResignMain, std::any(old), old.get(), {}});
    }
    if (window) {
        NotificationCenter::defaultCenter().post(
            Notification{windownotification::didBecomeMain, std::any(window), window.get(), {}});
    }
}

// --- events

void Application::sendEvent(const EventPtr& event) {
    assertMainThread("Application::sendEvent");
    if (!event) return;
    currentEvent_ = event;
    if (event->isKeyEvent()) Event::setCurrentModifierFlags(event->modifierFlags);
    if (event->isMouseEvent()) Event::setMouseLocation(event->locationInScreen());

    EventPtr e = event;
    localMonitors_.forEach([&](const LocalEventMonitor& monitor) {
        e = monitor(e);
        if (e) currentEvent_ = e;
        return e != nullptr;
    });
    if (!e) return;  // swallowed
    if (e->isMouseDown()) closeTransientPopoversForClick(*e);
    dispatchToWindow(e);
}

void Application::sendGlobalEvent(const EventPtr& event) {
    assertMainThread("Application::sendGlobalEvent");
    if (!event) return;
    globalMonitors_.forEach([&](const GlobalEventMonitor& monitor) { monitor(*event); });
}

void Application::dispatchToWindow(const EventPtr& e) {
    auto modal = modalWindow();
    auto allowedDuringModal = [&](const std::shared_ptr<Window>& w) {
        if (!isInModalSession()) return true;
        if (!modal) return false;  // a native modal holds all input
        for (auto p = w; p; p = p->sheetParent())
            if (p == modal) return true;
        return false;
    };

    if (e->isKeyEvent()) {
        auto key = keyWindow();
        if (!key || !allowedDuringModal(key)) return;
        if (e->type == EventType::keyDown &&
            (e->modifierFlags & (modifierflags::command | modifierflags::control)) != 0) {
            // Shortcuts: the window's views first, then the main menu.
            if (key->performKeyEquivalent(*e)) return;
            if (mainMenu_ && !isInModalSession() && mainMenu_->performKeyEquivalent(*e)) return;
        }
        key->sendEvent(*e);
        return;
    }
    auto window = e->windowPtr();
    if (!window || !allowedDuringModal(window)) return;
    if (e->isMouseDown() && window->isVisible() && window->canBecomeKeyWindow() && !window->isKeyWindow()) {
        // A click on a window of an inactive program brings both to the front.
        if (!active_) activate();
        window->makeKeyAndOrderFront();
    }
    window->sendEvent(*e);
}

void Application::closeTransientPopoversForClick(const Event& event) {
    auto clickWindow = event.windowPtr();
    // A click inside `popover`, or inside a popover shown from it (which
    // hangs off a view in its window), does not count as outside.
    std::function<bool(const std::shared_ptr<Popover>&, const std::shared_ptr<Window>&)> inside =
        [&](const std::shared_ptr<Popover>& popover, const std::shared_ptr<Window>& w) -> bool {
        if (!w) return false;
        if (w == popover->window()) return true;
        if (auto pw = std::dynamic_pointer_cast<PopoverWindow>(w)) {
            if (auto child = pw->popover()) {
                if (auto anchor = child->positioningView()) {
                    if (auto aw = anchor->window(); aw && aw != w) return inside(popover, aw);
                }
            }
        }
        return false;
    };
    for (auto& popover : shownPopovers()) {
        if (popover->behavior() == PopoverBehavior::applicationDefined || popover->isDetached()) continue;
        if (inside(popover, clickWindow)) continue;
        // A click on the view the popover hangs from is that view's business
        // (a status button toggles the popover itself).
        if (auto anchor = popover->positioningView(); anchor && clickWindow && anchor->window() == clickWindow) {
            if (auto cv = clickWindow->contentView()) {
                auto hit = cv->hitTest(event.locationInWindow);
                if (hit && hit->isDescendantOf(*anchor)) continue;
            }
        }
        popover->clickedOutside();
    }
}

Subscription Application::addLocalMonitorForEventsMatchingMask(EventMask mask, LocalEventMonitor handler) {
    assertMainThread("Application::addLocalMonitorForEventsMatchingMask");
    return localMonitors_.add([mask, handler = std::move(handler)](const EventPtr& e) -> EventPtr {
        return (mask & e->mask()) ? handler(e) : e;
    });
}

Subscription Application::addGlobalMonitorForEventsMatchingMask(EventMask mask, GlobalEventMonitor handler) {
    assertMainThread("Application::addGlobalMonitorForEventsMatchingMask");
    return globalMonitors_.add([mask, handler = std::move(handler)](const Event& e) {
        if (mask & e.mask()) handler(e);
    });
}

// --- actions

std::shared_ptr<Object> Application::targetForAction(const Selector& action, const std::shared_ptr<Object>& target,
                                                     const std::shared_ptr<Object>&) const {
    if (target) return target->respondsToAction(action) ? target : nullptr;
    std::set<const Object*> asked;
    auto ask = [&](const std::shared_ptr<Object>& o) -> bool {
        if (!o || !asked.insert(o.get()).second) return false;
        return o->respondsToAction(action);
    };
    auto walkWindow = [&](const std::shared_ptr<Window>& w) -> std::shared_ptr<Object> {
        if (!w) return nullptr;
        std::shared_ptr<Responder> r = w->firstResponder();
        if (!r) r = w;
        for (; r; r = r->nextResponder()) {
            if (asked.count(r.get())) break;  // a chain that loops
            if (ask(r)) return r;
        }
        if (auto wc = w->windowController(); ask(wc)) return wc;
        if (auto d = asObject(w->delegate()); ask(d)) return d;
        return nullptr;
    };
    if (auto found = walkWindow(keyWindow())) return found;
    if (auto main = mainWindow(); main != keyWindow()) {
        if (auto found = walkWindow(main)) return found;
    }
    auto self = std::const_pointer_cast<Application>(std::static_pointer_cast<const Application>(shared_from_this()));
    if (ask(self)) return self;
    if (auto d = asObject(delegate()); ask(d)) return d;
    return nullptr;
}

bool Application::sendAction(const Selector& action, const std::shared_ptr<Object>& target,
                             const std::shared_ptr<Object>& sender) {
    assertMainThread("Application::sendAction");
    auto receiver = targetForAction(action, target, sender);
    if (!receiver) return false;
    return receiver->performAction(action, sender);
}

bool Application::respondsToAction(const Selector& action) const { return Responder::respondsToAction(action); }

bool Application::performAction(const Selector& action, const std::shared_ptr<Object>& sender) {
    return Responder::performAction(action, sender);
}

// --- modal sessions

ModalResponse Application::runModalForWindow(const std::shared_ptr<Window>& window) {
    assertMainThread("Application::runModalForWindow");
    if (!window) return modalresponse::abort;
    auto session = std::make_shared<ModalSession>();
    session->window = window;
    modalSessions_.push_back(session);
    if (!active_) activate();
    // A dialog nobody placed opens where the person looks, not at the
    // screen's corner.
    if (!window->isVisible() && !window->hasBeenPlaced()) window->center();
    window->makeKeyAndOrderFront();
    // Tests answer from the script; a person answers in the window itself.
    if (auto presenter = ModalPresenter::current())
        if (auto answer = presenter->runDialog(window); answer && !session->response) session->response = *answer;
    if (!session->response)
        RunLoop::main().run(RunLoopMode::modalPanel, [session] { return session->response.has_value(); });
    modalSessions_.erase(std::remove(modalSessions_.begin(), modalSessions_.end(), session), modalSessions_.end());
    return session->response.value_or(modalresponse::abort);
}

ModalResponse Application::runModalSession(const std::function<void()>& start) {
    assertMainThread("Application::runModalSession");
    auto session = std::make_shared<ModalSession>();
    modalSessions_.push_back(session);
    if (start) start();
    if (!session->response)
        RunLoop::main().run(RunLoopMode::modalPanel, [session] { return session->response.has_value(); });
    modalSessions_.erase(std::remove(modalSessions_.begin(), modalSessions_.end(), session), modalSessions_.end());
    return session->response.value_or(modalresponse::abort);
}

void Application::stopModalWithCode(ModalResponse code) {
    assertMainThread("Application::stopModalWithCode");
    // Ends the innermost session still running.
    for (auto it = modalSessions_.rbegin(); it != modalSessions_.rend(); ++it) {
        if (!(*it)->response) {
            (*it)->response = code;
            return;
        }
    }
}

std::shared_ptr<Window> Application::modalWindow() const {
    for (auto it = modalSessions_.rbegin(); it != modalSessions_.rend(); ++it) {
        if (!(*it)->response) return (*it)->window.lock();
    }
    return nullptr;
}

// --- popovers

void Application::popoverDidShow(const std::shared_ptr<Popover>& popover) {
    popovers_.erase(std::remove_if(popovers_.begin(), popovers_.end(),
                                   [&](auto& w) { return w.expired() || w.lock() == popover; }),
                    popovers_.end());
    popovers_.push_back(popover);
}

void Application::popoverDidClose(const Popover& popover) {
    popovers_.erase(std::remove_if(popovers_.begin(), popovers_.end(),
                                   [&](auto& w) {
                                       auto p = w.lock();
                                       return !p || p.get() == &popover;
                                   }),
                    popovers_.end());
}

std::vector<std::shared_ptr<Popover>> Application::shownPopovers() const {
    std::vector<std::shared_ptr<Popover>> result;
    for (auto& w : popovers_)
        if (auto p = w.lock(); p && p->isShown()) result.push_back(p);
    return result;
}

}  // namespace platform
