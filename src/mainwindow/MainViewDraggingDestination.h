#pragma once
// The main window's background as a drop target: files dropped anywhere in
// the window but on the entry table and the sidebar are handed to the
// program (passFilesToMainWindow), which announces them in the window and
// gives them to the next entry the user opens.

#include "platform/appkit/View.h"

namespace frelt {

class MainViewDraggingDestination : public platform::View {
public:
    // Takes file URLs only.
    explicit MainViewDraggingDestination(platform::Rect frame = {});
    ~MainViewDraggingDestination() override;

    // Copy for every drag, unseen.
    platform::DragOperation draggingEntered(const std::shared_ptr<platform::DraggingInfo>& info) override;
    // True when the window holds at least one of the dropped files after.
    bool performDragOperation(const std::shared_ptr<platform::DraggingInfo>& info) override;
};

}  // namespace frelt
