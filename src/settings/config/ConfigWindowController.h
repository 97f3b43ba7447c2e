#pragma once
// The configuration window, where the user edits all entries in bulk: the
// window controller with its toolbar (the search field, a filter by entry
// type, a filter by visibility, and buttons that add a link, a file or a
// folder, export, import, open the Tags dialog and show or hide the side
// pane), and the split view controller that holds the entry table and the
// selection inspector beside it.
//
// The toolbar drives the store's configuration filter, which outlives the
// window: reopening the window shows the filter's choices again. Adding an
// entry resets the filters so that the new entry shows. Main thread only.

#include <memory>
#include <string>

#include "app/FreltWindowEnum.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SplitViewController.h"
#include "platform/foundation/Subscription.h"
#include "store/DataStorageFilterConfigData.h"

namespace frelt {

class ConfigSearchField;
class ConfigViewControllerContent;

// The localized titles of the filter pop-ups' items.
const std::string& filterTypeTitle(ConfigEnumFilterType type);
const std::string& filterActiveTitle(ConfigEnumFilterActive active);

class ConfigSplitViewController : public platform::SplitViewController {
public:
    static constexpr double toolbarHeight = 44.0;

    // The controller of the first item that is the entry table's; none when
    // no item holds one.
    std::shared_ptr<ConfigViewControllerContent> contentController() const;

    // The toolbar strip, laid out by the scene across the top of the view.
    std::shared_ptr<platform::View> toolbarView;

    void loadView() override;

protected:
    platform::Rect arrangedBounds() override;
};

class ConfigWindowController : public defaultFreltWindowController {
public:
    explicit ConfigWindowController(std::shared_ptr<platform::Window> window = nullptr);

    std::weak_ptr<ConfigSearchField> searchField;
    std::weak_ptr<platform::PopUpButton> filterPopupButton;
    std::weak_ptr<platform::PopUpButton> activePopupButton;

    void windowDidLoad() override;
    // Shows the window, then the filter's stored choices in the toolbar.
    void showWindow(const std::shared_ptr<platform::Object>& sender = nullptr) override;

    // --- toolbar actions
    void configAddURL();
    void configAddExternalObject();
    void configExportData();
    void configExportDataAsCSV();
    void configImportData();
    void configModifyTags();
    void configFilterPopupButton();
    void configActivePopupButton();
    void showSidebar(const std::shared_ptr<platform::Object>& sender);

    // --- observers
    void datastorageURLAddedOrModifiedWith();
    void datastorageFilesystemObjectAddedOrModifiedWith();
    void currentDataConfigChangedWith();

private:
    std::shared_ptr<ConfigSplitViewController> splitController() const;
    // Everything shows again but the entries of `type`.
    void resetFilters(ConfigEnumFilterType type);

    platform::Subscription urlObservation_;
    platform::Subscription filesystemObservation_;
    platform::Subscription configChangedObservation_;
};

}  // namespace frelt
