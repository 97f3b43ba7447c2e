// Draws the main window through the desktop backend, offscreen, with a set
// of entries of every kind, and writes pictures of it: as it opens, with a
// search typed, with Command held, and the entry popup. For people to look at while the
// window's look changes; the desktop test takes the real screenshots.
//
//   frelt_main_window_picture OUT_FOLDER [ENTRIES]
//
// HOME and the XDG folders should point at a scratch folder.

#include <QImage>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "hotkeys/KeyCombo.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "mainwindow/TableViewPopup.h"
#include "platform/appkit/Popover.h"
#include "mainwindow/MainViewController.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/linux/GioWorkspace.h"
#include "platform/qt/IconTheme.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtKitBackend.h"
#include "sources/icons/IconImages.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/TagManager.h"
#include "OffscreenPicture.h"

using namespace frelt;

namespace {

bool picture(const std::string& path) {
    const auto controller = FreltManager::shared()->viewControllerMain();
    return offscreenpicture::picture(controller->view()->window().get(), path);
}

void type(const std::string& text) {
    const auto app = platform::Application::shared();
    for (char c : text) {
        const std::string s(1, c);
        app->sendEvent(platform::Event::keyEvent(platform::EventType::keyDown, 0, s, s, 0, app->keyWindow()));
        app->sendEvent(platform::Event::keyEvent(platform::EventType::keyUp, 0, s, s, 0, app->keyWindow()));
    }
}

void addEntries(int count) {
    const auto store = DataStorage::shared();
    const auto files = platform::Paths::home() / "Documents";
    std::filesystem::create_directories(files / "Projects");
    // Every kind once, then links to fill the list.
    for (const auto& app : std::filesystem::directory_iterator("/usr/share/applications"))
        if (app.path().extension() == ".desktop")
            store->addToAllData(TableViewItem::initForSpotlightApp(app.path().string(), app.path().stem().string()));
    auto report = files / "Quarterly report.txt";
    std::ofstream(report) << "numbers";
    auto doc = TableViewItem::initForExternalNonSpotlightObject(report.string());
    doc->setComment("Send to the board before Friday");
    doc->setColor(platform::Color::sRGB(0.96, 0.52, 0.16));
    store->addToAllData(doc);
    store->addToAllData(TableViewItem::initForExternalNonSpotlightObject((files / "Projects").string()));
    auto search = TableViewItem::initForURL("https://duckduckgo.com/?q=%%userInput:Search for%%", "Search the web", "");
    search->setHotkey(KeyCombo::make(Key::w, platform::modifierflags::command | platform::modifierflags::option));
    store->addToAllData(search);
    auto mail = TableViewItem::initForURL("mailto:team@example.org", "Mail the team", "Weekly status");
    mail->setColor(platform::Color::sRGB(0.20, 0.62, 0.90));
    mail->setIsFavorite(true);
    store->addToAllData(mail);
    auto work = iconTag::initWithNewName("Work", TagManager::defaultTag);
    TagManager::shared()->allAvailableTags()->append(work);
    store->addToAllData(TableViewItem::initForTag("Work", "Work"));
    for (int i = 0; i < count; ++i)
        store->addToAllData(TableViewItem::initForURL("https://example.org/page/" + std::to_string(i),
                                                      "Saved page " + std::to_string(i), ""));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: frelt_main_window_picture OUT_FOLDER [ENTRIES]\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const int count = argc > 2 ? std::stoi(argv[2]) : 40;
    std::filesystem::create_directories(out);
    offscreenpicture::setUp(argc, argv);

    const auto config = AppDelegate::shared()->config;
    config->windowViewStyle = 1;
    addEntries(count);
    DataStorage::shared()->rebuildData(RebuildDataReason::datastorageInitialize);
    DataStorage::shared()->filterCurrentData()->applyFilter();

    FreltManager::shared()->mainWindowShow();
    platform::Application::shared()->activate();
    bool ok = picture((out / "main-window.png").string());
    type("sa");
    ok = picture((out / "main-window-search.png").string()) && ok;
    platform::Application::shared()->sendEvent(
        platform::Event::flagsChangedEvent(0, platform::modifierflags::command, platform::Application::shared()->keyWindow()));
    ok = picture((out / "main-window-command.png").string()) && ok;
    platform::Application::shared()->sendEvent(
        platform::Event::flagsChangedEvent(0, 0, platform::Application::shared()->keyWindow()));

    // The entry popup of the second row, as a right click opens it.
    const auto table = FreltManager::shared()->viewControllerMain()->mainTableView.lock();
    const auto row = table->rectOfRow(1);
    const auto at = table->convertPointToWindow({row.midX(), row.midY()});
    platform::Application::shared()->sendEvent(platform::Event::mouseEvent(
        platform::EventType::rightMouseDown, at, 0, platform::Application::shared()->keyWindow()));
    offscreenpicture::pump();
    if (const auto popover = table->popupMenu->tableViewPopover; popover->isShown() && popover->window()) {
        QWidget* widget = platform::qt::QtKitBackend::widgetOf(*popover->window());
        QImage frame(widget->size(), QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::transparent);
        widget->render(&frame);
        ok = frame.save(QString::fromStdString((out / "entry-popup.png").string()), "PNG") && ok;
    }
    std::printf("%s\n", ok ? "pictures written" : "no pictures");
    return ok ? 0 : 1;
}
