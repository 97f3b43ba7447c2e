#pragma once
// The application: its delegate, windows, key window, event routing with
// local and global monitors, modal sessions and the action chain. One per
// process (Application::shared()).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/Event.h"
#include "platform/appkit/KitBackend.h"
#include "platform/appkit/ModalResponse.h"
#include "platform/appkit/Responder.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Subscription.h"

namespace platform {

class Window;
class Menu;
class Popover;
class Application;
class Timer;

namespace applicationnotification {
inline const std::string willFinishLaunching = "NSApplicationWillFinishLaunchingNotification";
inline const std::string didFinishLaunching = "NSApplicationDidFinishLaunchingNotification";
inline const std::string willBecomeActive = "NSApplicationWillBecomeActiveNotification";
inline const std::string didBecomeActive = "NSApplicationDidBecomeActiveNotification";
inline const std::string willResignActive = "NSApplicationWillResignActiveNotification";
inline const std::string didResignActive = "NSApplicationDidResignActiveNotification";
inline const std::string willTerminate = "NSApplicationWillTerminateNotification";
inline const std::string didChangeScreenParameters = "NSApplicationDidChangeScreenParametersNotification";
}  // namespace applicationnotification

enum class TerminateReply : int { cancel = 0, now = 1, later = 2 };
enum class ActivationPolicy : int { regular = 0, accessory = 1, prohibited = 2 };

class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationWillFinishLaunching(const Notification& n) { (void)n; }
    virtual void applicationDidFinishLaunching(const Notification& n) { (void)n; }
    virtual void applicationWillBecomeActive(const Notification& n) { (void)n; }
    virtual void applicationDidBecomeActive(const Notification& n) { (void)n; }
    virtual void applicationWillResignActive(const Notification& n) { (void)n; }
    virtual void applicationDidResignActive(const Notification& n) { (void)n; }
    virtual TerminateReply applicationShouldTerminate(Application& app) { (void)app; return TerminateReply::now; }
    virtual void applicationWillTerminate(const Notification& n) { (void)n; }
    // Files handed to the program (by the file manager or the command line).
    // The default opens them one by one through openFile.
    virtual void applicationOpenFiles(Application& app, const std::vector<std::string>& paths);
    virtual bool applicationOpenFile(Application& app, const std::string& path) { (void)app; (void)path; return false; }
    // The program was started again while running.
    virtual bool applicationShouldHandleReopen(Application& app, bool hasVisibleWindows) {
        (void)app;
        (void)hasVisibleWindows;
        return true;
    }
};

// Event monitors: a local one may replace the event it is given or swallow
// it by answering none; a global one only hears input meant for other programs.
using LocalEventMonitor = std::function<EventPtr(const EventPtr&)>;
using GlobalEventMonitor = std::function<void(const Event&)>;

class Application : public Responder {
public:
    static std::shared_ptr<Application> shared();
    ~Application() override;

