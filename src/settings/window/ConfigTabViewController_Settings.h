#pragma once
// The settings window: one window with a tab per pane (general, appearance,
// granted locations, URL templates, advanced, search scope), built in code
// as the storyboard "ConfigSettings".
//
// While the window shows, every hotkey is paused, so pressing a combination
// in a recorder never fires it. The panes load their controls from the one
// Configuration when they come on screen and write them back when they go
// (a tab switch or the window closing); none of them saves. When the window
// goes away the tab controller saves the configuration, registers every
// kind of hotkey again from what was just stored, and lifts the pause.

#include <array>
#include <memory>
#include <string>

#include "hotkeys/KeyCombo.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SplitViewController.h"

namespace frelt {

class ConfigTabViewController_Settings : public platform::TabViewController {
public:
    static constexpr const char* storyboardName = "ConfigSettings";
    static constexpr const char* sceneIdentifier = "ConfigTabViewController_Settings";
    static constexpr const char* windowControllerIdentifier = "ConfigWindowControllerGeneral";

    // A pane: its scene in "ConfigSettings" and the tab's label.
    struct Pane {
        const char* sceneIdentifier;
        const char* label;
    };
    // The tabs in order. A pane whose scene is not registered is left out.
    static const std::array<Pane, 6>& panes();
    // Height of the tab bar above the selected pane.
    static constexpr double tabBarHeight = 40;

    ConfigTabViewController_Settings();

    // Makes the tabs of every registered pane.
    void addPanes();
    // The tab bar: a segment per tab; choosing one selects its tab.
    std::weak_ptr<platform::SegmentedControl> tabBar;

    void loadView() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;
    void didSelectTabViewItem(const std::shared_ptr<platform::TabViewItem>& item) override;

    // Saves the configuration, registers every hotkey kind again, resumes
    // the hotkeys.
    static void saveAndRegister();

    // Whether a recorder of the window must refuse `keyCombo`: a registered
    // hotkey has it, or the global hotkey or a category holds it in the
    // configuration. The latter covers a category ticked in this window,
    // which is registered only when the window closes; without it two
    // settings could share a combination and one would silently not work.
    static bool isKeyComboTaken(const KeyCombo& keyCombo);

private:
    void tabBarClick();
    // The selected pane below the bar, the window fitted to its preferred size.
    void fitSelectedPane();
};

// Registers the window's scenes (window controller and tab controller) and
// the panes built here: general, appearance and advanced.
void registerSettingsWindowScenes();

}  // namespace frelt
