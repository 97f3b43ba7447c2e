#include "store/PerformanceLog.h"

#include <cstdlib>
#include <utility>

#include "platform/foundation/Value.h"
#include "store/LogFormat.h"

namespace frelt {

PerformanceLog::PerformanceLog(const std::string& environmentVariable, std::string identifier, platform::Log log)
    : PerformanceLog(environmentVariable, std::move(identifier), std::move(log), nullptr) {}

PerformanceLog::PerformanceLog(const std::string& environmentVariable, std::string identifier, platform::Log log,
                               Clock now)
    : enabled_(std::getenv(environmentVariable.c_str()) != nullptr),
      log_(std::move(log)),
      identifier_(std::move(identifier)),
      clock_(std::move(now)) {}

double PerformanceLog::now() const {
    return clock_ ? clock_() : platform::Date::now().secondsSinceReferenceDate;
}

void PerformanceLog::begin() {
    if (!enabled_) return;
    timer_ = now();
    log_.write(platform::LogLevel::Info, formatLogMessage("--- TIMER %{public}@ began", identifier_));
}

void PerformanceLog::logTime(const std::string& message) {
    if (!enabled_) return;
    if (timer_ == 0) begin();
    log_.write(platform::LogLevel::Info,
               formatLogMessage("TIMER %{public}@: %f %@", identifier_, now() - timer_, message));
}

void PerformanceLog::finish() {
    if (!enabled_) return;
    // Without a start there is nothing to measure; "now - 0" would report the
    // age of the reference date.
    const double total = timer_ == 0 ? 0 : now() - timer_;
    log_.write(platform::LogLevel::Info,
               formatLogMessage("--- TIMER %{public}@ finished. Total time: %f", identifier_, total));
    timer_ = 0;
}

}  // namespace frelt
