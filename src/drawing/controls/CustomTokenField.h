#pragma once
// The field in which the user edits the tags of an entry, one token per tag.
// It completes what is typed from the tags that exist, normalises new tokens
// and refuses ones it already holds (in any letter case), cuts tokens that
// are too long, creates a tag in the registry for every new name it accepts,
// and tells its owner when editing ended and whether the set of tokens
// changed. The field is its own token delegate: the owner calls setDelegate
// with the field and sets internalTagManager before the field is edited;
// without a registry nothing is completed and nothing created.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/TokenField.h"

namespace frelt {

class TagManager;

class CustomTokenField : public platform::TokenField, public platform::TokenFieldDelegate {
public:
    // Tokens of more characters than this are cut.
    static constexpr std::size_t maxTokenLength = 70;
    static constexpr platform::ModifierFlags commandKey = 0x100000;
    static constexpr platform::ModifierFlags commandShiftKey = 0x120000;

    using TokenField::TokenField;

    std::shared_ptr<TagManager> internalTagManager;
    // The tokens when the field last became first responder.
    std::optional<std::vector<std::string>> tokensBeforeEditing;
    // The tokens as far as the field followed them: additions it accepted,
    // removals it saw.
    std::vector<std::string> currentTokens;
    std::function<void()> didEndEditingHandler;
    std::function<void()> didEndEditingAndValueWasChangedHandler;

    // Takes the snapshot.
    bool becomeFirstResponder() override;
    // A shorter list of tokens is a removal the field follows.
    void textDidChange(const platform::Notification& notification) override;
    bool performKeyEquivalent(const platform::Event& event) override;

    void controlTextDidBeginEditing(const platform::Notification& notification) override;
    void controlTextDidEndEditing(const platform::Notification& notification) override;
    platform::ValueArray shouldAddObjects(platform::TokenField& tokenField, const platform::ValueArray& tokens,
                                          std::size_t index) override;
    std::vector<std::string> completionsForSubstring(platform::TokenField& tokenField, const std::string& substring,
                                                     long tokenIndex, long* selectedIndex) override;

    // Cuts every token of more than 70 characters to its whole characters
    // within 70 UTF-16 units; a cut token that equals one already in the list
    // is dropped instead.
    static void shortenLongTokens(std::vector<std::string>& tokens);
    // The new tokens the field takes: shortened, normalised, without those
    // the field holds already (ignoring case); tags are made for unknown ones.
    platform::ValueArray acceptNewTokens(const platform::ValueArray& newTokens);
    // The registry's tag names containing `substring` (ignoring case), in
    // code-point order; `selectedIndex` gets the first that begins with it
    // exactly, or -1.
    std::vector<std::string> tagCompletions(const std::string& substring, long* selectedIndex) const;
    // Runs the end-of-editing handlers.
    void finishEditing();
};

}  // namespace frelt
