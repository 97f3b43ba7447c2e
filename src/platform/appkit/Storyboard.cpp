#include "platform/appkit/Storyboard.h"

#include "platform/appkit/View.h"
#include "platform/appkit/WindowController.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
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

std::shared_ptr<SceneRegistry> SceneRegistry::shared() {
    return singleInstance<SceneRegistry>([] { return std::make_shared<SceneRegistry>(); });
}

void SceneRegistry::registerScene(const std::string& storyboard, const std::string& identifier, Builder builder) {
    assertMainThread("SceneRegistry::registerScene");
    scenes_[{storyboard, identifier}] = std::move(builder);
}

void SceneRegistry::setInitialScene(const std::string& storyboard, const std::string& identifier) {
    assertMainThread("SceneRegistry::setInitialScene");
    initial_[storyboard] = identifier;
}

void SceneRegistry::setSceneFails(const std::string& storyboard, const std::string& identifier, bool fails) {
    assertMainThread("SceneRegistry::setSceneFails");
    if (fails) failing_.insert({storyboard, identifier});
    else failing_.erase({storyboard, identifier});
}

bool SceneRegistry::hasStoryboard(const std::string& storyboard) const {
    auto it = scenes_.lower_bound({storyboard, std::string()});
    return it != scenes_.end() && it->first.first == storyboard;
}

bool SceneRegistry::hasScene(const std::string& storyboard, const std::string& identifier) const {
    return scenes_.count({storyboard, identifier}) != 0;
}

std::shared_ptr<Object> SceneRegistry::instantiate(const std::string& storyboard, const std::string& identifier) const {
    assertMainThread("SceneRegistry::instantiate");
    const Key key{storyboard, identifier};
    if (failing_.count(key)) return nullptr;
    auto it = scenes_.find(key);
    if (it == scenes_.end()) return nullptr;
    // A copy: the builder may register scenes.
    const Builder builder = it->second;
    auto object = builder ? builder() : nullptr;
    if (object) wake(object);
    return object;
}

std::shared_ptr<Object> SceneRegistry::instantiateInitial(const std::string& storyboard) const {
    auto it = initial_.find(storyboard);
    if (it == initial_.end()) return nullptr;
    return instantiate(storyboard, it->second);
}

std::shared_ptr<Nib> Nib::nibNamed(const std::string& name) {
    if (!SceneRegistry::shared()->hasScene(name, std::string())) return nullptr;
    return std::make_shared<Nib>(name);
}

void Nib::registerNib(const std::string& name, SceneRegistry::Builder builder) {
    SceneRegistry::shared()->registerScene(name, std::string(), std::move(builder));
}

std::shared_ptr<Object> Nib::instantiate() const { return SceneRegistry::shared()->instantiate(name_, std::string()); }

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
