#pragma once
// Scenes: each (storyboard name, identifier) has a function that builds the
// object (a window controller, a view controller, a view) in code. Builders
// answer the object or none. The program registers its scenes at start-up;
// tests register the scenes they need and can make a scene fail. The
// registrations live in a single instance, so the reset between tests
// forgets them: no test sees another's scenes. Main thread only.
//
//   platform::SceneRegistry::shared()->registerScene("Main", "MainViewController",
//       [] { return std::make_shared<MainViewController>(); });
//   auto vc = platform::Storyboard::storyboardWithName("Main")
//                 ->instantiateControllerWithIdentifier<MainViewController>("MainViewController");

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "platform/appkit/Object.h"

namespace platform {

class SceneRegistry {
public:
    using Builder = std::function<std::shared_ptr<Object>()>;

    static std::shared_ptr<SceneRegistry> shared();

    // Registers a scene (a second registration replaces the first).
    void registerScene(const std::string& storyboard, const std::string& identifier, Builder builder);
    void setInitialScene(const std::string& storyboard, const std::string& identifier);
    // While set, building the scene answers none.
    void setSceneFails(const std::string& storyboard, const std::string& identifier, bool fails = true);

    bool hasStoryboard(const std::string& storyboard) const;
    bool hasScene(const std::string& storyboard, const std::string& identifier) const;
    // Builds the scene and wakes its objects (awakeFromNib; windowDidLoad for
    // a window controller with a window). None when unknown or failing.
    std::shared_ptr<Object> instantiate(const std::string& storyboard, const std::string& identifier) const;
    std::shared_ptr<Object> instantiateInitial(const std::string& storyboard) const;

private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, Builder> scenes_;
    std::map<std::string, std::string> initial_;
    std::set<Key> failing_;
};

// A nib: a resource with one object (a view, a collection-view item) made by
// the scene registered under the nib's name with the empty identifier, so
// registering, building and failing work as for storyboard scenes.
class Nib {
public:
    // None when no nib of that name is registered.
    static std::shared_ptr<Nib> nibNamed(const std::string& name);
    static void registerNib(const std::string& name, SceneRegistry::Builder builder);
    explicit Nib(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    // Builds and wakes the nib's object; none when it fails.
    std::shared_ptr<Object> instantiate() const;

private:
    std::string name_;
};

class Storyboard {
public:
    // None when no scene is registered under the name.
    static std::shared_ptr<Storyboard> storyboardWithName(const std::string& name);
    explicit Storyboard(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    std::shared_ptr<Object> instantiateControllerWithIdentifier(const std::string& identifier) const;
    // None also when the scene is not a T.
    template <class T>
    std::shared_ptr<T> instantiateControllerWithIdentifier(const std::string& identifier) const {
        return std::dynamic_pointer_cast<T>(instantiateControllerWithIdentifier(identifier));
    }
    std::shared_ptr<Object> instantiateInitialController() const;

private:
    std::string name_;
};

}  // namespace platform
