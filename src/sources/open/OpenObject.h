#pragma once
// The opener: hands URLs and file-system objects to the desktop through the
// shared workspace. One instance, made on first use; called on the main thread.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace frelt {

class OpenObject {
    struct Private {};

public:
    // The objects handed along (file names or URL strings).
    using Objects = std::optional<std::vector<std::string>>;

    static std::shared_ptr<OpenObject> shared();
    explicit OpenObject(Private) {}

    // Opens a URL text; an empty text does nothing, a text that is no valid
    // URL shows an alert.
    void openURLString(const std::string& urlString, const Objects& objects = std::nullopt);
    // Opens a file, folder or application by path; false when the path is
    // empty or not reachable.
    bool openPath(const std::string& path, const Objects& objects = std::nullopt);
};

}  // namespace frelt
