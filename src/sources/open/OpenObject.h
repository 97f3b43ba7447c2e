#pragma once
// The opener: hands URLs and file-system objects to the desktop through the
// shared workspace. One instance, made on first use; called on the main thread.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/URL.h"

namespace frelt {

class OpenObject {
    struct Private {};

public:
    // The objects handed along (file names or URL strings).
    using Objects = std::optional<std::vector<std::string>>;

    static std::shared_ptr<OpenObject> shared();
    explicit OpenObject(Private) {}

    // Opens a URL text, a template's placeholders resolved first (questions
    // asked, the objects' paths filled in). An empty text does nothing; a text
    // that is no valid URL (before or after resolving) shows an alert; a
    // cancelled question opens nothing. A file URL opens through openFileURL.
    void openURLString(const std::string& urlString, const Objects& objects = std::nullopt);
    // Opens a file, folder or application by file URL, with access secured
    // until the desktop reports back; with objects, opens those files (the
    // reachable ones) with the application at the URL.
    void openFileURL(const platform::URL& url, const Objects& objects = std::nullopt);
    // Opens a file, folder or application by path; false when the path is
    // empty or not reachable.
    bool openPath(const std::string& path, const Objects& objects = std::nullopt);
};

}  // namespace frelt
