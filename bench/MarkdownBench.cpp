// Rendering the program's help texts, as the dialogs do when they open.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "markdown/MarkdownRenderer.h"

namespace {

const std::vector<std::string>& helpTexts() {
    static const std::vector<std::string> texts = [] {
        const auto folder = frelt::bench::sourceFolder() / "resources";
        std::vector<std::string> out;
        for (const char* name : {"info.md", "versionhistory.md", "help_SandboxAccess.md", "help_SearchScope.md",
                                 "help_URLTemplates.md", "help_versionedBackup.md"}) {
            std::ifstream in(folder / name, std::ios::binary);
            out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return out;
    }();
    return texts;
}

void BM_RenderAllHelpTexts(benchmark::State& state) {
    const auto& texts = helpTexts();
    std::size_t bytes = 0;
    for (const auto& t : texts) {
        if (t.empty()) {
            state.SkipWithError(("a help text is missing from " + (frelt::bench::sourceFolder() / "resources").string())
                                    .c_str());
            return;
        }
        bytes += t.size();
    }
    for (auto _ : state) {
        for (const auto& text : texts) {
            frelt::MarkdownRenderer renderer(text);
            auto styled = renderer.attributedString();
            benchmark::DoNotOptimize(styled);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_RenderAllHelpTexts)->Unit(benchmark::kMillisecond);

// 205 KB of markdown (the help texts over and over) as one document: the
// goal is under 20 ms.
void BM_Render205KB(benchmark::State& state) {
    std::string all;
    for (const auto& t : helpTexts()) all += t + "\n";
    if (all.size() <= 1) {
        state.SkipWithError("help texts not found");
        return;
    }
    std::string text;
    while (text.size() < 205 * 1024) text += all;
    text.resize(205 * 1024);
    for (auto _ : state) {
        frelt::MarkdownRenderer renderer(text);
        auto styled = renderer.attributedString();
        benchmark::DoNotOptimize(styled);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Render205KB)->Unit(benchmark::kMillisecond);

}  // namespace

FRELT_BENCHMARK_MAIN()
