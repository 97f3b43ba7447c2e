#pragma once
// The one door to files and folders outside the program's own: it examines a
// location (what the process may do there, and which stored grant covers it),
// decides whether that meets what the caller accepts, asks the user in the
// permission panel when it does not, keeps the grant the user gives, renews a
// grant whose location was replaced, and runs the caller's work while a grant
// is in use.
//
// The desktop has no sandbox: the process's own rights are the POSIX access
// test, and a grant is our own bookmark (platform/foundation/Bookmark.h).
//
// Threads: the panel runs only on the main thread. A request from another
// thread that would need it fails at once with needToAskPermission, so no
// caller ever waits for an answer that cannot come. Without a window the
// completion always runs before requestAccess returns; with one (a sheet) it
// runs later on the main thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"
#include "sources/access/AccessInfo.h"
#include "sources/access/SandboxFileAccessOpenSavePanelDelegate.h"
#include "sources/access/SandboxFileAccessPersistDictionary.h"

namespace platform {
class OpenPanel;
class Window;
}  // namespace platform

namespace frelt {

class SandboxFileAccess : public std::enable_shared_from_this<SandboxFileAccess> {
    struct Private {};

public:
    enum class Fail {
        // Not allowed, and the user may not (or cannot now) be asked.
        needToAskPermission,
        // The user closed the panel without a choice, or the choice gave no access.
        userDidntGrantPermission,
        // Only a grant gives access, and the system refused to begin using it.
        unexpectedlyUnableToAccessBookmark,
    };

    // Success with the location's AccessInfo, or a failure carrying the
    // AccessInfo as it was examined when the failure arose.
    struct Result {
        AccessInfo info;
        std::optional<Fail> failure;
        bool succeeded() const { return !failure; }
    };
    using Completion = std::function<void(const Result&)>;

    struct HasAccessAnswer {
        bool hasAccess = false;
        bool viaBookmark = false;
        // The covering grant's data, for a longer access through the
        // security-scoped URL manager.
        std::optional<platform::Data> bookmarkData;
    };

    // Made on first use; making it loads the bookmark store.
    static std::shared_ptr<SandboxFileAccess> shared();
    explicit SandboxFileAccess(Private);
    // Saves the bookmark store.
    ~SandboxFileAccess();
    SandboxFileAccess(const SandboxFileAccess&) = delete;
    SandboxFileAccess& operator=(const SandboxFileAccess&) = delete;

    // The permission panel's texts: "Allow Access", none (each panel builds
    // its message from the location), "Allow".
    std::string title;
    std::optional<std::string> message;
    std::string prompt;

    const std::shared_ptr<platform::dispatch::Queue>& dialogQueue() const { return dialogQueue_; }
    const std::shared_ptr<SandboxFileAccessProtocol>& persistanceBookmarkStorage() const {
        return persistanceBookmarkStorage_;
    }

    bool canAccess(const platform::URL& url, Permissions acceptable);
    AccessInfo accessInfo(const platform::URL& url);
    void requestAccess(const platform::URL& url, Permissions acceptable, bool askIfNecessary,
                       const std::shared_ptr<platform::Window>& window, bool persistPermission, Completion completion);
    // Runs the completion once with access secured: inside a begun access
    // when only the grant gives access. Answers what it handed the completion.
    Result secureAccess(const AccessInfo& info, const Completion& completion);
    // Makes and stores a grant for the location; none when none can be made.
    std::optional<platform::Data> persistPermission(const platform::URL& url);
    // The covering grant, resolved; a stale one is renewed.
    std::pair<std::optional<platform::URL>, std::optional<platform::Data>> allowedURLAndBookmarkData(
        const platform::URL& url);
    // The nearest file or folder that exists on the URL's path; "/" at last.
    platform::URL existingAncestor(const platform::URL& url);
    std::pair<std::shared_ptr<platform::OpenPanel>, std::shared_ptr<SandboxFileAccessOpenSavePanelDelegate>>
    makeOpenPanel(const platform::URL& url);
    // Shows the panel and hands the chosen location, or none, to the completion.
    void askPermission(const platform::URL& url, const std::shared_ptr<platform::Window>& window,
                       std::function<void(const std::optional<platform::URL>&)> completion);

    // The synchronous question, allowing the panel and keeping the grant.
    HasAccessAnswer hasAccess(const platform::URL& url, Permissions acceptable);

    // "<name> needs to access '<last component>' to continue. Click Allow to continue."
    std::string defaultMessage(const platform::URL& url) const;
    // The display name, else the name, of an information dictionary; "This App" without either.
    static std::string applicationName(const platform::ValueDictionary& information);
    // The program's own information dictionary: its name, version and build.
    static const platform::ValueDictionary& programInformation();

    // The URL a location is looked up under: standardized, links resolved, a
    // folder's ending with "/".
    static platform::URL lookupURL(const platform::URL& url);

private:
    void handlePanelResult(const platform::URL& requested, const Completion& completion, const AccessInfo& info,
                           bool persistPermission, Permissions acceptable, const std::optional<platform::URL>& chosen);

    std::shared_ptr<platform::dispatch::Queue> dialogQueue_;
    std::shared_ptr<SandboxFileAccessProtocol> persistanceBookmarkStorage_;
};

}  // namespace frelt
