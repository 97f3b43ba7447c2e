#include "store/ChangeNotifications.h"

#include "platform/foundation/RawValue.h"

namespace frelt {

namespace {

constexpr platform::RawValueTable<TableViewItemChangeReason, 8> kItemReasons{{{
    {TableViewItemChangeReason::tagChanged, "tagChanged"},
    {TableViewItemChangeReason::commentChanged, "commentChanged"},
    {TableViewItemChangeReason::visibilityChanged, "visibilityChanged"},
    {TableViewItemChangeReason::colorChanged, "colorChanged"},
    {TableViewItemChangeReason::hotkeyChanged, "hotkeyChanged"},
    {TableViewItemChangeReason::favoriteChanged, "favoriteChanged"},
    {TableViewItemChangeReason::pathChanged, "pathChanged"},
    {TableViewItemChangeReason::nameChanged, "nameChanged"},
}}};

constexpr platform::RawValueTable<IconTagChangeReason, 5> kTagReasons{{{
    {IconTagChangeReason::visibilityChanged, "visibilityChanged"},
    {IconTagChangeReason::colorChanged, "colorChanged"},
    {IconTagChangeReason::hotkeyChanged, "hotkeyChanged"},
    {IconTagChangeReason::nameChanged, "nameChanged"},
    {IconTagChangeReason::symbolChanged, "symbolChanged"},
}}};

}  // namespace

const char* rawValue(TableViewItemChangeReason reason) { return kItemReasons.rawValue(reason); }
std::optional<TableViewItemChangeReason> tableViewItemChangeReasonFromRawValue(const std::string& raw) {
    return kItemReasons.fromRawValue(raw);
}
const char* rawValue(IconTagChangeReason reason) { return kTagReasons.rawValue(reason); }
std::optional<IconTagChangeReason> iconTagChangeReasonFromRawValue(const std::string& raw) {
    return kTagReasons.fromRawValue(raw);
}

}  // namespace frelt
