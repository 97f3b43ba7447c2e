#include "settings/panes/ConfigViewControllerAddModifyURL.h"

#include <filesystem>

#include "platform/appkit/Image.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Text.h"
#include "sources/open/OpenObject.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "sources/urls/URLManager.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"

namespace frelt {

namespace {

using Self = ConfigViewControllerAddModifyURL;

// The position a menu item or a control carries in its tag.
std::optional<long> tagOf(const std::shared_ptr<platform::Object>& sender) {
    if (const auto item = std::dynamic_pointer_cast<platform::MenuItem>(sender)) return item->tag();
    if (const auto view = std::dynamic_pointer_cast<platform::View>(sender)) return view->tag();
    return std::nullopt;
}

template <class T>
std::shared_ptr<T> elementAt(const std::vector<std::shared_ptr<T>>& list, std::optional<long> index) {
    if (!index || *index < 0 || static_cast<std::size_t>(*index) >= list.size()) return nullptr;
    return list[static_cast<std::size_t>(*index)];
}

bool reachable(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) && !error;
}

const platform::Color& systemRed() {
    static const platform::Color red = platform::Color::named("System", "systemRedColor", platform::Color::sRGB(1, 0.23, 0.19));
    return red;
}

}  // namespace

ConfigViewControllerAddModifyURL::ConfigViewControllerAddModifyURL()
    : placeholderMenu(std::make_shared<platform::Menu>()), templateMenu(std::make_shared<platform::Menu>()) {
    registerAction("buttonOKClick:", [this](const auto&) { buttonOKClick(); });
    registerAction("buttonCancelClick:", [this](const auto&) { buttonCancelClick(); });
    registerAction("buttonURLTestClick:", [this](const auto&) { buttonURLTestClick(); });
    registerAction("buttonURLReplaceWithTemplateClick:", [this](const auto&) { buttonURLReplaceWithTemplateClick(); });
    registerAction("buttonURLInsertPlaceholderClick:", [this](const auto&) { buttonURLInsertPlaceholderClick(); });
    registerAction("mnu_ReplaceWithTemplate:", [this](const auto& sender) { mnu_ReplaceWithTemplate(sender); });
    registerAction("mnu_InsertPlaceholder:", [this](const auto& sender) { mnu_InsertPlaceholder(sender); });
}

void Self::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    if (auto field = textFieldSiteURL.lock()) field->maxLength = urlMaxLength;
    if (auto field = textFieldSiteTitle.lock()) field->maxLength = titleMaxLength;
    if (auto field = textFieldSiteComment.lock()) field->maxLength = commentMaxLength;
    if (auto field = textFieldSiteURL.lock()) {
        const std::weak_ptr<Self> weak = sharedAs<Self>();
        field->didChangeHandler = [weak] {
            if (auto self = weak.lock()) self->urlTextChanged();
        };
        field->willBecomeFirstResponder = [weak] {
            if (auto self = weak.lock()) self->refreshButtonStates();
        };
        field->didEndEditingHandler = [weak] {
            if (auto self = weak.lock()) {
                self->refreshHostPreview();
                self->refreshButtonStates();
            }
        };
    }
}

void Self::viewWillAppear() {
    platform::ViewController::viewWillAppear();
    if (auto field = textFieldSiteURL.lock()) field->setStringValue(newOrModifyURL.value_or(""));
    if (auto field = textFieldSiteTitle.lock()) field->setStringValue(newOrModifyTitle.value_or(""));
    if (auto field = textFieldSiteComment.lock()) field->setStringValue(newOrModifyComment.value_or(""));
    hideErrorlabel();
    buildPlaceholderMenu();
    buildTemplateMenu();
    setPreferredContentSize({750, 325});
}

void Self::viewDidDisappear() {
    platform::ViewController::viewDidDisappear();
    reset();
}

void Self::reset() {
    newOrModifyURL.reset();
    showNewOrModifyURL();
    newOrModifyTitle.reset();
    if (auto field = textFieldSiteTitle.lock()) field->setStringValue("");
    newOrModifyComment.reset();
    if (auto field = textFieldSiteComment.lock()) field->setStringValue("");
    newOrModifyTag.reset();
    referenceTableViewItem.reset();
    loadReferenceItem();
}

