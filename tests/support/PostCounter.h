#pragma once
// Counts the posts of one notification on the default centre.

#include <string>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Subscription.h"

class PostCounter {
public:
    explicit PostCounter(const std::string& name) {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            name, nullptr, [this](const platform::Notification&) { ++count; });
    }
    int count = 0;

private:
    platform::Subscription observation_;
};
