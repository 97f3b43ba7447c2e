#include "sources/open/OpenObject.h"

#include <filesystem>
#include <system_error>

#include "app/AppDelegate.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"
#include "sources/FileHelpers.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"
#include "sources/urls/URLRegExParser.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"

namespace frelt {
namespace {

template <class... Args>
void logOpen(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::open, level, format, args...);
}

// The file URL of a path, standardized, with symbolic links resolved; the
// path itself when that is not possible.
platform::URL resolvedFileURL(const std::string& path) {
    std::error_code error;
    const auto canonical = std::filesystem::canonical(path, error);
    return platform::URL::fileURL(error ? path : canonical.string());
}

// The access answer's failure, logged; false when the opening must stop.
bool accessUsable(const SandboxFileAccess::HasAccessAnswer& access, const platform::URL& url) {
    if (!access.hasAccess) {
        logOpen(LogLevel::Error, "open failed: [%{public}@] - Access not possible", url.absoluteString());
        return false;
    }
    if (access.viaBookmark && !access.bookmarkData) {
        logOpen(LogLevel::Error, "open failed: [%{public}@] - Access not possible (Bookmark needed but unavailable)",
                url.absoluteString());
        return false;
    }
    return true;
}

// What the user reads when the desktop could not start an application: the
// desktop's reason names the entry and what is wrong with it.
constexpr const char* applicationNotStarted = "The application could not be started";

bool reachableOrLogged(const platform::URL& url) {
    if (isReachable(url)) return true;
    logOpen(LogLevel::Error, "open failed: [%{public}@] - Unreachable", url.absoluteString());
    return false;
}

}  // namespace

std::shared_ptr<OpenObject> OpenObject::shared() {
    return platform::singleInstance<OpenObject>([] { return std::make_shared<OpenObject>(Private{}); });
}

OpenObject::OpenObject(Private) : workspace(platform::Workspace::shared()) {}

platform::WorkspaceOpenConfiguration OpenObject::openConfiguration() {
    platform::WorkspaceOpenConfiguration configuration;
    configuration.createsNewApplicationInstance = false;
    configuration.activates = true;
    configuration.forPrinting = false;
    configuration.promptsUserIfNeeded = true;
    return configuration;
}

void OpenObject::openURLString(const std::string& urlString, const Objects& objects) {
    logOpen(LogLevel::Default, "Open URL: %{public}@", urlString);
    if (urlString.empty()) return;
    auto parsed = ParsedURL::make(urlString, objects);
    if (!parsed) {
        showAlert(L10n::openURLError.value(), urlString);
        return;
    }
    // None when the user cancelled a question: then nothing opens, silently.
    const auto resolved = parsed->urlRegExParser->resolvePlaceholders("\n");
    if (!resolved) return;
    const auto url = platform::URL::fromString(*resolved);
    if (!url) {
        showAlert(L10n::openURLError.value(), *resolved);
        return;
    }
    logOpen(LogLevel::Default, "Parsed URL: %{public}@", *resolved);
    if (url->isFileURL()) {
        openFileURL(*url);
        return;
    }
    workspace->openURL(*url, openConfiguration(),
                       [](std::shared_ptr<platform::RunningApplication>, std::optional<std::string> error) {
                           if (error) logOpen(LogLevel::Error, "open failed: %{public}@", *error);
                       });
}

void OpenObject::openPath(const std::string& path, const Objects& objects) {
    if (path.empty()) return;
    const platform::URL url = resolvedFileURL(path);
    if (!isReachable(url)) return;
    // The kind of a link is the link's own; the opening uses its target.
    switch (fileObjectKind(platform::URL::fileURL(path))) {
    case FileObjectKind::file:
    case FileObjectKind::application:
    case FileObjectKind::other: openFileOrApplication(url, objects); break;
    case FileObjectKind::folder: openFolder(url); break;
    case FileObjectKind::unreachable: break;
    }
}

void OpenObject::openFileOrApplication(const platform::URL& url, const Objects& objects) {
    if (isApplication(url)) {
        openFileURL(url, objects && !objects->empty() ? objects : std::nullopt);
        return;
    }
    // The objects reach only an application; a document drops them.
    const auto application = workspace->URLForApplicationToOpenURL(url);
    if (!application || platform::text::lowercased(application->path()) == platform::text::lowercased(url.path())) {
        openFileURL(url);
        return;
    }
    if (isExecutableFile(application->path())) openFilesWithApplication(url, *application);
    else openFileURL(url);
}

