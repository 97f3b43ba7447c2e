#pragma once
// A modal message with ordered buttons. The first button answers 1000, the
// second 1001, and so on; an alert without buttons gets an "OK" button when
// it runs. The optional suppression check box ("Do not show this message
// again") keeps the state the person left it in, for the caller to read
// after runModal. Tests answer alerts from the ModalScript.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/ModalResponse.h"
#include "platform/appkit/Object.h"

namespace platform {

class Button;
class Image;
class View;
class Window;

enum class AlertStyle : int { warning = 0, informational = 1, critical = 2 };

class Alert : public Object {
public:
    Alert() = default;
    static std::shared_ptr<Alert> make() { return std::make_shared<Alert>(); }

    AlertStyle alertStyle() const { return style_; }
    void setAlertStyle(AlertStyle style) { style_ = style; }
    const std::string& messageText() const { return messageText_; }
    void setMessageText(std::string text) { messageText_ = std::move(text); }
    const std::string& informativeText() const { return informativeText_; }
    void setInformativeText(std::string text) { informativeText_ = std::move(text); }
    std::shared_ptr<Image> icon() const { return icon_; }
    void setIcon(std::shared_ptr<Image> icon) { icon_ = std::move(icon); }
    std::shared_ptr<View> accessoryView() const { return accessoryView_; }
    void setAccessoryView(std::shared_ptr<View> view) { accessoryView_ = std::move(view); }

    // Adds a button at the right end; the first gets Return as its key, one
    // titled "Cancel" gets Escape.
    std::shared_ptr<Button> addButton(const std::string& title);
    const std::vector<std::shared_ptr<Button>>& buttons() const { return buttons_; }
    // The return code of the button at `index` (1000 + index).
    static ModalResponse responseForButton(std::size_t index) {
        return modalresponse::alertFirstButton + static_cast<ModalResponse>(index);
    }

    bool showsSuppressionButton() const { return showsSuppressionButton_; }
    void setShowsSuppressionButton(bool shows) { showsSuppressionButton_ = shows; }
    // The check box, made on first use (off).
    std::shared_ptr<Button> suppressionButton();

    // Blocks until a button ends the alert; answers its return code.
    ModalResponse runModal();
    // Shows the alert attached to `window` and returns at once; `completion`
    // runs on the main queue with the return code.
    void beginSheetModal(const std::shared_ptr<Window>& window, std::function<void(ModalResponse)> completion);
    bool isVisible() const { return visible_; }

private:
    ModalResponse runAnswered();

    AlertStyle style_ = AlertStyle::warning;
    std::string messageText_;
    std::string informativeText_;
    std::shared_ptr<Image> icon_;
    std::shared_ptr<View> accessoryView_;
    std::vector<std::shared_ptr<Button>> buttons_;
    bool showsSuppressionButton_ = false;
    std::shared_ptr<Button> suppressionButton_;
    bool visible_ = false;
};

}  // namespace platform
