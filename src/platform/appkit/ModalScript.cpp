#include "platform/appkit/ModalScript.h"

#include "platform/appkit/Window.h"

#include <filesystem>

#include "platform/appkit/Alert.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/appkit/SavePanel.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

// --- ModalPresenter ----------------------------------------------------------

namespace {
// Reset between tests, so a presenter one test installs never answers the next.
struct PresenterTag {};
using InstalledPresenter = ResettableValue<PresenterTag, std::shared_ptr<ModalPresenter>>;

std::string where(const ScriptLocation& loc) {
    return std::filesystem::path(loc.file).filename().string() + ":" + std::to_string(loc.line);
}
}  // namespace

std::shared_ptr<ModalPresenter> ModalPresenter::current() {
    if (auto installed = InstalledPresenter::get()) return installed;
    return ModalScript::shared();
}

void ModalPresenter::setCurrent(std::shared_ptr<ModalPresenter> presenter) {
    InstalledPresenter::set(std::move(presenter));
}

// --- ModalScript ----------------------------------------------------------------

const char* modalKindName(ModalKind kind) {
    switch (kind) {
    case ModalKind::alert: return "alert";
    case ModalKind::openPanel: return "open panel";
    case ModalKind::savePanel: return "save panel";
    case ModalKind::menu: return "menu";
    case ModalKind::dialog: return "dialog";
    }
    return "modal";
}

std::shared_ptr<ModalScript> ModalScript::shared() {
    return singleInstance<ModalScript>([] { return std::make_shared<ModalScript>(); });
}

void ModalScript::push(Entry entry) {
    std::lock_guard lock(m_);
    entries_.push_back(std::move(entry));
}

std::optional<ModalScript::Entry> ModalScript::take(ModalKind kind, const std::string& presentedText) {
    std::optional<Entry> found;
    {
        std::lock_guard lock(m_);
        presented_.push_back(std::string(modalKindName(kind)) + ": " + presentedText);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->kind != kind) continue;
            found = std::move(*it);
            entries_.erase(it);
            break;
        }
    }
    if (!found)
        reportFailure(std::string("unscripted ") + modalKindName(kind) + " \"" + presentedText +
                      "\": no answer left in the ModalScript; it was answered like a cancel");
    return found;
}

// Scripting.

void ModalScript::answerAlert(ModalResponse response, std::optional<bool> suppressionChecked,
                              ScriptLocation loc) {
    Entry e{ModalKind::alert, "alert answered " + std::to_string(response), loc, {}, {}, {}, {}, {}};
    e.alert = [response, suppressionChecked](Alert&) { return AlertAnswer{response, suppressionChecked}; };
    push(std::move(e));
}

void ModalScript::pressAlertButton(std::size_t index, std::optional<bool> suppressionChecked,
                                   ScriptLocation loc) {
    answerAlert(Alert::responseForButton(index), suppressionChecked, loc);
}

void ModalScript::answerAlert(AlertHandler handler, ScriptLocation loc) {
    push(Entry{ModalKind::alert, "alert answered by a handler", loc, std::move(handler), {}, {}, {}, {}});
}

void ModalScript::chooseInOpenPanel(std::vector<URL> urls, ScriptLocation loc) {
    Entry e{ModalKind::openPanel, "open panel choosing", loc, {}, {}, {}, {}, {}};
    for (const auto& u : urls) e.what += " " + u.string();
    e.openPanel = [urls = std::move(urls)](OpenPanel&) { return PanelAnswer{modalresponse::ok, urls}; };
    push(std::move(e));
}

void ModalScript::cancelOpenPanel(ScriptLocation loc) {
    Entry e{ModalKind::openPanel, "open panel cancelled", loc, {}, {}, {}, {}, {}};
    e.openPanel = [](OpenPanel&) { return PanelAnswer{modalresponse::cancel, {}}; };
    push(std::move(e));
}

void ModalScript::answerOpenPanel(OpenPanelHandler handler, ScriptLocation loc) {
    push(Entry{ModalKind::openPanel, "open panel answered by a handler", loc, {}, std::move(handler), {}, {}, {}});
}

void ModalScript::chooseInSavePanel(URL url, ScriptLocation loc) {
    Entry e{ModalKind::savePanel, "save panel choosing " + url.string(), loc, {}, {}, {}, {}, {}};
    e.savePanel = [url = std::move(url)](SavePanel&) { return PanelAnswer{modalresponse::ok, {url}}; };
    push(std::move(e));
}

void ModalScript::cancelSavePanel(ScriptLocation loc) {
    Entry e{ModalKind::savePanel, "save panel cancelled", loc, {}, {}, {}, {}, {}};
    e.savePanel = [](SavePanel&) { return PanelAnswer{modalresponse::cancel, {}}; };
    push(std::move(e));
}

void ModalScript::answerSavePanel(SavePanelHandler handler, ScriptLocation loc) {
    push(Entry{ModalKind::savePanel, "save panel answered by a handler", loc, {}, {}, std::move(handler), {}, {}});
}

