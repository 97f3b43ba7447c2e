#pragma once
// The entry popup: a transient popover in which the user edits one entry of
// the main table (comment, tags, hotkey, favourite mark, colour) and hides,
// deletes or reveals it, or opens the link dialog for it. It opens at the
// left edge of a row on a right click or a Control-click.
//
// Each change is written to the entry at once (the entry announces it).
// Changes that alter which entries the table lists (tags, favourite, hide,
// delete) rebuild the store's data and close the popover; changes that only
// alter the entry's look (colour, comment, hotkey) redraw the selected row
// and leave it open. While the popover is shown for an entry, the global
// hotkeys are paused.
//
// TableViewPopupManager owns the popover and, made once from the scene
// "Main"/"TableViewPopupViewController", its content; one manager per table.

#include <array>
#include <memory>
#include <optional>

#include "drawing/DrawnViews.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "store/TableViewItem.h"

namespace frelt {

class ColorSlider;
class CustomTextField;
class CustomTokenField;

class TableViewPopupViewController : public platform::ViewController,
                                     public RecordViewDelegate,
                                     public ColorCircleDelegate,
                                     public platform::ControlTextEditingDelegate {
public:
    static constexpr const char* sceneIdentifier = "TableViewPopupViewController";

    TableViewPopupViewController();

    // Outlets, connected by the scene.
    std::weak_ptr<platform::TextField> appName;
    std::weak_ptr<platform::TextField> appPath;
    std::weak_ptr<platform::ImageView> appImage;
    std::weak_ptr<CustomTextField> comment;
    std::weak_ptr<CustomTokenField> tags;
    std::weak_ptr<platform::Button> btnHide;
    std::weak_ptr<platform::Button> btnShowInFinder;
    std::weak_ptr<platform::Button> btnDelete;
    std::weak_ptr<platform::Button> btnModifyURL;
    std::weak_ptr<RecordView> hotkey;
    std::weak_ptr<DrawnCheckBoxFavorite> checkboxFavorite;
    std::weak_ptr<DrawnMainViewBackground> backgroundPreview;
    std::array<std::weak_ptr<DrawnColorCircle>, 18> colorCircles;
    std::weak_ptr<ColorSlider> colorSlider;
    std::weak_ptr<platform::VisualEffectView> backgroundPanelLeft;

    // True from viewWillAppear to viewDidDisappear.
    bool isVisible = false;
    // The entry being edited and its row; kept until the next opening.
    TableViewItem::Ptr item;
    std::optional<long> index;
    // The manager's popover, which the actions close.
    std::weak_ptr<platform::Popover> popover;
    // Set by the actions that rebuild or redraw; cleared when it appears.
    bool needsRebuild = false;
    bool needsRedraw = false;

    void viewDidLoad() override;
    // Fills the popup from the entry and pauses the hotkeys (nothing
    // without an entry).
    void viewWillAppear() override;
    // Resumes the hotkeys.
    void viewDidDisappear() override;

    // Every colour control writes through here: the entry's colour (none or
    // the clear colour removes it), the preview, the selected row.
    void setEntryColor(const std::optional<platform::Color>& color);
    void updateBackgroundPreview();
    // The token field's end of editing: a changed list of tags rebuilds and
    // closes; an unchanged one changes nothing.
    void tagsDidEndEditing();

    // The actions ("onChangeColorSlider:", "btnClearColorClick:",
    // "checkboxFavoriteClick:", "btnHideClick:", "btnShowInFinderClick:",
    // "btnDeleteClick:", "btnModifyURLClick:").
    void onChangeColorSlider();
    void checkboxFavoriteClick();
    void btnHideClick();
    void btnShowInFinderClick();
    void btnDeleteClick();
    void btnModifyURLClick();

    // --- delegates
    void controlTextDidEndEditing(const platform::Notification& notification) override;
    void colorCircleSelected(const std::shared_ptr<DrawnColorCircle>& circle, const platform::Color& color) override;
    bool recordViewShouldBeginRecording(RecordView& recordView) override;
    bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidEndRecording(RecordView& recordView) override;

private:
    void rebuildAndClose();
    void redrawSelectedRow();
    void closePopover();
};

class TableViewPopupManager {
public:
    TableViewPopupManager();

    const std::shared_ptr<platform::Popover> tableViewPopover;
    // Made on first use from the scene; stays none (and is not tried again)
    // when the scene cannot be made.
    std::shared_ptr<TableViewPopupViewController> tableViewPopupViewController();
    // The popover's content, transient, not animated, following the
    // application's appearance.
    void setupPopover();

private:
    std::optional<std::shared_ptr<TableViewPopupViewController>> controller_;
};

}  // namespace frelt
