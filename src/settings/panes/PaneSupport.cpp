#include "settings/panes/PaneSupport.h"

#include <filesystem>

#include "markdown/CustomMarkdownTextView.h"

namespace frelt::panes {

platform::Color controlTextColor() {
    return platform::Color::named("System", "controlTextColor", platform::Color::black());
}

platform::Color redColor() { return platform::Color::calibratedRGB(1, 0, 0); }

platform::Color darkGrayColor() { return platform::Color::calibratedWhite(1.0 / 3.0); }

bool isReachable(const platform::URL& url) {
    if (!url.isFileURL()) return false;
    std::error_code error;
    return std::filesystem::exists(url.path(), error) && !error;
}

void showHelp(const std::shared_ptr<CustomMarkdownTextView>& view, const std::string& fileName) {
    if (!view) return;
    view->loadMarkdown(fileName);
    view->showMarkdown(MarkdownStyles::info);
}

std::shared_ptr<platform::OpenPanel> makeLocationPanel(bool filesToo) {
    auto panel = platform::OpenPanel::make();
    panel->setShowsHiddenFiles(false);
    panel->setCanChooseDirectories(true);
    panel->setCanChooseFiles(filesToo);
    panel->setCanCreateDirectories(false);
    panel->setAllowsMultipleSelection(false);
    panel->setResolvesAliases(false);
    return panel;
}

}  // namespace frelt::panes
