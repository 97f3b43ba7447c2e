#include "settings/window/ConfigViewControllerAppearance.h"

#include <cmath>

#include "app/AppDelegate.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Image.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/RecorderStyle.h"
#include "settings/window/ConfigTabViewController_Settings.h"
#include "settings/window/SettingsLayout.h"
#include "store/StoreConstants.h"

namespace frelt {

using namespace settingslayout;
using platform::Rect;
using Category = ConfigViewControllerAppearance::Category;

namespace {

bool withinUnitRange(float value) { return value >= 0.0f && value <= 1.0f; }  // false for NaN

constexpr float defaultIntensity = 0.2f;

}  // namespace

const std::array<Category, ConfigViewControllerAppearance::categoryCount>& ConfigViewControllerAppearance::categories() {
    static const std::array<Category, categoryCount> list{Category::files,
                                                           Category::folders,
                                                           Category::URLs,
                                                           Category::recentApplications,
                                                           Category::activeApplications,
                                                           Category::favorites,
                                                           Category::shortcuts};
    return list;
}

bool ConfigViewControllerAppearance::showFlag(const Configuration& c, Category category) {
    switch (category) {
        case Category::files: return c.sidebarCategoriesShowFiles();
        case Category::folders: return c.sidebarCategoriesShowFolders();
        case Category::URLs: return c.sidebarCategoriesShowURLs();
        case Category::recentApplications: return c.sidebarCategoriesShowRecentApplications();
        case Category::activeApplications: return c.sidebarCategoriesShowActiveApplications();
        case Category::favorites: return c.sidebarCategoriesShowFavorites();
        case Category::shortcuts: return c.sidebarCategoriesShowShortcuts();
    }
    return false;
}

void ConfigViewControllerAppearance::setShowFlag(Configuration& c, Category category, bool show) {
    switch (category) {
        case Category::files: c.setSidebarCategoriesShowFiles(show); break;
        case Category::folders: c.setSidebarCategoriesShowFolders(show); break;
        case Category::URLs: c.setSidebarCategoriesShowURLs(show); break;
        case Category::recentApplications: c.setSidebarCategoriesShowRecentApplications(show); break;
        case Category::activeApplications: c.setSidebarCategoriesShowActiveApplications(show); break;
        case Category::favorites: c.setSidebarCategoriesShowFavorites(show); break;
        case Category::shortcuts: c.setSidebarCategoriesShowShortcuts(show); break;
    }
}

KeyCombo::Ptr& ConfigViewControllerAppearance::keyCombo(Configuration& c, Category category) {
    switch (category) {
        case Category::files: return c.globalKeyComboCategoriesShowFiles;
        case Category::folders: return c.globalKeyComboCategoriesShowFolders;
        case Category::URLs: return c.globalKeyComboCategoriesShowURLs;
        case Category::recentApplications: return c.globalKeyComboCategoriesShowRecentApplications;
        case Category::activeApplications: return c.globalKeyComboCategoriesShowActiveApplications;
        case Category::favorites: return c.globalKeyComboCategoriesShowFavorites;
        case Category::shortcuts: break;
    }
    return c.globalKeyComboCategoriesShowShortcuts;
}

ConfigViewControllerAppearance::ConfigViewControllerAppearance() {
    registerAction("checkboxShowCategories_click:",
                   [this](const auto& sender) { checkboxShowCategories_click(sender); });
    registerAction("checkboxShowPathInMainView_click:", [this](const auto&) { refreshPreview(); });
    registerAction("checkboxDrawBorderAroundHotkey_click:", [this](const auto&) { refreshPreview(); });
    registerAction("backgroundColorIntensity_change:", [this](const auto&) {
        backgroundColorIntensity_change();
        refreshPreview();
    });
}

void ConfigViewControllerAppearance::viewWillAppear() {
    ViewController::viewWillAppear();
    (void)HotKeyManager::shared();
    const auto self = std::dynamic_pointer_cast<RecordViewDelegate>(shared_from_this());
    // The shortcuts category works on every desktop here, so all seven
    // recorders are styled and follow their checkboxes alike.
    for (const auto& outlet : categoryHotkeys)
        if (auto recorder = outlet.lock()) applyDefaultStyle(*recorder, self);
    loadSettings();
    for (std::size_t i = 0; i < categoryCount; ++i)
        if (auto recorder = categoryHotkeys[i].lock()) recorder->setEnabled(categoryChecked(i));
    refreshPreview();
    setPreferredContentSize({800, 600});
}

void ConfigViewControllerAppearance::viewWillDisappear() {
    ViewController::viewWillDisappear();
    storeSettings();
}

bool ConfigViewControllerAppearance::categoryChecked(std::size_t position) const {
    const auto checkbox = categoryCheckboxes[position].lock();
    return checkbox && isOn(*checkbox);
}

void ConfigViewControllerAppearance::loadSettings() {
    auto& c = config();
    auto setCheckbox = [](const std::weak_ptr<platform::Button>& outlet, bool on) {
        if (auto checkbox = outlet.lock()) checkbox->setState(stateFor(on));
    };
    setCheckbox(checkboxShowPathInMainView, c.showPathInMainView);
    setCheckbox(checkboxUseSmallModeInMainView, c.useSmallModeInMainView);
    setCheckbox(checkboxShowNumberOfElementInSidebar, c.sidebarCategoriesShowNumberOfElementInSidebar);
    setCheckbox(checkboxDrawBorderAroundHotkey, c.hotkeyBorder);
    setCheckbox(checkboxTranslucentBackgroundRight, c.translucentBackgroundRight);

    for (std::size_t i = 0; i < categoryCount; ++i) {
        const auto category = categories()[i];
        const bool shown = showFlag(c, category);
        setCheckbox(categoryCheckboxes[i], shown);
        auto& combo = keyCombo(c, category);
        if (!shown) combo = nullptr;
        if (auto recorder = categoryHotkeys[i].lock()) recorder->setKeyCombo(shown ? combo : nullptr);
    }

    const float stored = c.entryBackgroundAlphaValue;
    const bool valid = withinUnitRange(stored);
    backgroundColorIntensityValue = valid ? stored : defaultIntensity;
    if (auto slider = backgroundColorIntensity.lock()) slider->setDoubleValue(valid ? double(stored) * 100 : 20.0);

    if (auto popUp = mainWindowWidth.lock()) {
        popUp->removeAllItems();
        for (const auto width : allMainWindowWidths()) popUp->addItemWithTitle(rawValue(width));
        popUp->selectItemWithTitle(rawValue(c.mainWindowWidth));
    }
    if (auto popUp = mainWindowHeight.lock()) {
        popUp->removeAllItems();
        for (const auto height : allMainWindowHeights()) popUp->addItemWithTitle(rawValue(height));
        popUp->selectItemWithTitle(rawValue(c.mainWindowHeight));
    }
    refreshPreview();
}

void ConfigViewControllerAppearance::storeSettings() {
    auto& c = config();
    auto& center = platform::NotificationCenter::defaultCenter();
    auto read = [](const std::weak_ptr<platform::Button>& outlet, bool& setting) {
        if (auto checkbox = outlet.lock()) setting = isOn(*checkbox);
    };
    read(checkboxShowPathInMainView, c.showPathInMainView);
    center.post(Notifications::showPathInMainViewChanged);
    read(checkboxUseSmallModeInMainView, c.useSmallModeInMainView);
    center.post(Notifications::useSmallModeInMainViewChanged);
    read(checkboxDrawBorderAroundHotkey, c.hotkeyBorder);
    read(checkboxShowNumberOfElementInSidebar, c.sidebarCategoriesShowNumberOfElementInSidebar);
    center.post(Notifications::sidebarCategoriesShowNumberOfElementInSidebarChanged);
    read(checkboxTranslucentBackgroundRight, c.translucentBackgroundRight);

    bool categoriesChanged = false;
    for (std::size_t i = 0; i < categoryCount; ++i) {
        if (categoryCheckboxes[i].expired()) continue;
        const auto category = categories()[i];
        const bool shown = categoryChecked(i);
        categoriesChanged = categoriesChanged || shown != showFlag(c, category);
        setShowFlag(c, category, shown);
        const auto recorder = categoryHotkeys[i].lock();
        keyCombo(c, category) = shown && recorder ? recorder->keyCombo() : nullptr;
    }
    // The sidebar is built from these flags: without a rebuild a ticked
    // category would appear only after some later tag change.
    if (categoriesChanged) center.post(Notifications::visibleTagsRebuildNeeded);

    if (auto popUp = mainWindowWidth.lock()) {
        const long index = popUp->indexOfSelectedItem();
        c.mainWindowWidth = index >= 0 && std::size_t(index) < mainWindowWidthCaseCount
                                ? allMainWindowWidths()[std::size_t(index)]
                                : MainWindowWidth::with700;
    }
    if (auto popUp = mainWindowHeight.lock()) {
        const long index = popUp->indexOfSelectedItem();
        c.mainWindowHeight = index >= 0 && std::size_t(index) < mainWindowHeightCaseCount
                                 ? allMainWindowHeights()[std::size_t(index)]
                                 : MainWindowHeight::height70;
    }
    c.entryBackgroundAlphaValue = withinUnitRange(backgroundColorIntensityValue) ? backgroundColorIntensityValue
                                                                                  : defaultIntensity;
}

void ConfigViewControllerAppearance::backgroundColorIntensity_change() {
    const auto slider = backgroundColorIntensity.lock();
    if (!slider) return;
    const float v = float(slider->doubleValue() / 100.0);
    backgroundColorIntensityValue = withinUnitRange(v) ? v : defaultIntensity;
}

void ConfigViewControllerAppearance::refreshPreview() {
    if (auto background = mainViewPreviewBackground.lock()) {
        background->setAlphaColor(backgroundColorIntensityValue);
        background->setColor(platform::Color::named("System", "systemRedColor", platform::Color::sRGB(1.0, 0.231, 0.188)));
    }
    const auto showPath = checkboxShowPathInMainView.lock();
    if (auto path = mainViewPreviewPath.lock()) {
        path->setTextColor(config().pathColor);
        path->setHidden(!showPath || !isOn(*showPath));
    }
    if (auto name = mainViewPreviewAppName.lock()) name->setTextColor(config().diaplaynameColor);
    if (auto hotkey = mainViewPreviewHotkey.lock()) {
        hotkey->setTitle("Hotkey");
        const auto border = checkboxDrawBorderAroundHotkey.lock();
        hotkey->setBordered(border && isOn(*border));
    }
}

void ConfigViewControllerAppearance::checkboxShowCategories_click(const std::shared_ptr<platform::Object>& sender) {
    updateCategoryHotkey(sender);
}

void ConfigViewControllerAppearance::updateCategoryHotkey(const std::shared_ptr<platform::Object>& sender) {
    for (std::size_t i = 0; i < categoryCount; ++i) {
        const auto checkbox = categoryCheckboxes[i].lock();
        if (!checkbox || checkbox != sender) continue;
        if (auto recorder = categoryHotkeys[i].lock()) {
            const bool on = isOn(*checkbox);
            recorder->setEnabled(on);
            if (!on) recorder->setKeyCombo(nullptr);
        }
    }
    HotKeyManager::shared()->registerHotKeys(HotKeyType::categoryKey);
}

std::optional<std::size_t> ConfigViewControllerAppearance::categoryOfRecorder(const RecordView& recordView) const {
    for (std::size_t i = 0; i < categoryCount; ++i)
        if (categoryHotkeys[i].lock().get() == &recordView) return i;
    return std::nullopt;
}

bool ConfigViewControllerAppearance::recordViewShouldBeginRecording(RecordView& recordView) {
    const auto position = categoryOfRecorder(recordView);
    return position && categoryChecked(*position);
}

bool ConfigViewControllerAppearance::recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    return keyCombo && !ConfigTabViewController_Settings::isKeyComboTaken(*keyCombo);
}

