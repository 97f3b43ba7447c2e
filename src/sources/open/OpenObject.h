#pragma once
// The opener: decides how a request is opened (directly, with the object's
// default application, with an application of the user's choice, or in a
// file-manager window), secures access to every location it opens, resolves
// URL templates, and reports each failure in the log and, for a bad URL, in
// an alert. Every request is independent; nothing is remembered between them.
//
// One instance, made on first use; every operation runs on the main thread.
// The workspace's completions only log and end the accesses held for them.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Workspace.h"
#include "platform/foundation/URL.h"

namespace frelt {

class OpenObject {
    struct Private {};

public:
    // The objects handed along (file names or URL strings).
    using Objects = std::optional<std::vector<std::string>>;

    static std::shared_ptr<OpenObject> shared();
    explicit OpenObject(Private);

    // The workspace taken when the opener was made.
    const std::shared_ptr<platform::Workspace> workspace;

    // After an access request, opens a new file-manager window at the folder.
    void revealInFileViewer(const platform::URL& folder);
    // Opens a file, folder or application with access secured until the
    // desktop reports back; with objects, opens those files (the reachable
    // ones) with the application at the URL.
    void openFileURL(const platform::URL& url, const Objects& objects = std::nullopt);
    // Opens the document (or folder) with the given application.
    void openFilesWithApplication(const platform::URL& document, const platform::URL& application);
    // Opens a URL text, a template's placeholders resolved first. An empty
    // text does nothing; a text that is no valid URL (before or after
    // resolving) shows an alert; a cancelled question opens nothing.
    void openURLString(const std::string& urlString, const Objects& objects = std::nullopt);
    // Opens a file, folder or application by path, sorted by its kind; an
    // empty or unreachable path does nothing.
    void openPath(const std::string& path, const Objects& objects = std::nullopt);

    // The two steps of openPath.
    void openFileOrApplication(const platform::URL& url, const Objects& objects);
    void openFolder(const platform::URL& folder);

    // The configuration of every opening: no new instance, activates, not
    // for printing, prompts the user if needed.
    static platform::WorkspaceOpenConfiguration openConfiguration();
};

}  // namespace frelt
