// Files and links dragged into the main window: onto an entry that takes
// them, onto the list with a tag selected, onto the window's background;
// and rows dragged out of the table.

#include <gtest/gtest.h>

#include <fstream>

#include "MainWindowTestSupport.h"
#include "support/SidebarSupport.h"
#include "mainwindow/MainViewDraggingDestination.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/Pasteboard.h"
#include "sources/MainTableViewItemPathPasteboardWriter.h"

using namespace frelt;
using platform::DragDispatcher;
using platform::DraggingInfo;
using Strings = std::vector<std::string>;
namespace op = platform::dragoperation;

namespace {

class DropTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        const auto desktop = file("viewer.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true\n");
        viewer = TableViewItem::initForSpotlightApp(desktop, "Viewer");
        std::filesystem::create_directories(home() / "Projects");
        projects = TableViewItem::initForExternalNonSpotlightObject((home() / "Projects").string());
        site = link("Site");
        setEntries({projects, site, viewer});  // by name: Projects, Site, Viewer
        showMainWindow();
    }
    std::string file(const std::string& name, const std::string& content = "x") {
        const auto path = (home() / name).string();
        std::ofstream(path) << content;
        return path;
    }
    Strings files(int count) {
        Strings made;
        for (int i = 0; i < count; ++i) made.push_back(file("doc" + std::to_string(i) + ".pdf"));
        return made;
    }
    static std::shared_ptr<DraggingInfo> drag(const Strings& paths, const Strings& links = {},
                                              platform::DragOperation mask = op::every) {
        std::vector<std::shared_ptr<platform::PasteboardWriting>> writers;
        for (const auto& p : paths) writers.push_back(platform::pasteboardWriterForURL(platform::URL::fileURL(p)));
        for (const auto& l : links) writers.push_back(platform::pasteboardWriterForURL(*platform::URL::fromString(l)));
        auto pasteboard = platform::Pasteboard::withUniqueName();
        pasteboard->writeObjects(writers);
        return std::make_shared<DraggingInfo>(pasteboard, mask);
    }
    // The middle of a row, scrolled into sight, in the window.
    platform::Point onRow(long row) {
        table()->scrollRowToVisible(row);
        const auto r = table()->rectOfRow(row);
        return table()->convertPointToWindow({r.midX(), r.midY()});
    }
    // Drags onto the point and drops: what the table answered, and whether it took the drop.
    std::pair<platform::DragOperation, bool> dropAt(const std::shared_ptr<DraggingInfo>& info, platform::Point p) {
        DragDispatcher dispatcher(info);
        const auto answer = dispatcher.moveTo(window, p);
        return {answer, dispatcher.drop()};
    }
    // Selects the tag in the sidebar; the list then shows every entry again,
    // as a search typed over the tag's list would show others.
    void selectTag(const std::string& tag) {
        sidebarsupport::addVisibleTags({tag});
        auto outline = controller()->sectionView.lock();
        outline->updateContent(true);
        ASSERT_TRUE(outline->selectItemWithTagName(tag));
        store()->filterCurrentData()->resetFilter();
        store()->filterCurrentData()->applyFilter();
    }
    // The openings the workspace was asked for (icons looked up are not).
    Strings openedDescriptions() {
        drain();
        Strings opened;
        for (const auto& call : workspace->calls())
            if (call.kind != platform::WorkspaceCall::Kind::iconForFile) opened.push_back(call.description());
        return opened;
    }
    long rowOf(const TableViewItem::Ptr& entry) {
        return long(*store()->currentData()->firstIndexWhere([&](const auto& e) { return e == entry; }));
    }
    static Strings tagged(const std::string& tag) {
        Strings names;
        for (const auto& e : *store()->allData()->snapshot()) {
            const auto tags = e->tags();
            if (std::find(tags.begin(), tags.end(), tag) != tags.end()) names.push_back(e->path());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TableViewItem::Ptr viewer, projects, site;
};

TEST_F(DropTest, FilesOntoAnEntryThatTakesThemOpenIt) {
    const auto pdfs = files(2);
    const auto [answer, taken] = dropAt(drag(pdfs), onRow(rowOf(viewer)));
    EXPECT_EQ(answer, op::move);
    EXPECT_TRUE(taken);
    EXPECT_EQ(table()->selectedRow(), rowOf(viewer)) << "the row under the drop is selected";
    const auto opened = openedDescriptions();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), "openURLs [" + platform::URL::fileURL(pdfs[0]).absoluteString() + ", " +
                                 platform::URL::fileURL(pdfs[1]).absoluteString() + "] with " +
                                 platform::URL::fileURL(viewer->path()).absoluteString());
}

