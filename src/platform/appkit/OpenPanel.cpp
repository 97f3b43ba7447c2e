#include "platform/appkit/OpenPanel.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/appkit/ModalPresenter.h"

namespace platform {

namespace {
bool isDirectory(const URL& url) {
    if (url.hasDirectoryPath()) return true;
    if (!url.isFileURL()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(url.path(), ec);
}

bool extensionAllowed(const std::vector<std::string>& types, const std::string& ext) {
    // Type identifiers ("public.item") cannot be checked here: allow.
    bool anyExtension = false;
    for (const auto& t : types) {
        if (t.find('.') != std::string::npos) return true;
        anyExtension = true;
        if (t.size() == ext.size() && std::equal(t.begin(), t.end(), ext.begin(), [](unsigned char a, unsigned char b) {
                return std::tolower(a) == std::tolower(b);
            }))
            return true;
    }
    return !anyExtension;
}
}  // namespace

std::shared_ptr<OpenPanel> OpenPanel::make() { return std::shared_ptr<OpenPanel>(new OpenPanel); }

PanelAnswer OpenPanel::nextAnswer() { return ModalPresenter::current()->runOpenPanel(*this); }

std::optional<std::string> OpenPanel::checkChoice(const std::vector<URL>& urls, bool& refused) {
    refused = false;
    if (urls.empty()) return std::string("no URL chosen");
    if (urls.size() > 1 && !allowsMultipleSelection_) return std::string("the panel allows only one choice");
    auto d = delegate();
    for (const auto& url : urls) {
        if (url.isEmpty()) return std::string("an empty URL");
        const bool folder = isDirectory(url);
        if (folder && !canChooseDirectories_) return url.string() + " is a folder and the panel cannot choose folders";
        if (!folder && !canChooseFiles_) return url.string() + " is a file and the panel cannot choose files";
        if (!folder && !extensionAllowed(allowedFileTypes(), url.pathExtension()))
            return url.string() + " is not of an allowed type";
        if (d && !d->panelShouldEnableURL(*this, url)) {
            // A greyed-out item can still be typed into the panel's location
            // field; then the delegate's validation refuses it and the panel
            // stays open, as for any refused choice.
            std::string error;
            if (!d->panelValidateURL(*this, url, error)) {
                refused = true;
                return error.empty() ? std::string("refused by the delegate") : error;
            }
            return url.string() + " is disabled by the delegate";
        }
    }
    if (d) {
        for (const auto& url : urls) {
            std::string error;
            if (!d->panelValidateURL(*this, url, error)) {
                refused = true;
                return error.empty() ? std::string("refused by the delegate") : error;
            }
        }
    }
    return std::nullopt;
}

void OpenPanel::acceptChoice(const std::vector<URL>& urls) {
    urls_ = urls;
    setChosenURL(urls.front());
}

void OpenPanel::clearChoice() {
    urls_.clear();
    SavePanel::clearChoice();
}

}  // namespace platform
