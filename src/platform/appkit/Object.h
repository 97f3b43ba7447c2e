#pragma once
// The root of the kit's objects with identity: views, windows, controllers,
// menu items, and any delegate or target that wants to receive actions.
//
// Actions are named by their selector ("statusBarButtonAction:"). An object
// answers an action either by registering a handler (usually in its
// constructor) or by overriding respondsToAction/performAction.

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

using Selector = std::string;

class Object : public std::enable_shared_from_this<Object> {
public:
    using ActionHandler = std::function<void(const std::shared_ptr<Object>& sender)>;

    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    virtual bool respondsToAction(const Selector& action) const { return actions_.count(action) != 0; }
    // Runs the action; false when this object does not answer it.
    virtual bool performAction(const Selector& action, const std::shared_ptr<Object>& sender) {
        auto it = actions_.find(action);
        if (it == actions_.end()) return false;
        auto handler = it->second;  // the handler may replace itself
        handler(sender);
        return true;
    }

    // Called on objects made by a scene builder, after the builder connected them.
    virtual void awakeFromNib() {}

    template <class T>
    std::shared_ptr<T> sharedAs() {
        return std::dynamic_pointer_cast<T>(shared_from_this());
    }
    template <class T>
    std::shared_ptr<const T> sharedAs() const {
        return std::dynamic_pointer_cast<const T>(shared_from_this());
    }

protected:
    void registerAction(const Selector& action, ActionHandler handler) { actions_[action] = std::move(handler); }
    void unregisterAction(const Selector& action) { actions_.erase(action); }

private:
    std::map<Selector, ActionHandler> actions_;
};

// The Object behind a delegate or target pointer, when it is one.
template <class T>
std::shared_ptr<Object> asObject(const std::shared_ptr<T>& p) {
    if constexpr (std::is_base_of_v<Object, T>) {
        return p;
    } else {
        return std::dynamic_pointer_cast<Object>(p);
    }
}

}  // namespace platform
