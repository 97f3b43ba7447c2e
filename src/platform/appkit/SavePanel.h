#pragma once
// The file panels: SavePanel asks for one file to write, OpenPanel (which
// extends it) for files or folders to read. The kit keeps their settings and
// results; the desktop backend shows a file dialog, tests answer from the
// ModalScript. A scripted choice goes through the same checks a person's
// would: the delegate must enable and validate every URL, a folder needs
// canChooseDirectories, several URLs need allowsMultipleSelection. A choice
// the delegate refuses keeps the panel open, so it takes the next scripted
// answer, like a person choosing again.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/ModalResponse.h"
#include "platform/foundation/URL.h"

namespace platform {

class SavePanel;
class Window;
struct PanelAnswer;

class OpenSavePanelDelegate {
public:
    virtual ~OpenSavePanelDelegate() = default;
    // Whether the panel lets the user pick `url` at all.
    virtual bool panelShouldEnableURL(SavePanel& panel, const URL& url) {
        (void)panel;
        (void)url;
        return true;
    }
    // Whether the chosen `url` is accepted; a refusal may say why in `error`
    // and keeps the panel open.
    virtual bool panelValidateURL(SavePanel& panel, const URL& url, std::string& error) {
        (void)panel;
        (void)url;
        (void)error;
        return true;
    }
};

class SavePanel : public std::enable_shared_from_this<SavePanel> {
public:
    static std::shared_ptr<SavePanel> make();
    virtual ~SavePanel() = default;

    const std::string& title() const { return title_; }
    void setTitle(std::string s) { title_ = std::move(s); }
    const std::string& message() const { return message_; }
    void setMessage(std::string s) { message_ = std::move(s); }
    const std::string& prompt() const { return prompt_; }
    void setPrompt(std::string s) { prompt_ = std::move(s); }
    const std::string& nameFieldLabel() const { return nameFieldLabel_; }
    void setNameFieldLabel(std::string s) { nameFieldLabel_ = std::move(s); }
    const std::string& nameFieldStringValue() const { return nameFieldStringValue_; }
    void setNameFieldStringValue(std::string s) { nameFieldStringValue_ = std::move(s); }

    // File name extensions or type identifiers; empty allows every type.
    const std::vector<std::string>& allowedFileTypes() const { return allowedFileTypes_; }
    void setAllowedFileTypes(std::vector<std::string> types) { allowedFileTypes_ = std::move(types); }
    bool canCreateDirectories() const { return canCreateDirectories_; }
    void setCanCreateDirectories(bool b) { canCreateDirectories_ = b; }
    bool showsHiddenFiles() const { return showsHiddenFiles_; }
    void setShowsHiddenFiles(bool b) { showsHiddenFiles_ = b; }
    // The folder the panel starts in; empty lets the panel choose.
    const URL& directoryURL() const { return directoryURL_; }
    void setDirectoryURL(URL url) { directoryURL_ = std::move(url); }

    std::shared_ptr<OpenSavePanelDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<OpenSavePanelDelegate>& d) { delegate_ = d; }

    // The chosen file after an ok; empty otherwise.
    const URL& url() const { return url_; }
    bool isVisible() const { return visible_; }

    // Blocks until the panel is answered: ok (1) or cancel (0).
    ModalResponse runModal();
    // Shows the panel attached to `window` and returns at once; `completion`
    // runs on the main queue once the panel is answered.
    void beginSheetModal(const std::shared_ptr<Window>& window, std::function<void(ModalResponse)> completion);
    // The window the running sheet is attached to.
    std::shared_ptr<Window> sheetParent() const { return sheetParent_.lock(); }

protected:
    SavePanel() = default;
    // Takes the next scripted answer of the panel's kind.
    virtual PanelAnswer nextAnswer();
    // Checks a scripted choice; an empty result accepts it. `refused` tells
    // whether the delegate refused it (the panel stays open) rather than the
    // choice being impossible (a scripting mistake).
    virtual std::optional<std::string> checkChoice(const std::vector<URL>& urls, bool& refused);
    virtual void acceptChoice(const std::vector<URL>& urls);
    virtual void clearChoice();
    virtual const char* kindName() const { return "save panel"; }
    // Records the chosen file; the name field and the start folder follow it.
    void setChosenURL(const URL& url);

private:
    ModalResponse runScripted();

    std::string title_;
    std::string message_;
    std::string prompt_;
    std::string nameFieldLabel_;
    std::string nameFieldStringValue_;
    std::vector<std::string> allowedFileTypes_;
    bool canCreateDirectories_ = true;
    bool showsHiddenFiles_ = false;
    URL directoryURL_;
    std::weak_ptr<OpenSavePanelDelegate> delegate_;
    URL url_;
    bool visible_ = false;
    std::weak_ptr<Window> sheetParent_;
};

}  // namespace platform
