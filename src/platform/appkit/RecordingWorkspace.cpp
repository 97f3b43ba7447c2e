#include "platform/appkit/RecordingWorkspace.h"

#include "platform/dispatch/Dispatch.h"

namespace platform {

std::string WorkspaceCall::description() const {
    auto list = [](const std::vector<URL>& urls) {
        std::string s = "[";
        for (std::size_t i = 0; i < urls.size(); ++i) s += (i ? ", " : "") + urls[i].string();
        return s + "]";
    };
    switch (kind) {
    case Kind::openURL: return "openURL " + (urls.empty() ? std::string() : urls.front().string());
    case Kind::openURLWithConfiguration:
        return "openURL " + (urls.empty() ? std::string() : urls.front().string()) + " with configuration";
    case Kind::openURLsWithApplication: return "openURLs " + list(urls) + " with " + applicationURL.string();
    case Kind::URLForApplicationToOpenURL:
        return "URLForApplicationToOpenURL " + (urls.empty() ? std::string() : urls.front().string());
    case Kind::selectFile: return "selectFile " + file + " in " + rootPath;
    case Kind::iconForFile: return "iconForFile " + file;
    }
    return {};
}

std::shared_ptr<RecordingWorkspace> RecordingWorkspace::make() {
    return std::shared_ptr<RecordingWorkspace>(new RecordingWorkspace);
}

void RecordingWorkspace::record(WorkspaceCall call) {
    std::lock_guard lock(callsMutex_);
    calls_.push_back(std::move(call));
}

void RecordingWorkspace::complete(OpenCompletion completion) {
    if (!completion) return;
    dispatch::Queue::main()->async(
        [completion = std::move(completion), app = openedApplication, error = openError] { completion(app, error); });
}

bool RecordingWorkspace::openURL(const URL& url) {
    record({WorkspaceCall::Kind::openURL, {url}, {}, std::nullopt, {}, {}});
    return openSucceeds;
}

void RecordingWorkspace::openURL(const URL& url, const WorkspaceOpenConfiguration& configuration,
                                 OpenCompletion completion) {
    record({WorkspaceCall::Kind::openURLWithConfiguration, {url}, {}, configuration, {}, {}});
    complete(std::move(completion));
}

void RecordingWorkspace::openURLs(const std::vector<URL>& urls, const URL& applicationURL,
                                  const WorkspaceOpenConfiguration& configuration, OpenCompletion completion) {
    record({WorkspaceCall::Kind::openURLsWithApplication, urls, applicationURL, configuration, {}, {}});
    complete(std::move(completion));
}

std::optional<URL> RecordingWorkspace::URLForApplicationToOpenURL(const URL& url) {
    record({WorkspaceCall::Kind::URLForApplicationToOpenURL, {url}, {}, std::nullopt, {}, {}});
    if (auto it = defaultApplications.find(url.string()); it != defaultApplications.end()) return it->second;
    const std::string extension = url.pathExtension();
    if (!extension.empty()) {
        if (auto it = defaultApplicationsByExtension.find(extension); it != defaultApplicationsByExtension.end())
            return it->second;
    }
    return std::nullopt;
}

bool RecordingWorkspace::selectFile(const std::string& file, const std::string& rootPath) {
    record({WorkspaceCall::Kind::selectFile, {}, {}, std::nullopt, file, rootPath});
    return selectFileSucceeds;
}

std::shared_ptr<Image> RecordingWorkspace::iconForFile(const std::string& path) {
    record({WorkspaceCall::Kind::iconForFile, {}, {}, std::nullopt, path, {}});
    if (auto it = icons.find(path); it != icons.end()) return it->second;
    return genericIcon;
}

std::vector<WorkspaceCall> RecordingWorkspace::calls() const {
    std::lock_guard lock(callsMutex_);
    return calls_;
}

std::vector<std::string> RecordingWorkspace::callDescriptions() const {
    std::vector<std::string> out;
    for (const auto& c : calls()) out.push_back(c.description());
    return out;
}

void RecordingWorkspace::clearCalls() {
    std::lock_guard lock(callsMutex_);
    calls_.clear();
}

}  // namespace platform
