#pragma once
// The two images the entry tables show for one file, folder or application:
// 48 and 32 points, made when first asked for. It first shows the desktop's
// icon for the file; for an image or PDF on a local volume it then has a
// thumbnail made and shows that.
// It remembers the file's modification date, so that a changed file gets a
// new thumbnail.
//
// Making a thumbnail may need the user's permission, and the images are asked
// for while a table paints: so generation is never started from inside a
// request for an image, but queued on the main queue and started there.
// Images, source and date are written together from the generator's thread
// and read on the main thread.

#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/Image.h"
#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"
#include "store/ThreadSafe.h"

namespace frelt {

enum class IconCacheObjectSource { thumbnail, defaultIcon };

class IconCacheObject : public std::enable_shared_from_this<IconCacheObject> {
    struct Private {};

public:
    static constexpr double defaultSize = 48;
    // Posted on the main queue when a thumbnail replaced the desktop's icon;
    // the object is the file's path (a std::string).
    static constexpr const char* imageDidChangeNotification = "iconCacheObjectImageDidChange";
    static constexpr double smallSize = 32;

    // None when the file cannot be reached.
    static std::shared_ptr<IconCacheObject> make(const platform::URL& fileURL);
    IconCacheObject(Private, platform::URL fileURL);

    const platform::URL fileURL;

    // The default image (absent or set flag) or the small one (cleared);
    // both made anew from the desktop's icon when either is missing.
    std::shared_ptr<platform::Image> image(std::optional<bool> large = std::nullopt);
    // Has a new thumbnail made when the file changed since the last one.
    void refresh();
    void setDefaultIcons();
    std::optional<platform::Date> fileModificationDate() const;
    bool canGenerateThumbnail() const;
    void generateThumbnail();

    IconCacheObjectSource source() const { return state_.get().source; }
    std::optional<platform::Date> objectLastModifiedWhenAddedToCache() const { return state_.get().modified; }
    std::shared_ptr<platform::Image> smallImage() const { return state_.get().smallImage; }
    std::shared_ptr<platform::Image> defaultImage() const { return state_.get().defaultImage; }

private:
    struct State {
        std::shared_ptr<platform::Image> smallImage;
        std::shared_ptr<platform::Image> defaultImage;
        IconCacheObjectSource source = IconCacheObjectSource::defaultIcon;
        std::optional<platform::Date> modified;
    };
    // Queues generateThumbnail on the main queue.
    void scheduleThumbnail();
    void thumbnailArrived(std::shared_ptr<platform::Image> thumbnail, std::optional<std::string> error);

    ThreadSafe<State> state_;
};

}  // namespace frelt