    std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_.lock(); }
    // Weak, as on the platform: the owner keeps the delegate alive.
    void setDelegate(const std::shared_ptr<ApplicationDelegate>& d) { delegate_ = d; }
    std::shared_ptr<KitBackend> backend() const { return backend_; }
    // Tests get a HeadlessKitBackend unless they set another.
    void setBackend(std::shared_ptr<KitBackend> backend) { backend_ = std::move(backend); }

    // --- life cycle
    // Tells the delegate will/did finish launching and activates the program.
    void finishLaunching();
    bool isRunning() const { return running_; }
    // finishLaunching, then the main run loop until terminate.
    void run();
    // Asks the delegate; on `now` posts will-terminate and stops the run loop.
    void terminate(const std::shared_ptr<Object>& sender = nullptr);
    // Answers a `later` reply of applicationShouldTerminate.
    void replyToApplicationShouldTerminate(bool shouldTerminate);
    bool hasTerminated() const { return terminated_; }
    // Files handed over by the desktop.
    void openFiles(const std::vector<std::string>& paths);
    // The program was started again while running.
    void reopen();

    // --- activation
    bool isActive() const { return active_; }
    // Becomes the active program (will/did become active) and makes the
    // front visible window key when none is.
    void activate(bool ignoringOtherApps = true);
    void activateIgnoringOtherApps(bool flag) { activate(flag); }
    // Another program became active: will/did resign active; windows that
    // hide on deactivate are hidden, transient popovers close. When another
    // program took the focus with a press that is still held (the start of
    // a drag from a file manager, say), a transient popover waits for the
    // release (whenPointerReleased) before it closes, so the drag can land
    // in it.
    void deactivate();
    // The desktop says the keyboard focus left the program; `stillLost`
    // tells whether that still holds. When a shown window of ours has just
    // asked for the focus (the hotkey pressed again at once), the desktop
    // may be telling of the moment before it got it: then it is asked again
    // once the window manager has had time, and the program deactivates
    // only if the focus is still elsewhere.
    void focusLost(std::function<bool()> stillLost);

    // --- the pointer held in another program
    // Whether a mouse button is held anywhere on the screen right now (the
    // backend asks the window system).
    bool isPointerButtonDown() const;
    // Runs `then` once no mouse button is held any more and no drag from
    // another program is over one of the program's windows (a drag that is
    // over one at the release still ends in a drop or an exit there). Polls
    // on the main run loop; runs `then` at once when nothing is held.
    void whenPointerReleased(std::function<void()> then);
    // Whether a drag (from another program, mostly) is over one of the
    // windows.
    bool isDragOverWindows() const;
    ActivationPolicy activationPolicy() const { return activationPolicy_; }
    void setActivationPolicy(ActivationPolicy p) { activationPolicy_ = p; }

    // --- windows
    // Every live window, visible ones first (front to back), then hidden ones.
    std::vector<std::shared_ptr<Window>> windows() const;
    // The visible windows, front to back.
    std::vector<std::shared_ptr<Window>> orderedWindows() const;
    std::shared_ptr<Window> keyWindow() const { return keyWindow_.lock(); }
    std::shared_ptr<Window> mainWindow() const { return mainWindow_.lock(); }
    std::shared_ptr<Window> windowWithWindowNumber(int number) const;

    // --- events
    // The event being dispatched (kept after dispatch until the next one).
    EventPtr currentEvent() const { return currentEvent_; }
    // The entry for input: local monitors first (a monitor may replace the
    // event or swallow it by answering none), then the event's window (key
    // events go to the key window).
    void sendEvent(const EventPtr& event);
    // Input while another program is active; only global monitors see it.
    void sendGlobalEvent(const EventPtr& event);
    // A monitor lasts as long as its subscription (or until removeMonitor).
    [[nodiscard]] Subscription addLocalMonitorForEventsMatchingMask(EventMask mask, LocalEventMonitor handler);
    [[nodiscard]] Subscription addGlobalMonitorForEventsMatchingMask(EventMask mask, GlobalEventMonitor handler);
    void removeMonitor(Subscription& monitor) { monitor.cancel(); }

    // --- actions
    // Sends `action` to `target`, or with no target along the responder
    // chain: the key window's first responder and its next responders (views,
    // their controllers, superviews, the window, its controller), the
    // window's delegate, then the application and its delegate. Answers
    // whether someone performed it.
    bool sendAction(const Selector& action, const std::shared_ptr<Object>& target,
                    const std::shared_ptr<Object>& sender);
    // The object that would receive `action` (none when nobody answers).
    std::shared_ptr<Object> targetForAction(const Selector& action, const std::shared_ptr<Object>& target = nullptr,
                                            const std::shared_ptr<Object>& sender = nullptr) const;
    bool respondsToAction(const Selector& action) const override;
    bool performAction(const Selector& action, const std::shared_ptr<Object>& sender) override;

    // --- modal sessions
    // Shows `window` and runs the main run loop in the modal-panel mode until
    // stopModal/abortModal; events for other windows are dropped meanwhile.
    ModalResponse runModalForWindow(const std::shared_ptr<Window>& window);
    // Runs a nested modal-panel session without a window (a modal the
    // backend shows natively, such as a menu or a file dialog).
    ModalResponse runModalSession(const std::function<void()>& start = nullptr);
    void stopModal() { stopModalWithCode(modalresponse::stop); }
    void stopModalWithCode(ModalResponse code);
    void abortModal() { stopModalWithCode(modalresponse::abort); }
    std::shared_ptr<Window> modalWindow() const;
    bool isInModalSession() const { return !modalSessions_.empty(); }

    // --- plain state
    const std::optional<AppearanceName>& appearance() const { return appearance_; }
    void setAppearance(std::optional<AppearanceName> a) { appearance_ = std::move(a); }
    AppearanceName effectiveAppearance() const { return appearance_.value_or(systemAppearance_); }
    // The desktop's light or dark preference (the backend sets it).
    void setSystemAppearance(AppearanceName a) { systemAppearance_ = std::move(a); }
    // Whether the desktop lets the keyboard reach every control (the backend
    // sets it); views that only take the focus then are key views.
    bool isFullKeyboardAccessEnabled() const { return fullKeyboardAccess_; }
    void setFullKeyboardAccessEnabled(bool b) { fullKeyboardAccess_ = b; }
    std::shared_ptr<Object> servicesProvider() const { return servicesProvider_; }
    void setServicesProvider(std::shared_ptr<Object> p) { servicesProvider_ = std::move(p); }
    std::shared_ptr<Menu> mainMenu() const { return mainMenu_; }
    void setMainMenu(std::shared_ptr<Menu> m) { mainMenu_ = std::move(m); }
    void hide(const std::shared_ptr<Object>& sender = nullptr);
    bool isHidden() const { return hidden_; }

    // --- kit internals, used by windows and popovers
    void windowCreated(const std::shared_ptr<Window>& window);
    void windowDidOrderFront(const std::shared_ptr<Window>& window);
    void windowDidOrderBack(const std::shared_ptr<Window>& window);
    void windowDidOrderOut(const std::shared_ptr<Window>& window);
    // Makes `window` key (resigning the old key window); none clears.
    void setKeyWindow(const std::shared_ptr<Window>& window);
    void setMainWindow(const std::shared_ptr<Window>& window);
    void popoverDidShow(const std::shared_ptr<Popover>& popover);
    void popoverDidClose(const Popover& popover);
    std::vector<std::shared_ptr<Popover>> shownPopovers() const;

