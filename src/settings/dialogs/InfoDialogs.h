#pragma once
// The two pages the status menu shows from the program's own resources: the
// information page ("info.md", with the version, the processor family and
// the logging state filled in) and the version history
// ("versionhistory.md"). Each window shows no title, lets its translucent
// background reach under the title bar and is dragged by that background.

#include <memory>
#include <string>

#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/Value.h"

namespace frelt {

class ConfigViewControllerInfo : public platform::ViewController {
public:
    static constexpr const char* storyboardName = "DialogInfo";
    static constexpr const char* windowControllerIdentifier = "ConfigWindowControllerInfo";
    static constexpr const char* sceneIdentifier = "ConfigViewControllerInfo";
    static constexpr const char* resource = "info.md";

    std::shared_ptr<CustomMarkdownTextView> textView;
    std::weak_ptr<platform::VisualEffectView> visualEffectView;

    // Loads the page, fills in its placeholders and shows it.
    void viewDidLoad() override;
    void viewWillAppear() override;

    // "Version <short version> Build: <build>", a missing or non-text key
    // counting as empty.
    static std::string versionText(const platform::ValueDictionary& information);
    // "DebugLogging enabled", or "." while debug logging is off.
    static std::string debugText(bool debugLogging);
    // The processor family this program was built for.
    static std::string systemText();
    // Every "%version%", then "%system%", then "%debugLogging%" replaced,
    // literally and case-sensitively.
    static std::string fillPlaceholders(std::string page, const std::string& version, const std::string& system,
                                        const std::string& debugLogging);
};

class VersionHistoryViewController : public platform::ViewController {
public:
    static constexpr const char* storyboardName = "DialogVersionHistory";
    static constexpr const char* windowControllerIdentifier = "VersionHistoryWindowController";
    static constexpr const char* sceneIdentifier = "VersionHistoryViewController";
    static constexpr const char* resource = "versionhistory.md";

    std::shared_ptr<CustomMarkdownTextView> markdownTextView;
    std::weak_ptr<platform::VisualEffectView> visualEffectView;

    void viewDidLoad() override;
    void viewWillAppear() override;
};

void registerInfoDialogScenes();

}  // namespace frelt