void ConfigViewControllerAppearance::recordViewDidChangeKeyCombo(RecordView& recordView,
                                                                 const KeyCombo::Ptr& newCombo) {
    const auto manager = HotKeyManager::shared();
    if (const auto position = categoryOfRecorder(recordView)) {
        keyCombo(config(), categories()[*position]) = newCombo;
        manager->registerHotKeys(HotKeyType::categoryKey);
    }
    manager->setHotkeysPaused(true);
}

void ConfigViewControllerAppearance::recordViewDidEndRecording(RecordView&) {}

void layOutAppearancePane(ConfigViewControllerAppearance& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 800, 600));
    const auto self = controller.shared_from_this();
    constexpr double left = 40, right = 430;

    addLabel(*root, "Sidebar categories", Rect(left, 20, 340, 20), true);
    static constexpr std::array<const char*, ConfigViewControllerAppearance::categoryCount> titles{
        "Files", "Folders", "URLs", "Recently used applications", "Running applications", "Favorites", "Shortcuts"};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const double y = 50 + double(i) * 34;
        controller.categoryCheckboxes[i] =
            addCheckbox(*root, titles[i], Rect(left, y + 2, 210, 22), self, "checkboxShowCategories_click:");
        auto recorder = RecordView::make(Rect(left + 216, y, 140, 26));
        root->addSubview(recorder);
        controller.categoryHotkeys[i] = recorder;
    }

    addLabel(*root, "Main window", Rect(right, 20, 340, 20), true);
    controller.checkboxShowNumberOfElementInSidebar =
        addCheckbox(*root, "Show the number of entries in the sidebar", Rect(right, 52, 340, 22), self);
    controller.checkboxShowPathInMainView =
        addCheckbox(*root, "Show the path of entries", Rect(right, 80, 340, 22), self, "checkboxShowPathInMainView_click:");
    controller.checkboxUseSmallModeInMainView = addCheckbox(*root, "Small entry rows", Rect(right, 108, 340, 22), self);
    controller.checkboxDrawBorderAroundHotkey = addCheckbox(*root, "Draw a border around hotkeys", Rect(right, 136, 340, 22),
                                                            self, "checkboxDrawBorderAroundHotkey_click:");
    controller.checkboxTranslucentBackgroundRight =
        addCheckbox(*root, "Translucent background behind the list", Rect(right, 164, 340, 22), self);

    addLabel(*root, "Window width:", Rect(right, 204, 120, 20));
    controller.mainWindowWidth = addPopUp(*root, Rect(right + 130, 200, 110, 26));
    addLabel(*root, "Window height:", Rect(right, 240, 120, 20));
    controller.mainWindowHeight = addPopUp(*root, Rect(right + 130, 236, 110, 26));

    addLabel(*root, "Colour intensity of entries", Rect(left, 310, 340, 20), true);
    auto slider = std::make_shared<platform::Slider>(Rect(left, 340, 720, 24));
    slider->setMinValue(0);
    slider->setMaxValue(100);
    slider->setContinuous(true);
    slider->setTarget(self);
    slider->setAction("backgroundColorIntensity_change:");
    root->addSubview(slider);
    controller.backgroundColorIntensity = slider;

    // The preview: one entry row as the main window draws it.
    addLabel(*root, "Preview", Rect(left, 390, 340, 20), true);
    auto preview = std::make_shared<DrawnMainViewBackground>(Rect(left, 420, 720, 56));
    root->addSubview(preview);
    controller.mainViewPreviewBackground = preview;
    auto icon = std::make_shared<platform::ImageView>(Rect(left + 14, 428, 40, 40));
    icon->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    icon->setImage(platform::Image::imageNamed("statusbar-1"));
    root->addSubview(icon);
    controller.mainViewPreviewIcon = icon;
    controller.mainViewPreviewAppName = addLabel(*root, "Frelt", Rect(left + 66, 428, 400, 20), true);
    controller.mainViewPreviewPath = addLabel(*root, "/usr/share/applications/org.frelt.Frelt.desktop",
                                              Rect(left + 66, 450, 500, 18));
    auto hotkey = std::make_shared<platform::Button>(Rect(left + 620, 434, 80, 26));
    hotkey->setTitle("Hotkey");
    root->addSubview(hotkey);
    controller.mainViewPreviewHotkey = hotkey;

    controller.setView(root);
}

}  // namespace frelt