// --- filling

void Self::showNewOrModifyURL() {
    if (auto field = textFieldSiteURL.lock()) field->setStringValue(newOrModifyURL.value_or(""));
    colourURL();
    refreshURLStatistics();
    refreshHostPreview();
    refreshButtonStates();
}

void Self::loadReferenceItem() {
    if (!referenceTableViewItem || referenceTableViewItem->itemType() != ListviewItemType::url) return;
    newOrModifyURL = referenceTableViewItem->path();
    showNewOrModifyURL();
    newOrModifyTitle = referenceTableViewItem->name();
    if (auto field = textFieldSiteTitle.lock()) field->setStringValue(*newOrModifyTitle);
    newOrModifyComment = referenceTableViewItem->comment();
    if (auto field = textFieldSiteComment.lock()) field->setStringValue(*newOrModifyComment);
}

// --- the URL field and what follows it

void Self::colourURL() {
    const auto field = textFieldSiteURL.lock();
    if (!field) return;
    // While someone types, the same characters only take new colours: the
    // edit and the cursor stay where they are.
    field->setAttributedStringValue(urlAttributedStringParser.attributedString(field->stringValue()));
}

void Self::urlTextChanged() {
    colourURL();
    refreshURLStatistics();
    resetHostPreview();
    refreshButtonStates();
}

void Self::refreshURLStatistics() {
    const auto field = textFieldSiteURL.lock();
    const auto stats = urlTextStats.lock();
    if (!field || !stats) return;
    const auto count = platform::text::graphemeCount(field->stringValue());
    stats->setStringValue(std::to_string(count) + " (max.: " + std::to_string(urlMaxLength) + ")");
}

void Self::refreshButtonStates() {
    const auto field = textFieldSiteURL.lock();
    if (!field) return;
    if (auto button = urlTest.lock()) button->setEnabled(platform::text::graphemeCount(field->stringValue()) >= 4);
    if (auto button = urlInsertPlaceholder.lock()) button->setEnabled(field->isCurrentlyEditing);
}

void Self::resetHostPreview() {
    if (auto label = urlHostPath.lock()) label->setStringValue("");
    if (auto image = urlHostImage.lock()) image->setImage(platform::Image::imageNamed("toolbar_question"));
    if (auto button = urlTest.lock()) button->setEnabled(false);
}

void Self::refreshHostPreview() {
    const auto field = textFieldSiteURL.lock();
    if (!field) return;
    const auto url = DatastorageHandlerURLObjects::urlWithoutPlaceholders(DatastorageHandlerURLObjects::trimmingBlanks(field->stringValue()));
    if (!url) return resetHostPreview();
    const auto workspace = platform::Workspace::shared();
    const auto application = workspace->URLForApplicationToOpenURL(*url);
    if (!application || !reachable(application->path())) return resetHostPreview();
    if (auto label = urlHostPath.lock()) label->setStringValue(application->path());
    if (auto image = urlHostImage.lock()) image->setImage(workspace->iconForFile(application->path()));
    if (auto button = urlTest.lock()) button->setEnabled(true);
}

// --- menus

void Self::buildPlaceholderMenu() {
    placeholderMenu->removeAllItems();
    const auto& placeholders = URLManager::shared()->urlPlaceholders;
    for (std::size_t i = 0; i < placeholders.size(); ++i) {
        auto item = placeholderMenu->addItem(placeholders[i]->title, "mnu_InsertPlaceholder:");
        item->setTag(static_cast<long>(i));
        item->setTarget(shared_from_this());
    }
}

void Self::buildTemplateMenu() {
    templateMenu->removeAllItems();
    const auto manager = URLManager::shared();
    manager->cleanUpAndSortTemplates();
    for (std::size_t i = 0; i < manager->urlTemplates.size(); ++i) {
        auto item = templateMenu->addItem(manager->urlTemplates[i]->title, "mnu_ReplaceWithTemplate:");
        item->setTag(static_cast<long>(i));
        item->setTarget(shared_from_this());
    }
}

