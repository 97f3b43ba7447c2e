#include "markdown/MarkdownTokeniser.h"

#include <cstdlib>

#include "markdown/MarkdownLogs.h"
#include "markdown/MarkdownScanner.h"
#include "markdown/MarkdownStyleTypes.h"
#include "platform/foundation/Text.h"

namespace frelt {

namespace {

// Style lists compare equal when both are made only of the renderer's
// character styles and match in order; lists of other kinds are equal only to
// each other.
bool sameStyles(const std::vector<CharacterStylingRef>& a, const std::vector<CharacterStylingRef>& b) {
    // Neighbouring characters mostly carry the very same styles (or none).
    if (a == b) return true;
    auto allCharacterStyles = [](const std::vector<CharacterStylingRef>& list) {
        for (const auto& s : list)
            if (!s || !asCharacterStyle(*s)) return false;
        return true;
    };
    bool aKind = allCharacterStyles(a);
    bool bKind = allCharacterStyles(b);
    if (!aKind || !bKind) return !aKind && !bKind;
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (*asCharacterStyle(*a[i]) != *asCharacterStyle(*b[i])) return false;
    return true;
}

}  // namespace

MarkdownTokeniser::MarkdownTokeniser(std::vector<CharacterRule> rules)
    : rules_(std::move(rules)),
      enableLog_(std::getenv("MarkdownTokeniserLogging") != nullptr),
      totalPerfomanceLog_("MarkdownTokeniserPerformanceLogging", "Tokeniser Total Run Time",
                          markdown_logs::tokeniserPerformance()),
      currentPerfomanceLog_("MarkdownTokeniserPerformanceLogging", "Tokeniser Current",
                            markdown_logs::tokeniserPerformance()) {
    totalPerfomanceLog_.begin();
}

MarkdownTokeniser::~MarkdownTokeniser() { totalPerfomanceLog_.finish(); }

std::vector<Token> MarkdownTokeniser::process(const std::string& line) {
    if (rules_.empty()) return {Token(TokenType::string, line)};
    if (line.empty()) return {Token(TokenType::string, "")};

    currentPerfomanceLog_.begin();

    std::vector<Element> elements;
    auto addElement = [&](std::string character) {
        ElementType type = ElementType::string;
        if (newlines_.containsUnicodeScalars(character))
            type = ElementType::newline;
        else if (spaces_.containsUnicodeScalars(character))
            type = ElementType::space;
        elements.emplace_back(std::move(character), type);
    };
    if (platform::text::isASCII(line)) {
        // Every byte is a character of its own, except a carriage return
        // with its line feed; no cluster list is needed, and the sets'
        // ASCII members are the line breaks U+000A to U+000D, the space and
        // the tab.
        elements.reserve(line.size());
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '\r' && i + 1 < line.size() && line[i + 1] == '\n') {
                elements.emplace_back(std::string("\r\n"), ElementType::newline);
                ++i;
                continue;
            }
            const ElementType type = c >= '\n' && c <= '\r'   ? ElementType::newline
                                     : c == ' ' || c == '\t' ? ElementType::space
                                                             : ElementType::string;
            elements.emplace_back(c, type);
        }
    } else {
        auto characters = platform::text::graphemeClusters(line);
        elements.reserve(characters.size());
        for (auto& character : characters) addElement(std::move(character));
    }

    // A rule whose tag cannot occur in the line has nothing to scan; it is
    // skipped unless the scanner's timers are on, which log every scan.
    const bool scannerTimed = std::getenv("MarkdownScannerScannerPerformanceLogging") != nullptr;
    for (const auto& rule : rules_) {
        const auto& tag = rule.primaryTag().tag;
        if (!scannerTimed && !enableLog_ && (tag.empty() || line.find(tag.front()) == std::string::npos)) continue;
        if (enableLog_) {
            markdown_logs::tokenising().write(platform::LogLevel::Info, "------------------------------");
            markdown_logs::tokenising().write(platform::LogLevel::Info, "RULE: " + rule.description());
        }
        currentPerfomanceLog_.logTime("(Applying rule %@)");
        MarkdownScanner scanner(std::move(elements), rule, metadataLookup);
        elements = scanner.scan();
    }

    std::vector<Token> tokens;
    std::string pending;
    const Element* reference = elements.empty() ? nullptr : &elements.front();
    auto emit = [&] {
        Token token(TokenType::string, std::move(pending), reference ? reference->styles : std::vector<CharacterStylingRef>{});
        if (reference) token.metadataStrings = reference->metadata;
        tokens.push_back(std::move(token));
        pending.clear();
    };
    for (const auto& element : elements) {
        switch (element.type) {
            case ElementType::tag:
            case ElementType::metadata:
                if (!pending.empty()) emit();
                break;
            case ElementType::escape:
                break;
            case ElementType::string:
            case ElementType::space:
            case ElementType::newline:
                if (reference && !sameStyles(element.styles, reference->styles) && !pending.empty()) emit();
                pending += element.character;
                reference = &element;
                break;
        }
    }
    if (!pending.empty()) emit();

    currentPerfomanceLog_.logTime("(finished all rules)");
    if (enableLog_) {
        markdown_logs::tokenising().write(platform::LogLevel::Info, "=====RULE PROCESSING COMPLETE=====");
        markdown_logs::tokenising().write(platform::LogLevel::Info, "==================================");
    }
    return tokens;
}

}  // namespace frelt
