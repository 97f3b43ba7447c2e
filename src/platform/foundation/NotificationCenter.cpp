#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

namespace platform {

NotificationCenter::Observation& NotificationCenter::Observation::operator=(Observation&& o) noexcept {
    if (this != &o) {
        reset();
        center_ = o.center_;
        id_ = o.id_;
        o.center_ = nullptr;
    }
    return *this;
}

void NotificationCenter::Observation::reset() {
    if (center_) center_->removeObserver(id_);
    center_ = nullptr;
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static auto* center = new NotificationCenter;
    return *center;
}

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

NotificationCenter::ObserverId NotificationCenter::addObserver(const std::string& name, const void* sender,
                                                               Handler handler) {
    std::lock_guard lock(m_);
    auto e = std::make_shared<Entry>();
    e->id = nextId_++;
    e->name = name;
    e->sender = sender;
    e->handler = std::move(handler);
    entries_.push_back(e);
    return e->id;
}

void NotificationCenter::retire(Entry& e) {
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(e.m);
    e.removed = true;
    // A handler that removes its own observer must not wait for itself.
    e.idle.wait(lock, [&] { return std::all_of(e.callers.begin(), e.callers.end(), [&](auto t) { return t == me; }); });
}

void NotificationCenter::removeObserver(ObserverId id) {
    std::shared_ptr<Entry> gone;  // a delivery in progress may still hold the handler
    {
        std::lock_guard lock(m_);
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](auto& e) { return e->id == id; });
        if (it == entries_.end()) return;
        gone = *it;
        entries_.erase(it);
    }
    retire(*gone);
}

void NotificationCenter::removeAllObservers() {
    std::vector<std::shared_ptr<Entry>> gone;
    {
        std::lock_guard lock(m_);
        gone.swap(entries_);
    }
    for (auto& e : gone) retire(*e);
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(m_);
    return entries_.size();
}

void NotificationCenter::post(const Notification& n) {
    std::vector<std::shared_ptr<Entry>> targets;
    {
        std::lock_guard lock(m_);
        for (auto& e : entries_)
            if ((e->name.empty() || e->name == n.name) && (!e->sender || e->sender == n.sender)) targets.push_back(e);
    }
    const auto me = std::this_thread::get_id();
    for (auto& e : targets) {
        {
            std::lock_guard lock(e->m);
            if (e->removed) continue;
            e->callers.push_back(me);
        }
        struct Leave {
            Entry& e;
            std::thread::id me;
            ~Leave() {
                std::lock_guard lock(e.m);
                e.callers.erase(std::find(e.callers.begin(), e.callers.end(), me));
                e.idle.notify_all();
            }
        } leave{*e, me};
        e->handler(n);
    }
}

}  // namespace platform
