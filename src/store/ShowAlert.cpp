#include "store/ShowAlert.h"

#include <mutex>
#include <utility>
#include <vector>

#include "platform/appkit/Alert.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/UserDefaults.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

struct KeepAlertsTag {};
using KeepAlerts = platform::ResettableValue<KeepAlertsTag, bool>;

constexpr const char* kMessageKey = "messageText";
constexpr const char* kInformativeKey = "informativeText";
constexpr std::size_t kMaximumKeptAlerts = 10;

std::mutex& keptAlertsMutex() {
    static auto* m = new std::mutex;
    return *m;
}

void keepAlert(const std::string& messageText, const std::string& informativeText) {
    logging::logObject(LogCategory::general)
        .write(LogLevel::Error, "Alert kept for the next launch: " + messageText + " (" + informativeText + ")");
    std::lock_guard lock(keptAlertsMutex());
    const auto defaults = platform::UserDefaults::standard();
    auto kept = defaults->arrayForKey(DefaultsKeys::alertsKeptForNextLaunch);
    // A run that fails the same way at every step need not greet the next
    // one with a wall of alerts; the log has them all.
    if (kept.size() >= kMaximumKeptAlerts) return;
    platform::ValueDictionary alert;
    alert[kMessageKey] = platform::Value(messageText);
    alert[kInformativeKey] = platform::Value(informativeText);
    kept.emplace_back(std::move(alert));
    defaults->set(DefaultsKeys::alertsKeptForNextLaunch, platform::Value(std::move(kept)));
}

// The alerts showing now, innermost last (main thread only).
std::vector<std::pair<std::string, std::string>>& showingAlerts() {
    static auto* showing = new std::vector<std::pair<std::string, std::string>>;
    return *showing;
}

void runAlert(const std::string& messageText, const std::string& informativeText) {
    if (alertsAreKeptForNextLaunch()) {
        keepAlert(messageText, informativeText);
        return;
    }
    auto alert = platform::Alert::make();
    alert->setMessageText(messageText);
    alert->setInformativeText(informativeText);
    alert->setAlertStyle(platform::AlertStyle::informational);
    alert->addButton(L10n::dialogtext_ok.value());
    showingAlerts().emplace_back(messageText, informativeText);
    (void)alert->runModal();
    showingAlerts().pop_back();
}

}  // namespace

void showAlert(const std::string& messageText, const std::string& informativeText) {
    if (platform::dispatch::isMainThread() || alertsAreKeptForNextLaunch()) {
        runAlert(messageText, informativeText);
        return;
    }
    platform::dispatch::Queue::main()->sync([&] { runAlert(messageText, informativeText); });
}

void keepAlertsForNextLaunch() {
    if (alertsAreKeptForNextLaunch()) return;
    KeepAlerts::set(true);
    // The program may end before they are answered: nobody may have read them.
    for (const auto& [message, informative] : showingAlerts()) keepAlert(message, informative);
}

bool alertsAreKeptForNextLaunch() { return KeepAlerts::get(); }

void showAlertsKeptFromLastRun() {
    const auto defaults = platform::UserDefaults::standard();
    platform::ValueArray kept;
    {
        std::lock_guard lock(keptAlertsMutex());
        kept = defaults->arrayForKey(DefaultsKeys::alertsKeptForNextLaunch);
        // Forgotten before they show: a quit while one shows keeps it anew.
        defaults->removeObjectForKey(DefaultsKeys::alertsKeptForNextLaunch);
    }
    for (const auto& value : kept) {
        const auto* alert = value.asDictionary();
        if (!alert) continue;
        const auto text = [&](const char* key) {
            const auto it = alert->find(key);
            const std::string* s = it == alert->end() ? nullptr : it->second.asString();
            return s ? *s : std::string();
        };
        if (text(kMessageKey).empty()) continue;
        showAlert(text(kMessageKey), text(kInformativeKey));
    }
}

}  // namespace frelt
