#pragma once
// The popup a right click on a tag in the sidebar opens: the tag's icon and
// colour (as every tag popup edits them), its two hotkeys (one shows the
// tag in the main window, one opens all its entries), and the commands to
// open all of the tag's entries and to delete the tag. Changes are written
// to the registry's tag at once and the selected sidebar row is redrawn.
//
// While it is shown, every global hotkey is paused, so that the recorders
// can take any combination; a combination some hotkey already uses is
// refused, the tag's own included.
//
// The popover opens with the icon grid (the stack view's third row) hidden,
// 487 points high minus that row; the change-icon button shows and hides it.
//
// SectionViewPopupManager owns the transient popover and its content, made
// once from the scene "Main"/"SectionViewPopupViewController"; without it
// the popover is never shown.

#include <memory>
#include <optional>

#include "hotkeys/RecordView.h"
#include "mainwindow/TagAppearancePopup.h"
#include "mainwindow/sidebar/SourceListItem.h"

namespace platform {
class Popover;
class StackView;
class TextField;
class View;
class VisualEffectView;
}  // namespace platform

namespace frelt {

class SectionViewPopupViewController : public TagAppearancePopupViewController, public RecordViewDelegate {
public:
    static constexpr const char* storyboardName = "Main";
    static constexpr const char* sceneIdentifier = "SectionViewPopupViewController";
    // The content's height with the icon row shown.
    static constexpr double fullHeight = 487.0;

    // Registers the actions of its buttons.
    SectionViewPopupViewController();

    // --- outlets (and those of TagAppearancePopupViewController)
    std::weak_ptr<platform::TextField> lblTagName;
    std::weak_ptr<platform::ImageView> imageTagSymbol;
    // Its third arranged view is the icon row.
    std::weak_ptr<platform::StackView> stackView;
    std::weak_ptr<RecordView> hotkey;
    std::weak_ptr<RecordView> hotkeyLaunchAll;
    std::weak_ptr<platform::VisualEffectView> backgroundPanel;

    // The sidebar item of the tag, and its row.
    SourceListItem::Ptr currentSourcelistItem;
    std::optional<long> index;
    // Set when the tag was deleted.
    bool needsRebuild = false;
    // Set when the icon or colour changed.
    bool needsRedraw = false;

    // The registry's tag named by the item's tag string.
    iconTag::Ptr findIconTag() const;
    iconTag::Ptr editedTag() const override { return findIconTag(); }
    std::shared_ptr<platform::ImageView> symbolPreview() const override { return imageTagSymbol.lock(); }

    // Pauses the hotkeys and shows the tag: name, symbol in its colour,
    // hotkeys; the icon row hidden.
    void viewWillAppear() override;
    // The hotkeys run again.
    void viewDidDisappear() override;

    // --- the buttons
    // Closes the popover, then opens every entry of the tag.
    void launchAll();
    // After the user confirmed, deletes the tag, rebuilds and closes.
    void deleteTag();
    void toggleIconRow();

    // Redraws the selected sidebar row.
    void redrawSidebarSelection();
    // Shows or hides the icon row, sizing the popover to match.
    void resizePopover(bool show);

    // --- the recorders
    bool recordViewShouldBeginRecording(RecordView&) override { return true; }
    // Refuses a combination any registered hotkey uses.
    bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidEndRecording(RecordView&) override {}

protected:
    void tagAppearanceDidChange() override { redrawSidebarSelection(); }
};

class SectionViewPopupManager {
public:
    SectionViewPopupManager();

    const std::shared_ptr<platform::Popover> sectionViewPopover;
    // Made on first use; stays none when the scene cannot be made.
    std::shared_ptr<SectionViewPopupViewController> sectionViewPopupViewController();

    // Not animated, transient, following the desktop's appearance.
    void setupPopover();
    // Shows the popup for the tag item of the sidebar row `index`, at the
    // left edge of `view` (the row's cell).
    void showSectionPopup(const std::shared_ptr<platform::View>& view, const SourceListItem::Ptr& item, long index);

private:
    std::optional<std::shared_ptr<SectionViewPopupViewController>> controller_;
};

}  // namespace frelt
