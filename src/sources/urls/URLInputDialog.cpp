#include "sources/urls/URLInputDialog.h"

#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/WindowController.h"
#include "platform/appkit/Workspace.h"
#include "sources/FileHelpers.h"
#include "sources/icons/IconImages.h"
#include "sources/urls/URLRegExParser.h"
#include "store/LocalizedStrings.h"

namespace frelt {

namespace {

constexpr const char* kStoryboard = "DialogURLInput";
constexpr const char* kWindowController = "URLInputWindowController";

// Return in the field answers like the OK button.
class ReturnAnswers : public platform::ControlTextEditingDelegate {
public:
    explicit ReturnAnswers(std::weak_ptr<URLInputViewController> owner) : owner_(std::move(owner)) {}
    void controlTextDidEndEditing(const platform::Notification& notification) override {
        if (platform::textMovement(notification) != platform::textmovement::returnKey) return;
        if (auto owner = owner_.lock()) owner->btnOKClick();
    }

private:
    std::weak_ptr<URLInputViewController> owner_;
};

std::shared_ptr<platform::Window> windowOf(URLInputViewController& controller) {
    const auto view = controller.view();
    return view ? view->window() : nullptr;
}

}  // namespace

void URLInputViewController::loadView() {
    using platform::Rect;
    auto root = std::make_shared<platform::View>(Rect(0, 0, contentWidth, contentHeight));
    auto image = std::make_shared<platform::ImageView>(Rect(20, 20, 64, 64));
    auto label = platform::TextField::label("");
    label->setFrame(Rect(100, 30, 360, 40));
    auto field = platform::TextField::textField();
    field->setFrame(Rect(100, 90, 360, 24));
    auto ok = platform::Button::withTitle(L10n::dialogtext_ok.value());
    ok->setFrame(Rect(380, 170, 80, 28));
    auto cancel = platform::Button::withTitle(L10n::dialogtext_cancel.value());
    cancel->setFrame(Rect(290, 170, 80, 28));
    const std::weak_ptr<URLInputViewController> weak =
        std::static_pointer_cast<URLInputViewController>(shared_from_this());
    ok->setActionHandler([weak](const std::shared_ptr<platform::Control>& sender) {
        if (auto self = weak.lock()) self->btnOKClick(sender);
    });
    cancel->setActionHandler([weak](const std::shared_ptr<platform::Control>& sender) {
        if (auto self = weak.lock()) self->btnCancelClick(sender);
    });
    for (const std::shared_ptr<platform::View>& v : std::vector<std::shared_ptr<platform::View>>{image, label, field, cancel, ok})
        root->addSubview(v);
    imageURL = image;
    labelURL = label;
    inputURL = field;
    setView(root);
}

void URLInputViewController::setDialogLabel(std::optional<std::string> label) {
    dialogLabel_ = std::move(label);
    if (!dialogLabel_) return;
    view();
    if (auto field = labelURL.lock())
        field->setStringValue(dialogLabel_->empty() ? L10n::openURLInput.value() : *dialogLabel_);
}

void URLInputViewController::setDialogURL(std::optional<std::string> url) {
    dialogURL_ = std::move(url);
    if (!dialogURL_) return;
    view();
    std::shared_ptr<platform::Image> icon;
    if (auto parsed = ParsedURL::make(*dialogURL_, std::nullopt)) {
        if (const auto target = platform::URL::fromString(parsed->urlRegExParser->urlStringWithoutPlaceholders())) {
            const auto workspace = platform::Workspace::shared();
            if (const auto application = workspace->URLForApplicationToOpenURL(*target); application && isReachable(*application))
                icon = workspace->iconForFile(application->path());
        }
    }
    if (!icon) icon = platform::Image::imageNamed("url_Custom");
    if (auto image = imageURL.lock()) image->setImage(icon);
}

void URLInputViewController::viewWillAppear() {
    if (const auto window = windowOf(*this)) {
        window->setTitleVisibility(platform::TitleVisibility::hidden);
        window->setStyleMask(window->styleMask() | platform::stylemask::fullSizeContentView);
        window->setTitlebarAppearsTransparent(true);
        window->setMovableByWindowBackground(true);
    }
    setPreferredContentSize({contentWidth, contentHeight});
    fieldDelegate_ = std::make_shared<ReturnAnswers>(std::static_pointer_cast<URLInputViewController>(shared_from_this()));
    if (auto field = inputURL.lock()) field->setDelegate(fieldDelegate_);
}

void URLInputViewController::btnOKClick(const std::shared_ptr<platform::Object>&) {
    modalResponse = platform::modalresponse::ok;
    if (const auto window = windowOf(*this)) window->close();
}

void URLInputViewController::btnCancelClick(const std::shared_ptr<platform::Object>&) {
    modalResponse = platform::modalresponse::cancel;
    if (const auto window = windowOf(*this)) window->close();
}

void URLInputViewController::viewWillDisappear() {
    const auto app = platform::Application::shared();
    if (!modalResponse) {
        dialogResult = std::nullopt;
        app->stopModalWithCode(platform::modalresponse::cancel);
        return;
    }
    if (auto field = inputURL.lock()) dialogResult = field->stringValue();
    app->stopModalWithCode(*modalResponse);
}

void registerURLInputDialogScene() {
    // The dialog shows named images.
    installNamedImages();
    platform::SceneRegistry::shared()->registerScene(kStoryboard, kWindowController, [] {
        auto window = std::make_shared<platform::Window>(
            platform::Rect(0, 0, URLInputViewController::contentWidth, URLInputViewController::contentHeight));
        auto controller = std::make_shared<platform::WindowController>(window);
        controller->setContentViewController(std::make_shared<URLInputViewController>());
        return controller;
    });
}

std::optional<std::string> showURLInputDialog(const std::string& urlTemplate, const std::string& question) {
    const auto registry = platform::SceneRegistry::shared();
    if (!registry->hasStoryboard(kStoryboard)) registerURLInputDialogScene();
    const auto storyboard = platform::Storyboard::storyboardWithName(kStoryboard);
    if (!storyboard) return std::nullopt;
    const auto windowController = storyboard->instantiateControllerWithIdentifier<platform::WindowController>(kWindowController);
    if (!windowController) return std::nullopt;
    const auto window = windowController->window();
    if (!window) return std::nullopt;
    const auto controller = std::dynamic_pointer_cast<URLInputViewController>(window->contentViewController());
    if (!controller) return std::nullopt;
    controller->setDialogLabel(question);
    controller->setDialogURL(urlTemplate);
    // The title bar does not show it, but the window list and the task
    // switcher name the dialog by its question.
    window->setTitle(question.empty() ? L10n::openURLInput.value() : question);
    const auto response = platform::Application::shared()->runModalForWindow(window);
    // An answer that ended the session without closing the window (a
    // scripted one) leaves it open: it goes now, its answer already given.
    const std::optional<std::string> result = controller->dialogResult;
    if (window->isVisible()) window->close();
    if (response == platform::modalresponse::ok) return result;
    return std::nullopt;
}

}  // namespace frelt
