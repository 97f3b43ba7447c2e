#pragma once
// The popup of a row of the Tags dialog: the symbol button of each tag row
// opens a transient popover in which the user gives that tag an icon and a
// colour (as every tag popup edits them: circles, hue slider, clear colour,
// default icon, the tinted icon grid and a preview). When the popover
// closes, the row is told, so that it draws its symbol anew.
//
// Each row owns one TagTableViewPopupManager, which owns the popover and,
// made once from the scene "ConfigTags"/"TagTableViewPopupViewController",
// its content; without that content nothing is set up and nothing shown.

#include <memory>
#include <optional>

#include "mainwindow/TagAppearancePopup.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/TableView.h"
#include "store/IconTag.h"

namespace frelt {

// The Tags dialog's table. Its shortcut recorders take their own clicks, as
// its buttons and fields do, so that a click starts recording.
class TagTableView : public platform::TableView {
public:
    using TableView::TableView;

    bool validateProposedFirstResponder(const std::shared_ptr<platform::Responder>& responder,
                                        const platform::Event* event) override;
};

class TagTableViewPopupManagerDelegate {
public:
    virtual ~TagTableViewPopupManagerDelegate() = default;
    // The popover has closed.
    virtual void popupDidClose() = 0;
};

class TagTableViewPopupViewController : public TagAppearancePopupViewController {
public:
    static constexpr const char* storyboardName = "ConfigTags";
    static constexpr const char* sceneIdentifier = "TagTableViewPopupViewController";

    // Registers "btnDefaultClick:".
    TagTableViewPopupViewController();

    std::weak_ptr<platform::ImageView> imagePreview;
    // The tag being edited, set by the row before the popover shows.
    iconTag::Ptr currentIconTag;

    iconTag::Ptr editedTag() const override { return currentIconTag; }
    std::shared_ptr<platform::ImageView> symbolPreview() const override { return imagePreview.lock(); }

    // Shows the tag's colour as the tint and sets the slider up; without a
    // tag nothing of this happens.
    void viewWillAppear() override;
    void viewWillDisappear() override;
};

class TagTableViewPopupManager : public platform::Object, public platform::PopoverDelegate {
public:
    static std::shared_ptr<TagTableViewPopupManager> make() { return std::make_shared<TagTableViewPopupManager>(); }
    TagTableViewPopupManager();

    std::weak_ptr<TagTableViewPopupManagerDelegate> customDelegate;
    const std::shared_ptr<platform::Popover> popover;
    // Made on first use; stays none when the scene cannot be made.
    std::shared_ptr<TagTableViewPopupViewController> tagTableViewPopupViewController();

    // Not animated, transient, following the desktop's appearance, with this
    // manager as its delegate; nothing without content.
    void setupPopover();
    // Tells the row.
    void popoverDidClose(const platform::Notification& notification) override;

private:
    std::optional<std::shared_ptr<TagTableViewPopupViewController>> controller_;
};

}  // namespace frelt
