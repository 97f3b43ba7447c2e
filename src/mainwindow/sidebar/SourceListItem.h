#pragma once
// The items of the sidebar's tree: two headers ("Categories" and "Tags"),
// the fixed category entries under the first, and under the second the
// user's tags arranged as folders by the "|" levels of their names.
//
// Every item carries a `tag`, the key by which the sidebar finds it again
// after a rebuild, from a hotkey or from an entry of kind tag: a header its
// own name, a category entry "::%" + its name + "%::%%", a tag item the full
// tag name as the registry holds it, a tag folder that is no tag itself the
// empty string.
//
// The tree is owned from the top down: `children` hold their items, `parent`
// only refers back, so dropping the root items frees the whole tree.
// removeAllChildren still takes a tree apart explicitly (the sidebar does so
// before each rebuild), leaving every item without children.
//
// A tag item's icon and colour are read from the tag registry at every use,
// so a new symbol or colour shows at the next redraw without a rebuild; the
// tinted icon is made again only when its symbol or colour changed.
// Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/ImageHelpers.h"
#include "platform/appkit/Object.h"
#include "platform/foundation/RawValue.h"
#include "platform/graphics/Color.h"

namespace platform {
class Image;
}

namespace frelt {

enum class SourceListItemType {
    // A group row ("Categories", "Tags"), never selectable.
    header,
    // A category entry, a tag or a tag folder.
    entry,
};

enum class SourceListItemContentType {
    none,
    headerCategories,
    headerTags,
    allApplications,
    allFolders,
    allFiles,
    allFavorites,
    allURLs,
    lastUsedApplications,
    openApplications,
    shortcuts,
    tag,
};

inline constexpr platform::RawValueTable<SourceListItemContentType, 12> sourceListItemContentTypes{{{
    {SourceListItemContentType::none, "none"},
    {SourceListItemContentType::headerCategories, "headerCategories"},
    {SourceListItemContentType::headerTags, "headerTags"},
    {SourceListItemContentType::allApplications, "allApplications"},
    {SourceListItemContentType::allFolders, "allFolders"},
    {SourceListItemContentType::allFiles, "allFiles"},
    {SourceListItemContentType::allFavorites, "allFavorites"},
    {SourceListItemContentType::allURLs, "allURLs"},
    {SourceListItemContentType::lastUsedApplications, "lastUsedApplications"},
    {SourceListItemContentType::openApplications, "openApplications"},
    {SourceListItemContentType::shortcuts, "shortcuts"},
    {SourceListItemContentType::tag, "tag"},
}}};

inline const char* rawValue(SourceListItemContentType type) { return sourceListItemContentTypes.rawValue(type); }
// Exactly the twelve raw values, case-sensitive.
inline std::optional<SourceListItemContentType> sourceListItemContentTypeFromRawValue(std::string_view raw) {
    return sourceListItemContentTypes.fromRawValue(raw);
}

class SourceListItem : public platform::Object {
public:
    using Ptr = std::shared_ptr<SourceListItem>;

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    virtual std::shared_ptr<platform::Image> icon() const = 0;
    virtual void setIcon(std::shared_ptr<platform::Image> icon) = 0;
    virtual std::optional<platform::Color> color() const = 0;
    virtual void setColor(std::optional<platform::Color> color) = 0;
    const std::string& tag() const { return tag_; }
    void setTag(std::string tag) { tag_ = std::move(tag); }
    SourceListItemType itemType() const { return itemType_; }
    void setItemType(SourceListItemType type) { itemType_ = type; }
    SourceListItemContentType itemContentType() const { return contentType_; }
    void setItemContentType(SourceListItemContentType type) { contentType_ = type; }
    // None at the top of the tree, and once the item above is gone.
    Ptr parent() const { return parent_.lock(); }
    void setParent(const Ptr& parent) { parent_ = parent; }
    const std::vector<Ptr>& children() const { return children_; }
    void setChildren(std::vector<Ptr> children) { children_ = std::move(children); }
    void appendChild(Ptr child) { children_.push_back(std::move(child)); }

    // Whether the outline may expand the item.
    virtual bool hasChildren() const { return !children_.empty(); }
    // Takes the subtree apart, children first; the items keep their parent.
    void removeAllChildren();

protected:
    SourceListItem(std::string name, std::string tag, SourceListItemType type, SourceListItemContentType contentType)
        : name_(std::move(name)), tag_(std::move(tag)), itemType_(type), contentType_(contentType) {}

private:
    std::string name_;
    std::string tag_;
    SourceListItemType itemType_;
    SourceListItemContentType contentType_;
    std::weak_ptr<SourceListItem> parent_;
    std::vector<Ptr> children_;
};

// A header: its tag is its name; icon and colour are stored (none at first).
class SourceListItemSection : public SourceListItem {
public:
    static std::shared_ptr<SourceListItemSection> make(std::string name, SourceListItemContentType contentType);
    SourceListItemSection(std::string name, SourceListItemContentType contentType);

    std::shared_ptr<platform::Image> icon() const override { return icon_; }
    void setIcon(std::shared_ptr<platform::Image> icon) override { icon_ = std::move(icon); }
    std::optional<platform::Color> color() const override { return color_; }
    void setColor(std::optional<platform::Color> color) override { color_ = std::move(color); }

private:
    std::shared_ptr<platform::Image> icon_;
    std::optional<platform::Color> color_;
};

// A tag or a tag folder. Its tag starts as its name; whoever makes it sets
// the full tag name (or the empty string for a folder) and the parent.
class SourceListItemTags : public SourceListItem {
public:
    static std::shared_ptr<SourceListItemTags> make(std::string name);
    explicit SourceListItemTags(std::string name);

    // The registry's symbol of the tag (the default symbol when it has none)
    // in the tag's colour; the folder image, untinted, for a folder or a
    // name the registry does not hold; none when the image is missing.
    std::shared_ptr<platform::Image> icon() const override;
    void setIcon(std::shared_ptr<platform::Image>) override {}
    // The registry tag's colour.
    std::optional<platform::Color> color() const override;
    void setColor(std::optional<platform::Color>) override {}
    bool hasChildren() const override {
        return !children().empty() && itemType() == SourceListItemType::entry;
    }

private:
    mutable TintedImageCache icons_;
};

// A category entry: its icon is the category's image, tinted with the
// entry's stored colour.
class SourceListItemFixedEntry : public SourceListItem {
public:
    static std::shared_ptr<SourceListItemFixedEntry> make(std::string name, SourceListItemContentType contentType);
    SourceListItemFixedEntry(std::string name, SourceListItemContentType contentType);

    // The key a category entry carries: "::%" + name + "%::%%".
    static std::string tagForName(const std::string& name) { return "::%" + name + "%::%%"; }
    // The image of a category; none for the other content types.
    static std::optional<std::string> iconName(SourceListItemContentType contentType);

    std::shared_ptr<platform::Image> icon() const override;
    void setIcon(std::shared_ptr<platform::Image>) override {}
    std::optional<platform::Color> color() const override { return color_; }
    void setColor(std::optional<platform::Color> color) override { color_ = std::move(color); }

private:
    std::optional<platform::Color> color_;
    mutable TintedImageCache icons_;
};

}  // namespace frelt
