// Draws the configuration window through the desktop backend, offscreen,
// with entries of every kind, and writes pictures of it: as it opens, with
// two rows selected (the side pane shows what they share), and with the
// side pane hidden. For people to look at while the window's look changes.
//
//   frelt_config_window_picture OUT_FOLDER
//
// HOME and the XDG folders should point at a scratch folder.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/FreltWindowEnum.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Paths.h"
#include "settings/config/ConfigViewControllerContent.h"
#include "settings/config/ConfigWindowController.h"
#include "store/DataStorage.h"
#include "OffscreenPicture.h"

using namespace frelt;

namespace {

void addEntries() {
    const auto store = DataStorage::shared();
    int apps = 0;
    for (const auto& app : std::filesystem::directory_iterator("/usr/share/applications")) {
        if (app.path().extension() != ".desktop" || ++apps > 6) continue;
        auto entry = TableViewItem::initForSpotlightApp(app.path().string(), app.path().stem().string());
        if (apps == 2) entry->setTags({"Tools"});
        if (apps == 3) entry->setIsVisible(false);
        store->addToAllData(entry);
    }
    const auto files = platform::Paths::home() / "Documents";
    std::filesystem::create_directories(files);
    std::ofstream(files / "Quarterly report.txt") << "numbers";
    auto doc = TableViewItem::initForExternalNonSpotlightObject((files / "Quarterly report.txt").string());
    doc->setComment("Send to the board before Friday");
    doc->setColor(platform::Color::sRGB(0.96, 0.52, 0.16));
    doc->setTags({"Work", "Reports"});
    store->addToAllData(doc);
    auto mail = TableViewItem::initForURL("mailto:team@example.org", "Mail the team", "Weekly status");
    mail->setColor(platform::Color::sRGB(0.20, 0.62, 0.90));
    mail->setIsFavorite(true);
    mail->setTags({"Work"});
    mail->setHotkey(KeyCombo::make(Key::m, platform::modifierflags::command | platform::modifierflags::option));
    store->addToAllData(mail);
    auto site = TableViewItem::initForURL("https://example.org/wiki", "Team wiki", "Weekly status");
    site->setTags({"Work"});
    store->addToAllData(site);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: frelt_config_window_picture OUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    offscreenpicture::setUp(argc, argv);
    addEntries();
    DataStorage::shared()->rebuildData(RebuildDataReason::datastorageInitialize);

    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::config);
    const auto controller =
        std::dynamic_pointer_cast<ConfigWindowController>(FreltWindow::registeredWindowController(FreltWindowEnum::config));
    if (!window || !controller) {
        std::printf("no window\n");
        return 1;
    }
    bool ok = offscreenpicture::picture(window.get(), (out / "config-window.png").string());
    const auto split = std::dynamic_pointer_cast<ConfigSplitViewController>(controller->contentViewController());
    const auto table = split->contentController()->dataTableView.lock();
    platform::IndexSet rows;
    for (long row = 0; row < table->numberOfRows(); ++row) {
        const auto entry = (*DataStorage::shared()->currentDataConfig())[row].value_or(nullptr);
        if (entry && entry->comment() == "Weekly status") rows.add(row);
    }
    table->selectRowIndexes(rows, false);
    ok = offscreenpicture::picture(window.get(), (out / "config-window-selection.png").string()) && ok;
    controller->showSidebar(nullptr);
    ok = offscreenpicture::picture(window.get(), (out / "config-window-no-pane.png").string()) && ok;
    std::printf("%s\n", ok ? "pictures written" : "no pictures");
    return ok ? 0 : 1;
}
