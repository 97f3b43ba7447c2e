#pragma once
// Ends the test program when a probe does not finish by its deadline, so a
// deadlock or a wait that ignores its deadline fails the run with a message
// instead of hanging it. The deadline is generous: it only has to be longer
// than any honest run, even under the sanitizers on a slow machine.
//
//   Watchdog watchdog("two publishers assigning to each other");
//   ... code that deadlocked ...

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(60))
        : thread_([this, what = std::move(what), limit] {
              std::unique_lock lock(m_);
              if (cv_.wait_for(lock, limit, [this] { return done_; })) return;
              std::fprintf(stderr, "Watchdog: %s did not finish within %lld s\n", what.c_str(),
                           static_cast<long long>(limit.count()));
              std::abort();
          }) {}
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog() {
        {
            std::lock_guard lock(m_);
            done_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;  // last: starts once the rest is ready
};
