#include "platform/appkit/Alert.h"

#include "platform/appkit/Button.h"
#include "platform/appkit/ModalPresenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"

namespace platform {

std::shared_ptr<Button> Alert::addButton(const std::string& title) {
    auto button = Button::withTitle(title);
    button->setTag(responseForButton(buttons_.size()));
    if (buttons_.empty()) button->setKeyEquivalent("\r");
    else if (title == "Cancel") button->setKeyEquivalent("\x1b");
    buttons_.push_back(button);
    return button;
}

std::shared_ptr<Button> Alert::suppressionButton() {
    if (!suppressionButton_) {
        suppressionButton_ = Button::checkbox("Do not show this message again");
        suppressionButton_->setState(ControlStateValue::off);
    }
    return suppressionButton_;
}

ModalResponse Alert::runAnswered() {
    // An alert always has a way out.
    if (buttons_.empty()) addButton("OK");
    const AlertAnswer answer = ModalPresenter::current()->runAlert(*this);
    ModalResponse response = answer.response;
    const auto first = modalresponse::alertFirstButton;
    if (response >= first + static_cast<ModalResponse>(buttons_.size())) {
        reportFailure("alert \"" + messageText_ + "\" has no button for the answer " + std::to_string(response) +
                      " (it has " + std::to_string(buttons_.size()) + ")");
        response = modalresponse::cancel;
    }
    if (answer.suppressionChecked) {
        if (!showsSuppressionButton_) {
            reportFailure("alert \"" + messageText_ + "\" shows no suppression check box to set");
        } else {
            suppressionButton()->setState(*answer.suppressionChecked ? ControlStateValue::on : ControlStateValue::off);
        }
    }
    return response;
}

ModalResponse Alert::runModal() {
    assertMainThread("Alert::runModal");
    auto keepAlive = shared_from_this();
    visible_ = true;
    const ModalResponse response = runAnswered();
    visible_ = false;
    return response;
}

void Alert::beginSheetModal(const std::shared_ptr<Window>&, std::function<void(ModalResponse)> completion) {
    assertMainThread("Alert::beginSheetModal");
    visible_ = true;
    auto self = std::static_pointer_cast<Alert>(shared_from_this());
    dispatch::Queue::main()->async([self, completion = std::move(completion)] {
        const ModalResponse response = self->runAnswered();
        self->visible_ = false;
        if (completion) completion(response);
    });
}

}  // namespace platform
