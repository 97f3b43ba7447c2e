#pragma once
// The dialog that asks the user one question of a URL template while an entry
// opens: the icon of the application that will open the URL, the question,
// and one text field. It is a kit window run modally on the main thread;
// Return in the field answers like OK. Its scene is "DialogURLInput" /
// "URLInputWindowController", registered on first use (tests can make it
// fail, which gives no answer).

#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/ImageView.h"
#include "platform/appkit/ModalResponse.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"

namespace frelt {

class URLInputViewController : public platform::ViewController {
public:
    static constexpr double contentWidth = 480;
    static constexpr double contentHeight = 217;

    URLInputViewController() = default;

    std::weak_ptr<platform::ImageView> imageURL;
    std::weak_ptr<platform::TextField> labelURL;
    std::weak_ptr<platform::TextField> inputURL;
    // How the dialog was left: OK (1) or cancel (0); none until then.
    std::optional<platform::ModalResponse> modalResponse;
    std::optional<std::string> dialogResult;

    const std::optional<std::string>& dialogURL() const { return dialogURL_; }
    // Shows the icon of the application that opens the URL ("url_Custom"
    // without one).
    void setDialogURL(std::optional<std::string> url);
    const std::optional<std::string>& dialogLabel() const { return dialogLabel_; }
    // Shows the question, or "Input" for an empty one.
    void setDialogLabel(std::optional<std::string> label);

    void btnOKClick(const std::shared_ptr<platform::Object>& sender = nullptr);
    void btnCancelClick(const std::shared_ptr<platform::Object>& sender = nullptr);

    void loadView() override;
    void viewWillAppear() override;
    void viewWillDisappear() override;

private:
    std::optional<std::string> dialogURL_;
    std::optional<std::string> dialogLabel_;
    std::shared_ptr<platform::ControlTextEditingDelegate> fieldDelegate_;
};

// Registers the dialog's scene.
void registerURLInputDialogScene();

// The user's answer to `question`, or none when the user cancels or the
// dialog cannot be shown.
std::optional<std::string> showURLInputDialog(const std::string& urlTemplate, const std::string& question);

}  // namespace frelt
