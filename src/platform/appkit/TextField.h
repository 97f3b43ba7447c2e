#pragma once
// Text fields and the search field. Both edit through the field editor (see
// Control.h for the session and the order of the callbacks).
//
// The search field keeps two texts apart, as the platform does: the cell's
// value, and the text in the field editor while someone types. Writing the
// cell (searchFieldCell()->setStringValue) leaves the typed text alone;
// reading the field's stringValue copies the typed text into the cell first.

#include <memory>
#include <string>

#include "platform/appkit/Control.h"

namespace platform {

class Menu;

class TextField : public Control {
public:
    explicit TextField(Rect frame = {});
    // An editable field with a bezel, and a label that neither edits nor selects.
    static std::shared_ptr<TextField> textField(std::string text = {});
    static std::shared_ptr<TextField> label(std::string text);

    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool b) { bezeled_ = b; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool b) { bordered_ = b; }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool b) { drawsBackground_ = b; }
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> c) { backgroundColor_ = std::move(c); }
    // 0: no limit.
    long maximumNumberOfLines() const { return maximumNumberOfLines_; }
    void setMaximumNumberOfLines(long n) { maximumNumberOfLines_ = n; }
    double preferredMaxLayoutWidth() const { return preferredMaxLayoutWidth_; }
    void setPreferredMaxLayoutWidth(double w) { preferredMaxLayoutWidth_ = w; }

    bool editsText() const override { return true; }
    Size intrinsicContentSize() const override;
    // Inside the bezel, where the text and the field editor go.
    Rect editingRect() const override;
    // The bezel, then the text (or the placeholder) unless the field editor
    // shows it.
    void drawRect(const Rect& dirtyRect) override;
    Cursor cursor() const override { return isSelectable() ? Cursor::iBeam : Cursor::arrow; }

protected:
    virtual ControlKind bezelKind() const { return ControlKind::textFieldBezel; }

private:
    bool bezeled_ = true;
    bool bordered_ = false;
    bool drawsBackground_ = true;
    std::optional<Color> backgroundColor_;
    long maximumNumberOfLines_ = 1;
    double preferredMaxLayoutWidth_ = 0;
};

class SearchFieldCell : public Cell {
public:
    SearchFieldCell() = default;

    // The menu the field's search button shows: a template the field copies
    // items from, with the recent searches.
    std::shared_ptr<Menu> searchMenuTemplate() const { return searchMenuTemplate_; }
    void setSearchMenuTemplate(std::shared_ptr<Menu> menu) { searchMenuTemplate_ = std::move(menu); }
    bool sendsWholeSearchString() const { return sendsWholeSearchString_; }
    void setSendsWholeSearchString(bool b) { sendsWholeSearchString_ = b; }
    bool sendsSearchStringImmediately() const { return sendsSearchStringImmediately_; }
    void setSendsSearchStringImmediately(bool b) { sendsSearchStringImmediately_ = b; }
    long maximumRecents() const { return maximumRecents_; }
    void setMaximumRecents(long n) { maximumRecents_ = n; }
    const std::vector<std::string>& recentSearches() const { return recentSearches_; }
    void setRecentSearches(std::vector<std::string> r) { recentSearches_ = std::move(r); }

private:
    std::shared_ptr<Menu> searchMenuTemplate_;
    bool sendsWholeSearchString_ = false;
    bool sendsSearchStringImmediately_ = true;
    long maximumRecents_ = 10;
    std::vector<std::string> recentSearches_;
};

class SearchField : public TextField {
public:
    explicit SearchField(Rect frame = {});

    std::shared_ptr<SearchFieldCell> searchFieldCell() const { return std::dynamic_pointer_cast<SearchFieldCell>(cell()); }
    std::shared_ptr<Menu> searchMenuTemplate() const;
    void setSearchMenuTemplate(std::shared_ptr<Menu> menu);
    bool sendsWholeSearchString() const;
    void setSendsWholeSearchString(bool b);

    // Escape clears the search and sends the action.
    void cancelOperation(const std::shared_ptr<Object>& sender) override;
    // Room for the magnifier at the leading end.
    Rect editingRect() const override;
    // The magnifier: a click there pops up the search menu template.
    Rect searchButtonRect() const;
    void mouseDown(const Event& event) override;
    // Typing sends the action at every change unless the whole string is wanted.
    void textDidChange(const Notification& notification) override;
    void textDidEndEditing(const Notification& notification) override;

protected:
    ControlKind bezelKind() const override { return ControlKind::searchFieldBezel; }
};

}  // namespace platform