void Self::popUpMenu(const std::shared_ptr<platform::Menu>& menu, const std::shared_ptr<platform::Button>& button) {
    if (!button) return;
    const auto frame = button->frame();
    menu->popUp(nullptr, {frame.minX(), frame.minY() - frame.height() / 2}, button->superview());
}

void Self::buttonURLReplaceWithTemplateClick() { popUpMenu(templateMenu, urlReplaceWithTemplate.lock()); }

void Self::buttonURLInsertPlaceholderClick() { popUpMenu(placeholderMenu, urlInsertPlaceholder.lock()); }

void Self::mnu_ReplaceWithTemplate(const std::shared_ptr<platform::Object>& sender) {
    const auto chosen = elementAt(URLManager::shared()->urlTemplates, tagOf(sender));
    const auto field = textFieldSiteURL.lock();
    if (!chosen || !field) return;
    field->setStringValue(chosen->value);
    colourURL();
    refreshHostPreview();
}

void Self::mnu_InsertPlaceholder(const std::shared_ptr<platform::Object>& sender) {
    const auto chosen = elementAt(URLManager::shared()->urlPlaceholders, tagOf(sender));
    const auto field = textFieldSiteURL.lock();
    const auto window = field ? field->window() : nullptr;
    if (!chosen || !window) return;
    const auto editor = std::dynamic_pointer_cast<platform::TextView>(window->fieldEditor(false, field));
    // Only the URL field's own editing session takes the placeholder.
    if (!editor || field->currentEditor() != editor) return;
    editor->replaceCharacters(editor->selectedRange(), chosen->value);
    colourURL();
    refreshHostPreview();
}

// --- trying, saving, closing

void Self::buttonURLTestClick() {
    const auto field = textFieldSiteURL.lock();
    if (!field) return;
    OpenObject::shared()->openURLString(DatastorageHandlerURLObjects::trimmingBlanks(field->stringValue()));
}

bool Self::saveURL() {
    auto textOf = [](const std::weak_ptr<CustomTextField>& outlet) {
        const auto field = outlet.lock();
        return field ? DatastorageHandlerURLObjects::trimmingBlanks(field->stringValue()) : std::string();
    };
    const std::string url = textOf(textFieldSiteURL);
    const std::string title = textOf(textFieldSiteTitle);
    const std::string comment = textOf(textFieldSiteComment);
    const auto handler = DataStorage::shared()->URLHandler();
    const AddModifyURLResult result = referenceTableViewItem
                                          ? handler->modifyURLInDatabase(referenceTableViewItem, url, title, comment)
                                          : handler->addURLToDatabase(url, title, comment, newOrModifyTag);
    switch (result) {
        case AddModifyURLResult::success:
        case AddModifyURLResult::nothingChanged:
            return true;
        case AddModifyURLResult::databaseNotIdle:
            return false;
        case AddModifyURLResult::urlInvalid:
            showErrorlabel(L10n::addModifyUrl_URLInvalid);
            return false;
        case AddModifyURLResult::entryAlreadyExists:
            showErrorlabel(L10n::addModifyUrl_EntryAlreadyExists);
            return false;
        case AddModifyURLResult::noTitle:
            showErrorlabel(L10n::addModifyUrl_NoTitle);
            return false;
    }
    return false;
}

void Self::showErrorlabel(const std::string& message) {
    if (auto label = errorLabel.lock()) {
        label->setStringValue(message);
        label->setTextColor(systemRed());
        label->setHidden(false);
    }
    // Each message hides after its own three seconds; an earlier timer may
    // hide a later message early, which is harmless.
    const std::weak_ptr<Self> weak = sharedAs<Self>();
    platform::Timer::scheduled(errorDisplaySeconds, false, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->hideErrorlabel();
    });
}

void Self::hideErrorlabel() {
    if (auto label = errorLabel.lock()) {
        label->setHidden(true);
        label->setStringValue("");
    }
}

void Self::buttonOKClick() {
    if (saveURL()) close();
}

void Self::buttonCancelClick() { close(); }

void Self::close() {
    if (const auto presenter = presentingViewController()) {
        presenter->dismissViewController(sharedAs<platform::ViewController>());
        return;
    }
    if (const auto window = isViewLoaded() ? view()->window() : nullptr) window->close();
}

}  // namespace frelt
