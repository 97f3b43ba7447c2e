#pragma once
// Log objects identified by subsystem and category, written at one of four
// levels to a process-wide sink: stderr in the program, a capturing sink in
// tests. Gating (whether a message is wanted at all) is the caller's business
// and happens before any formatting.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

enum class LogLevel { Default, Info, Error, Fault };

const char* logLevelName(LogLevel level);

struct LogRecord {
    std::string subsystem;
    std::string category;
    LogLevel level = LogLevel::Default;
    std::string message;
};

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogRecord& record) = 0;
};

// Writes "subsystem[category] <level> message" lines to stderr.
class StderrLogSink : public LogSink {
public:
    void write(const LogRecord& record) override;
};

// Keeps every record; safe to use from several threads.
class CapturingLogSink : public LogSink {
public:
    void write(const LogRecord& record) override;
    std::vector<LogRecord> records() const;
    std::vector<std::string> messages() const;
    bool contains(const std::string& message) const;
    void clear();

private:
    mutable std::mutex m_;
    std::vector<LogRecord> records_;
};

// Replaces the process-wide sink; returns the previous one. Null restores stderr.
std::shared_ptr<LogSink> setLogSink(std::shared_ptr<LogSink> sink);

class Log {
public:
    Log(std::string subsystem, std::string category);

    // The system's default log object: no subsystem, no category.
    static const Log& defaultLog();

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

    void write(LogLevel level, const std::string& message) const;

private:
    std::string subsystem_;
    std::string category_;
};

}  // namespace platform
