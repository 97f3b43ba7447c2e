#pragma once
// Watches folders for changes of their entries (created, deleted, moved in or
// out, written, attributes) with inotify, as a source of the main run loop:
// the callback runs on the main thread whenever the kernel has reported
// something. Events are not told apart; callers look again at what they
// watch. A queue overflow counts as a change. Main thread only.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Subscription.h"

namespace platform {

class InotifyWatch {
public:
    // None when inotify is not available (the reason is logged).
    static std::unique_ptr<InotifyWatch> make(std::function<void()> onChange);
    ~InotifyWatch();
    InotifyWatch(const InotifyWatch&) = delete;
    InotifyWatch& operator=(const InotifyWatch&) = delete;

    // Watches exactly these folders from now on.
    void setFolders(const std::vector<std::string>& folders);
    std::vector<std::string> folders() const;

private:
    InotifyWatch(int fd, std::function<void()> onChange);
    void readEvents();

    int fd_;
    std::function<void()> onChange_;
    std::map<std::string, int> watches_;  // folder -> watch descriptor
    Subscription source_;
};

}  // namespace platform
