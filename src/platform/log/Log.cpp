#include "platform/log/Log.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

struct SinkHolder {
    std::mutex m;
    std::shared_ptr<LogSink> sink = std::make_shared<StderrLogSink>();
};

SinkHolder& holder() {
    static auto* h = new SinkHolder;
    return *h;
}

std::shared_ptr<LogSink> currentSink() {
    auto& h = holder();
    std::lock_guard lock(h.m);
    return h.sink;
}

}  // namespace

const char* logLevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Default: return "Default";
        case LogLevel::Info: return "Info";
        case LogLevel::Error: return "Error";
        case LogLevel::Fault: return "Fault";
    }
    return "Default";
}

void StderrLogSink::write(const LogRecord& r) {
    std::string line;
    line.reserve(r.subsystem.size() + r.category.size() + r.message.size() + 16);
    if (!r.subsystem.empty() || !r.category.empty()) {
        line += r.subsystem;
        line += '[';
        line += r.category;
        line += "] ";
    }
    line += logLevelName(r.level);
    line += ": ";
    line += r.message;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void CapturingLogSink::write(const LogRecord& record) {
    std::lock_guard lock(m_);
    records_.push_back(record);
}

std::vector<LogRecord> CapturingLogSink::records() const {
    std::lock_guard lock(m_);
    return records_;
}

std::vector<std::string> CapturingLogSink::messages() const {
    std::lock_guard lock(m_);
    std::vector<std::string> out;
    out.reserve(records_.size());
    for (const auto& r : records_) out.push_back(r.message);
    return out;
}

bool CapturingLogSink::contains(const std::string& message) const {
    std::lock_guard lock(m_);
    for (const auto& r : records_)
        if (r.message == message) return true;
    return false;
}

void CapturingLogSink::clear() {
    std::lock_guard lock(m_);
    records_.clear();
}

std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink) {
    auto& h = holder();
    std::lock_guard lock(h.m);
    auto previous = h.sink;
    h.sink = sink ? std::move(sink) : std::make_shared<StderrLogSink>();
    return previous;
}

Log::Log(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

const Log& Log::defaultLog() {
    static const Log* log = new Log("", "");
    return *log;
}

void Log::write(LogLevel level, const std::string& message) const {
    currentSink()->write(LogRecord{subsystem_, category_, level, message});
}

}  // namespace platform
