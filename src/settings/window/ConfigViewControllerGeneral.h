#pragma once
// The settings window's General pane: how the main window shows and how
// entries launch, the tray icon, the global hotkey, the main window's
// animation, what the search looks at and how a found tag opens, selecting
// sidebar rows by hovering, the folder browser, and starting at login.
//
// The pane keeps no copy of a setting: it loads its controls from the
// configuration each time it comes on screen and stores them back each time
// it goes (nothing is saved here; the settings window saves). Done at once
// instead: the two tag-search choices on their clicks, the global hotkey
// when recorded (registered at once so that it counts as taken), and the
// login item on its click.

#include <memory>

#include "hotkeys/RecordView.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"

namespace frelt {

class ConfigViewControllerGeneral : public platform::ViewController, public RecordViewDelegate {
public:
    ConfigViewControllerGeneral();

    std::weak_ptr<platform::PopUpButton> popupButtonWindowType;
    std::weak_ptr<RecordView> globalHotkey;
    std::weak_ptr<platform::PopUpButton> popupButtonClickType;
    std::weak_ptr<platform::Button> checkboxMainWindowAnimated;
    std::weak_ptr<platform::TextField> textfieldAlternateBrowser;
    std::weak_ptr<platform::Button> checkboxSearchInComments;
    std::weak_ptr<platform::Button> checkboxSearchInTags;
    std::weak_ptr<platform::Button> checkboxSearchInTagsLaunchAll;
    std::weak_ptr<platform::Button> checkboxSearchInTagsView;
    std::weak_ptr<platform::Button> checkboxLaunchAtLogin;
    std::weak_ptr<platform::PopUpButton> popupButtonMenuItem;
    std::weak_ptr<platform::Button> checkboxSelectTagsAndCategoriesOnHover;

    void viewWillAppear() override;
    void viewWillDisappear() override;

    void loadSettings();
    void storeSettings();

    // --- actions
    void checkboxSearchInTags_click();
    // Either of the two tag choices; they act as one exclusive pair.
    void checkboxSearchInTagsSelectionHandling_click(const std::shared_ptr<platform::Object>& sender);
    void checkboxLaunchAtLogin_click();
    void buttonSelectAlternateBrowser_click();

    // --- RecordViewDelegate
    bool recordViewShouldBeginRecording(RecordView& recordView) override;
    bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidEndRecording(RecordView& recordView) override;

private:
    void enableTagChoices();
};

// Builds the pane's controls and connects its outlets (the scene's layout).
void layOutGeneralPane(ConfigViewControllerGeneral& controller);

}  // namespace frelt
