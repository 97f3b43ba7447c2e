#include "sources/icons/IconCacheObject.h"

#include "platform/appkit/ThumbnailGenerator.h"
#include "platform/appkit/Workspace.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/linux/FileIcons.h"
#include "sources/FileHelpers.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"
#include "drawing/ImageHelpers.h"
#include "platform/appkit/Image.h"
#include "sources/icons/IconImages.h"
#include "store/Logging.h"

namespace frelt {

namespace {
// The icon scaled to cover a square of `side` points, keeping its name.
std::shared_ptr<platform::Image> fitted(const std::shared_ptr<platform::Image>& image, double side) {
    if (!image) return nullptr;
    auto result = scaledToFit(*image, {side, side});
    if (result) result->setName(image->name());
    return result;
}
}  // namespace

std::shared_ptr<IconCacheObject> IconCacheObject::make(const platform::URL& fileURL) {
    if (!isReachable(fileURL)) return nullptr;
    // The desktop's icon is looked up and scaled when an image is first asked
    // for (image() makes missing ones): the verification makes an object for
    // every file entry at launch, and most of them are never shown.
    auto object = std::make_shared<IconCacheObject>(Private{}, fileURL);
    object->state_.modify([date = object->fileModificationDate()](State& s) { s.modified = date; });
    object->scheduleThumbnail();
    return object;
}

IconCacheObject::IconCacheObject(Private, platform::URL url) : fileURL(std::move(url)) {}

std::shared_ptr<platform::Image> IconCacheObject::image(std::optional<bool> large) {
    State s = state_.get();
    if (!s.defaultImage || !s.smallImage) {
        setDefaultIcons();
        s = state_.get();
    }
    return large.value_or(true) ? s.defaultImage : s.smallImage;
}

void IconCacheObject::setDefaultIcons() {
    const auto icon = platform::Workspace::shared()->iconForFile(fileURL.path());
    auto large = fitted(icon, defaultSize);
    auto small = fitted(icon, smallSize);
    state_.modify([&](State& s) {
        s.defaultImage = std::move(large);
        s.smallImage = std::move(small);
        s.source = IconCacheObjectSource::defaultIcon;
    });
}

std::optional<platform::Date> IconCacheObject::fileModificationDate() const {
    return fileObjectStatus(fileURL).modificationDate;
}

bool IconCacheObject::canGenerateThumbnail() const {
    return isReachable(fileURL) && isOnLocalVolume(fileURL) && fileObjectKind(fileURL) == FileObjectKind::file &&
           platform::fileicons::isImageOrPDF(fileURL.path());
}

void IconCacheObject::scheduleThumbnail() {
    platform::dispatch::Queue::main()->async([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->generateThumbnail();
    });
}

void IconCacheObject::generateThumbnail() {
    if (!canGenerateThumbnail()) return;
    const auto access = SandboxFileAccess::shared()->hasAccess(fileURL, Permissions::readAccess());
    if (!access.hasAccess) return;
    log(LogCategory::iconCache, LogLevel::Default, "Thumbnail creation started for: %{public}@", fileURL.absoluteString());
    const std::string accessID =
        SecurityScopedURLManager::shared()->beginAccess(access.bookmarkData, UsedSecurityScopedURLSource::thumbnail);
    platform::ThumbnailRequest request;
    request.fileURL = fileURL;
    request.size = {defaultSize, defaultSize};
    request.scale = 1.0;
    request.representationTypes = platform::thumbnailrepresentation::lowQualityThumbnail;
    platform::ThumbnailGenerator::shared()->generateRepresentations(
        request, [weak = weak_from_this(), accessID](std::shared_ptr<platform::Image> thumbnail, int,
                                                    std::optional<std::string> error) {
            if (auto self = weak.lock()) self->thumbnailArrived(std::move(thumbnail), std::move(error));
            SecurityScopedURLManager::shared()->endAccess(accessID);
        });
}

void IconCacheObject::thumbnailArrived(std::shared_ptr<platform::Image> thumbnail, std::optional<std::string> error) {
    if (error || !thumbnail) {
        // The desktop's icons are looked up on the main thread only.
        platform::dispatch::Queue::main()->async([weak = weak_from_this(), error] {
            const auto self = weak.lock();
            if (!self) return;
            self->setDefaultIcons();
            if (error)
                log(LogCategory::iconCache, LogLevel::Error, "Error: Thumbnail creation failed with error: %{public}@",
                         *error + " : " + self->fileURL.absoluteString());
            else
                log(LogCategory::iconCache, LogLevel::Error, "Error: Thumbnail creation failed for: %{public}@",
                         self->fileURL.absoluteString());
        });
        return;
    }
    auto large = fitted(thumbnail, defaultSize);
    auto small = fitted(thumbnail, smallSize);
    const auto modified = fileModificationDate();
    state_.modify([&](State& s) {
        s.defaultImage = std::move(large);
        s.smallImage = std::move(small);
        s.source = IconCacheObjectSource::thumbnail;
        s.modified = modified;
    });
    log(LogCategory::iconCache, LogLevel::Default, "Thumbnail generateRepresentations finished for: %{public}@", fileURL.absoluteString());
    // Views that show the file's icon take the new picture.
    platform::dispatch::Queue::main()->async([path = fileURL.path()] {
        platform::NotificationCenter::defaultCenter().post(imageDidChangeNotification, std::any(path));
    });
}

void IconCacheObject::refresh() {
    const State s = state_.get();
    if (s.source == IconCacheObjectSource::defaultIcon) return;
    if (!isReachable(fileURL)) return;
    const auto modified = fileModificationDate();
    if (!modified) {
        log(LogCategory::iconCache, LogLevel::Error,
                 "Refresh: Unable to get last modified DateTime, but File is reachable -> try to get a new thumbnail "
                 "for: %{public}@",
                 fileURL.path());
        scheduleThumbnail();
        return;
    }
    if (s.modified && *s.modified == *modified) return;
    log(LogCategory::iconCache, LogLevel::Default, "Refresh: The file seems to be modified -> try to get a new thumbnail for: %{public}@",
             fileURL.path());
    scheduleThumbnail();
}

}  // namespace frelt
