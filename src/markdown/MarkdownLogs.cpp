#include "markdown/MarkdownLogs.h"

namespace frelt::markdown_logs {

const platform::Log& lineProcessorPerformance() {
    static const platform::Log log("MarkdownLineProcessor", "Markdown Line Processor Performance");
    return log;
}

const platform::Log& tokeniserPerformance() {
    static const platform::Log log("MarkdownTokeniser", "Peformance");
    return log;
}

const platform::Log& tokenising() {
    static const platform::Log log("MarkdownTokeniser", "Tokenising");
    return log;
}

const platform::Log& scannerPerformance() {
    static const platform::Log log("MarkdownScanner", "Markdown Scanner Scanner Peformance");
    return log;
}

const platform::Log& scanner() {
    static const platform::Log log("MarkdownScanner", "Markdown Scanner Scanner");
    return log;
}

const platform::Log& rendererPerformance() {
    static const platform::Log log("MarkdownRenderer", "Markdown Renderer Performance");
    return log;
}

}  // namespace frelt::markdown_logs
