#include "sources/access/SandboxFileAccess.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/appkit/Application.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/SingleInstance.h"
#include "sources/FileHelpers.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"

namespace frelt {

namespace {

namespace fs = std::filesystem;

template <class... Args>
void logAccess(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::sandboxFileAccess, level, format, args...);
}

const char* text(bool value) { return value ? "true" : "false"; }

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

std::shared_ptr<SandboxFileAccess> SandboxFileAccess::shared() {
    return platform::singleInstance<SandboxFileAccess>([] { return std::make_shared<SandboxFileAccess>(Private{}); });
}

SandboxFileAccess::SandboxFileAccess(Private)
    : title(localization::localizedByEnglishKey("Allow Access")),
      prompt(L10n::SandboxDlg_Prompt.value()),
      dialogQueue_(platform::dispatch::Queue::makeSerial("SandboxFileAccessDialogQueue")),
      persistanceBookmarkStorage_(SandboxFileAccessPersistDictionary::make()) {
    persistanceBookmarkStorage_->loadBookmarks();
}

SandboxFileAccess::~SandboxFileAccess() { persistanceBookmarkStorage_->saveBookmarks(); }

platform::URL SandboxFileAccess::lookupURL(const platform::URL& url) {
    const std::string path = url.standardized().path();
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    const std::string lookup = error || resolved.empty() ? path : resolved.string();
    return platform::URL::fileURL(lookup, url.hasDirectoryPath() || isFolder(lookup));
}

bool SandboxFileAccess::canAccess(const platform::URL& url, Permissions acceptable) {
    return accessInfo(url).permissions.allows(acceptable);
}

AccessInfo SandboxFileAccess::accessInfo(const platform::URL& url) {
    AccessInfo info;
    auto [grantURL, grantData] = allowedURLAndBookmarkData(url);
    if (grantURL) info.permissions.insert(Permissions::bookmark());
    if (isReachable(url) && platform::fileaccess::isReadable(url.path()))
        info.permissions.insert(Permissions::readOnly());
    if (isReachable(url) && platform::fileaccess::isReadWritable(url.path()))
        info.permissions.insert(Permissions::readWrite());
    info.securityScopedURL = std::move(grantURL);
    info.bookmarkData = std::move(grantData);
    const auto& found = info.permissions;
    logAccess(LogLevel::Default, "AccessInfo: %{public}@",
              std::string("[Read: ") + text(found.contains(Permissions::readOnly())) +
                  "] [Read/Write: " + text(found.contains(Permissions::readWrite())) +
                  "] [Bookmark: " + text(found.contains(Permissions::bookmark())) + "]" + " : " + url.absoluteString());
    return info;
}

std::pair<std::optional<platform::URL>, std::optional<platform::Data>> SandboxFileAccess::allowedURLAndBookmarkData(
    const platform::URL& url) {
    const auto& store = persistanceBookmarkStorage_;
    const auto data = store->bookmarkData(lookupURL(url));
    if (!data) return {std::nullopt, std::nullopt};
    const auto resolved = platform::bookmark::resolve(*data);
    if (!resolved) return {std::nullopt, data};
    if (!resolved->isStale) return {resolved->url, data};

    logAccess(LogLevel::Error, "allowedURLAndBookmarkData -> BookmarkData is Stale, try to recreate it ...");
    // The stale grant may be stored under an enclosing folder (or "/"), not
    // under the looked-up location: remove it where it is, and never a
    // location's own grant that merely lies beneath it.
    std::vector<platform::URL> staleKeys;
    store->forEachBookmark([&](const platform::URL& key, const platform::Data& stored) {
        if (stored == *data) staleKeys.push_back(key);
    });
    for (const auto& key : staleKeys) store->clearBookmark(key);
    auto renewed = platform::bookmark::create(resolved->url);
    if (!renewed) {
        logAccess(LogLevel::Error, "allowedURLAndBookmarkData -> Unable to recreate stale BookmarkData!");
        return {std::nullopt, std::nullopt};
    }
    store->setBookmark(renewed, resolved->url);
    return {resolved->url, renewed};
}

void SandboxFileAccess::requestAccess(const platform::URL& url, Permissions acceptable, bool askIfNecessary,
                                      const std::shared_ptr<platform::Window>& window, bool persistPermission,
                                      Completion completion) {
    const AccessInfo info = accessInfo(url);
    // A file that is there but that the system refuses us by its permissions
    // stays refused whatever the user chooses in the panel: say so plainly,
    // store no grant. Grants help where the location is missing (a volume
    // not mounted, a file moved).
    const bool writing = !acceptable.contains(Permissions::readOnly());
    if (!acceptable.isEmpty() && platform::fileaccess::isRefusedBySystem(url.path(), writing)) {
        const std::string path = url.path();
        // Logged whether or not debug logging is on: it is why an opening failed.
        logging::logObject(LogCategory::sandboxFileAccess).write(LogLevel::Error, "Access refused by the system's permissions: " + path);
        if (askIfNecessary && platform::dispatch::isMainThread()) {
            const std::string name = std::filesystem::path(path).filename().string();
            showAlert("\u201c" + (name.empty() ? path : name) + "\u201d cannot be " + (writing ? "written" : "read"),
                      "The system does not allow Frelt to " + std::string(writing ? "write " : "read ") + path +
                          ": its permissions refuse it. Choosing it in a file dialog cannot change that; its owner can "
                          "change its permissions.");
        }
        if (completion) completion(Result{info, Fail::userDidntGrantPermission});
        return;
    }
    if (!info.permissions.allows(acceptable)) {
        if (askIfNecessary && platform::dispatch::isMainThread()) {
            askPermission(lookupURL(url), window,
                          [self = shared_from_this(), url, completion, info, persistPermission,
                           acceptable](const std::optional<platform::URL>& chosen) {
                              self->handlePanelResult(url, completion, info, persistPermission, acceptable, chosen);
                          });
            return;
        }
        if (askIfNecessary) {
            logAccess(LogLevel::Error,
                      "Access not possible and the permission panel cannot be shown off the main thread for %{public}@",
                      url.absoluteString());
        } else {
            logAccess(LogLevel::Error, "Access not possible and we do not want to ask for permission for %{public}@",
                      url.absoluteString());
        }
        if (completion) completion(Result{info, Fail::needToAskPermission});
        return;
    }
    logAccess(LogLevel::Default, "Access possible to %{public}@", url.absoluteString());
    secureAccess(info, completion);
}

void SandboxFileAccess::handlePanelResult(const platform::URL& requested, const Completion& completion,
                                          const AccessInfo& info, bool persistPermission, Permissions acceptable,
                                          const std::optional<platform::URL>& chosen) {
    auto refuse = [&](const AccessInfo& examined) {
        logAccess(LogLevel::Default, "Access not possible and user did not grant permission for %{public}@",
                  requested.absoluteString());
        if (completion) completion(Result{examined, Fail::userDidntGrantPermission});
    };
    if (!chosen) {
        refuse(info);
        return;
    }
    bool grantKept = true;
    if (persistPermission) {
        // Stored under the form the walk up finds: a folder's URL ends with "/".
        const platform::URL key =
            platform::URL::fileURL(chosen->path(), chosen->hasDirectoryPath() || isFolder(chosen->path()));
        std::string error;
        if (auto data = platform::bookmark::create(key, &error)) {
            persistanceBookmarkStorage_->setBookmark(data, key);
        } else {
            grantKept = false;
            logAccess(LogLevel::Error, "! Unable to keep the permission: %{public}@", error);
        }
        persistanceBookmarkStorage_->saveBookmarks();
    }
    // The choice must actually give what the caller accepts: a grant that
    // could not be kept, or a folder that does not cover the location, is no
    // permission.
    const AccessInfo examined = accessInfo(requested);
    if (!grantKept || !examined.permissions.allows(acceptable)) {
        refuse(examined);
        return;
    }
    logAccess(LogLevel::Default, "Access possible to %{public}@", requested.absoluteString());
    secureAccess(examined, completion);
}

SandboxFileAccess::Result SandboxFileAccess::secureAccess(const AccessInfo& info, const Completion& completion) {
    const auto& found = info.permissions;
    const bool plain = found.contains(Permissions::readOnly()) || found.contains(Permissions::readWrite());
    if (plain || !info.securityScopedURL) {
        const Result result{info, std::nullopt};
        logAccess(LogLevel::Default, "secureAccess -> Access allowed without SecurityScopedBookmark");
        if (completion) completion(result);
        return result;
    }
    const platform::URL& url = *info.securityScopedURL;
    if (!platform::bookmark::startAccessing(url)) {
        logAccess(LogLevel::Fault, "secureAccess -> Unexpectedly failed to startAccessingSecurityScopedResource");
        const Result result{info, Fail::unexpectedlyUnableToAccessBookmark};
        if (completion) completion(result);
        return result;
    }
    const Result result{info, std::nullopt};
    logAccess(LogLevel::Default, "secureAccess -> Access allowed with SecurityScopedBookmark: %{public}@",
              url.absoluteString());
    if (completion) completion(result);
    platform::bookmark::stopAccessing(url);
    return result;
}

std::optional<platform::Data> SandboxFileAccess::persistPermission(const platform::URL& url) {
    auto data = platform::bookmark::create(url);
    if (data) persistanceBookmarkStorage_->setBookmark(data, url);
    return data;
}

platform::URL SandboxFileAccess::existingAncestor(const platform::URL& url) {
    std::string path = url.path();
    if (path.size() < 2) return platform::URL::fileURL(path.empty() ? "/" : path, true);
    for (;;) {
        std::error_code error;
        if (fs::exists(path, error)) break;
        path = fs::path(path).parent_path().string();
        if (path.size() < 2) break;
    }
    if (path.empty()) path = "/";
    return platform::URL::fileURL(path, isFolder(path));
}

std::pair<std::shared_ptr<platform::OpenPanel>, std::shared_ptr<SandboxFileAccessOpenSavePanelDelegate>>
SandboxFileAccess::makeOpenPanel(const platform::URL& url) {
    auto delegate = std::make_shared<SandboxFileAccessOpenSavePanelDelegate>(url);
    const platform::URL start = existingAncestor(url);
    const bool startIsFolder = isFolder(start.path());
    auto panel = platform::OpenPanel::make();
    panel->setMessage(message ? *message : defaultMessage(url));
    panel->setCanCreateDirectories(false);
    panel->setCanChooseFiles(!startIsFolder);
    panel->setCanChooseDirectories(true);
    panel->setAllowsMultipleSelection(false);
    panel->setPrompt(prompt);
    panel->setTitle(title);
    panel->setShowsHiddenFiles(false);
    panel->setDirectoryURL(start);
    panel->setDelegate(delegate);
    return {panel, delegate};
}

void SandboxFileAccess::askPermission(const platform::URL& url, const std::shared_ptr<platform::Window>& window,
                                      std::function<void(const std::optional<platform::URL>&)> completion) {
    // The panel needs the main thread; elsewhere nobody can choose, which is
    // said at once rather than never.
    if (!platform::dispatch::isMainThread()) {
        if (completion) completion(std::nullopt);
        return;
    }
    auto [panel, delegate] = makeOpenPanel(url);
    platform::Application::shared()->activate(true);
    if (!window) {
        const bool chosen = panel->runModal() == platform::modalresponse::ok && !panel->url().isEmpty();
        if (completion) completion(chosen ? std::optional<platform::URL>(panel->url()) : std::nullopt);
        return;
    }
    // The panel holds its delegate weakly: the completion keeps it alive.
    panel->beginSheetModal(window, [panel = panel, delegate = delegate,
                                    completion = std::move(completion)](platform::ModalResponse response) {
        const bool chosen = response == platform::modalresponse::ok && !panel->url().isEmpty();
        if (completion) completion(chosen ? std::optional<platform::URL>(panel->url()) : std::nullopt);
    });
}

SandboxFileAccess::HasAccessAnswer SandboxFileAccess::hasAccess(const platform::URL& url, Permissions acceptable) {
    HasAccessAnswer answer;
    // Without a window the completion runs before requestAccess returns.
    requestAccess(url, acceptable, true, nullptr, true, [&](const Result& result) {
        if (!result.succeeded()) {
            logAccess(LogLevel::Error, "hasAccess: We need access but something got wrong: %{public}@",
                      url.absoluteString());
            answer = {};
            return;
        }
        const AccessInfo& info = result.info;
        const Permissions found = info.permissions;
        const bool grantComplete = info.securityScopedURL && info.bookmarkData;
        const auto both = [&](Permissions flag) { return found.contains(flag) && acceptable.contains(flag); };
        answer.hasAccess = true;
        if (both(Permissions::readOnly())) {
            answer.bookmarkData = grantComplete ? info.bookmarkData : std::nullopt;
            logAccess(LogLevel::Default, "hasAccess: We have readonly-Access without Bookmark to: %{public}@",
                      url.absoluteString());
        } else if (both(Permissions::readWrite())) {
            answer.bookmarkData = grantComplete ? info.bookmarkData : std::nullopt;
            logAccess(LogLevel::Default, "hasAccess: We have read/write-Access without Bookmark to: %{public}@",
                      url.absoluteString());
        } else if (both(Permissions::bookmark())) {
            answer.viaBookmark = true;
            if (grantComplete) {
                answer.bookmarkData = info.bookmarkData;
                logAccess(LogLevel::Default, "hasAccess: We have access with Bookmark to: %{public}@",
                          url.absoluteString());
            } else {
                logAccess(LogLevel::Error, "hasAccess: We need Bookmark-Access but something got wrong: %{public}@",
                          url.absoluteString());
            }
        }
    });
    return answer;
}

std::string SandboxFileAccess::applicationName(const platform::ValueDictionary& information) {
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        auto it = information.find(key);
        if (it != information.end() && it->second.asString()) return *it->second.asString();
    }
    return "This App";
}

// The version and build come from the build (CMakeLists.txt).
#ifndef FRELT_VERSION
#define FRELT_VERSION ""
#endif
#ifndef FRELT_BUILD
#define FRELT_BUILD ""
#endif

const platform::ValueDictionary& SandboxFileAccess::programInformation() {
    static const platform::ValueDictionary information{
        {"CFBundleName", platform::Value("Frelt")},
        {"CFBundleShortVersionString", platform::Value(FRELT_VERSION)},
        {"CFBundleVersion", platform::Value(FRELT_BUILD)},
    };
    return information;
}

std::string SandboxFileAccess::defaultMessage(const platform::URL& url) const {
    return applicationName(programInformation()) + " needs to access '" + url.lastPathComponent() +
           "' to continue. Click Allow to continue.";
}

}  // namespace frelt
