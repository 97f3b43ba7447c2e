#pragma once
// Who answers the kit's modals: a person through the desktop backend's
// dialogs and menus, or, by default and in every test, the ModalScript.
// The kit keeps the logic around a modal (validation, return codes, running
// the chosen menu item's action after the menu closed); a presenter only
// shows it and brings back the raw answer.

#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/ModalResponse.h"
#include "platform/foundation/URL.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Alert;
class OpenPanel;
class SavePanel;
class Menu;
class MenuItem;
class View;
class Window;

struct AlertAnswer {
    ModalResponse response = modalresponse::alertFirstButton;
    // The state the suppression check box is left in; none keeps its state.
    std::optional<bool> suppressionChecked;
};

struct PanelAnswer {
    ModalResponse response = modalresponse::cancel;  // ok or cancel
    std::vector<URL> urls;                           // the chosen files when ok
};

class ModalPresenter {
public:
    virtual ~ModalPresenter() = default;

    virtual AlertAnswer runAlert(Alert& alert) = 0;
    virtual PanelAnswer runOpenPanel(OpenPanel& panel) = 0;
    virtual PanelAnswer runSavePanel(SavePanel& panel) = 0;
    // Shows `menu` at `location` in `view` (screen coordinates without a
    // view) and blocks until it closes; answers the chosen item or none.
    virtual std::shared_ptr<MenuItem> popUpMenu(Menu& menu, const std::shared_ptr<MenuItem>& positioningItem,
                                                Point location, const std::shared_ptr<View>& view) = 0;

    // A window run modally: answers the response that ends the session, or
    // none to let a person work in the window until something stops it.
    virtual std::optional<ModalResponse> runDialog(const std::shared_ptr<Window>&) { return std::nullopt; }

    // The installed presenter, or the shared ModalScript when none is.
    static std::shared_ptr<ModalPresenter> current();
    // Installs a presenter (the desktop backend does at start); null returns
    // to the ModalScript, as does the reset of the single instances.
    static void setCurrent(std::shared_ptr<ModalPresenter> presenter);
};

}  // namespace platform
