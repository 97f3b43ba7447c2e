#include "platform/appkit/ThumbnailGenerator.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {

class NoThumbnails : public ThumbnailGenerator {
public:
    void generateRepresentations(const ThumbnailRequest&, Handler handler) override {
        dispatch::Queue::global()->async(
            [handler = std::move(handler)] { handler(nullptr, 0, std::string("No thumbnail generator is installed")); });
    }
};

struct InstalledThumbnailerTag {};
using Installed = ResettableValue<InstalledThumbnailerTag, std::shared_ptr<ThumbnailGenerator>>;

}  // namespace

std::shared_ptr<ThumbnailGenerator> ThumbnailGenerator::shared() {
    if (auto installed = Installed::get()) return installed;
    static const auto none = std::make_shared<NoThumbnails>();
    return none;
}

void ThumbnailGenerator::setShared(std::shared_ptr<ThumbnailGenerator> generator) {
    Installed::set(std::move(generator));
}

}  // namespace platform
