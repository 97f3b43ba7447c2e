#pragma once
// A person answers the kit's modals on the desktop: alerts as QMessageBox,
// open and save panels as QFileDialog (Qt's own, so the panel delegate's
// enable and validate hooks work), menus popped up as QMenu. Each is shown
// without a loop of its own (open, popup); the caller's blocking call is a
// nested run of the kit's run loop in its mode until the thing closes.

#include <memory>

#include "platform/appkit/ModalPresenter.h"

class QMenu;

namespace platform::qt {

class QtModalPresenter : public ModalPresenter {
public:
    AlertAnswer runAlert(Alert& alert) override;
    PanelAnswer runOpenPanel(OpenPanel& panel) override;
    PanelAnswer runSavePanel(SavePanel& panel) override;
    std::shared_ptr<MenuItem> popUpMenu(Menu& menu, const std::shared_ptr<MenuItem>& positioningItem, Point location,
                                        const std::shared_ptr<View>& view) override;

    // The menu shown by the popUpMenu under way (tests choose in it).
    static QMenu* shownMenu();
};

}  // namespace platform::qt
