#include "drawing/controls/CustomTokenField.h"

#include <algorithm>
#include <set>

#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/TextLimit.h"
#include "platform/foundation/Text.h"
#include "store/IconTag.h"
#include "store/Logging.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

std::optional<std::vector<std::string>> texts(const platform::Value& value) {
    const platform::ValueArray* array = value.asArray();
    if (!array) return std::nullopt;
    std::vector<std::string> out;
    for (const auto& v : *array) {
        auto s = v.asString();
        if (!s) return std::nullopt;
        out.push_back(*s);
    }
    return out;
}

}  // namespace

bool CustomTokenField::becomeFirstResponder() {
    if (auto tokens = texts(objectValue())) {
        currentTokens = *tokens;
        tokensBeforeEditing = *tokens;
    } else {
        currentTokens.clear();
        if (tokensBeforeEditing) tokensBeforeEditing->clear();
    }
    return TokenField::becomeFirstResponder();
}

void CustomTokenField::textDidChange(const platform::Notification& notification) {
    if (auto tokens = texts(objectValue()); tokens && tokens->size() < currentTokens.size()) currentTokens = *tokens;
    TokenField::textDidChange(notification);
}

bool CustomTokenField::performKeyEquivalent(const platform::Event& event) {
    if (sendCommandShortcut(event, shared_from_this())) return true;
    return TokenField::performKeyEquivalent(event);
}

void CustomTokenField::controlTextDidBeginEditing(const platform::Notification&) {
    setTextColor(platform::Color::named("System", "textColor", platform::Color::black()));
}

void CustomTokenField::controlTextDidEndEditing(const platform::Notification&) { finishEditing(); }

platform::ValueArray CustomTokenField::shouldAddObjects(platform::TokenField&, const platform::ValueArray& tokens,
                                                        std::size_t) {
    return acceptNewTokens(tokens);
}

std::vector<std::string> CustomTokenField::completionsForSubstring(platform::TokenField&, const std::string& substring,
                                                                   long, long* selectedIndex) {
    return tagCompletions(substring, selectedIndex);
}

void CustomTokenField::shortenLongTokens(std::vector<std::string>& tokens) {
    for (std::size_t i = 0; i < tokens.size();) {
        if (platform::text::graphemeCount(tokens[i]) <= maxTokenLength) {
            ++i;
            continue;
        }
        logDefault(LogLevel::Error, "Token is too long and will be shortened: %{public}@", tokens[i]);
        std::string cut = textlimit::prefixWithinUTF16Units(tokens[i], maxTokenLength);
        if (std::find(tokens.begin(), tokens.end(), cut) != tokens.end()) {
            logDefault(LogLevel::Error,
                       "There is already a token with the shortened name. The newly shortened token will be discarded!");
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        logDefault(LogLevel::Default, "Token renamed successfully");
        tokens[i] = std::move(cut);
        ++i;
    }
}

platform::ValueArray CustomTokenField::acceptNewTokens(const platform::ValueArray& newTokens) {
    auto typed = texts(platform::Value(newTokens));
    if (!typed) return {};
    shortenLongTokens(*typed);

    std::vector<std::string> accepted;
    for (const auto& token : *typed) {
        std::string normalized = normalizedTagString(token);
        const std::string lower = platform::text::lowercased(normalized);
        const bool held = std::any_of(currentTokens.begin(), currentTokens.end(),
                                      [&](const std::string& t) { return platform::text::lowercased(t) == lower; });
        if (!held) accepted.push_back(std::move(normalized));
    }

    if (internalTagManager) {
        const auto& registry = internalTagManager->allAvailableTags();
        for (const auto& token : accepted) {
            const std::string lower = platform::text::lowercased(token);
            const auto tags = registry->snapshot();
            const bool known = std::any_of(tags->begin(), tags->end(), [&](const iconTag::Ptr& tag) {
                return tag && platform::text::lowercased(tag->tagName()) == lower;
            });
            if (known) continue;
            if (auto tag = internalTagManager->tagWithName(token)) {
                tag->setTagUsed(true);
                continue;
            }
            auto tag = iconTag::initWithNewName(token, TagManager::defaultTag);
            tag->setTagUsed(true);
            registry->append(tag);
        }
    }

    currentTokens.insert(currentTokens.end(), accepted.begin(), accepted.end());
    return platform::ValueArray(accepted.begin(), accepted.end());
}

std::vector<std::string> CustomTokenField::tagCompletions(const std::string& substring, long* selectedIndex) const {
    std::vector<std::string> names;
    if (internalTagManager && !substring.empty()) {
        const std::string lower = platform::text::lowercased(substring);
        const auto tags = internalTagManager->allAvailableTags()->snapshot();
        for (const auto& tag : *tags)
            if (tag && platform::text::lowercased(tag->tagName()).find(lower) != std::string::npos)
                names.push_back(tag->tagName());
    }
    // Code-point order: capitals before small letters.
    std::sort(names.begin(), names.end());
    if (selectedIndex) {
        *selectedIndex = -1;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].rfind(substring, 0) == 0) {
                *selectedIndex = static_cast<long>(i);
                break;
            }
        }
    }
    return names;
}

void CustomTokenField::finishEditing() {
    if (didEndEditingHandler) didEndEditingHandler();
    if (!didEndEditingAndValueWasChangedHandler || !tokensBeforeEditing) return;
    const std::set<std::string> now(currentTokens.begin(), currentTokens.end());
    const std::set<std::string> before(tokensBeforeEditing->begin(), tokensBeforeEditing->end());
    if (now != before) didEndEditingAndValueWasChangedHandler();
}

}  // namespace frelt
