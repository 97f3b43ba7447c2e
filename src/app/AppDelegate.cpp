#include "app/AppDelegate.h"

#include "exchange/ExportImportManager.h"
#include "exchange/ExportVersionedBackup.h"
#include "platform/foundation/SingleInstance.h"
#include "sources/access/SandboxFileAccess.h"

namespace frelt {

std::shared_ptr<AppDelegate> AppDelegate::shared() {
    return platform::singleInstance<AppDelegate>([] { return std::make_shared<AppDelegate>(Private{}); });
}

AppDelegate::AppDelegate(Private) : config(std::make_shared<Configuration>()) {}

void AppDelegate::applicationWillTerminate(const platform::Notification&) {
    config->saveConfig(true);
    SandboxFileAccess::shared()->persistanceBookmarkStorage()->saveBookmarks();
    ExportImportManager::shared()->exportVersionedBackup->runBackupSequence();
}

}  // namespace frelt
