#include "settings/config/ConfigSearchField.h"

#include "platform/appkit/Menu.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"

namespace frelt {

const std::string& searchForTitle(ConfigEnumFilterSearchFor searchFor) {
    switch (searchFor) {
        case ConfigEnumFilterSearchFor::tag: return L10n::customSearchField_SearchForTag.value();
        case ConfigEnumFilterSearchFor::comment: return L10n::customSearchField_SearchForComment.value();
        case ConfigEnumFilterSearchFor::path: return L10n::customSearchField_SearchForPath.value();
        case ConfigEnumFilterSearchFor::name: break;
    }
    return L10n::customSearchField_SearchForName.value();
}

ConfigSearchField::ConfigSearchField(platform::Rect frame) : SearchField(frame) {
    registerAction("changeSearchFieldItem:",
                   [this](const std::shared_ptr<platform::Object>& sender) { changeSearchFieldItem(sender); });
}

void ConfigSearchField::setupSearchMenu() {
    if (searchMenuTemplate()) return;
    auto menu = std::make_shared<platform::Menu>("Menu");
    for (const auto searchFor : allConfigEnumFilterSearchForCases) {
        auto item = menu->addItem(searchForTitle(searchFor), "changeSearchFieldItem:");
        item->setTarget(shared_from_this());
    }
    setSearchMenuTemplate(menu);
}

ConfigEnumFilterSearchFor ConfigSearchField::searchForFromPlaceholder() const {
    for (const auto searchFor : allConfigEnumFilterSearchForCases) {
        if (searchForTitle(searchFor) == placeholderString()) return searchFor;
    }
    return ConfigEnumFilterSearchFor::name;
}

void ConfigSearchField::searchTextChanged() {
    // Each setter filters again only when its value really changed.
    const auto filter = DataStorage::shared()->filterConfigData();
    filter->setConfigTableViewSearchString(stringValue());
    filter->setConfigTableViewFilterSearchFor(searchForFromPlaceholder());
    if (textDidChangeHandler) textDidChangeHandler();
}

void ConfigSearchField::textDidChange(const platform::Notification&) { searchTextChanged(); }

void ConfigSearchField::textDidEndEditing(const platform::Notification&) {
    if (textDidEndEditingHandler) textDidEndEditingHandler();
}

void ConfigSearchField::cancelOperation(const std::shared_ptr<platform::Object>& sender) {
    SearchField::cancelOperation(sender);
    searchTextChanged();
}

void ConfigSearchField::changeSearchFieldItem(const std::shared_ptr<platform::Object>& sender) {
    if (!searchFieldCell()) return;
    const auto item = std::dynamic_pointer_cast<platform::MenuItem>(sender);
    const std::string title = item ? item->title() : std::string();
    if (title == placeholderString()) return;
    setPlaceholderString(title);
    searchTextChanged();
}

}  // namespace frelt
