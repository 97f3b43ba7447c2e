#include "settings/dialogs/HotkeyOverview.h"

#include <algorithm>
#include <utility>

#include "app/AppDelegate.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/SystemColors.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "settings/dialogs/DialogWindows.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/TagManager.h"

namespace frelt {

using platform::Color;
using platform::Rect;

namespace {

using Rows = std::vector<HotkeyOverviewHotkeyRow>;

// The items with a combination, by name; equal names keep their order.
template <class Item, class Name, class Combo>
Rows rowsByName(const std::vector<std::shared_ptr<Item>>& items, Name name, Combo combo) {
    std::vector<std::shared_ptr<Item>> listed;
    for (const auto& item : items)
        if (item && combo(*item)) listed.push_back(item);
    std::stable_sort(listed.begin(), listed.end(), [&](const auto& a, const auto& b) { return name(*a) < name(*b); });
    Rows rows;
    for (const auto& item : listed) rows.push_back({combo(*item)->displayString(), name(*item)});
    return rows;
}

const std::string& tagName(const iconTag& tag) { return tag.tagName(); }

}  // namespace

Rows HotkeyOverviewGlobalHotkey::rows() const {
    if (content.empty()) return {};
    return {{content, L10n::hotkeyOverviewGlobalHotkey}};
}

Rows HotkeyOverviewCategories::rows() const {
    Rows rows;
    for (auto it = content.rbegin(); it != content.rend(); ++it) rows.push_back({it->first, it->second});
    return rows;
}

Rows HotkeyOverviewTableViewItems::rows() const {
    return rowsByName(
        content, [](const TableViewItem& item) -> const std::string& { return item.name(); },
        [](const TableViewItem& item) { return item.hotkey(); });
}

Rows HotkeyOverviewTagItems::rows() const {
    return rowsByName(content, tagName, [](const iconTag& tag) { return tag.hotkey(); });
}

Rows HotkeyOverviewTagItemsLaunchAll::rows() const {
    return rowsByName(content, tagName, [](const iconTag& tag) { return tag.hotkeyLaunchAll(); });
}

HotkeyOverviewCategories HotkeyOverviewContentView::categories(const Configuration& config) {
    const std::pair<const KeyCombo::Ptr*, const LocalizedString*> settings[] = {
        {&config.globalKeyComboCategoriesShowActiveApplications, &L10n::openApplications},
        {&config.globalKeyComboCategoriesShowRecentApplications, &L10n::lastUsedApplications},
        {&config.globalKeyComboCategoriesShowFavorites, &L10n::All_Favorites},
        {&config.globalKeyComboCategoriesShowFiles, &L10n::All_Files},
        {&config.globalKeyComboCategoriesShowFolders, &L10n::All_Folders},
        {&config.globalKeyComboCategoriesShowShortcuts, &L10n::Shortcuts},
        {&config.globalKeyComboCategoriesShowURLs, &L10n::All_URLs},
    };
    HotkeyOverviewCategories categories;
    for (const auto& [combo, name] : settings)
        if (*combo) categories.content[(*combo)->displayString()] = name->value();
    return categories;
}

std::vector<HotkeyOverviewCard> HotkeyOverviewContentView::cards() {
    const auto config = AppDelegate::shared()->config;
    std::vector<HotkeyOverviewCard> cards;
    if (config->globalKeyCombo)
        cards.push_back({std::nullopt, HotkeyOverviewGlobalHotkey{config->globalKeyCombo->displayString()}.rows()});
    cards.push_back({HotkeyOverviewHeaderRow{L10n::hotkeyOverviewCategory}, categories(*config).rows()});
    cards.push_back({HotkeyOverviewHeaderRow{L10n::hotkeyOverviewEntry},
                     HotkeyOverviewTableViewItems{DataStorage::shared()->allData()->toVector()}.rows()});
    const auto visibleTags = TagManager::shared()->allVisibleTags()->toVector();
    cards.push_back({HotkeyOverviewHeaderRow{L10n::hotkeyOverviewTagView}, HotkeyOverviewTagItems{visibleTags}.rows()});
    cards.push_back({HotkeyOverviewHeaderRow{L10n::hotkeyOverviewTagLaunchAll},
                     HotkeyOverviewTagItemsLaunchAll{visibleTags}.rows()});
    return cards;
}

// --- the view tree

namespace {

constexpr double cardMargin = 10;   // around each card in the scroll view
constexpr double cardSpacing = 8;   // between the cards
constexpr double insetTop = 10, insetLeading = 5, insetBottom = 10, insetTrailing = 5;
constexpr double headerTitleHeight = 20, separatorHeight = 2;
constexpr double rowHeight = 20, rowSpacing = 4, columnSpacing = 8;

// The desktop's accent colour as it is now: a catalogue colour keeps no
// opacity of its own, so it is resolved first.
Color accent(double opacity) {
    const auto named = Color::named("System", "controlAccentColor");
    const auto rgba =
        platform::systemcolors::resolve(named, platform::Application::shared()->effectiveAppearance());
    return rgba ? Color::sRGB(rgba->red, rgba->green, rgba->blue, opacity) : named.withAlphaComponent(opacity);
}

std::shared_ptr<platform::TextField> text(const std::string& value, Rect frame, platform::TextAlignment alignment) {
    auto field = platform::TextField::label(value);
    field->setFrame(frame);
    field->setAlignment(alignment);
    return field;
}

// The header: the title, then the separator line; answers the height used.
double addHeader(platform::View& card, const HotkeyOverviewHeaderRow& header, double y) {
    y += 5;
    auto title = text(header.title, Rect(insetLeading + 10, y, HotkeyOverviewHeaderRow::maxWidth - 10, headerTitleHeight),
                      platform::TextAlignment::Left);
    title->setFont(platform::Font::boldSystemFont(14));
    card.addSubview(title);
    y += headerTitleHeight + 2;
    auto line = std::make_shared<platform::Box>(Rect(insetLeading, y, HotkeyOverviewHeaderRow::maxWidth, separatorHeight));
    line->setBoxType(platform::BoxType::custom);
    line->setBorderWidth(0);
    line->setFillColor(accent(0.5));
    card.addSubview(line);
    return y + separatorHeight;
}

double addRow(platform::View& card, const HotkeyOverviewHotkeyRow& row, double y) {
    auto hotkey = text(row.hotkey, Rect(insetLeading, y, HotkeyOverviewHotkeyRow::leftColumn, rowHeight),
                       platform::TextAlignment::Right);
    hotkey->setTextColor(accent(1));
    card.addSubview(hotkey);
    card.addSubview(text(row.description,
                         Rect(insetLeading + HotkeyOverviewHotkeyRow::leftColumn + columnSpacing, y,
                              HotkeyOverviewHotkeyRow::rightColumn, rowHeight),
                         platform::TextAlignment::Left));
    return y + rowHeight;
}

}  // namespace

std::shared_ptr<platform::View> HotkeyOverviewContentView::makeView(const std::vector<HotkeyOverviewCard>& cards,
                                                                    platform::Size size) const {
    using namespace platform::autoresizing;
    const double cardWidth = insetLeading + HotkeyOverviewHeaderRow::maxWidth + insetTrailing;
    auto document = std::make_shared<platform::View>(Rect(0, 0, cardWidth + 2 * cardMargin, 0));
    double y = cardMargin;
    for (const auto& card : cards) {
        auto box = std::make_shared<platform::Box>(Rect(cardMargin, y, cardWidth, 0));
        box->setBoxType(platform::BoxType::custom);
        box->setBorderWidth(0);
        box->setCornerRadius(cornerRadius);
        box->setFillColor(accent(backgroundOpacity));
        auto content = box->contentView();
        double inner = insetTop;
        if (card.header) inner = addHeader(*content, *card.header, inner) + rowSpacing;
        for (const auto& row : card.rows) inner = addRow(*content, row, inner) + rowSpacing;
        const double height = inner - (card.rows.empty() && !card.header ? 0 : rowSpacing) + insetBottom;
        box->setFrame(Rect(cardMargin, y, cardWidth, height));
        content->setFrame(Rect(0, 0, cardWidth, height));
        document->addSubview(box);
        y += height + cardSpacing;
    }
    document->setFrame(Rect(0, 0, cardWidth + 2 * cardMargin, y - cardSpacing + cardMargin));

    auto scroll = std::make_shared<platform::ScrollView>(Rect({0, 0}, size));
    scroll->setAutoresizingMask(widthSizable | heightSizable);
    scroll->setHasVerticalScroller(true);
    scroll->setDrawsBackground(false);
    scroll->setDocumentView(document);
    return scroll;
}

void HostedHotkeyOverviewContentView::awakeFromNib() {
    View::awakeFromNib();
    if (!subviews().empty()) return;
    const HotkeyOverviewContentView root;
    auto content = root.makeView(HotkeyOverviewContentView::cards(), bounds().size);
    content->setFrame(bounds());
    content->setAutoresizingMask(platform::autoresizing::widthSizable | platform::autoresizing::heightSizable);
    setAutoresizesSubviews(true);
    addSubview(content);
}

void ConfigViewControllerHotkeyOverview::viewWillAppear() {
    if (const auto window = view()->window()) styleDialogWindow(*window, false);
    // A hotkey another program held may be free by now.
    HotKeyManager::shared()->retryRefusedHotKeys();
    setPreferredContentSize({600, 700});
}

// --- the scenes

namespace {

constexpr double overviewWidth = 660, overviewHeight = 700;

void layOutHotkeyOverview(ConfigViewControllerHotkeyOverview& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, overviewWidth, overviewHeight));
    root->setAutoresizesSubviews(true);
    // Below the transparent title bar.
    auto hosted = std::make_shared<HostedHotkeyOverviewContentView>(Rect(0, 28, overviewWidth, overviewHeight - 28));
    hosted->setAutoresizingMask(platform::autoresizing::widthSizable | platform::autoresizing::heightSizable);
    root->addSubview(hosted);
    controller.setView(root);
}

}  // namespace

void registerHotkeyOverviewScenes() {
    registerDialog<ConfigViewControllerHotkeyOverview>({overviewWidth, overviewHeight}, "Hotkey Overview",
                                                             layOutHotkeyOverview);
}

}  // namespace frelt
