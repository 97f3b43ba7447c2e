#include "platform/appkit/SavePanel.h"

#include <algorithm>
#include <cctype>

#include "platform/appkit/ModalPresenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"

namespace platform {

namespace {
// Allowed types are either plain extensions ("json") or type identifiers
// ("public.json"); only extensions can be checked against a name here.
bool isExtension(const std::string& type) { return !type.empty() && type.find('.') == std::string::npos; }

bool sameExtension(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}
}  // namespace

std::shared_ptr<SavePanel> SavePanel::make() { return std::shared_ptr<SavePanel>(new SavePanel); }

PanelAnswer SavePanel::nextAnswer() { return ModalPresenter::current()->runSavePanel(*this); }

std::optional<std::string> SavePanel::checkChoice(const std::vector<URL>& urls, bool& refused) {
    refused = false;
    if (urls.size() != 1 || urls.front().isEmpty()) return std::string("a save panel chooses exactly one URL");
    std::string error;
    if (auto d = delegate(); d && !d->panelValidateURL(*this, urls.front(), error)) {
        refused = true;
        return error.empty() ? std::string("refused by the delegate") : error;
    }
    return std::nullopt;
}

void SavePanel::acceptChoice(const std::vector<URL>& urls) {
    URL chosen = urls.front();
    // Like the desktop's panel: a name without one of the allowed extensions
    // gets the first one.
    const auto& types = allowedFileTypes_;
    auto firstExtension = std::find_if(types.begin(), types.end(), isExtension);
    if (firstExtension != types.end()) {
        const std::string ext = chosen.pathExtension();
        bool allowed = std::any_of(types.begin(), types.end(),
                                   [&](const std::string& t) { return isExtension(t) && sameExtension(t, ext); });
        if (!allowed) chosen = chosen.appendingPathExtension(*firstExtension);
    }
    setChosenURL(chosen);
}

void SavePanel::setChosenURL(const URL& url) {
    url_ = url;
    nameFieldStringValue_ = url.lastPathComponent();
    directoryURL_ = url.deletingLastPathComponent();
}

void SavePanel::clearChoice() { url_ = URL(); }

ModalResponse SavePanel::runScripted() {
    // A choice the delegate refuses keeps the panel open for another one;
    // every round takes a new answer, so this ends.
    for (;;) {
        PanelAnswer answer = nextAnswer();
        if (answer.response != modalresponse::ok) {
            clearChoice();
            return answer.response;
        }
        bool refused = false;
        if (auto problem = checkChoice(answer.urls, refused)) {
            if (refused) continue;
            reportFailure(std::string(kindName()) + " \"" + (message_.empty() ? title_ : message_) +
                          "\": the answer is not a possible choice: " + *problem);
            clearChoice();
            return modalresponse::cancel;
        }
        acceptChoice(answer.urls);
        return modalresponse::ok;
    }
}

ModalResponse SavePanel::runModal() {
    assertMainThread("SavePanel::runModal");
    auto self = shared_from_this();  // the caller may drop the panel in a delegate call
    visible_ = true;
    const ModalResponse response = runScripted();
    visible_ = false;
    return response;
}

void SavePanel::beginSheetModal(const std::shared_ptr<Window>& window, std::function<void(ModalResponse)> completion) {
    assertMainThread("SavePanel::beginSheetModal");
    visible_ = true;
    sheetParent_ = window;
    dispatch::Queue::main()->async([self = shared_from_this(), completion = std::move(completion)] {
        const ModalResponse response = self->runScripted();
        self->visible_ = false;
        self->sheetParent_.reset();
        if (completion) completion(response);
    });
}

}  // namespace platform
