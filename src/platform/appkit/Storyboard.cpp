#include "platform/appkit/Storyboard.h"

#include "platform/appkit/View.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
using Key = std::pair<std::string, std::string>;

std::map<Key, SceneRegistry::Builder>& registeredScenes() {
    static std::map<Key, SceneRegistry::Builder> scenes;
    return scenes;
}

std::map<std::string, std::string>& initialScenes() {
    static std::map<std::string, std::string> initial;
    return initial;
}

// Wakes what a builder made, the way loading a scene does.
void wake(const std::shared_ptr<Object>& object) {
    if (auto view = std::dynamic_pointer_cast<View>(object)) {
        view->forEachInTree([](View& v) { v.awakeFromNib(); });
    } else {
        object->awakeFromNib();
    }
    if (auto wc = std::dynamic_pointer_cast<WindowController>(object)) wc->sceneDidLoad();
}
}  // namespace

void SceneRegistry::registerScene(const std::string& storyboard, const std::string& identifier, Builder builder) {
    registeredScenes()[{storyboard, identifier}] = std::move(builder);
}

void SceneRegistry::setInitialScene(const std::string& storyboard, const std::string& identifier) {
    initialScenes()[storyboard] = identifier;
}

std::shared_ptr<SceneRegistry> SceneRegistry::shared() {
    return singleInstance<SceneRegistry>([] { return std::make_shared<SceneRegistry>(); });
}

void SceneRegistry::overrideScene(const std::string& storyboard, const std::string& identifier, Builder builder) {
    overrides_[{storyboard, identifier}] = std::move(builder);
}

void SceneRegistry::setSceneFails(const std::string& storyboard, const std::string& identifier, bool fails) {
    if (fails) failing_.insert({storyboard, identifier});
    else failing_.erase({storyboard, identifier});
}

bool SceneRegistry::hasStoryboard(const std::string& storyboard) const {
    for (auto& [key, builder] : registeredScenes())
        if (key.first == storyboard) return true;
    for (auto& [key, builder] : overrides_)
        if (key.first == storyboard) return true;
    return false;
}

bool SceneRegistry::hasScene(const std::string& storyboard, const std::string& identifier) const {
    const Key key{storyboard, identifier};
    return overrides_.count(key) || registeredScenes().count(key);
}

std::shared_ptr<Object> SceneRegistry::instantiate(const std::string& storyboard, const std::string& identifier) const {
    const Key key{storyboard, identifier};
    if (failing_.count(key)) return nullptr;
    Builder builder;
    if (auto it = overrides_.find(key); it != overrides_.end()) builder = it->second;
    else if (auto jt = registeredScenes().find(key); jt != registeredScenes().end()) builder = jt->second;
    if (!builder) return nullptr;
    auto object = builder();
    if (object) wake(object);
    return object;
}

std::shared_ptr<Object> SceneRegistry::instantiateInitial(const std::string& storyboard) const {
    auto it = initialScenes().find(storyboard);
    if (it == initialScenes().end()) return nullptr;
    return instantiate(storyboard, it->second);
}

std::shared_ptr<Storyboard> Storyboard::storyboardWithName(const std::string& name) {
    if (!SceneRegistry::shared()->hasStoryboard(name)) return nullptr;
    return std::make_shared<Storyboard>(name);
}

std::shared_ptr<Object> Storyboard::instantiateControllerWithIdentifier(const std::string& identifier) const {
    return SceneRegistry::shared()->instantiate(name_, identifier);
}

std::shared_ptr<Object> Storyboard::instantiateInitialController() const {
    return SceneRegistry::shared()->instantiateInitial(name_);
}

}  // namespace platform
