#pragma once
// What the kit asks of a backend. The kit keeps every piece of state; a
// backend only shows it: it puts windows on screen in the order and at the
// frames given, repaints on request, and turns real input into kit events,
// which it hands to Application::sendEvent (global input from other programs
// to Application::sendGlobalEvent). Waiting for input is the run loop's
// backend (RunLoopBackend), which a desktop backend provides alongside.

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.h"

namespace platform {

class Window;
class DraggingSession;

class KitBackend {
public:
    virtual ~KitBackend() = default;

    virtual void showWindow(Window& window) = 0;
    virtual void hideWindow(Window& window) = 0;
    // The visible windows, front to back.
    virtual void orderWindows(const std::vector<std::shared_ptr<Window>>& frontToBack) = 0;
    virtual void setWindowFrame(Window& window, const Rect& frame) = 0;
    // Title, level, style or other decoration state changed.
    virtual void updateWindowProperties(Window& window) = 0;
    virtual void makeKeyWindow(Window& window) = 0;
    // Repaint `rect` (content coordinates) of the window soon.
    virtual void setNeedsDisplay(Window& window, const Rect& rect) = 0;
    // Bring the program to the front (the application was activated).
    virtual void activateApplication() = 0;
    virtual void deactivateApplication() = 0;
    // Carry out a drag the program started (the headless backend keeps none:
    // tests take DraggingSession::current to a DragDispatcher).
    virtual void beginDraggingSession(const std::shared_ptr<DraggingSession>& session) { (void)session; }
};

// The backend of tests and tools without a display: nothing is drawn; it
// records what it was asked to do so tests can look.
class HeadlessKitBackend : public KitBackend {
public:
    void showWindow(Window& window) override;
    void hideWindow(Window& window) override;
    void orderWindows(const std::vector<std::shared_ptr<Window>>& frontToBack) override;
    void setWindowFrame(Window& window, const Rect& frame) override;
    void updateWindowProperties(Window& window) override;
    void makeKeyWindow(Window& window) override;
    void setNeedsDisplay(Window& window, const Rect& rect) override;
    void activateApplication() override;
    void deactivateApplication() override;

    // One line per request, such as "show 3", "hide 3", "frame 3", "key 3",
    // "display 3", "activate".
    const std::vector<std::string>& requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }
    std::size_t count(const std::string& request) const;

private:
    std::vector<std::string> requests_;
};

}  // namespace platform
