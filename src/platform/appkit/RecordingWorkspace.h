#pragma once
// The workspace of tests: launches nothing, records every call in order and
// answers as configured. Completions are delivered on the main queue, as
// the desktop's arrive later, so a test drains the queue to see them.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Workspace.h"

namespace platform {

struct WorkspaceCall {
    enum class Kind { openURL, openURLWithConfiguration, openURLsWithApplication, URLForApplicationToOpenURL, selectFile,
                      iconForFile };
    Kind kind;
    std::vector<URL> urls;   // the URL(s) opened or asked about
    URL applicationURL;      // openURLsWithApplication
    std::optional<WorkspaceOpenConfiguration> configuration;
    std::string file;        // selectFile, iconForFile
    std::string rootPath;    // selectFile

    // A short text for assertions, e.g. "openURL file:///a",
    // "openURLs [file:///a] with file:///app.desktop", "selectFile /a in /".
    std::string description() const;
};

class RecordingWorkspace : public Workspace {
public:
    static std::shared_ptr<RecordingWorkspace> make();

    bool openURL(const URL& url) override;
    void openURL(const URL& url, const WorkspaceOpenConfiguration& configuration, OpenCompletion completion) override;
    void openURLs(const std::vector<URL>& urls, const URL& applicationURL, const WorkspaceOpenConfiguration& configuration,
                  OpenCompletion completion) override;
    std::optional<URL> URLForApplicationToOpenURL(const URL& url) override;
    using Workspace::selectFile;
    bool selectFile(const std::string& file, const std::string& rootPath) override;
    std::shared_ptr<Image> iconForFile(const std::string& path) override;

    // --- Answers ----------------------------------------------------------------
    // What openURL and selectFile answer (default true).
    bool openSucceeds = true;
    bool selectFileSucceeds = true;
    // The error the open completions report; none reports success.
    std::optional<std::string> openError;
    // The application the open completions report (default none).
    std::shared_ptr<RunningApplication> openedApplication;
    // Default applications by the URL's text; a URL with a file extension
    // missing here falls back to `defaultApplicationsByExtension`.
    std::map<std::string, URL> defaultApplications;
    std::map<std::string, URL> defaultApplicationsByExtension;
    // Icons by path, and the icon of every other path.
    std::map<std::string, std::shared_ptr<Image>> icons;
    std::shared_ptr<Image> genericIcon;

    // --- Record ---------------------------------------------------------------
    std::vector<WorkspaceCall> calls() const;
    std::vector<std::string> callDescriptions() const;
    void clearCalls();

protected:
    RecordingWorkspace() = default;

private:
    void record(WorkspaceCall call);
    void complete(OpenCompletion completion);

    mutable std::mutex callsMutex_;
    std::vector<WorkspaceCall> calls_;
};

}  // namespace platform
