// Opens the dialogs through the status menu's items and draws each through
// the desktop backend, offscreen, into a picture: the Tags dialog, the
// versioned backups, the information page, the version history and the
// hotkey overview. For people to look at while their look changes.
//
//   frelt_dialog_pictures OUT_FOLDER
//
// HOME and the XDG folders should point at a scratch folder.

#include <QImage>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/AppDelegate.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "app/MenuManager.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ExportVersionedBackup.h"
#include "hotkeys/KeyCombo.h"
#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/linux/GioWorkspace.h"
#include "platform/qt/IconTheme.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtKitBackend.h"
#include "sources/icons/IconImages.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

using namespace frelt;
namespace mf = platform::modifierflags;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) platform::RunLoop::main().runUntilIdle();
}

bool picture(FreltWindowEnum kind, const std::filesystem::path& path) {
    pump();
    const auto controller = FreltWindow::registeredWindowController(kind);
    const auto window = controller ? controller->window() : nullptr;
    QWidget* widget = window ? platform::qt::QtKitBackend::widgetOf(*window) : nullptr;
    if (!widget) return false;
    QImage frame(widget->size() * widget->devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(widget->devicePixelRatioF());
    frame.fill(Qt::white);
    widget->render(&frame);
    return frame.save(QString::fromStdString(path.string()), "PNG");
}

void addData() {
    const auto store = DataStorage::shared();
    const auto files = platform::Paths::home() / "Documents";
    std::filesystem::create_directories(files);
    const auto add = [&](const std::string& name, std::vector<std::string> tags, KeyCombo::Ptr hotkey) {
        const auto path = files / name;
        std::ofstream(path) << "x";
        auto entry = TableViewItem::initForExternalNonSpotlightObject(path.string());
        entry->setTags(tags);
        entry->setHotkey(hotkey);
        store->addToAllData(entry);
    };
    add("Quarterly report.txt", {"Work|Reports"}, KeyCombo::make(Key::r, mf::command | mf::option));
    add("Budget.ods", {"Work"}, KeyCombo::make(Key::b, mf::command | mf::option));
    add("Holiday plan.txt", {"Home"}, nullptr);
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    pump();
    if (const auto work = TagManager::shared()->tagWithName("Work")) {
        work->setHotkey(KeyCombo::make(Key::w, mf::control | mf::option));
        work->setHotkeyLaunchAll(KeyCombo::make(Key::w, mf::control | mf::option | mf::shift));
    }
    const auto config = AppDelegate::shared()->config;
    config->globalKeyCombo = KeyCombo::make(Key::space, mf::option);
    config->globalKeyComboCategoriesShowFiles = KeyCombo::make(Key::one, mf::control | mf::option);
    config->globalKeyComboCategoriesShowFolders = KeyCombo::make(Key::two, mf::control | mf::option);
    for (int i = 0; i < 3; ++i) ExportImportManager::shared()->exportVersionedBackup->createBackup();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: frelt_dialog_pictures OUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    platform::qt::installDesktop(argc, argv);
    platform::installDesktopWorkspace();
    platform::qt::installIcons();
    installNamedImages();
    registerInterfaceResources();
    CustomMarkdownTextView::setResourceFolder(FRELT_RESOURCES_DIR);
    addData();

    const auto menu = MenuManager::shared();
    const std::tuple<std::shared_ptr<platform::MenuItem>, FreltWindowEnum, const char*> items[] = {
        {menu->contextMenuShowTagsMenuItem, FreltWindowEnum::tags, "tags-dialog.png"},
        {menu->contextMenuShowVersionedBackupMenuItem, FreltWindowEnum::versionedBackup, "versioned-backups.png"},
        {menu->contextMenuShowInfoMenuItem, FreltWindowEnum::info, "information.png"},
        {menu->contextMenuShowVersionHistoryMenuItem, FreltWindowEnum::versionHistory, "version-history.png"},
        {menu->contextMenuShowHotkeyOverviewMenuItem, FreltWindowEnum::hotkeyOverview, "hotkey-overview.png"},
    };
    bool ok = true;
    for (const auto& [item, kind, name] : items) {
        platform::Application::shared()->sendAction(item->action(), item->target(), item);
        const bool drawn = picture(kind, out / name);
        std::printf("%s: %s\n", name, drawn ? "written" : "not shown");
        ok = drawn && ok;
        FreltWindow::closeWindow(kind);
        pump();
    }
    return ok ? 0 : 1;
}
