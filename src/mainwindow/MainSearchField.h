#pragma once
// The main window's search field. Every change of the typed text hands the
// whole text to the main window's filter; the end of editing is reported to
// the main view controller, which moves the focus to the entry table.
//
// Its cell hands out one field editor for the whole program, a text view
// that refuses every drag, so nothing can be dropped into the search text;
// the field itself registers no drag types either.
//
// The filter empties the cell's value after it ran (the main view
// controller does that); the text being typed lives in the field editor and
// stays as it is. When editing ends, the typed text becomes the field's
// value again, so the field shows the search that the list shows.

#include <functional>
#include <memory>

#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"

namespace frelt {

class MainSearchFieldEditor : public platform::TextView {
public:
    explicit MainSearchFieldEditor(platform::Rect frame = {});

    platform::DragOperation draggingEntered(const std::shared_ptr<platform::DraggingInfo>& info) override;
    platform::DragOperation draggingUpdated(const std::shared_ptr<platform::DraggingInfo>& info) override;
};

class MainSearchFieldCell : public platform::SearchFieldCell {
public:
    // The program's one editor for the search field, made on first use.
    static std::shared_ptr<MainSearchFieldEditor> sharedFieldEditor();

    std::shared_ptr<platform::TextView> fieldEditorForView(const std::shared_ptr<platform::View>& view) override;
};

class MainSearchField : public platform::SearchField {
public:
    explicit MainSearchField(platform::Rect frame = {});

    std::function<void()> textDidChangeHandler;
    std::function<void()> textDidEndEditingHandler;

    bool acceptsFirstResponder() override { return true; }
    // Hands the whole text to the filter (DataStorageFilterCurrentData::
    // setSearchString), then runs textDidChangeHandler.
    void textDidChange(const platform::Notification& notification) override;
    // Only runs textDidEndEditingHandler, after taking the typed text as the
    // field's value.
    void textDidEndEditing(const platform::Notification& notification) override;

    // True while the field's editor is the first responder of its window.
    bool isEditing() const;
    // Empties the field: the text being typed too, and the editing goes on.
    void clearText();
};

}  // namespace frelt
