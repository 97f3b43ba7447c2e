#pragma once
// The holder of the URL templates. One instance, made on first use.

#include <memory>
#include <vector>

namespace frelt {

class urlTemplateData;

class URLManager {
    struct Private {};

public:
    static std::shared_ptr<URLManager> shared();
    explicit URLManager(Private) {}

    std::vector<std::shared_ptr<urlTemplateData>> urlTemplates;
};

}  // namespace frelt
