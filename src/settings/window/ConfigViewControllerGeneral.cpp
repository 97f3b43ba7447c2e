#include "settings/window/ConfigViewControllerGeneral.h"

#include <algorithm>
#include <filesystem>

#include "app/AppDelegate.h"
#include "app/AutoLaunchManager.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "settings/RecorderStyle.h"
#include "settings/window/ConfigTabViewController_Settings.h"
#include "settings/window/SettingsLayout.h"
#include "store/Configuration.h"
#include "store/StoreConstants.h"

namespace frelt {

using namespace settingslayout;
using platform::Rect;

namespace {

template <class T>
long positionOf(const std::vector<T>& list, const T& value) {
    const auto it = std::find(list.begin(), list.end(), value);
    return it == list.end() ? -1 : long(it - list.begin());
}

// The selected position when it lies within a list of `count`.
std::optional<std::size_t> selectedPosition(const platform::PopUpButton& popUp, std::size_t count) {
    const long index = popUp.indexOfSelectedItem();
    if (index < 0 || std::size_t(index) >= count) return std::nullopt;
    return std::size_t(index);
}

// Fills a mode pop-up with the descriptions and selects the first whose
// stored value is `current` (none when no record has it).
template <class Record>
void fillModePopUp(platform::PopUpButton& popUp, const std::vector<Record>& records, int current) {
    popUp.removeAllItems();
    for (const auto& record : records) popUp.addItemWithTitle(record.description);
    const auto it = std::find_if(records.begin(), records.end(), [&](const Record& r) { return r.index == current; });
    if (it != records.end()) popUp.selectItemAtIndex(long(it - records.begin()));
}

template <class Record>
int storedMode(const platform::PopUpButton& popUp, const std::vector<Record>& records) {
    const auto position = selectedPosition(popUp, records.size());
    return position ? records[*position].index : 0;
}

// The system's own applications folder: desktop entries installed for all users.
std::optional<std::filesystem::path> systemApplicationsFolder() {
    for (const auto& dir : platform::Paths::dataDirs()) {
        std::error_code error;
        if (std::filesystem::is_directory(dir / "applications", error)) return dir / "applications";
    }
    return std::nullopt;
}

}  // namespace

ConfigViewControllerGeneral::ConfigViewControllerGeneral() {
    registerAction("checkboxSearchInTags_click:", [this](const auto&) { checkboxSearchInTags_click(); });
    registerAction("checkboxSearchInTagsSelectionHandling_click:",
                   [this](const auto& sender) { checkboxSearchInTagsSelectionHandling_click(sender); });
    registerAction("checkboxLaunchAtLogin_click:", [this](const auto&) { checkboxLaunchAtLogin_click(); });
    registerAction("buttonSelectAlternateBrowser_click:", [this](const auto&) { buttonSelectAlternateBrowser_click(); });
}

void ConfigViewControllerGeneral::viewWillAppear() {
    ViewController::viewWillAppear();
    (void)HotKeyManager::shared();
    if (auto recorder = globalHotkey.lock())
        applyDefaultStyle(*recorder, std::dynamic_pointer_cast<RecordViewDelegate>(shared_from_this()));
    loadSettings();
    enableTagChoices();
    if (auto login = checkboxLaunchAtLogin.lock())
        login->setState(stateFor(AutoLaunchManager::shared()->isLoginItemEnabled()));
    setPreferredContentSize({800, 480});
}

void ConfigViewControllerGeneral::viewWillDisappear() {
    ViewController::viewWillDisappear();
    storeSettings();
}

void ConfigViewControllerGeneral::loadSettings() {
    auto& c = config();
    if (auto recorder = globalHotkey.lock()) recorder->setKeyCombo(c.globalKeyCombo);

    auto setCheckbox = [](const std::weak_ptr<platform::Button>& outlet, bool on) {
        if (auto checkbox = outlet.lock()) checkbox->setState(stateFor(on));
    };
    setCheckbox(checkboxMainWindowAnimated, c.mainPopoverAnimated);
    setCheckbox(checkboxSearchInComments, c.searchForComments);
    setCheckbox(checkboxSearchInTags, c.searchForTags);
    setCheckbox(checkboxSearchInTagsLaunchAll, c.selectingTagsInMainWindowLaunchAll);
    // The other half of the exclusive pair shows the alternative.
    setCheckbox(checkboxSearchInTagsView, !c.selectingTagsInMainWindowLaunchAll);
    setCheckbox(checkboxSelectTagsAndCategoriesOnHover, c.selectTagsAndCategoriesOnHover);

    if (auto popUp = popupButtonMenuItem.lock()) {
        popUp->removeAllItems();
        for (const auto& name : c.availableMenubarIcons) {
            popUp->addItemWithTitle(name);
            const auto item = popUp->itemWithTitle(name);
            if (!item) continue;
            // A copy: the named image itself keeps its size elsewhere.
            if (const auto image = platform::Image::imageNamed(name)) {
                auto small = image->copy();
                small->setSize({18, 18});
                item->setImage(small);
            } else {
                item->setImage(nullptr);
            }
            item->setTag(positionOf(c.availableMenubarIcons, name));
            item->setTitle("");
        }
        popUp->selectItemAtIndex(std::max(0L, positionOf(c.availableMenubarIcons, c.menubarIcon)));
    }
    if (auto popUp = popupButtonWindowType.lock()) fillModePopUp(*popUp, c.availableWindowStyles, c.windowViewStyle);
    if (auto popUp = popupButtonClickType.lock()) fillModePopUp(*popUp, c.availableClickTypes, c.clickType);
    if (auto field = textfieldAlternateBrowser.lock()) field->setStringValue(c.alternateFolderBrowser);
}

void ConfigViewControllerGeneral::storeSettings() {
    auto& c = config();
    if (auto recorder = globalHotkey.lock()) c.globalKeyCombo = recorder->keyCombo();
    if (auto popUp = popupButtonWindowType.lock()) c.windowViewStyle = storedMode(*popUp, c.availableWindowStyles);
    if (auto popUp = popupButtonClickType.lock()) c.clickType = storedMode(*popUp, c.availableClickTypes);
    if (auto popUp = popupButtonMenuItem.lock()) {
        const auto position = selectedPosition(*popUp, c.availableMenubarIcons.size());
        c.menubarIcon = position ? c.availableMenubarIcons[*position] : Configuration::defaultMenubarIcon;
    }
    platform::NotificationCenter::defaultCenter().post(Notifications::menubarIconChanged);

    auto read = [](const std::weak_ptr<platform::Button>& outlet, bool& setting) {
        if (auto checkbox = outlet.lock()) setting = isOn(*checkbox);
    };
    read(checkboxMainWindowAnimated, c.mainPopoverAnimated);
    read(checkboxSearchInComments, c.searchForComments);
    read(checkboxSearchInTags, c.searchForTags);
    read(checkboxSearchInTagsLaunchAll, c.selectingTagsInMainWindowLaunchAll);
    read(checkboxSelectTagsAndCategoriesOnHover, c.selectTagsAndCategoriesOnHover);
    if (auto field = textfieldAlternateBrowser.lock()) c.alternateFolderBrowser = field->stringValue();
}

void ConfigViewControllerGeneral::enableTagChoices() {
    const auto searchInTags = checkboxSearchInTags.lock();
    const bool on = searchInTags && isOn(*searchInTags);
    for (const auto& outlet : {checkboxSearchInTagsLaunchAll, checkboxSearchInTagsView})
        if (auto choice = outlet.lock()) choice->setEnabled(on);
}

void ConfigViewControllerGeneral::checkboxSearchInTags_click() {
    enableTagChoices();
    if (auto checkbox = checkboxSearchInTags.lock()) config().searchForTags = isOn(*checkbox);
}

void ConfigViewControllerGeneral::checkboxSearchInTagsSelectionHandling_click(
    const std::shared_ptr<platform::Object>& sender) {
    const auto launchAll = checkboxSearchInTagsLaunchAll.lock();
    const auto view = checkboxSearchInTagsView.lock();
    if (!launchAll) return;
    // Choosing one of the pair unchooses the other; unticking the chosen
    // one chooses the other, so exactly one stays on.
    if (view) {
        const bool launchAllChosen = sender == view ? !isOn(*view) : isOn(*launchAll);
        launchAll->setState(stateFor(launchAllChosen));
        view->setState(stateFor(!launchAllChosen));
    }
    config().selectingTagsInMainWindowLaunchAll = isOn(*launchAll);
}

void ConfigViewControllerGeneral::checkboxLaunchAtLogin_click() {
    if (auto checkbox = checkboxLaunchAtLogin.lock()) AutoLaunchManager::shared()->setLoginItemEnabled(isOn(*checkbox));
}

void ConfigViewControllerGeneral::buttonSelectAlternateBrowser_click() {
    auto panel = platform::OpenPanel::make();
    panel->setShowsHiddenFiles(false);
    panel->setCanChooseDirectories(false);
    panel->setCanCreateDirectories(false);
    panel->setAllowsMultipleSelection(false);
    // An application here is its desktop entry.
    panel->setAllowedFileTypes({"desktop"});
    if (const auto folder = systemApplicationsFolder()) panel->setDirectoryURL(platform::URL::fileURL(folder->string(), true));
    const std::weak_ptr<platform::TextField> field = textfieldAlternateBrowser;
    panel->beginSheetModal(isViewLoaded() ? view()->window() : nullptr, [panel, field](platform::ModalResponse response) {
        if (response != platform::modalresponse::ok || panel->URLs().empty()) return;
        if (auto text = field.lock()) text->setStringValue(panel->URLs().front().path());
    });
}

bool ConfigViewControllerGeneral::recordViewShouldBeginRecording(RecordView& recordView) {
    return &recordView == globalHotkey.lock().get();
}

bool ConfigViewControllerGeneral::recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    return keyCombo && !ConfigTabViewController_Settings::isKeyComboTaken(*keyCombo);
}

