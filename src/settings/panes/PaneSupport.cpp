#include "settings/panes/PaneSupport.h"

#include <filesystem>

#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"

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

void onSegment(const std::shared_ptr<platform::Object>& sender, const std::function<void()>& add,
               const std::function<void()>& remove) {
    const auto control = std::dynamic_pointer_cast<platform::SegmentedControl>(sender);
    if (!control) return;
    switch (control->selectedSegment()) {
        case 0: add(); break;
        case 1: remove(); break;
        default: break;
    }
}

void enableRemoveWhileSelected(const std::weak_ptr<platform::SegmentedControl>& segments,
                               const std::weak_ptr<platform::TableView>& table) {
    const auto list = table.lock();
    if (auto control = segments.lock()) control->setEnabled(list && list->selectedRow() >= 0, 1);
}

void beginLocationSheet(const std::shared_ptr<platform::ViewController>& pane, bool filesToo, LocationChosen chosen) {
    auto panel = platform::OpenPanel::make();
    panel->setShowsHiddenFiles(false);
    panel->setCanChooseDirectories(true);
    panel->setCanChooseFiles(filesToo);
    panel->setCanCreateDirectories(false);
    panel->setAllowsMultipleSelection(false);
    panel->setResolvesAliases(false);
    const auto window = pane->isViewLoaded() ? pane->view()->window() : nullptr;
    const std::weak_ptr<platform::ViewController> weak = pane;
    panel->beginSheetModal(window, [weak, panel, chosen = std::move(chosen)](platform::ModalResponse response) {
        if (auto alive = weak.lock()) chosen(*alive, response, panel->URLs());
    });
}

}  // namespace frelt::panes
