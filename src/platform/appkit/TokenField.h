#pragma once
// A text field whose value is a list of tokens. While it is edited, the
// field editor holds only the text being typed; typing a tokenizing
// character (a comma by default) or ending the editing turns that text into
// tokens, which the delegate may change or refuse (shouldAddObjects) before
// they are appended. Delete with nothing typed removes the last token. Each
// change of the tokens by typing or deleting runs textDidChange, as typing
// does.
//
// The value is the list of tokens (an array of values); a text given to
// the field's cell is not a value of a token field and is ignored.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/TextField.h"

namespace platform {

class TokenField;

enum class TokenStyle : int { defaultStyle = 0, none = 1, rounded = 2, squared = 3, plainSquared = 4 };

class TokenFieldDelegate : public ControlTextEditingDelegate {
public:
    // The tokens to add for `tokens`, typed at `index`; the default adds them
    // as they are.
    virtual ValueArray shouldAddObjects(TokenField& tokenField, const ValueArray& tokens, std::size_t index) {
        (void)tokenField;
        (void)index;
        return tokens;
    }
    // What to offer for the text being typed; `selectedIndex`, when given,
    // receives the one to preselect (-1 for none).
    virtual std::vector<std::string> completionsForSubstring(TokenField& tokenField, const std::string& substring,
                                                             long tokenIndex, long* selectedIndex) {
        (void)tokenField;
        (void)substring;
        (void)tokenIndex;
        (void)selectedIndex;
        return {};
    }
};

class TokenFieldCell : public Cell {
public:
    // Arrays are the tokens; other values are ignored.
    void setObjectValue(Value value) override;
};

class TokenField : public TextField {
public:
    explicit TokenField(Rect frame = {});

    // The tokens as texts (tokens that are not texts are left out).
    std::vector<std::string> tokens();
    const std::string& tokenizingCharacterSet() const { return tokenizingCharacters_; }
    void setTokenizingCharacterSet(std::string characters) { tokenizingCharacters_ = std::move(characters); }
    double completionDelay() const { return completionDelay_; }
    void setCompletionDelay(double d) { completionDelay_ = d; }
    TokenStyle tokenStyle() const { return tokenStyle_; }
    void setTokenStyle(TokenStyle s) { tokenStyle_ = s; }

    // The completions for the text being typed, from the delegate.
    std::vector<std::string> completionsForTypedText(long* selectedIndex = nullptr);

    void textDidChange(const Notification& notification) override;
    void textDidEndEditing(const Notification& notification) override;
    // The bezel, then each token as a rounded chip (the placeholder when
    // there are none) unless the field editor shows the field.
    void drawRect(const Rect& dirtyRect) override;
    bool textViewDoCommandBySelector(const std::shared_ptr<TextView>& textView, const Selector& selector) override;

private:
    std::shared_ptr<TokenFieldDelegate> tokenDelegate() const;
    // Turns `pieces` into tokens through the delegate and appends them.
    void addTokens(const std::vector<std::string>& pieces);

    std::string tokenizingCharacters_ = ",";
    double completionDelay_ = 0;
    TokenStyle tokenStyle_ = TokenStyle::defaultStyle;
};

}  // namespace platform
