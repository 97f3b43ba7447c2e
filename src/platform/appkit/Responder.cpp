#include "platform/appkit/Responder.h"

#include <set>

namespace platform {

#define FORWARD_EVENT(name, type)                             \
    void Responder::name(const Event& event) {                \
        if (auto next = nextResponder()) {                    \
            next->name(event);                                \
        } else {                                              \
            noResponderFor(type);                             \
        }                                                     \
    }

FORWARD_EVENT(mouseDown, EventType::leftMouseDown)
FORWARD_EVENT(mouseUp, EventType::leftMouseUp)
FORWARD_EVENT(rightMouseDown, EventType::rightMouseDown)
FORWARD_EVENT(rightMouseUp, EventType::rightMouseUp)
FORWARD_EVENT(otherMouseDown, EventType::otherMouseDown)
FORWARD_EVENT(otherMouseUp, EventType::otherMouseUp)
FORWARD_EVENT(mouseMoved, EventType::mouseMoved)
FORWARD_EVENT(mouseDragged, EventType::leftMouseDragged)
FORWARD_EVENT(rightMouseDragged, EventType::rightMouseDragged)
FORWARD_EVENT(mouseEntered, EventType::mouseEntered)
FORWARD_EVENT(mouseExited, EventType::mouseExited)
FORWARD_EVENT(scrollWheel, EventType::scrollWheel)
FORWARD_EVENT(keyDown, EventType::keyDown)
FORWARD_EVENT(keyUp, EventType::keyUp)
FORWARD_EVENT(flagsChanged, EventType::flagsChanged)

#undef FORWARD_EVENT

bool Responder::performKeyEquivalent(const Event&) { return false; }

void Responder::cancelOperation(const std::shared_ptr<Object>& sender) {
    if (auto next = nextResponder()) next->cancelOperation(sender);
}

void Responder::insertText(const std::string& text) {
    if (auto next = nextResponder()) next->insertText(text);
}

void Responder::doCommandBySelector(const Selector& selector) {
    if (!tryToPerform(selector, nullptr)) noResponderFor(EventType::keyDown);
}

bool Responder::tryToPerform(const Selector& action, const std::shared_ptr<Object>& sender) {
    // Walk iteratively and remember who was asked, so a chain that loops back
    // on itself ends.
    std::set<const Responder*> seen;
    for (std::shared_ptr<Responder> r = std::static_pointer_cast<Responder>(shared_from_this()); r;
         r = r->nextResponder()) {
        if (!seen.insert(r.get()).second) break;
        if (r->respondsToAction(action)) return r->performAction(action, sender);
    }
    return false;
}

void Responder::noResponderFor(EventType) {}

}  // namespace platform
