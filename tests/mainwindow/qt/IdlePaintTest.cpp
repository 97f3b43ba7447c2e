// The program's windows shown by the Qt backend (offscreen): once its first
// pictures are painted, an idle window asks Qt for no more painting. The
// headless backend cannot see this, as it only draws views marked dirty,
// while Qt repaints whole regions and so runs every drawRect inside them.

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/sidebar/SectionViewCell.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Window.h"
#include "platform/carbon/HotKeyService.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"
#include "support/MainWindowSupport.h"
#include "support/qt/QtTestSupport.h"

using namespace frelt;

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : widget_(widget) { widget->installEventFilter(this); }
    ~PaintCounter() override {
        if (widget_) widget_->removeEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }

private:
    QPointer<QWidget> widget_;
};

class IdleWindowTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        // The search field's caret would blink: a steady one leaves every
        // paint to the window's own views.
        flashTime_ = QGuiApplication::styleHints()->cursorFlashTime();
        QGuiApplication::styleHints()->setCursorFlashTime(0);
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        registerInterfaceResources();
    }
    void TearDown() override {
        QtKitTest::TearDown();
        QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
    }

    // Entries under tags, each tag with a colour (so its icon is tinted)
    // and its number of entries shown beside it.
    static void fillStoreWithColouredTags() {
        const auto store = DataStorage::shared();
        const std::vector<std::string> tags = {"Work", "Work|Projects", "Home", "Travel"};
        for (int i = 0; i < 12; ++i) {
            auto entry = mainwindowsupport::link("Entry " + std::to_string(i));
            entry->setTags({tags[std::size_t(i) % tags.size()]});
            store->addToAllData(entry);
        }
        store->rebuildData(RebuildDataReason::datastorageInitialize);
        const platform::Color colours[] = {platform::Color::sRGB(0.85, 0.25, 0.2), platform::Color::sRGB(0.2, 0.6, 0.3),
                                           platform::Color::sRGB(0.2, 0.4, 0.85)};
        int i = 0;
        for (const auto& name : tags) {
            const auto tag = TagManager::shared()->tagWithName(name);
            ASSERT_TRUE(tag) << name;
            tag->setColor(colours[i++ % 3]);
        }
        AppDelegate::shared()->config->sidebarCategoriesShowNumberOfElementInSidebar = true;
    }

    // The entry cells of the sidebar that show a counter.
    static int shownCounters() {
        int shown = 0;
        auto sidebar = FreltManager::shared()->viewControllerMain()->sectionView.lock();
        sidebar->enumerateAvailableRowViews([&](const std::shared_ptr<platform::TableRowView>&, long row) {
            auto cell = std::dynamic_pointer_cast<SectionViewCellEntry>(sidebar->viewAtColumn(0, row, false));
            if (!cell) return;
            if (auto counter = cell->buttonUsageCounter.lock(); counter && !counter->isHidden()) ++shown;
        });
        return shown;
    }

    // Runs the loop for `time` with nothing happening.
    static void idle(std::chrono::milliseconds time) { runUntil([] { return false; }, time); }

    // The paints of `window` over an idle second once its first pictures
    // are painted.
    static int idlePaints(platform::Window& window) {
        QWidget* widget = widgetOf(window);
        if (!widget) {
            ADD_FAILURE() << "the window has no widget";
            return -1;
        }
        PaintCounter counter(widget);
        widget->update();
        if (!runUntil([&] { return counter.paints > 0; })) ADD_FAILURE() << "the window was never painted";
        idle(std::chrono::milliseconds(300));
        counter.paints = 0;
        idle(std::chrono::seconds(1));
        return counter.paints;
    }

private:
    int flashTime_ = 0;
};

TEST_F(IdleWindowTest, TheMainWindowWithColouredTagsInTheSidebarPaintsNothingWhenIdle) {
    fillStoreWithColouredTags();
    mainwindowsupport::present(MainWindowState::window);
    const auto window = FreltManager::shared()->windowControllerMain()->window();
    ASSERT_TRUE(window && window->isVisible());
    QWidget* widget = widgetOf(*window);
    ASSERT_NE(widget, nullptr);
    PaintCounter counter(widget);
    ASSERT_TRUE(runUntil([&] { return counter.paints > 0; })) << "the window was never painted";
    idle(std::chrono::milliseconds(300));  // the first pictures settle
    ASSERT_GT(shownCounters(), 0) << "the sidebar shows no tag with its counter";

    counter.paints = 0;
    idle(std::chrono::seconds(1));
    EXPECT_EQ(counter.paints, 0) << "an idle second of the shown main window";

    // What changes the picture still paints, and then it rests again.
    FreltManager::shared()->viewControllerMain()->sectionView.lock()->redrawContent();
    EXPECT_TRUE(runUntil([&] { return counter.paints > 0; })) << "a redraw of the sidebar painted nothing";
    idle(std::chrono::milliseconds(300));
    counter.paints = 0;
    idle(std::chrono::seconds(1));
    EXPECT_EQ(counter.paints, 0) << "an idle second after the redraw";
}

// The other windows with views of their own: the hotkey recorders, the
// colour controls, the configuration's tables.
TEST_F(IdleWindowTest, TheSettingsAndConfigurationWindowsPaintNothingWhenIdle) {
    platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
    fillStoreWithColouredTags();
    (void)FreltManager::shared();
    for (const auto kind : {FreltWindowEnum::settings, FreltWindowEnum::config}) {
        SCOPED_TRACE(static_cast<int>(kind));
        const auto window = FreltWindow::showWindow(false, kind);
        ASSERT_TRUE(window && window->isVisible());
        EXPECT_EQ(idlePaints(*window), 0);
        window->close();
    }
}

}  // namespace
