#pragma once
// Characters a reader sees as one but that are made of several code points
// (grapheme clusters), and the check that text metrics never split one when
// they break lines or cut text with an ellipsis.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/appkit/TextMetrics.h"
#include "platform/foundation/Text.h"

namespace textclusters {

struct Sample {
    const char* what;
    std::string cluster;
};

inline std::vector<Sample> samples() {
    return {
        {"family emoji joined by ZWJ", "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0\x9F\x91\xA6"},
        {"flag", "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"},
        {"thumbs up with a skin tone", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"},
        {"letter with two combining marks", "e\xCC\xA3\xCC\x82"},
        {"Hangul syllable of conjoining jamo", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB"},
    };
}

// Each sample alone four times, and between letters and a space: at every
// width from `step` up to the text's own, in steps of `step`, each line and
// each truncation (head, tail, middle) begins and ends between clusters,
// and a truncation is a head and a tail of the text around one ellipsis.
inline void expectNoClusterIsSplit(platform::TextMetrics& metrics, const platform::TextAttributes& attributes, double step) {
    using namespace platform;
    const std::string ellipsis = "\xE2\x80\xA6";
    for (const Sample& c : samples()) {
        const std::string c4 = c.cluster + c.cluster + c.cluster + c.cluster;
        for (const std::string& text : {c4, "ab" + c.cluster + "cd " + c.cluster + c.cluster + "e"}) {
            const AttributedString styled(text, attributes);
            const auto clusters = text::graphemeBoundaries(text);
            const auto isBoundary = [&](std::size_t at) { return std::binary_search(clusters.begin(), clusters.end(), at); };
            const double whole = metrics.advance(styled, {0, text.size()});
            for (double width = step; width < whole; width += step) {
                const auto lines = metrics.lineRanges(styled, width);
                for (const Range& r : lines)
                    EXPECT_TRUE(isBoundary(r.location) && isBoundary(r.end())) << c.what << ", width " << width;
                EXPECT_EQ(lines.back().end(), text.size()) << c.what;
                for (const LineBreakMode mode :
                     {LineBreakMode::ByTruncatingHead, LineBreakMode::ByTruncatingTail, LineBreakMode::ByTruncatingMiddle}) {
                    const std::string cut = metrics.truncated(styled, width, mode).string();
                    const std::size_t mark = cut.find(ellipsis);
                    ASSERT_NE(mark, std::string::npos) << c.what << ", width " << width << ": " << cut;
                    const std::size_t tailStart = text.size() - (cut.size() - mark - ellipsis.size());
                    EXPECT_EQ(cut.substr(0, mark), text.substr(0, mark)) << c.what;
                    EXPECT_EQ(cut.substr(mark + ellipsis.size()), text.substr(tailStart)) << c.what;
                    EXPECT_TRUE(isBoundary(mark) && isBoundary(tailStart))
                        << c.what << ", width " << width << ", mode " << int(mode) << ": " << cut;
                }
            }
        }
    }
}

}  // namespace textclusters
