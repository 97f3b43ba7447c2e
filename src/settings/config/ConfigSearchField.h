#pragma once
// The search field of the configuration window's toolbar. It narrows the
// configuration list to the entries whose name, tags, comment or path
// contain the typed text; its menu chooses which of the four is searched,
// and the choice lives in the placeholder, which always names it. Every
// change of the text writes the text and the choice into the store's
// configuration filter, which filters again when either changed. No delay,
// no minimum length. Main thread only.

#include <functional>
#include <string>

#include "platform/appkit/TextField.h"
#include "store/DataStorageFilterConfigData.h"

namespace frelt {

// The localized title of a search-for choice ("Name", "Tag", "Comment",
// "Path"): the menu item's title and the placeholder.
const std::string& searchForTitle(ConfigEnumFilterSearchFor searchFor);

class ConfigSearchField : public platform::SearchField {
public:
    explicit ConfigSearchField(platform::Rect frame = {});

    // Run after the field's own handling of a text change, and when editing
    // ends.
    std::function<void()> textDidChangeHandler;
    std::function<void()> textDidEndEditingHandler;

    // Builds the menu of the four choices unless the field has one.
    void setupSearchMenu();
    // Stores the text and the choice in the filter, then runs the handler.
    void textDidChange(const platform::Notification& notification) override;
    void textDidEndEditing(const platform::Notification& notification) override;
    // The menu items' action ("changeSearchFieldItem:"): the item's title
    // becomes the placeholder, and the filter follows.
    void changeSearchFieldItem(const std::shared_ptr<platform::Object>& sender);
    bool acceptsFirstResponder() override { return true; }
    // Escape empties the field; the list follows, as for any other change
    // of the text.
    void cancelOperation(const std::shared_ptr<platform::Object>& sender) override;

    // The choice the placeholder names; `name` when it names none.
    ConfigEnumFilterSearchFor searchForFromPlaceholder() const;

private:
    // The text and the choice go to the filter; the handler follows.
    void searchTextChanged();
};

}  // namespace frelt
