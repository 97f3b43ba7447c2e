// The text view's cut, copy and paste: plain text on the general pasteboard.

#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/TextView.h"

namespace platform {

void TextView::copy() const {
    if (selection_.length == 0) return;
    auto board = Pasteboard::general();
    board->clearContents();
    board->setString(text_.substr(selection_.location, selection_.length), pasteboardtype::string);
}

void TextView::cut() {
    if (!editable_ || selection_.length == 0) return;
    copy();
    replaceCharacters(selection_, "");
}

void TextView::paste() {
    if (!editable_) return;
    if (auto text = Pasteboard::general()->stringForType(pasteboardtype::string)) insertText(*text);
}

}  // namespace platform
