#pragma once
// Answers every modal that tests run into: alerts, open and save panels,
// menus that pop up and windows run modally. A real person answers them on
// the desktop; without a display nobody would, and the program would wait
// forever. So tests script the answers in advance, in order; each modal takes
// the next answer of its kind. A modal with no answer left reports a failure
// (the test library turns it into a failed test) and gets a cancel-like
// answer, so nothing hangs.
//
//   auto script = platform::ModalScript::shared();
//   script->answerAlert(platform::modalresponse::alertSecondButton, /*suppression*/ true);
//   script->chooseMenuItem("Quit");
//   ... run the code under test ...
//   EXPECT_TRUE(script->verifyAllAnswersUsed());

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/ModalPresenter.h"

namespace platform {

class Window;

// Where a test scripted an answer, for reports of unused answers. (Our own
// type rather than std::source_location, which the fuzz build's clang lacks.)
struct ScriptLocation {
    const char* file = "";
    int line = 0;
    static ScriptLocation current(const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
        return ScriptLocation{file, line};
    }
};

enum class ModalKind { alert, openPanel, savePanel, menu, dialog };
const char* modalKindName(ModalKind kind);

class ModalScript : public ModalPresenter {
public:
    using AlertHandler = std::function<AlertAnswer(Alert&)>;
    using OpenPanelHandler = std::function<PanelAnswer(OpenPanel&)>;
    using SavePanelHandler = std::function<PanelAnswer(SavePanel&)>;
    // Answers the item to choose; null closes the menu without a choice.
    using MenuHandler = std::function<std::shared_ptr<MenuItem>(Menu&)>;
    // Runs inside the modal session of the window (it may fill in fields and
    // press buttons, which stop the session); answers the response the
    // session ends with if the handler did not stop it itself.
    using DialogHandler = std::function<ModalResponse(const std::shared_ptr<Window>&)>;

    static std::shared_ptr<ModalScript> shared();

    // --- Scripting (tests) ---------------------------------------------------
    // An alert ends with `response` (1000 first button, 1001 second, ...).
    void answerAlert(ModalResponse response, std::optional<bool> suppressionChecked = std::nullopt,
                     ScriptLocation where = ScriptLocation::current());
    // The alert's button at `index` (0 = first); it must exist.
    void pressAlertButton(std::size_t index, std::optional<bool> suppressionChecked = std::nullopt,
                          ScriptLocation where = ScriptLocation::current());
    void answerAlert(AlertHandler handler, ScriptLocation where = ScriptLocation::current());

    void chooseInOpenPanel(std::vector<URL> urls, ScriptLocation where = ScriptLocation::current());
    void cancelOpenPanel(ScriptLocation where = ScriptLocation::current());
    void answerOpenPanel(OpenPanelHandler handler, ScriptLocation where = ScriptLocation::current());

    void chooseInSavePanel(URL url, ScriptLocation where = ScriptLocation::current());
    void cancelSavePanel(ScriptLocation where = ScriptLocation::current());
    void answerSavePanel(SavePanelHandler handler, ScriptLocation where = ScriptLocation::current());

    // The first item with this title, searched depth-first
    // through submenus. Choosing a missing or disabled item fails the test,
    // because a person could not have done it.
    void chooseMenuItem(std::string title, ScriptLocation where = ScriptLocation::current());
    void chooseMenuItemAt(std::size_t index, ScriptLocation where = ScriptLocation::current());
    void dismissMenu(ScriptLocation where = ScriptLocation::current());
    void answerMenu(MenuHandler handler, ScriptLocation where = ScriptLocation::current());

    void answerDialog(DialogHandler handler, ScriptLocation where = ScriptLocation::current());
    // A dialog that ends with `response` without anything done inside it.
    void answerDialog(ModalResponse response, ScriptLocation where = ScriptLocation::current());

    // --- Checking (tests) -----------------------------------------------------
    std::size_t pendingAnswerCount() const;
    std::size_t pendingAnswerCount(ModalKind kind) const;
    // Reports a failure naming every answer that no modal took; true when all were used.
    bool verifyAllAnswersUsed();
    // The modals that ran, in order, as "<kind>: <text>" (an alert's message
    // text, a panel's message or title, a menu's title, a window's title).
    std::vector<std::string> presented() const;
    // Forgets all answers and the record of presented modals.
    void reset();

    // --- Answering (modals) --------------------------------------------------
    // Each takes the next answer of its kind. With none, it reports a failure
    // and answers like a cancel: response cancel (0), no URLs, no menu item.
    AlertAnswer runAlert(Alert& alert) override;
    PanelAnswer runOpenPanel(OpenPanel& panel) override;
    PanelAnswer runSavePanel(SavePanel& panel) override;
    std::shared_ptr<MenuItem> popUpMenu(Menu& menu, const std::shared_ptr<MenuItem>& positioningItem, Point location,
                                        const std::shared_ptr<View>& view) override;
    ModalResponse answerDialog(const std::shared_ptr<Window>& window, const std::string& title);
    std::optional<ModalResponse> runDialog(const std::shared_ptr<Window>& window) override;

private:
    struct Entry {
        ModalKind kind;
        std::string what;  // for the report of unused answers
        ScriptLocation where;
        AlertHandler alert;
        OpenPanelHandler openPanel;
        SavePanelHandler savePanel;
        MenuHandler menu;
        DialogHandler dialog;
    };

    void push(Entry entry);
    std::optional<Entry> take(ModalKind kind, const std::string& presentedText);

    mutable std::mutex m_;
    std::deque<Entry> entries_;
    std::vector<std::string> presented_;
};

}  // namespace platform