void ConfigViewControllerGeneral::recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) {
    const auto manager = HotKeyManager::shared();
    if (&recordView == globalHotkey.lock().get()) {
        config().globalKeyCombo = keyCombo;
        manager->registerHotKeys(HotKeyType::globalHotKey);
    }
    manager->setHotkeysPaused(true);
}

void ConfigViewControllerGeneral::recordViewDidEndRecording(RecordView&) {}

void layOutGeneralPane(ConfigViewControllerGeneral& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 800, 480));
    const auto self = controller.shared_from_this();
    constexpr double labelX = 40, labelWidth = 200, controlX = 250;

    addLabel(*root, "Main window:", Rect(labelX, 24, labelWidth, 20));
    controller.popupButtonWindowType = addPopUp(*root, Rect(controlX, 20, 300, 26));
    controller.checkboxMainWindowAnimated =
        addCheckbox(*root, "Animate the popup", Rect(controlX + 316, 22, 200, 22), self);

    addLabel(*root, "Launching:", Rect(labelX, 60, labelWidth, 20));
    controller.popupButtonClickType = addPopUp(*root, Rect(controlX, 56, 300, 26));

    addLabel(*root, "Tray icon:", Rect(labelX, 96, labelWidth, 20));
    controller.popupButtonMenuItem = addPopUp(*root, Rect(controlX, 92, 80, 26));

    addLabel(*root, "Global hotkey:", Rect(labelX, 136, labelWidth, 20));
    auto recorder = RecordView::make(Rect(controlX, 132, 180, 26));
    root->addSubview(recorder);
    controller.globalHotkey = recorder;

    addLabel(*root, "Search:", Rect(labelX, 176, labelWidth, 20));
    controller.checkboxSearchInComments = addCheckbox(*root, "Search in comments", Rect(controlX, 174, 400, 22), self);
    controller.checkboxSearchInTags =
        addCheckbox(*root, "Search in tags", Rect(controlX, 200, 400, 22), self, "checkboxSearchInTags_click:");
    auto launchAll = addCheckbox(*root, "Opening a found tag launches all its entries", Rect(controlX + 20, 226, 420, 22),
                                 self, "checkboxSearchInTagsSelectionHandling_click:");
    auto view = addCheckbox(*root, "Opening a found tag shows it in the main window", Rect(controlX + 20, 252, 420, 22),
                            self, "checkboxSearchInTagsSelectionHandling_click:");
    for (const auto& choice : {launchAll, view}) choice->setButtonType(platform::ButtonType::radio);
    controller.checkboxSearchInTagsLaunchAll = launchAll;
    controller.checkboxSearchInTagsView = view;

    addLabel(*root, "Sidebar:", Rect(labelX, 292, labelWidth, 20));
    controller.checkboxSelectTagsAndCategoriesOnHover =
        addCheckbox(*root, "Select tags and categories by hovering over them", Rect(controlX, 290, 420, 22), self);

    addLabel(*root, "Folder browser:", Rect(labelX, 332, labelWidth, 20));
    auto browser = platform::TextField::textField();
    browser->setFrame(Rect(controlX, 328, 330, 24));
    if (auto cell = browser->cell()) cell->setPlaceholderString("The desktop's file manager");
    root->addSubview(browser);
    controller.textfieldAlternateBrowser = browser;
    addButton(*root, "Choose…", Rect(controlX + 340, 326, 100, 28), self, "buttonSelectAlternateBrowser_click:");

    addLabel(*root, "Login:", Rect(labelX, 376, labelWidth, 20));
    controller.checkboxLaunchAtLogin =
        addCheckbox(*root, "Start Frelt when I log in", Rect(controlX, 374, 400, 22), self, "checkboxLaunchAtLogin_click:");

    controller.setView(root);
}

}  // namespace frelt
