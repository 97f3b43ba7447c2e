#include "settings/panes/ConfigViewControllerURLTemplates.h"

#include "platform/appkit/Window.h"
#include "settings/panes/PaneSupport.h"

namespace frelt {

// --- the row

void TableViewCellConfigURLTemplate::configure(const std::shared_ptr<urlTemplateData>& templateData) {
    if (!templateData) return;
    currentURL = templateData->value;
    if (auto field = textfieldURL.lock()) field->setAttributedStringValue(urlAttributedStringParser.attributedString(currentURL));
    currentTitle = templateData->title;
    if (auto field = textfieldTitle.lock()) field->setStringValue(currentTitle);
    currentTemplateData = templateData;

    // The handlers hold the cell weakly: a cell the table dropped writes nothing.
    const std::weak_ptr<TableViewCellConfigURLTemplate> weak = sharedAs<TableViewCellConfigURLTemplate>();
    auto writesInto = [&weak](const std::weak_ptr<CustomTextField>& outlet, std::string urlBaseData::*text) {
        const auto field = outlet.lock();
        if (!field) return;
        field->maxLength = maxLength;
        field->didEndEditingHandler = [weak, outlet, text] {
            const auto cell = weak.lock();
            const auto f = outlet.lock();
            if (cell && f && cell->currentTemplateData) (*cell->currentTemplateData).*text = f->stringValue();
        };
    };
    writesInto(textfieldURL, &urlBaseData::value);
    // The URL takes its colours again as it is typed.
    if (const auto field = textfieldURL.lock()) {
        const std::weak_ptr<CustomTextField> outlet = field;
        field->didChangeHandler = [weak, outlet] {
            const auto cell = weak.lock();
            const auto f = outlet.lock();
            if (cell && f) f->setAttributedStringValue(cell->urlAttributedStringParser.attributedString(f->stringValue()));
        };
    }
    writesInto(textfieldTitle, &urlBaseData::title);
}

// --- the pane

ConfigViewControllerURLTemplates::ConfigViewControllerURLTemplates() {
    registerAction("actionButtonsClick:", [this](const auto& sender) { actionButtonsClick(sender); });
}

void ConfigViewControllerURLTemplates::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    panes::showHelp(markdownTextview, helpFile);
    if (auto table = tableviewURLTemplates.lock()) {
        const auto self = sharedAs<ConfigViewControllerURLTemplates>();
        table->setDelegate(self);
        table->setDataSource(self);
    }
}

void ConfigViewControllerURLTemplates::viewWillAppear() {
    platform::ViewController::viewWillAppear();
    setPreferredContentSize({800, 600});
    if (auto table = tableviewURLTemplates.lock()) table->reloadData();
}

void ConfigViewControllerURLTemplates::viewWillDisappear() {
    platform::ViewController::viewWillDisappear();
    // A row still being edited writes its text first, so leaving the pane
    // keeps what was typed.
    if (const auto view = isViewLoaded() ? this->view() : nullptr)
        if (const auto window = view->window()) window->makeFirstResponder(nullptr);
    URLManager::shared()->cleanUpAndSortTemplates();
}

void ConfigViewControllerURLTemplates::actionButtonsClick(const std::shared_ptr<platform::Object>& sender) {
    panes::onSegment(sender, [this] { addTemplate(); }, [this] { removeSelectedTemplate(); });
}

void ConfigViewControllerURLTemplates::addTemplate() {
    auto& templates = URLManager::shared()->urlTemplates;
    templates.push_back(std::make_shared<urlTemplateData>("", ""));
    const auto table = tableviewURLTemplates.lock();
    if (!table) return;
    table->reloadData();
    if (templates.size() >= 2) table->scrollRowToVisible(static_cast<long>(templates.size()) - 1);
}

void ConfigViewControllerURLTemplates::removeSelectedTemplate() {
    auto& templates = URLManager::shared()->urlTemplates;
    const auto table = tableviewURLTemplates.lock();
    if (templates.empty() || !table) return;
    const long row = table->selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= templates.size()) return;
    templates.erase(templates.begin() + row);
    table->reloadData();
}

long ConfigViewControllerURLTemplates::numberOfRowsInTableView(platform::TableView& tableView) {
    if (&tableView != tableviewURLTemplates.lock().get()) return 0;
    const auto& templates = URLManager::shared()->urlTemplates;
    if (auto buttons = actionButtons.lock()) buttons->setEnabled(!templates.empty(), 1);
    return static_cast<long>(templates.size());
}

std::shared_ptr<platform::View> ConfigViewControllerURLTemplates::viewForTableColumn(
    platform::TableView& tableView, const std::shared_ptr<platform::TableColumn>&, long row) {
    if (&tableView != tableviewURLTemplates.lock().get()) return nullptr;
    const auto& templates = URLManager::shared()->urlTemplates;
    if (row < 0 || static_cast<std::size_t>(row) >= templates.size()) return nullptr;
    const auto cell = std::dynamic_pointer_cast<TableViewCellConfigURLTemplate>(
        tableView.makeViewWithIdentifier(TableViewCellConfigURLTemplate::identifier, shared_from_this()));
    if (!cell) return nullptr;
    cell->configure(templates[static_cast<std::size_t>(row)]);
    return cell;
}

}  // namespace frelt
