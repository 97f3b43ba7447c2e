#pragma once
// The settings window's Appearance pane: which categories the sidebar shows,
// each shown category's hotkey, the sidebar's element counts, the path line
// and the small mode of the entry list, the border around hotkeys, the
// translucent right-hand background, the intensity of the coloured entry
// background, and the main window's size. A preview row shows the path,
// border and intensity at once.
//
// A category that is not shown has no hotkey: unticking it empties and
// disables its recorder, and loading clears a stored combination of a
// hidden category. Recorded category hotkeys are stored and registered at
// once; everything else is stored when the pane goes away.

#include <array>
#include <memory>

#include "drawing/DrawnViews.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/Slider.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "store/Configuration.h"

namespace frelt {

class ConfigViewControllerAppearance : public platform::ViewController, public RecordViewDelegate {
public:
    // The sidebar categories in the pane's order.
    enum class Category { files, folders, URLs, recentApplications, activeApplications, favorites, shortcuts };
    static constexpr std::size_t categoryCount = 7;
    static const std::array<Category, categoryCount>& categories();
    // The category's setting in `config`.
    static bool showFlag(const Configuration& config, Category category);
    static void setShowFlag(Configuration& config, Category category, bool show);
    static KeyCombo::Ptr& keyCombo(Configuration& config, Category category);

    ConfigViewControllerAppearance();

    std::array<std::weak_ptr<platform::Button>, categoryCount> categoryCheckboxes;
    std::array<std::weak_ptr<RecordView>, categoryCount> categoryHotkeys;

    std::weak_ptr<platform::Button> checkboxShowNumberOfElementInSidebar;
    std::weak_ptr<platform::Button> checkboxShowPathInMainView;
    std::weak_ptr<platform::Button> checkboxUseSmallModeInMainView;
    std::weak_ptr<platform::Button> checkboxDrawBorderAroundHotkey;
    std::weak_ptr<platform::Button> checkboxTranslucentBackgroundRight;
    std::weak_ptr<platform::Slider> backgroundColorIntensity;
    std::weak_ptr<platform::PopUpButton> mainWindowWidth;
    std::weak_ptr<platform::PopUpButton> mainWindowHeight;
    std::weak_ptr<DrawnMainViewBackground> mainViewPreviewBackground;
    std::weak_ptr<platform::TextField> mainViewPreviewAppName;
    std::weak_ptr<platform::TextField> mainViewPreviewPath;
    std::weak_ptr<platform::ImageView> mainViewPreviewIcon;
    std::weak_ptr<platform::Button> mainViewPreviewHotkey;

    // The intensity the slider shows, within 0 … 1 once loaded.
    float backgroundColorIntensityValue = 0;

    void viewWillAppear() override;
    void viewWillDisappear() override;

    void loadSettings();
    void storeSettings();
    void refreshPreview();

    // --- actions
    void checkboxShowCategories_click(const std::shared_ptr<platform::Object>& sender);
    void updateCategoryHotkey(const std::shared_ptr<platform::Object>& sender);
    void backgroundColorIntensity_change();

    // --- RecordViewDelegate
    bool recordViewShouldBeginRecording(RecordView& recordView) override;
    bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidEndRecording(RecordView& recordView) override;

private:
    // The position of the recorder among the seven; none for another.
    std::optional<std::size_t> categoryOfRecorder(const RecordView& recordView) const;
    bool categoryChecked(std::size_t position) const;
};

void layOutAppearancePane(ConfigViewControllerAppearance& controller);

}  // namespace frelt
