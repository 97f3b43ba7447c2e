#pragma once
// The window manager: every window of the program but the popups is named by
// a kind and made from a storyboard scene. It makes window controllers and
// view controllers by kind, keeps a registry of the controllers it made,
// shows a kind's window (reusing an open one, optionally in a modal loop),
// closes it again, and decides whether a window may open now. The main
// window is shown and closed by FreltManager; for the kind `main` the window
// manager hands over to it. Main thread only.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/RawValue.h"

namespace frelt {

// The window kinds, in declaration order. Each raw value is the case's name.
enum class FreltWindowEnum {
    main,
    config,
    settings,
    info,
    firstRun,
    tags,
    versionHistory,
    addOrModifyURL,
    versionedBackup,
    hotkeyOverview,
};

inline constexpr platform::RawValueTable<FreltWindowEnum, 10> freltWindowKinds{{{
    {FreltWindowEnum::main, "main"},
    {FreltWindowEnum::config, "config"},
    {FreltWindowEnum::settings, "settings"},
    {FreltWindowEnum::info, "info"},
    {FreltWindowEnum::firstRun, "firstRun"},
    {FreltWindowEnum::tags, "tags"},
    {FreltWindowEnum::versionHistory, "versionHistory"},
    {FreltWindowEnum::addOrModifyURL, "addOrModifyURL"},
    {FreltWindowEnum::versionedBackup, "versionedBackup"},
    {FreltWindowEnum::hotkeyOverview, "hotkeyOverview"},
}}};

inline const char* rawValue(FreltWindowEnum kind) { return freltWindowKinds.rawValue(kind); }
inline std::optional<FreltWindowEnum> freltWindowEnumFromRawValue(std::string_view raw) {
    return freltWindowKinds.fromRawValue(raw);
}

// How the window manager and FreltManager read a window's kind.
class defaultFreltWindowProtocol {
public:
    virtual ~defaultFreltWindowProtocol() = default;
    virtual std::optional<FreltWindowEnum> windowControllerType() const = 0;
};

// The base of the controllers of every window kind. It is its window's
// delegate (set when the window loads), so closing the window ends a modal
// loop running for it.
class defaultFreltWindowController : public platform::WindowController,
                                     public platform::WindowDelegate,
                                     public defaultFreltWindowProtocol {
public:
    explicit defaultFreltWindowController(std::shared_ptr<platform::Window> window = nullptr);
    // A controller of `window` (or of a subclass T), linked to it and its
    // delegate, as a scene connects them.
    template <class T = defaultFreltWindowController>
    static std::shared_ptr<T> withWindow(const std::shared_ptr<platform::Window>& window) {
        auto controller = std::make_shared<T>(window);
        controller->connectWindow();
        return controller;
    }
    // Links the window to this controller and makes this its delegate.
    void connectWindow();

    std::optional<FreltWindowEnum> windowControllerType() const override { return windowControllerType_; }
    void setWindowControllerType(std::optional<FreltWindowEnum> kind) { windowControllerType_ = kind; }

    // Subclasses that override it call this one first.
    void windowDidLoad() override;
    void windowWillClose(const platform::Notification& notification) override;
    // The "cancel:" action: closes the window.
    void cancel(const std::shared_ptr<platform::Object>& sender);
    // Ends the application's modal loop when the window is a visible modal panel.
    void stopModalIfNeeded();

private:
    std::optional<FreltWindowEnum> windowControllerType_;
};

// The window class of the first-run dialog.
class CustomFirstRunWindow : public platform::Window {
public:
    using platform::Window::Window;
};

// The operations on window kinds.
struct FreltWindow {
    // Kinds whose window counts as modal for canOpenWindow and the menus.
    static const std::array<FreltWindowEnum, 5>& modalKinds();

    static std::string getStoryBoardAsString(FreltWindowEnum kind);
    static std::string getWindowControllerIdentifier(FreltWindowEnum kind);
    static std::string getViewControllerIdentifier(FreltWindowEnum kind);

    // Makes the kind's controller from its storyboard and registers it. For
    // any kind but `main`, a registered controller is answered instead.
    static std::shared_ptr<defaultFreltWindowController> instantiateWindowController(FreltWindowEnum kind);
    // A new view controller of the kind (not registered); `main` answers
    // FreltManager's one main view controller.
    static std::shared_ptr<platform::ViewController> getViewController(FreltWindowEnum kind);
    // Shows the kind's window, the open one if there is one; `modal` runs a
    // modal loop for it and returns when the loop ends. `main` goes to
    // FreltManager and answers none.
    static std::shared_ptr<platform::Window> showWindow(bool modal, FreltWindowEnum kind);
    static void closeWindow(FreltWindowEnum kind);
    static void removeWindowController(FreltWindowEnum kind);
    // Whether the kind's window may open now: not while a modal panel or a
    // window of a modal kind shows, nor while an export or import runs.
    static bool canOpenWindow(FreltWindowEnum kind);

    // The registered controller of the kind, if any.
    static std::shared_ptr<defaultFreltWindowController> registeredWindowController(FreltWindowEnum kind);
    // The kind of a window, read through its controller; none for windows of
    // other controllers.
    static std::optional<FreltWindowEnum> kindOfWindow(const platform::Window& window);
};

}  // namespace frelt
