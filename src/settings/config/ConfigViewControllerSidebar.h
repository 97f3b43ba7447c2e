#pragma once
// The selection inspector beside the configuration window's entry table: it
// edits every selected entry at once (tags, comment, colour, visibility) and
// shows the tags and the comment that all selected entries share. It keeps
// no copy of entry data: every refresh and every edit reads the entries
// afresh from the store's configuration list by the selected row indexes,
// and every change goes through the entries' setters, so one change is
// announced per entry whose value really changed. Main thread only.

#include <array>
#include <memory>
#include <optional>

#include "drawing/DrawnViews.h"
#include "platform/appkit/Control.h"
#include "platform/appkit/IndexSet.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/Subscription.h"
#include "store/TableViewItem.h"

namespace frelt {

class ColorSlider;
class CustomTextField;
class CustomTokenField;

class ConfigViewControllerSidebar : public platform::ViewController,
                                    public ColorCircleDelegate,
                                    public platform::ControlTextEditingDelegate {
public:
    static constexpr const char* sceneIdentifier = "ConfigViewControllerSidebar";
    static constexpr long commentMaxLength = 100;
    // Above this many selected rows the fields are cleared without reading.
    static constexpr std::size_t maximumCompared = 20;

    ConfigViewControllerSidebar();

    // The selected rows, positions in the configuration list; none until the
    // table first tells of its selection. Setting a different value shows
    // the shared tags and comment.
    const std::optional<platform::IndexSet>& currentIndexSet() const { return currentIndexSet_; }
    void setCurrentIndexSet(const std::optional<platform::IndexSet>& indexes);

    std::weak_ptr<CustomTokenField> modifyToken;
    std::weak_ptr<CustomTextField> modifyComment;
    std::array<std::weak_ptr<DrawnColorCircle>, 18> colorCircles;
    std::weak_ptr<ColorSlider> colorSlider;

    void viewDidLoad() override;
    void viewWillAppear() override;

    // "configTableViewSelectionDidChange".
    void configTableViewSelectionDidChangeWith(const platform::Notification& notification);

    // --- edits of the selection
    // The token field's tokens, without blank ones, replace every selected
    // entry's tags (entries with the same set of tags are left alone).
    void applyTags();
    // The comment field asks whether it may end its edit: no while no
    // selection was recorded; otherwise the text becomes every selected
    // entry's comment.
    bool controlTextShouldEndEditing(const std::shared_ptr<platform::Control>& control,
                                     const std::shared_ptr<platform::TextView>& fieldEditor) override;
    void colorCircleSelected(const std::shared_ptr<DrawnColorCircle>& circle, const platform::Color& color) override;
    // "onChangeColorSlider:".
    void onChangeColorSlider(ColorSlider& slider);
    // "clearColorClick:", "setToVisibleClick:", "setToInvisibleClick:".
    void clearColorClick();
    void setToVisibleClick();
    // Entries the user made stay visible; the others are hidden and lose
    // their hotkey.
    void setToInvisibleClick();

private:
    // Each selected entry that exists, in ascending row order.
    void forEachSelected(const std::function<void(const TableViewItem::Ptr&)>& body) const;
    void applyColor(const std::optional<platform::Color>& color);
    void refreshTokenField();
    void refreshCommentField();

    std::optional<platform::IndexSet> currentIndexSet_;
    platform::Subscription selectionObservation_;
};

}  // namespace frelt
