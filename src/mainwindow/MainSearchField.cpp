#include "mainwindow/MainSearchField.h"

#include "platform/appkit/Window.h"
#include "platform/foundation/SingleInstance.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"

namespace frelt {

MainSearchFieldEditor::MainSearchFieldEditor(platform::Rect frame) : platform::TextView(frame) {
    unregisterDraggedTypes();
    setFieldEditor(true);
}

platform::DragOperation MainSearchFieldEditor::draggingEntered(const std::shared_ptr<platform::DraggingInfo>&) {
    return platform::dragoperation::none;
}

platform::DragOperation MainSearchFieldEditor::draggingUpdated(const std::shared_ptr<platform::DraggingInfo>&) {
    return platform::dragoperation::none;
}

std::shared_ptr<MainSearchFieldEditor> MainSearchFieldCell::sharedFieldEditor() {
    return platform::singleInstance<MainSearchFieldEditor>([] { return std::make_shared<MainSearchFieldEditor>(); });
}

std::shared_ptr<platform::TextView> MainSearchFieldCell::fieldEditorForView(const std::shared_ptr<platform::View>&) {
    return sharedFieldEditor();
}

MainSearchField::MainSearchField(platform::Rect frame) : platform::SearchField(frame) {
    setCell(std::make_shared<MainSearchFieldCell>());
    unregisterDraggedTypes();
}

void MainSearchField::textDidChange(const platform::Notification&) {
    DataStorage::shared()->filterCurrentData()->setSearchString(stringValue());
    if (textDidChangeHandler) textDidChangeHandler();
}

void MainSearchField::textDidEndEditing(const platform::Notification&) {
    validateEditing();
    if (textDidEndEditingHandler) textDidEndEditingHandler();
}

bool MainSearchField::isEditing() const {
    const auto editor = currentEditor();
    if (!editor) return false;
    const auto win = window();
    if (!win) return false;
    const auto textView = std::dynamic_pointer_cast<platform::TextView>(win->firstResponder());
    if (!textView) return false;
    return textView->delegate().get() == static_cast<const platform::TextDelegate*>(this);
}

void MainSearchField::clearText() {
    // Setting the value would end the editing; the field keeps the focus.
    if (const auto editor = currentEditor()) editor->setString("");
    cell()->setStringValue("");
    setNeedsDisplay(true);
}

}  // namespace frelt
