#pragma once
// The controller of a window. Made with a window, or by a scene builder that
// gives it one (windowDidLoad runs once the scene is loaded), or by a subclass
// that makes the window in loadWindow.

#include <memory>
#include <string>

#include "platform/appkit/Responder.h"

namespace platform {

class Window;
class ViewController;

class WindowController : public Responder {
public:
    explicit WindowController(std::shared_ptr<Window> window = nullptr);
    ~WindowController() override;

    // Loads the window when needed: windowWillLoad, loadWindow, windowDidLoad.
    std::shared_ptr<Window> window();
    void setWindow(const std::shared_ptr<Window>& window);
    bool isWindowLoaded() const { return windowLoaded_; }
    virtual void loadWindow() {}
    virtual void windowWillLoad() {}
    virtual void windowDidLoad() {}

    std::shared_ptr<ViewController> contentViewController() const;
    // Moves the controller's view into the window as its content view.
    void setContentViewController(const std::shared_ptr<ViewController>& vc);

    // Shows the window in front and makes it key.
    virtual void showWindow(const std::shared_ptr<Object>& sender = nullptr);
    virtual void close();

    const std::string& windowFrameAutosaveName() const { return autosaveName_; }
    void setWindowFrameAutosaveName(std::string n) { autosaveName_ = std::move(n); }
    bool shouldCascadeWindows() const { return shouldCascade_; }
    void setShouldCascadeWindows(bool b) { shouldCascade_ = b; }

    // Kit internal: a scene builder finished; runs windowDidLoad once when a
    // window was given.
    void sceneDidLoad();

private:
    std::shared_ptr<Window> window_;
    bool windowLoaded_ = false;
    bool loading_ = false;
    bool didLoadCalled_ = false;
    std::string autosaveName_;
    bool shouldCascade_ = true;
};

}  // namespace platform
