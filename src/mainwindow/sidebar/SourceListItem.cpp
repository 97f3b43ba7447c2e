#include "mainwindow/sidebar/SourceListItem.h"

#include "drawing/ImageHelpers.h"
#include "platform/appkit/Image.h"
#include "store/TagManager.h"

namespace frelt {

void SourceListItem::removeAllChildren() {
    for (const auto& child : children_) child->removeAllChildren();
    children_.clear();
}

// --- headers

std::shared_ptr<SourceListItemSection> SourceListItemSection::make(std::string name,
                                                                   SourceListItemContentType contentType) {
    return std::make_shared<SourceListItemSection>(std::move(name), contentType);
}

SourceListItemSection::SourceListItemSection(std::string name, SourceListItemContentType contentType)
    : SourceListItem(name, name, SourceListItemType::header, contentType) {}

// --- tags and tag folders

std::shared_ptr<SourceListItemTags> SourceListItemTags::make(std::string name) {
    return std::make_shared<SourceListItemTags>(std::move(name));
}

SourceListItemTags::SourceListItemTags(std::string name)
    : SourceListItem(name, name, SourceListItemType::entry, SourceListItemContentType::tag) {}

std::shared_ptr<platform::Image> SourceListItemTags::icon() const {
    const auto registered = TagManager::shared()->tagWithName(tag());
    if (!registered) return platform::Image::imageNamed(TagManager::defaultFolder);
    const std::string& symbol = registered->tagSymbol();
    return icons_.tinted(platform::Image::imageNamed(symbol.empty() ? TagManager::defaultTag : symbol),
                         registered->color());
}

std::optional<platform::Color> SourceListItemTags::color() const {
    const auto registered = TagManager::shared()->tagWithName(tag());
    return registered ? registered->color() : std::nullopt;
}

// --- category entries

std::shared_ptr<SourceListItemFixedEntry> SourceListItemFixedEntry::make(std::string name,
                                                                         SourceListItemContentType contentType) {
    return std::make_shared<SourceListItemFixedEntry>(std::move(name), contentType);
}

SourceListItemFixedEntry::SourceListItemFixedEntry(std::string name, SourceListItemContentType contentType)
    : SourceListItem(name, tagForName(name), SourceListItemType::entry, contentType) {}

std::optional<std::string> SourceListItemFixedEntry::iconName(SourceListItemContentType contentType) {
    switch (contentType) {
    case SourceListItemContentType::allApplications: return "icon_allApplications";
    case SourceListItemContentType::allFiles: return "icon_allFiles";
    case SourceListItemContentType::allFolders: return "icon_allFolders";
    case SourceListItemContentType::allURLs: return "icon_url";
    case SourceListItemContentType::shortcuts: return "icon_shortcuts";
    case SourceListItemContentType::lastUsedApplications: return "icon_recentApplications";
    case SourceListItemContentType::openApplications: return "icon_openApplications";
    case SourceListItemContentType::allFavorites: return "icon_allFavorites";
    default: return std::nullopt;
    }
}

std::shared_ptr<platform::Image> SourceListItemFixedEntry::icon() const {
    const auto name = iconName(itemContentType());
    return name ? icons_.tinted(platform::Image::imageNamed(*name), color_) : nullptr;
}

}  // namespace frelt
