#pragma once
// A link of the responder chain. Unhandled events go to the next responder,
// as on the platform: view -> its view controller -> superview -> ... ->
// window -> window controller.

#include <memory>
#include <string>

#include "platform/appkit/Event.h"
#include "platform/appkit/Object.h"

namespace platform {

class Responder : public Object {
public:
    Responder() = default;
    ~Responder() override = default;

    virtual std::shared_ptr<Responder> nextResponder() const { return nextResponder_.lock(); }
    virtual void setNextResponder(const std::shared_ptr<Responder>& next) { nextResponder_ = next; }

    // Whether the window may make this responder its first responder.
    virtual bool acceptsFirstResponder() { return false; }
    // Asked by the window when the change happens; answering false keeps the
    // old first responder (for resign) or refuses the new one (for become).
    virtual bool becomeFirstResponder() { return true; }
    virtual bool resignFirstResponder() { return true; }

    // Mouse and key events. The defaults pass the event to the next responder.
    virtual void mouseDown(const Event& event);
    virtual void mouseUp(const Event& event);
    virtual void rightMouseDown(const Event& event);
    virtual void rightMouseUp(const Event& event);
    virtual void otherMouseDown(const Event& event);
    virtual void otherMouseUp(const Event& event);
    virtual void mouseMoved(const Event& event);
    virtual void mouseDragged(const Event& event);
    virtual void rightMouseDragged(const Event& event);
    virtual void mouseEntered(const Event& event);
    virtual void mouseExited(const Event& event);
    virtual void scrollWheel(const Event& event);
    virtual void keyDown(const Event& event);
    virtual void keyUp(const Event& event);
    virtual void flagsChanged(const Event& event);

    // Key equivalents travel down the view tree before the key goes to the
    // first responder; answer true when handled.
    virtual bool performKeyEquivalent(const Event& event);
    // Escape (and Command-period). The default passes it on.
    virtual void cancelOperation(const std::shared_ptr<Object>& sender);
    // Text and commands the key bindings produce from a key down: the default
    // keyDown of an editing responder calls these.
    virtual void insertText(const std::string& text);
    virtual void doCommandBySelector(const Selector& selector);
    // Runs `action` here or along the next responders; false when nobody answers.
    virtual bool tryToPerform(const Selector& action, const std::shared_ptr<Object>& sender);
    // Called when an event reaches the end of the chain unhandled.
    virtual void noResponderFor(EventType type);

private:
    std::weak_ptr<Responder> nextResponder_;
};

}  // namespace platform
