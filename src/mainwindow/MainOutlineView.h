#pragma once
// The main window's sidebar outline: categories and tags, one of them selected.

#include <optional>
#include <string>
#include <vector>

namespace frelt {

class MainOutlineView {
public:
    MainOutlineView() = default;
    virtual ~MainOutlineView() = default;

    // The tag rows the sidebar shows, by tag name.
    void setTagRows(std::vector<std::string> tagNames) { tagRows_ = std::move(tagNames); }
    const std::vector<std::string>& tagRows() const { return tagRows_; }

    // Selects the row of the tag; false when the sidebar has no such row.
    bool selectItemWithTagName(const std::string& tagName);
    const std::optional<std::string>& selectedTagName() const { return selectedTagName_; }

private:
    std::vector<std::string> tagRows_;
    std::optional<std::string> selectedTagName_;
};

}  // namespace frelt
