#pragma once
// Payloads of "tableViewItemChanged" and "iconTagChanged": what changed, on
// which entry or tag. Posted as std::shared_ptr objects; observers read them
// with Notification::objectAs<std::shared_ptr<...>>().

#include <memory>
#include <optional>
#include <string>

namespace frelt {

enum class TableViewItemChangeReason {
    tagChanged,
    commentChanged,
    visibilityChanged,
    colorChanged,
    hotkeyChanged,
    favoriteChanged,
    pathChanged,
    nameChanged,
};

const char* rawValue(TableViewItemChangeReason reason);
std::optional<TableViewItemChangeReason> tableViewItemChangeReasonFromRawValue(const std::string& raw);

struct TableViewItemChangedNotifyObject {
    std::string path;
    std::optional<TableViewItemChangeReason> reason;
};

enum class IconTagChangeReason {
    visibilityChanged,
    colorChanged,
    hotkeyChanged,
    nameChanged,
    symbolChanged,
};

const char* rawValue(IconTagChangeReason reason);
std::optional<IconTagChangeReason> iconTagChangeReasonFromRawValue(const std::string& raw);

struct IconTagChangedNotifyObject {
    std::string tagName;
    std::optional<IconTagChangeReason> reason;
};

}  // namespace frelt
