#pragma once
// Thumbnails of files: a request (the file, the size in points, the scale and
// the kinds of representation wanted) and a handler that gets the thumbnail,
// its kind, or an error. The handler runs on a thread of the generator's
// choosing, once per request. The desktop backend installs the generator at
// start-up; without one every request ends with an error.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/Image.h"
#include "platform/foundation/URL.h"

namespace platform {

namespace thumbnailrepresentation {
inline constexpr int icon = 1;
inline constexpr int lowQualityThumbnail = 2;
inline constexpr int thumbnail = 4;
}  // namespace thumbnailrepresentation

struct ThumbnailRequest {
    URL fileURL;
    Size size;
    double scale = 1.0;
    int representationTypes = thumbnailrepresentation::lowQualityThumbnail;
};

class ThumbnailGenerator {
public:
    using Handler = std::function<void(std::shared_ptr<Image> thumbnail, int representationType,
                                       std::optional<std::string> error)>;

    virtual ~ThumbnailGenerator() = default;
    virtual void generateRepresentations(const ThumbnailRequest& request, Handler handler) = 0;

    // The installed generator, or one that answers every request with an error.
    static std::shared_ptr<ThumbnailGenerator> shared();
    // Until the single instances are reset; null returns to the default.
    static void setShared(std::shared_ptr<ThumbnailGenerator> generator);
};

}  // namespace platform
