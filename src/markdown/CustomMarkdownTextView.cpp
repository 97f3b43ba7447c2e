#include "markdown/CustomMarkdownTextView.h"

#include <algorithm>
#include <mutex>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "markdown/MarkdownColors.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/foundation/Paths.h"
#include "platform/graphics/Font.h"

namespace frelt {

using platform::Font;
using platform::TextAlignment;

namespace {

std::mutex& folderMutex() {
    static std::mutex m;
    return m;
}

std::optional<std::filesystem::path>& configuredFolder() {
    static std::optional<std::filesystem::path> folder;
    return folder;
}

struct Preset {
    double askedSize;
    double bodySize;
    double headingStep;
    TextAlignment headingAlignment;
    TextAlignment bodyAlignment;
};

Preset preset(MarkdownStyles style) {
    switch (style) {
        case MarkdownStyles::whatsNew: return {14, Font::systemFontSize, 2, TextAlignment::Left, TextAlignment::Left};
        case MarkdownStyles::info: return {10, Font::systemFontSize, 2, TextAlignment::Left, TextAlignment::Left};
        case MarkdownStyles::panelCentered:
            return {10, Font::systemFontSize, 2, TextAlignment::Center, TextAlignment::Center};
        case MarkdownStyles::panelLeft: return {10, Font::systemFontSize, 2, TextAlignment::Left, TextAlignment::Left};
        case MarkdownStyles::help: return {10, Font::smallSystemFontSize, 2, TextAlignment::Left, TextAlignment::Left};
        case MarkdownStyles::hotkeyOverview:
            return {14, Font::systemFontSize, 1, TextAlignment::Center, TextAlignment::Left};
    }
    return {10, Font::systemFontSize, 2, TextAlignment::Left, TextAlignment::Left};
}

}  // namespace

CustomMarkdownTextView::CustomMarkdownTextView(platform::Rect frame) : platform::TextView(frame) {}

void CustomMarkdownTextView::setResourceFolder(std::optional<std::filesystem::path> folder) {
    std::lock_guard lock(folderMutex());
    configuredFolder() = std::move(folder);
}

std::filesystem::path CustomMarkdownTextView::installedResourceFolder(const std::filesystem::path& programFolder) {
    // Beside the program first (a build in the source tree, or a program
    // unpacked with its resources), then the data folders an installation
    // puts them in: the prefix the program sits in, the user's data folder
    // and the system's.
    const auto& dir = programFolder;
    std::vector<std::filesystem::path> candidates;
    if (!dir.empty()) {
        candidates = {dir / "resources", dir.parent_path() / "resources", dir.parent_path().parent_path() / "resources",
                      dir.parent_path() / "share" / platform::Paths::programFolderName / "resources"};
    }
    const auto inDataFolder = [](const std::filesystem::path& data) {
        return data / platform::Paths::programFolderName / "resources";
    };
    candidates.push_back(inDataFolder(platform::Paths::dataHome()));
    for (const auto& data : platform::Paths::dataDirs()) candidates.push_back(inDataFolder(data));
    std::error_code error;
    for (const auto& candidate : candidates) {
        if (!candidate.is_absolute()) continue;
        if (std::filesystem::is_regular_file(candidate / "info.md", error)) return candidate;
    }
    return "/usr/share/frelt/resources";
}

std::filesystem::path CustomMarkdownTextView::resourceFolder() {
    {
        std::lock_guard lock(folderMutex());
        if (configuredFolder()) return *configuredFolder();
    }
    static const std::filesystem::path installed = [] {
        std::error_code error;
        const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
        return installedResourceFolder(error ? std::filesystem::path() : program.parent_path());
    }();
    return installed;
}

void CustomMarkdownTextView::loadMarkdown(const std::optional<std::string>& fileNamed) {
    if (!fileNamed) return;
    // The name is a file name, not a path: nothing outside the resources.
    if (fileNamed->empty() || fileNamed->find('/') != std::string::npos || *fileNamed == "." || *fileNamed == "..")
        return;
    auto url = resourceFolder() / *fileNamed;
    std::error_code error;
    if (!std::filesystem::is_regular_file(url, error)) return;
    setMarkdown(MarkdownRenderer::fromURL(url.string()));
}

void CustomMarkdownTextView::applyStyle(MarkdownStyles style) {
    auto renderer = markdown();
    if (!renderer) return;
    setStyle(style);
    const Preset p = preset(style);
    auto& r = *renderer;

    r.setAllFontNames(Font::systemFont(p.askedSize).fontName());
    r.body->fontSize = p.bodySize;
    if (style == MarkdownStyles::help) {
        r.italic->fontSize = r.body->fontSize;
        r.code->fontSize = r.body->fontSize;
    } else if (style == MarkdownStyles::hotkeyOverview) {
        r.body->fontName = Font::monospacedSystemFont(14, platform::FontWeight::Regular).fontName();
        r.body->color = markdown_colors::linkColor();
        r.italic->color = platform::Color::clear();  // italic text keeps its room but is not seen
        r.code->fontSize = r.body->fontSize;
        r.code->color = markdown_colors::labelColor();
    }
    r.h3->fontSize = r.body->fontSize + p.headingStep;
    r.h2->fontSize = r.h3->fontSize + p.headingStep;
    r.h1->fontSize = r.h2->fontSize + p.headingStep;
    if (auto orange = markdown_colors::namedColor("quandorOrange")) {
        r.h3->color = *orange;
        r.h2->color = *orange;
        r.h1->color = *orange;
    }
    for (auto* heading : {r.h3.get(), r.h2.get(), r.h1.get()}) heading->fontStyle = FontStyle::bold;
    for (auto* heading : {r.h1.get(), r.h2.get(), r.h3.get()}) heading->alignment = p.headingAlignment;
    r.body->alignment = p.bodyAlignment;
}

void CustomMarkdownTextView::showMarkdown(MarkdownStyles style) {
    auto renderer = markdown();
    if (!renderer || renderer->string.empty()) return;
    applyStyle(style);
    auto rendered = renderer->attributedString();
    if (rendered.length() == 0) return;
    setEditable(true);
    std::string plain = rendered.string();
    setAttributedString(std::move(rendered), std::move(plain));
    fitHeightToText();
    scrollToBeginningOfDocument();
    // The kit's text view keeps no undo stack and edits no images, so only
    // editability is left to switch off.
    setEditable(false);
    setSelectable(true);
}

void CustomMarkdownTextView::fitHeightToText() {
    const auto* text = renderedText();
    if (!text) return;
    const platform::Rect frame = this->frame();
    // The text is drawn inset by 2 points on either side; a little room below
    // keeps the last line off the edge.
    double height = platform::textMetrics().sizeOfLaidOutText(*text, frame.width() - 4).height + 8;
    if (const auto place = superview()) height = std::max(height, place->bounds().height());
    setFrame(platform::Rect(frame.minX(), frame.minY(), frame.width(), height));
}

const platform::AttributedString* CustomMarkdownTextView::renderedText() const {
    return std::any_cast<platform::AttributedString>(&attributedString());
}

}  // namespace frelt
