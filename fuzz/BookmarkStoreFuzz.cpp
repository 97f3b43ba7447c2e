// Feeds arbitrary bytes to the readers of the bookmark store: the file
// (a keyed archive of a dictionary from location to grant) and the grants in
// it (our bookmark records, binary property lists). Each must refuse cleanly;
// a record that is read must be written and read back the same.
#include <cstddef>
#include <cstdint>

#include "platform/foundation/Bookmark.h"
#include "platform/foundation/KeyedArchive.h"

namespace {

void examineGrant(const platform::Data& data) {
    const auto record = platform::BookmarkRecord::decode(data);
    if (!record) return;
    const auto again = platform::BookmarkRecord::decode(record->encoded());
    if (!again || again->path != record->path || again->device != record->device || again->inode != record->inode ||
        again->volumePath != record->volumePath)
        __builtin_trap();
    // Looks the path up as a load does (the file system answers: absent).
    (void)platform::bookmark::resolve(data);
    (void)platform::bookmark::isVolumeMounted(data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::Data bytes(data, data + size);
    examineGrant(bytes);
    const auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(bytes);
    if (!result) return 0;
    if (const auto* pairs = result.object.asDictionary()) {
        for (const auto& [key, value] : *pairs) {
            const auto* url = key.asURL();
            const auto* grant = value.asData();
            if (!url || !grant) continue;
            (void)url->absoluteString();
            (void)url->path();
            examineGrant(*grant);
        }
    }
    return 0;
}
