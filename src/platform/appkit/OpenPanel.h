#pragma once
// The panel that asks for files or folders to read (see SavePanel.h).

#include <memory>
#include <vector>

#include "platform/appkit/SavePanel.h"

namespace platform {

class OpenPanel : public SavePanel {
public:
    static std::shared_ptr<OpenPanel> make();

    bool canChooseFiles() const { return canChooseFiles_; }
    void setCanChooseFiles(bool b) { canChooseFiles_ = b; }
    bool canChooseDirectories() const { return canChooseDirectories_; }
    void setCanChooseDirectories(bool b) { canChooseDirectories_ = b; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool b) { allowsMultipleSelection_ = b; }
    bool resolvesAliases() const { return resolvesAliases_; }
    void setResolvesAliases(bool b) { resolvesAliases_ = b; }

    // The chosen files and folders after an ok, in the order chosen.
    const std::vector<URL>& URLs() const { return urls_; }

protected:
    OpenPanel() = default;
    PanelAnswer nextAnswer() override;
    std::optional<std::string> checkChoice(const std::vector<URL>& urls, bool& refused) override;
    void acceptChoice(const std::vector<URL>& urls) override;
    void clearChoice() override;
    const char* kindName() const override { return "open panel"; }

private:
    bool canChooseFiles_ = true;
    bool canChooseDirectories_ = false;
    bool allowsMultipleSelection_ = false;
    bool resolvesAliases_ = true;
    std::vector<URL> urls_;
};

}  // namespace platform
