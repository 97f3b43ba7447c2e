#pragma once
// The Tags dialog: one row per registered tag, where the user renames the
// tag, gives it a symbol and a colour, records its two hotkeys and deletes
// it. Global hotkeys are paused while it shows; when it goes away the data is
// rebuilt so that every view picks up the changed tags, and only then do the
// hotkeys fire again.

#include <memory>

#include "drawing/controls/CustomTextField.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/TagTableViewPopup.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/ViewController.h"
#include "store/IconTag.h"

namespace frelt {

// What the two hotkey cells share: the row's tag, held weakly (the registry
// owns it), and a recorder that refuses every registered combination.
class TableViewCellConfigEditTagsHotkeyCell : public platform::TableCellView, public RecordViewDelegate {
public:
    using TableCellView::TableCellView;

    std::weak_ptr<iconTag> currentTag;
    std::weak_ptr<RecordView> hotkey;

    // Styles the recorder with this cell as its delegate and shows the tag's
    // combination while the tag is still registered.
    void setUpTag(const iconTag::Ptr& tag);

    bool recordViewShouldBeginRecording(RecordView&) override { return true; }
    // Refuses a combination any registered hotkey uses (pausing keeps the
    // registrations, so the tag's own ones are refused too).
    bool recordViewCanRecordKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    // Stores the combination, or none when cleared, in a tag still registered.
    void recordViewDidChangeKeyCombo(RecordView& recordView, const KeyCombo::Ptr& keyCombo) override;
    void recordViewDidEndRecording(RecordView&) override {}

protected:
    virtual KeyCombo::Ptr shownCombo(const iconTag& tag) const = 0;
    virtual void storeCombo(iconTag& tag, const KeyCombo::Ptr& keyCombo) const = 0;

private:
    // The tag while the registry still holds it.
    iconTag::Ptr registeredTag() const;
};

// The hotkey that shows the tag.
class TableViewCellConfigEditTagsHotkeyView final : public TableViewCellConfigEditTagsHotkeyCell {
public:
    using TableViewCellConfigEditTagsHotkeyCell::TableViewCellConfigEditTagsHotkeyCell;

protected:
    KeyCombo::Ptr shownCombo(const iconTag& tag) const override { return tag.hotkey(); }
    void storeCombo(iconTag& tag, const KeyCombo::Ptr& keyCombo) const override { tag.setHotkey(keyCombo); }
};

// The hotkey that launches all entries of the tag.
class TableViewCellConfigEditTagsHotkeyLaunchAll final : public TableViewCellConfigEditTagsHotkeyCell {
public:
    using TableViewCellConfigEditTagsHotkeyCell::TableViewCellConfigEditTagsHotkeyCell;

protected:
    KeyCombo::Ptr shownCombo(const iconTag& tag) const override { return tag.hotkeyLaunchAll(); }
    void storeCombo(iconTag& tag, const KeyCombo::Ptr& keyCombo) const override { tag.setHotkeyLaunchAll(keyCombo); }
};

class ConfigViewControllerTags : public platform::ViewController,
                                 public platform::TableViewDataSource,
                                 public platform::TableViewDelegate,
                                 public CustomTextFieldDelegate {
public:
    static constexpr const char* storyboardName = "ConfigTags";
    static constexpr const char* windowControllerIdentifier = "ConfigWindowControllerTags";
    static constexpr const char* sceneIdentifier = "ConfigViewControllerTags";

    static constexpr const char* columnEntry = "column_Entry";
    static constexpr const char* columnHotkey = "column_Hotkey";
    static constexpr const char* columnHotkeyLaunchAll = "column_HotkeyLaunchAll";
    static constexpr const char* cellEntry = "TableViewCell_Config_EditTags";
    static constexpr const char* cellHotkey = "TableViewCell_Config_EditTags_HotkeyView";
    static constexpr const char* cellHotkeyLaunchAll = "TableViewCell_Config_EditTags_HotkeyLaunchAll";
    static constexpr double rowHeight = 30.0;

    // Registers "configRemoveTag:".
    ConfigViewControllerTags();

    std::weak_ptr<TagTableView> tagTableView;

    void viewDidLoad() override;
    // Pauses the hotkeys, reloads the table and titles the window.
    void viewWillAppear() override;
    // Rebuilds the data ("ConfigView Tags"), resumes the hotkeys, and ends
    // the dialog's own modal session.
    void viewDidDisappear() override;

    // Deletes the selected tag after asking; only its row goes.
    void configRemoveTag();
    // Renames (after asking); the whole table reloads, as sub-tags change too.
    bool textFieldValueChanged(const std::string& oldValue, const std::string& newValue) override;

    long numberOfRowsInTableView(platform::TableView& tableView) override;
    double heightOfRow(platform::TableView&, long) override { return rowHeight; }
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
};

// The scenes of the "ConfigTags" storyboard: the dialog's window controller
// and view controller (the tag popup is registered with the sidebar's).
void registerTagsDialogScenes();

}  // namespace frelt
