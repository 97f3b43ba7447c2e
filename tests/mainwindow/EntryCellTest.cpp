#include <gtest/gtest.h>

#include "MainWindowTestSupport.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ThumbnailGenerator.h"
#include "sources/discovery/OpenApplicationsManager.h"
#include "sources/icons/IconCache.h"

#include <fstream>

using namespace frelt;
using platform::Color;

namespace {

using Selection = TableViewCellMainWindow::CellSelection;

// The underlined part of a styled text, or "" when nothing is.
std::string underlined(const std::optional<platform::AttributedString>& text) {
    if (!text) return "<none>";
    std::string result;
    for (const auto& run : text->runs())
        if (run.attributes.underlineStyle == int(platform::UnderlineStyle::Single))
            result += text->string().substr(run.range.location, run.range.length);
    return result;
}

TEST(EntryCellHighlight, UnderlinesTheFirstMatchIgnoringCase) {
    struct Case {
        std::optional<std::string> text;
        std::optional<std::string> search;
        std::string underlined;
    };
    const std::vector<Case> cases{
        {"Safari", "sa", "Sa"},
        {"Visual Studio Code", "STUDIO", "Studio"},
        {"Banana", "an", "an"},         // the first of two
        {"Straße", "STRASSE", "Straße"},  // full case folding
        {"Éditeur", "édit", "Édit"},
        {"Firefox", "", ""},
        {"Firefox", std::nullopt, ""},
        {"Firefox", "chrome", ""},
        {std::nullopt, "a", "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.value_or("<none>") + " / " + c.search.value_or("<none>"));
        const auto text = TableViewCellMainWindow::highlightedString(c.text, c.search);
        EXPECT_EQ(underlined(text), c.underlined);
        if (text) {
            ASSERT_FALSE(text->runs().empty());
            EXPECT_EQ(text->runs().back().attributes.paragraphStyle->lineBreakMode,
                      platform::LineBreakMode::ByTruncatingTail);
        }
    }
}

class EntryCellTest : public MainWindowTest {};

TEST_F(EntryCellTest, TheSecondLineShowsTheCommentThePathOrWhatATagEntryDoes) {
    auto tag = TableViewItem::initForTag("Work|Mail", "Mail");
    auto commented = link("Commented", "Read later");
    auto plain = link("Plain");
    setEntries({tag, commented, plain});
    showMainWindow();
    auto rowOf = [&](const TableViewItem::Ptr& e) {
        return long(*store()->currentData()->firstIndexWhere([&](const auto& x) { return x == e; }));
    };
    auto secondLine = [&](const TableViewItem::Ptr& e) -> std::string {
        const auto line = cell(rowOf(e))->path.lock();
        return line->isHidden() ? "<hidden>" : line->cell()->stringValue();
    };

    EXPECT_EQ(secondLine(commented), "Read later");
    EXPECT_EQ(secondLine(plain), plain->path());
    EXPECT_EQ(secondLine(tag), "Switch to Tag [Work|Mail]");
    EXPECT_EQ(cell(rowOf(tag))->imageBadge.lock()->image(), nullptr);

    config()->showPathInMainView = false;
    table()->redrawData();
    EXPECT_EQ(secondLine(plain), "<hidden>");
    EXPECT_EQ(secondLine(commented), "Read later");

    // Option swaps what opening a tag entry does, and the setting swaps it back.
    kit::changeFlags(platform::modifierflags::option);
    EXPECT_EQ(secondLine(tag), "Launch all entries with Tag [Work|Mail]");
    EXPECT_EQ(cell(rowOf(tag))->imageBadge.lock()->image(), platform::Image::imageNamed("overlay_Execute"));
    config()->selectingTagsInMainWindowLaunchAll = true;
    table()->redrawData();
    EXPECT_EQ(secondLine(tag), "Switch to Tag [Work|Mail]");
    kit::changeFlags(0);
    EXPECT_EQ(secondLine(tag), "Launch all entries with Tag [Work|Mail]");
    EXPECT_EQ(cell(rowOf(tag))->image.lock()->image(), platform::Image::imageNamed("tag_Background"));
}

TEST_F(EntryCellTest, TheHotkeyButtonShowsReturnDigitsOrTheHotkey) {
    std::vector<TableViewItem::Ptr> entries;
    for (int i = 0; i < 11; ++i) {
        auto e = link("Entry " + std::string(1, char('a' + i)));
        if (i != 3) e->setHotkey(KeyCombo::make(Key::k, platform::modifierflags::command | platform::modifierflags::option));
        entries.push_back(e);
    }
    setEntries(entries);
    showMainWindow();  // the search field has the focus: row 0 is the one Return opens
    ASSERT_EQ(table()->selectedRow(), 0);
    auto button = [&](long row) -> std::string {
        const auto b = cell(row)->hotkey.lock();
        return b->isHidden() ? "<hidden>" : b->title();
    };
    const std::string hotkeyText = entries[0]->hotkey()->displayString();
    EXPECT_EQ(button(0), TableViewCellMainWindow::returnKeyGlyph);
    EXPECT_EQ(button(1), hotkeyText);
    EXPECT_EQ(button(3), "<hidden>") << "no hotkey, no button";

    kit::changeFlags(platform::modifierflags::command);
    EXPECT_EQ(button(0), TableViewCellMainWindow::returnKeyGlyph) << "the focused selection keeps its glyph";
    EXPECT_EQ(button(1), "2");
    EXPECT_EQ(button(3), "4");
    EXPECT_EQ(button(8), "9");
    EXPECT_EQ(button(9), hotkeyText) << "only nine rows have numbers";

    kit::changeFlags(platform::modifierflags::command | platform::modifierflags::shift);
    EXPECT_EQ(button(1), hotkeyText);
    EXPECT_EQ(button(3), "<hidden>");
    EXPECT_FALSE(cell(1)->hotkey.lock()->isBordered()) << "the border follows the setting, off by default";
}

TEST_F(EntryCellTest, SelectionStyleFollowsTheFocus) {
    auto coloured = link("Coloured");
    coloured->setColor(Color::sRGB(0.2, 0.6, 0.9));
    setEntries({coloured, link("Other")});
    showMainWindow();
    table()->selectRowIndexes(platform::IndexSet::withIndex(0), false);
    auto background = rowView(0)->backgroundView();

    struct Step {
        const char* what;
        std::function<void()> act;
        Selection style;
        bool tint;
    };
    const std::vector<Step> steps{
        {"search field focused", [] {}, Selection::selectedAndFocused, false},
        {"table focused", [&] { controller()->setFocus(FirstResponderKind::entryTable); }, Selection::selectedAndFocused,
         false},
        {"sidebar focused", [&] { window->makeFirstResponder(controller()->sectionView.lock()); },
         Selection::selectedWithoutFocus, true},
        {"search field again", [&] { controller()->setFocus(FirstResponderKind::searchField); },
         Selection::selectedAndFocused, false},
        {"another row selected", [&] { table()->selectRowIndexes(platform::IndexSet::withIndex(1), false); },
         Selection::notSelected, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(cell(0)->currentSelectionStyle, step.style);
        EXPECT_EQ(background->drawBackground(), step.tint);
        EXPECT_FALSE(background->isHidden()) << "the colour bar stays";
    }
    EXPECT_TRUE(rowView(1)->isEmphasized()) << "the search field keeps the selection emphasised";
}

TEST_F(EntryCellTest, RowTintFollowsTheEntrysColourInsetAtBothSides) {
    auto coloured = link("Coloured");
    coloured->setColor(Color::sRGB(0.9, 0.3, 0.2));
    auto cleared = link("Cleared");
    cleared->setColor(Color::clear());
    setEntries({cleared, coloured, link("Plain")});
    showMainWindow();
    for (long row : {0L, 2L}) {
        const auto background = rowView(row)->backgroundView();
        EXPECT_TRUE(background->isHidden()) << row;
        EXPECT_EQ(background->alphaColor(), 0.0f);
    }
    const auto background = rowView(1)->backgroundView();
    EXPECT_FALSE(background->isHidden());
    EXPECT_FLOAT_EQ(background->alphaColor(), 0.2f);
    rowView(1)->setFrame(platform::Rect(0, 64, 300, 64));
    EXPECT_EQ(background->frame(), platform::Rect(10, 0, 280, 64));
}

TEST_F(EntryCellTest, ARunningApplicationShowsItsDotTintedWhileSelected) {
    const auto desktop = (home() / "editor.desktop").string();
    std::ofstream(desktop) << "[Desktop Entry]\nType=Application\nName=Editor\nExec=true\n";
    auto app = TableViewItem::initForSpotlightApp(desktop, "Editor");
    setEntries({app, link("Zebra")});
    (void)OpenApplicationsManager::shared();  // follows the workspace from now on
    showMainWindow();
    controller()->setFocus(FirstResponderKind::entryTable);
    table()->selectRowIndexes(platform::IndexSet::withIndex(1), false);
    const auto dot = [&] { return cell(0)->activeIndicator.lock(); };
    EXPECT_TRUE(dot()->isHidden());

    auto running = std::make_shared<platform::RunningApplication>();
    running->bundleURL = platform::URL::fileURL(desktop);
    workspace->applicationsDidLaunch({running});
    EXPECT_FALSE(dot()->isHidden()) << "the launch reloads the table";
    EXPECT_EQ(dot()->image(), platform::Image::imageNamed("status_AppActive"));

    table()->selectRowIndexes(platform::IndexSet::withIndex(0), false);
    EXPECT_NE(dot()->image(), platform::Image::imageNamed("status_AppActive")) << "tinted on the selection";
    workspace->applicationsDidTerminate({running});
    EXPECT_TRUE(dot()->isHidden());
}

// Answers when told to, as the desktop's thumbnail maker does, later.
class LaterThumbnails : public platform::ThumbnailGenerator {
public:
    void generateRepresentations(const platform::ThumbnailRequest&, Handler handler) override {
        handlers.push_back(std::move(handler));
    }
    std::vector<Handler> handlers;
};

TEST_F(EntryCellTest, AThumbnailArrivingShowsInTheCellWithoutAReload) {
    auto thumbnails = std::make_shared<LaterThumbnails>();
    platform::ThumbnailGenerator::setShared(thumbnails);
    workspace->genericIcon = platform::Image::imageWithSize({64, 64}, false, [](const platform::Rect&) { return true; });
    const auto png = (home() / "photo.png").string();
    std::ofstream(png) << "png";
    auto photo = TableViewItem::initForExternalNonSpotlightObject(png);
    setEntries({photo});
    showMainWindow();
    drain();  // the thumbnail is asked for from the main queue
    ASSERT_EQ(thumbnails->handlers.size(), 1u);
    const auto before = cell(0)->image.lock()->image();

    auto picture = platform::Image::imageWithSize({96, 96}, false, [](const platform::Rect&) { return true; });
    picture->setName("thumbnail");
    thumbnails->handlers[0](picture, platform::thumbnailrepresentation::lowQualityThumbnail, std::nullopt);
    drain();
    EXPECT_NE(cell(0)->image.lock()->image(), before);
    EXPECT_EQ(cell(0)->image.lock()->image(), IconCache::shared()->icon(photo));
}

}  // namespace