void OpenObject::openFolder(const platform::URL& folder) {
    if (!isReachable(folder)) return;
    const std::string browser = AppDelegate::shared()->config->alternateFolderBrowser;
    if (!browser.empty() && isExecutableFile(browser)) {
        openFilesWithApplication(folder, platform::URL::fileURL(browser));
        return;
    }
    revealInFileViewer(folder);
}

void OpenObject::revealInFileViewer(const platform::URL& folder) {
    if (!isReachable(folder)) {
        logOpen(LogLevel::Error, "! opening the URL failed (not reachable): %{public}@", folder.absoluteString());
        return;
    }
    SandboxFileAccess::shared()->requestAccess(
        folder, Permissions::readAccess(), true, nullptr, true,
        [workspace = workspace, folder](const SandboxFileAccess::Result& result) {
            // A refusal is reported by the access request itself.
            if (result.succeeded()) workspace->selectFile("", folder.path());
        });
}

void OpenObject::openFileURL(const platform::URL& url, const Objects& objects) {
    if (!reachableOrLogged(url)) return;
    const auto access = SandboxFileAccess::shared()->hasAccess(url, Permissions::readAccess());
    if (!accessUsable(access, url)) return;
    // Held until the desktop reports the end of the opening.
    const std::string accessID =
        SecurityScopedURLManager::shared()->beginAccess(access.bookmarkData, UsedSecurityScopedURLSource::open);
    // One alert for a start that failed: the files' own when files were handed over.
    auto completion = [name = url.absoluteString(), accessID, application = isApplication(url)](
                          std::optional<std::string> error, bool filesAlerted) {
        if (error) logOpen(LogLevel::Error, "open failed: %{public}@", "[" + name + "] - " + *error);
        else logOpen(LogLevel::Default, "open successful: [%{public}@]", name);
        SecurityScopedURLManager::shared()->endAccess(accessID);
        if (error && application && !filesAlerted) showAlert(applicationNotStarted, *error);
    };
    if (objects && !objects->empty()) {
        // Objects that are gone are left out; the application opens all the same.
        std::vector<platform::URL> files;
        for (const auto& object : *objects) {
            // A path, or the text of a file URL as a drop may hand it over.
            auto file = platform::URL::fromString(object);
            if (!file || !file->isFileURL()) file = platform::URL::fileURL(object);
            if (isReachable(*file)) files.push_back(*file);
        }
        // The user handed these files over and waits for them to open: a
        // start that fails (too many files for one command line, say) is
        // said, not only logged.
        workspace->openURLs(files, url, openConfiguration(),
                            [completion, name = url.path(), count = files.size()](
                                std::shared_ptr<platform::RunningApplication>, std::optional<std::string> error) {
                                completion(error, true);
                                if (error)
                                    showAlert(L10n::openWithFilesError.value(),
                                              name + ": " + *error + " (" + std::to_string(count) +
                                                  (count == 1 ? " file)" : " files)"));
                            });
        return;
    }
    workspace->openURL(url, openConfiguration(),
                       [completion](std::shared_ptr<platform::RunningApplication>, std::optional<std::string> error) {
                           completion(error, false);
                       });
}

void OpenObject::openFilesWithApplication(const platform::URL& document, const platform::URL& application) {
    if (!reachableOrLogged(document) || !reachableOrLogged(application)) return;
    const auto sandbox = SandboxFileAccess::shared();
    // Both are asked before either answer is looked at.
    const auto documentAccess = sandbox->hasAccess(document, Permissions::readAccess());
    const auto applicationAccess = sandbox->hasAccess(application, Permissions::readAccess());
    if (!accessUsable(documentAccess, document) || !accessUsable(applicationAccess, application)) return;
    const auto manager = SecurityScopedURLManager::shared();
    const std::string documentID = manager->beginAccess(documentAccess.bookmarkData, UsedSecurityScopedURLSource::open);
    const std::string applicationID =
        manager->beginAccess(applicationAccess.bookmarkData, UsedSecurityScopedURLSource::open);
    workspace->openURLs(
        {document}, application, openConfiguration(),
        [documentName = document.absoluteString(), applicationName = application.absoluteString(), documentID,
         applicationID](std::shared_ptr<platform::RunningApplication>, std::optional<std::string> error) {
            if (error)
                logOpen(LogLevel::Error, "open failed: %{public}@", "[" + documentName + "] - " + *error);
            else
                logOpen(LogLevel::Default, "open successful: %{public}@",
                        "[" + documentName + "] with [" + applicationName + "]");
            SecurityScopedURLManager::shared()->endAccess(documentID);
            SecurityScopedURLManager::shared()->endAccess(applicationID);
            if (error) showAlert(applicationNotStarted, *error);
        });
}

}  // namespace frelt