TEST_F(DropTest, WithoutATagOnlyEntriesThatTakeDropsTakeThem) {
    const auto pdfs = files(2);
    EXPECT_EQ(dropAt(drag(pdfs), onRow(rowOf(projects))), std::make_pair(op::none, false)) << "a folder takes no files";
    EXPECT_EQ(dropAt(drag(pdfs, {}, op::copy), onRow(rowOf(viewer))), std::make_pair(op::none, false))
        << "a copy-only drag never opens an entry";
    EXPECT_EQ(dropAt(drag({}, {"https://one.example/"}), onRow(rowOf(projects))), std::make_pair(op::none, false));
    EXPECT_TRUE(openedDescriptions().empty());
}

TEST_F(DropTest, WithATagSelectedOtherDropsAddToIt) {
    selectTag("Work");
    const auto pdfs = files(2);
    // Onto a folder: added to the tag, not opened.
    auto [answer, taken] = dropAt(drag(pdfs), onRow(rowOf(projects)));
    EXPECT_EQ(answer, op::copy);
    EXPECT_TRUE(taken);
    EXPECT_EQ(tagged("Work"), pdfs);
    // A copy-only drag onto an application is added too.
    const auto more = file("more.pdf");
    std::tie(answer, taken) = dropAt(drag({more}, {}, op::copy), onRow(rowOf(viewer)));
    EXPECT_EQ(answer, op::copy);
    EXPECT_EQ(tagged("Work").size(), 3u);
    EXPECT_TRUE(openedDescriptions().empty());
}

TEST_F(DropTest, AtMostTwentyFourFilesOrTheFirstOfTheLinks) {
    selectTag("Many");
    EXPECT_EQ(dropAt(drag(files(24)), onRow(rowOf(projects))).second, true);
    EXPECT_EQ(tagged("Many").size(), 24u);

    selectTag("Too many");
    EXPECT_EQ(dropAt(drag(files(25)), onRow(rowOf(projects))), std::make_pair(op::none, false));
    EXPECT_TRUE(tagged("Too many").empty());
    // With links besides, the first link is taken instead.
    EXPECT_TRUE(dropAt(drag(files(25), {"https://first.example/", "https://second.example/"}), onRow(rowOf(projects))).second);
    EXPECT_EQ(tagged("Too many"), Strings{"https://first.example/"});

    selectTag("Links");
    EXPECT_TRUE(dropAt(drag({}, {"https://a.example/", "https://b.example/", "https://c.example/"}), onRow(rowOf(projects))).second);
    EXPECT_EQ(tagged("Links"), Strings{"https://a.example/"});
    const auto added = store()->entryWithPath("https://a.example/");
    EXPECT_EQ(added->comment(), "");
    EXPECT_EQ(added->name(), "a.example") << "no title: the host";
}

TEST_F(DropTest, RowsDragOutTheirPathOnlyAndBetweenRowsNothingLands) {
    selectTag("Work");
    // A row of the table carries its path under the program's type alone, so
    // the table (which wants files or links) refuses it.
    const auto writer = controller()->pasteboardWriterForRow(*table(), 1);
    ASSERT_TRUE(writer);
    auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->writeObjects({writer});
    EXPECT_EQ(pasteboard->types(), Strings{mainTableViewItemPathPasteboardType()});
    EXPECT_EQ(pasteboard->stringForType(mainTableViewItemPathPasteboardType()), site->path());
    auto rowDrag = std::make_shared<DraggingInfo>(pasteboard, op::every);
    EXPECT_EQ(controller()->validateDrop(*table(), rowDrag, 0, platform::TableViewDropOperation::on), op::none);
    EXPECT_EQ(controller()->pasteboardWriterForRow(*table(), -1), nullptr);

    // Between two rows: refused, tag or not.
    table()->currentDraggingRow = 2;
    EXPECT_EQ(controller()->validateDrop(*table(), drag(files(1)), 2, platform::TableViewDropOperation::above), op::none);
}

TEST_F(DropTest, TheBackgroundHandsFilesToTheNextOpenedEntry) {
    const auto background = controller()->mainDraggingDestination.lock();
    ASSERT_TRUE(background);
    const auto pdfs = files(1);
    EXPECT_EQ(background->draggingEntered(drag({}, {"https://x.example/"})), op::copy) << "any drag, unseen";
    EXPECT_FALSE(background->performDragOperation(drag({}, {"https://x.example/"}))) << "no files";
    EXPECT_FALSE(background->performDragOperation(drag({(home() / "missing.pdf").string()})));
    EXPECT_TRUE(background->performDragOperation(drag(pdfs)));
    EXPECT_EQ(controller()->serviceManagerValues(), pdfs);
    EXPECT_EQ(controller()->lblServiceManager.lock()->stringValue(), "Send Object to:");
}

}  // namespace
