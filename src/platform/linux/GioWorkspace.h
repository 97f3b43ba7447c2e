#pragma once
// The desktop's workspace through GIO, never through a shell: URLs go to the
// handler of their scheme, files to the default application of their type,
// files handed to an application go to the application's desktop entry, and
// an application starts from its desktop entry. Every program is started by
// GIO as the desktop entry says, in a session (and so a process group) of its
// own and with a startup-notification id. "Reveal in the file manager" asks
// the desktop's file manager over D-Bus and falls back to opening the folder.
//
// GIO finds desktop entries, default handlers and MIME types through the XDG
// folders of the environment, which it reads once per process.
//
// Completions run on the main queue.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Workspace.h"

namespace platform {

class GioWorkspace : public Workspace {
public:
    static std::shared_ptr<GioWorkspace> make();

    bool openURL(const URL& url) override;
    void openURL(const URL& url, const WorkspaceOpenConfiguration& configuration, OpenCompletion completion) override;
    void openURLs(const std::vector<URL>& urls, const URL& applicationURL, const WorkspaceOpenConfiguration& configuration,
                  OpenCompletion completion) override;
    std::optional<URL> URLForApplicationToOpenURL(const URL& url) override;
    bool selectFile(const std::string& file, const std::string& rootPath) override;
    void selectFile(const std::string& file, const std::string& rootPath, SelectCompletion completion) override;
    std::shared_ptr<Image> iconForFile(const std::string& path) override;

protected:
    GioWorkspace() = default;
};

// Makes the GIO workspace the shared one, with the running applications of
// the X server behind it. The program calls this once at start-up.
void installDesktopWorkspace();

}  // namespace platform
