#pragma once
// The interface resources the program loads by name: scenes of storyboards,
// nibs, named images and named colours.
//
// - Scenes and nibs are functions that build their objects in code,
//   registered in the kit's scene registry under the storyboard's name and
//   the scene's identifier (a nib under its name alone). A view controller's
//   views are built when its view is first needed, outlets connected, then
//   woken (awakeFromNib) as loading a scene does.
// - Named images come from the kit's image registry (the desktop backend
//   gives it the loader of the image files); interfaceImageNames lists those
//   the interface relies on.
// - Named colours have a light and a dark variant, chosen by the appearance
//   at the moment the colour is asked for.
//
// A resource that is missing is never reported to the user: the code that
// loads it shows nothing (a popover stays closed, an image view empty).
// Tests make one go missing with the scene registry's setSceneFails, by
// registering no image, or by removing a colour.

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"
#include "platform/graphics/Color.h"

namespace frelt {

// The storyboards of the program.
namespace storyboardname {
inline constexpr const char* main = "Main";
inline constexpr const char* configData = "ConfigData";
inline constexpr const char* configTags = "ConfigTags";
}  // namespace storyboardname

// A view controller made by a scene: `layout` builds its view tree, sets it
// as the controller's view and connects the outlets; the views are then
// woken. Everything else is the controller's own class.
template <class Controller>
class SceneController final : public Controller {
public:
    using Layout = std::function<void(Controller&)>;
    explicit SceneController(Layout layout) : layout_(std::move(layout)) {}

    void loadView() override {
        if (layout_) layout_(*this);
        if (this->isViewLoaded()) this->view()->forEachInTree([](platform::View& v) { v.awakeFromNib(); });
    }

private:
    Layout layout_;
};

template <class Controller>
std::shared_ptr<Controller> makeSceneController(typename SceneController<Controller>::Layout layout) {
    return std::make_shared<SceneController<Controller>>(std::move(layout));
}

// The controller a storyboard's scene makes, as a T; none when the
// storyboard or the scene is missing or fails, or makes something else.
template <class T>
std::shared_ptr<T> instantiateScene(const std::string& storyboard, const std::string& identifier) {
    auto board = platform::Storyboard::storyboardWithName(storyboard);
    return board ? board->instantiateControllerWithIdentifier<T>(identifier) : nullptr;
}

// The controller of a scene made on first use and kept in `slot`, also when
// the scene could not be made: it is not tried again.
template <class T>
std::shared_ptr<T> instantiateSceneOnce(std::optional<std::shared_ptr<T>>& slot, const std::string& storyboard,
                                        const std::string& identifier) {
    if (!slot) slot = instantiateScene<T>(storyboard, identifier);
    return *slot;
}

// A push button titled `title` at `frame` in `parent`, sending `action` to
// `target`: the buttons of the scenes' layouts.
std::shared_ptr<platform::Button> addButton(platform::View& parent, const std::string& title, platform::Rect frame,
                                            const std::shared_ptr<platform::Object>& target, const char* action);

// The eighteen preset colours of the colour circles, three rows of six.
const std::array<platform::Color, 18>& presetColors();

// A popup's background panel: active and shown, following the application's
// appearance, the content background with corners rounded by 7 points.
void setUpPopupBackgroundPanel(platform::VisualEffectView& panel);

// Colours by name, each with a light and a dark variant.
class NamedColors {
public:
    static std::shared_ptr<NamedColors> shared();

    void registerColor(const std::string& name, const platform::Color& light, const platform::Color& dark);
    void removeColor(const std::string& name);
    // The variant for `appearance`; none for an unknown name.
    std::optional<platform::Color> colorNamed(const std::string& name, const platform::AppearanceName& appearance) const;
    // The variant for the application's appearance now.
    std::optional<platform::Color> colorNamed(const std::string& name) const;

private:
    struct Variants {
        platform::Color light, dark;
    };
    std::map<std::string, Variants> colors_;
};

// Registers every scene, nib and named colour the program builds in code.
// Calling it again replaces the registrations with fresh ones.
void registerInterfaceResources();

// The images the interface loads by name.
std::vector<std::string> interfaceImageNames();
// Those the image registry cannot produce now.
std::vector<std::string> missingInterfaceImages();

}  // namespace frelt
