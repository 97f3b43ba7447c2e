// Feeds arbitrary bytes to the markdown renderer: it must never crash, hang
// or read out of bounds, and its styled text must always cover the text
// without gaps.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "markdown/MarkdownRenderer.h"
#include "platform/log/Log.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The scanner reports short strike runs; a fuzzing run has no use for them.
class DiscardingLogSink : public platform::LogSink {
public:
    void write(const platform::LogRecord&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        platform::setLogSink(std::make_shared<DiscardingLogSink>());
        return true;
    }();
    (void)quiet;
    std::string text(reinterpret_cast<const char*>(data), size);

    frelt::MarkdownRenderer renderer(text);
    renderer.underlineLinks = size % 2 == 0;
    auto first = renderer.attributedString();
    std::size_t covered = 0;
    for (const auto& run : first.runs()) {
        check(run.range.location == covered && run.range.length > 0);
        covered = run.range.end();
    }
    check(covered == first.length());
    // Rendering again gives the same styled text.
    check(renderer.attributedString() == first);
    return 0;
}
