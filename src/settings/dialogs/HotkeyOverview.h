#pragma once
// The hotkey overview: a read-only list of the hotkeys the user assigned, in
// up to five cards: the global hotkey that shows the main window, the
// sidebar categories, the entries, the tags (show) and the tags (launch
// all). The lists are read when the view is built, so an open overview does
// not follow later changes; opening it again shows the current state.
//
// The view types below each hold only what they show and compute their rows
// from it; the root reads the data store and the settings.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/View.h"
#include "platform/appkit/ViewController.h"
#include "store/IconTag.h"
#include "store/TableViewItem.h"

namespace frelt {

class Configuration;

struct HotkeyOverviewHotkeyRow {
    static constexpr double leftColumn = 150;
    static constexpr double rightColumn = 450;

    std::string hotkey;  // the display text
    std::string description;

    bool operator==(const HotkeyOverviewHotkeyRow&) const = default;
};

struct HotkeyOverviewHeaderRow {
    static constexpr double maxWidth = 600;
    std::string title;
};

struct HotkeyOverviewGlobalHotkey {
    std::string content;
    // One row; none for an empty text.
    std::vector<HotkeyOverviewHotkeyRow> rows() const;
};

struct HotkeyOverviewCategories {
    // Display text -> category name.
    std::map<std::string, std::string> content;
    // Sorted descending by the hotkey text.
    std::vector<HotkeyOverviewHotkeyRow> rows() const;
};

struct HotkeyOverviewTableViewItems {
    std::vector<TableViewItem::Ptr> content;
    // The entries with a hotkey, by name (stable).
    std::vector<HotkeyOverviewHotkeyRow> rows() const;
};

struct HotkeyOverviewTagItems {
    std::vector<iconTag::Ptr> content;
    std::vector<HotkeyOverviewHotkeyRow> rows() const;
};

struct HotkeyOverviewTagItemsLaunchAll {
    std::vector<iconTag::Ptr> content;
    std::vector<HotkeyOverviewHotkeyRow> rows() const;
};

// One card of the overview: an optional header and its rows.
struct HotkeyOverviewCard {
    std::optional<HotkeyOverviewHeaderRow> header;
    std::vector<HotkeyOverviewHotkeyRow> rows;
};

struct HotkeyOverviewContentView {
    double backgroundOpacity = 0.2;
    double cornerRadius = 10;

    // The categories' dictionary from the seven category settings, in
    // order; a later category with the same text replaces an earlier one.
    static HotkeyOverviewCategories categories(const Configuration& config);
    // The cards, top to bottom, from the settings, the entries and the
    // visible tags as they are now.
    static std::vector<HotkeyOverviewCard> cards();
    // The view tree of `cards`: a vertical scroll view of cards.
    std::shared_ptr<platform::View> makeView(const std::vector<HotkeyOverviewCard>& cards, platform::Size size) const;
};

// The view of the dialog's scene that holds the overview. Only a scene makes
// it: waking it from the scene builds the tree and makes it fill the view.
class HostedHotkeyOverviewContentView : public platform::View {
public:
    using View::View;
    void awakeFromNib() override;
};

class ConfigViewControllerHotkeyOverview : public platform::ViewController {
public:
    static constexpr const char* storyboardName = "DialogHotkeyOverview";
    static constexpr const char* windowControllerIdentifier = "ConfigWindowControllerHotkeyOverview";
    static constexpr const char* sceneIdentifier = "ConfigViewControllerHotkeyOverview";

    // Styles the window and asks for 600 x 700.
    void viewWillAppear() override;
};

void registerHotkeyOverviewScenes();

}  // namespace frelt