private:
    Application();
    void postAndTell(const std::string& name, void (ApplicationDelegate::*method)(const Notification&));
    void dispatchToWindow(const EventPtr& event);
    void closeTransientPopoversForClick(const Event& event);
    void pushVisible(const std::shared_ptr<Window>& window, bool front);
    void announceOrder();
    void chooseNewKeyWindow();
    void checkPointerReleased();

    struct ModalSession {
        std::weak_ptr<Window> window;
        std::optional<ModalResponse> response;
    };

    std::weak_ptr<ApplicationDelegate> delegate_;
    bool fullKeyboardAccess_ = false;
    std::shared_ptr<KitBackend> backend_;
    bool running_ = false;
    bool launched_ = false;
    bool terminated_ = false;
    bool terminationPending_ = false;
    bool active_ = false;
    bool hidden_ = false;
    // Waiting for the pointer's release (whenPointerReleased).
    std::vector<std::function<void()>> afterPointerRelease_;
    std::shared_ptr<Timer> pointerReleaseTimer_;
    int dragWaitTicks_ = 0;
    ActivationPolicy activationPolicy_ = ActivationPolicy::regular;
    std::vector<std::weak_ptr<Window>> allWindows_;     // creation order
    std::vector<std::shared_ptr<Window>> visible_;      // front to back; kept alive while shown
    std::weak_ptr<Window> keyWindow_;
    std::chrono::steady_clock::time_point lastFocusRequest_{};
    std::weak_ptr<Window> mainWindow_;
    std::weak_ptr<Window> keyWindowBeforeDeactivation_;
    EventPtr currentEvent_;
    ObserverList<LocalEventMonitor> localMonitors_;
    ObserverList<GlobalEventMonitor> globalMonitors_;
    std::vector<std::shared_ptr<ModalSession>> modalSessions_;
    std::vector<std::weak_ptr<Popover>> popovers_;
    std::optional<AppearanceName> appearance_;
    AppearanceName systemAppearance_ = appearance::aqua;
    std::shared_ptr<Object> servicesProvider_;
    std::shared_ptr<Menu> mainMenu_;
};

}  // namespace platform
