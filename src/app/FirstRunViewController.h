#pragma once
// The first-run assistant: a dialog of two pages that a new user leafs
// through with Back and Forward and closes with Dismiss on the last page.
// It is the window kind `firstRun`; its pages are the scenes "FirstRunSheet1"
// and "FirstRunSheet2" of the storyboard "DialogFirstRun".

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/PageController.h"
#include "platform/foundation/RawValue.h"

namespace frelt {

enum class FirstRunPageEnum { pageOne, pageTwo };

inline constexpr platform::RawValueTable<FirstRunPageEnum, 2> firstRunPages{{{
    {FirstRunPageEnum::pageOne, "frelt.FirstRunPageEnum.pageOne"},
    {FirstRunPageEnum::pageTwo, "frelt.FirstRunPageEnum.pageTwo"},
}}};

inline const char* rawValue(FirstRunPageEnum page) { return firstRunPages.rawValue(page); }
inline std::optional<FirstRunPageEnum> firstRunPageFromRawValue(std::string_view raw) {
    return firstRunPages.fromRawValue(raw);
}

class FirstRunViewController : public platform::PageController, public platform::PageControllerDelegate {
public:
    static constexpr const char* storyboardName = "DialogFirstRun";

    FirstRunViewController();

    std::weak_ptr<platform::Button> btnBack;
    std::weak_ptr<platform::Button> btnForward;
    std::weak_ptr<platform::Button> btnDismiss;

    void viewDidLoad() override;
    // The "btnDismissClick:" action: closes the dialog.
    void btnDismissClick(const std::shared_ptr<platform::Object>& sender);

    std::string pageControllerIdentifierForObject(platform::PageController& pc, const std::any& object) override;
    std::shared_ptr<platform::ViewController> pageControllerViewControllerForIdentifier(
        platform::PageController& pc, const std::string& identifier) override;
    void pageControllerDidEndLiveTransition(platform::PageController& pc) override;

    // The page scene of that identifier; an empty page when it cannot be made.
    static std::shared_ptr<platform::ViewController> loadPage(const std::string& sceneIdentifier);
    // Back, Forward and Dismiss as the selected page asks.
    void updateButtons();
};

// The view controller of the second page.
class FirstRunSecondScreenViewController : public platform::ViewController {
public:
    std::weak_ptr<platform::ImageView> image;
};

}  // namespace frelt
