#include "mainwindow/MainViewDraggingDestination.h"

#include "app/MenuManager.h"
#include "mainwindow/DraggingHelpers.h"
#include "platform/appkit/Pasteboard.h"

namespace frelt {

MainViewDraggingDestination::MainViewDraggingDestination(platform::Rect frame) : platform::View(frame) {
    registerForDraggedTypes({platform::pasteboardtype::fileURL});
}

MainViewDraggingDestination::~MainViewDraggingDestination() { unregisterDraggedTypes(); }

platform::DragOperation MainViewDraggingDestination::draggingEntered(const std::shared_ptr<platform::DraggingInfo>&) {
    return platform::dragoperation::copy;
}

bool MainViewDraggingDestination::performDragOperation(const std::shared_ptr<platform::DraggingInfo>& info) {
    if (!info) return false;
    const auto pasteboard = info->draggingPasteboard();
    if (!pasteboard || !pasteboard->pasteboardItems()) return false;
    if (!acceptsAllDraggedItems(*this, *info)) return false;
    const auto files = draggedFileURLs(*info);
    if (!files) return false;
    std::vector<std::string> paths;
    for (const auto& url : *files) paths.push_back(url.path());
    if (paths.empty()) return false;
    return passFilesToMainWindow(paths);
}

}  // namespace frelt
