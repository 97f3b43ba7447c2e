#pragma once
// A read-only text view that shows one markdown document from the
// application's resources, styled by one of a few presets.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "markdown/MarkdownRenderer.h"
#include "platform/appkit/TextView.h"
#include "platform/graphics/AttributedString.h"

namespace frelt {

enum class MarkdownStyles { whatsNew, info, panelCentered, panelLeft, help, hotkeyOverview };

class CustomMarkdownTextView : public platform::TextView {
public:
    explicit CustomMarkdownTextView(platform::Rect frame = {});

    // The folder the application's resources are looked up in. Until it is
    // set, the "resources" folder of the installation is used, found once.
    static void setResourceFolder(std::optional<std::filesystem::path> folder);
    static std::filesystem::path resourceFolder();
    // The first folder that holds the help texts: "resources" beside the
    // program in `programFolder` or up to two folders above it, then
    // "frelt/resources" in the share folder beside it, in $XDG_DATA_HOME
    // and in each of $XDG_DATA_DIRS; /usr/share/frelt/resources when none does.
    static std::filesystem::path installedResourceFolder(const std::filesystem::path& programFolder);

    virtual std::shared_ptr<MarkdownRenderer> markdown() const { return markdown_; }
    virtual void setMarkdown(std::shared_ptr<MarkdownRenderer> renderer) { markdown_ = std::move(renderer); }
    virtual std::optional<MarkdownStyles> style() const { return style_; }
    virtual void setStyle(std::optional<MarkdownStyles> s) { style_ = s; }

    virtual void applyStyle(MarkdownStyles style);
    // The resource's full file name, such as "info.md".
    virtual void loadMarkdown(const std::optional<std::string>& fileNamed);
    // Shows the rendering and grows the view to the height of its text (at
    // least the height of the place it is shown in), so the scroll view it
    // sits in reaches the end of a long text.
    virtual void showMarkdown(MarkdownStyles style);
    void fitHeightToText();

    // The styled text the view shows, when it shows a rendering.
    const platform::AttributedString* renderedText() const;

private:
    std::shared_ptr<MarkdownRenderer> markdown_;
    std::optional<MarkdownStyles> style_;
};

}  // namespace frelt