void ModalScript::chooseMenuItem(std::string title, ScriptLocation loc) {
    Entry e{ModalKind::menu, "menu choosing \"" + title + "\"", loc, {}, {}, {}, {}, {}};
    e.menu = [title = std::move(title)](Menu& menu) -> std::shared_ptr<MenuItem> {
        auto item = menu.findItemWithTitle(title);
        if (!item) reportFailure("menu \"" + menu.title() + "\" has no item \"" + title + "\" to choose");
        return item;
    };
    push(std::move(e));
}

void ModalScript::chooseMenuItemAt(std::size_t index, ScriptLocation loc) {
    Entry e{ModalKind::menu, "menu choosing item " + std::to_string(index), loc, {}, {}, {}, {}, {}};
    e.menu = [index](Menu& menu) -> std::shared_ptr<MenuItem> {
        auto item = menu.itemAtIndex(index);
        if (!item)
            reportFailure("menu \"" + menu.title() + "\" has no item at index " + std::to_string(index) +
                          " to choose");
        return item;
    };
    push(std::move(e));
}

void ModalScript::dismissMenu(ScriptLocation loc) {
    Entry e{ModalKind::menu, "menu dismissed", loc, {}, {}, {}, {}, {}};
    e.menu = [](Menu&) -> std::shared_ptr<MenuItem> { return nullptr; };
    push(std::move(e));
}

void ModalScript::answerMenu(MenuHandler handler, ScriptLocation loc) {
    push(Entry{ModalKind::menu, "menu answered by a handler", loc, {}, {}, {}, std::move(handler), {}});
}

void ModalScript::answerDialog(DialogHandler handler, ScriptLocation loc) {
    push(Entry{ModalKind::dialog, "dialog answered by a handler", loc, {}, {}, {}, {}, std::move(handler)});
}

void ModalScript::answerDialog(ModalResponse response, ScriptLocation loc) {
    Entry e{ModalKind::dialog, "dialog answered " + std::to_string(response), loc, {}, {}, {}, {}, {}};
    e.dialog = [response](const std::shared_ptr<Window>&) { return response; };
    push(std::move(e));
}

// Checking.

std::size_t ModalScript::pendingAnswerCount() const {
    std::lock_guard lock(m_);
    return entries_.size();
}

std::size_t ModalScript::pendingAnswerCount(ModalKind kind) const {
    std::lock_guard lock(m_);
    std::size_t n = 0;
    for (const auto& e : entries_) n += e.kind == kind;
    return n;
}

bool ModalScript::verifyAllAnswersUsed() {
    std::string report;
    {
        std::lock_guard lock(m_);
        for (const auto& e : entries_) report += "\n  " + e.what + " (scripted at " + where(e.where) + ")";
    }
    if (report.empty()) return true;
    reportFailure("scripted modal answers were never used:" + report);
    return false;
}

std::vector<std::string> ModalScript::presented() const {
    std::lock_guard lock(m_);
    return presented_;
}

void ModalScript::reset() {
    std::lock_guard lock(m_);
    entries_.clear();
    presented_.clear();
}

// Answering.

AlertAnswer ModalScript::runAlert(Alert& alert) {
    auto entry = take(ModalKind::alert, alert.messageText());
    if (!entry) return AlertAnswer{modalresponse::cancel, std::nullopt};
    return entry->alert(alert);
}

PanelAnswer ModalScript::runOpenPanel(OpenPanel& panel) {
    auto entry = take(ModalKind::openPanel, panel.message().empty() ? panel.title() : panel.message());
    if (!entry) return PanelAnswer{};
    return entry->openPanel(panel);
}

PanelAnswer ModalScript::runSavePanel(SavePanel& panel) {
    auto entry = take(ModalKind::savePanel, panel.message().empty() ? panel.title() : panel.message());
    if (!entry) return PanelAnswer{};
    return entry->savePanel(panel);
}

std::shared_ptr<MenuItem> ModalScript::popUpMenu(Menu& menu, const std::shared_ptr<MenuItem>&, Point,
                                                 const std::shared_ptr<View>&) {
    auto entry = take(ModalKind::menu, menu.title());
    if (!entry) return nullptr;
    return entry->menu(menu);
}

ModalResponse ModalScript::answerDialog(const std::shared_ptr<Window>& window, const std::string& title) {
    auto entry = take(ModalKind::dialog, title);
    if (!entry) return modalresponse::cancel;
    return entry->dialog(window);
}

std::optional<ModalResponse> ModalScript::runDialog(const std::shared_ptr<Window>& window) {
    // Without a scripted answer the session runs on: the test may end it
    // from the main queue, and if nothing does, the run loop reports it.
    {
        std::lock_guard lock(m_);
        bool scripted = false;
        for (const auto& e : entries_) scripted = scripted || e.kind == ModalKind::dialog;
        if (!scripted) return std::nullopt;
    }
    return answerDialog(window, window ? window->title() : std::string());
}

}  // namespace platform
