#pragma once
// URL templates: a URL text with placeholders that are filled in each time the
// entry opens. "%%userInput%%" or "%%userInput:Question%%" asks the user for a
// text; "%%selectedFileObjects%%" stands for the paths handed to the opening
// (files dropped onto the entry). ParsedURL is the validity test of such a
// text, URLRegExParser finds the placeholders and replaces them.
//
// Ranges are byte ranges into the UTF-8 text, the same ranges the regular
// expressions report, so text before a placeholder, whatever its script,
// never shifts a replacement. Everything here runs on the main thread,
// because a question is a modal dialog.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/URL.h"

namespace frelt {

// Each raw value is the pattern that finds the placeholder (ICU syntax).
enum class URLParams { userInput, selectedFileObjects };

const char* rawValue(URLParams param);
// A value only for a text equal to one of the two patterns.
std::optional<URLParams> urlParamsFromRawValue(std::string_view raw);
// userInput, then selectedFileObjects.
const std::array<URLParams, 2>& allURLParams();

struct RegExURLMatch {
    std::string value;  // the matched text, e.g. "%%userInput:Locate%%"
    platform::TextRange range;
    URLParams urlParam = URLParams::userInput;
    std::optional<std::string> replaceWith;  // none until resolved
};

// The objects of an opening: the paths of the files handed over.
using URLObjects = std::optional<std::vector<std::string>>;

// Asks the user one question of a template: the answer, or none when the user
// cancels or nobody can be asked.
using URLQuestion =
    std::function<std::optional<std::string>(const std::string& urlTemplate, const std::string& question)>;

// Percent-encoding of every value inserted into a URL: only characters that
// every URL component allows stay as they are (ASCII letters and digits and
// ! $ ' ( ) * + , - . : = _ ~); each other one becomes the "%XX" form of its
// UTF-8 bytes.
namespace urlencoding {
// The characters allowed in a query value: the query's, less "&" and "?".
const platform::text::CharacterSet& urlQueryValueAllowed();
// The characters outside `urlComponentNotAllowed`: allowed in a query value,
// a path, a fragment and a host alike.
const platform::text::CharacterSet& urlComponentAllowed();
std::string percentEncodedComponent(std::string_view text);
}  // namespace urlencoding

class URLRegExParser {
public:
    // None for an empty text.
    static std::optional<URLRegExParser> make(std::string urlString, URLObjects objects = std::nullopt);

    std::string currentURLString;
    URLObjects currentObjects;
    std::vector<RegExURLMatch> regExURLMatches;

    // Finds every placeholder anew: first all questions, then all path
    // placeholders, each group in text order.
    void findMatches();
    // Orders the matches by where they begin (stable).
    void sortMatches();
    // The text with every placeholder taken out (after a new search).
    std::string urlStringWithoutPlaceholders();
    // The text with every placeholder of the last search replaced: questions
    // are asked left to right through `ask` and their answers encoded; the
    // objects' paths joined by `separator` and encoded. None as soon as a
    // question is cancelled: nothing more is asked or replaced.
    std::optional<std::string> resolvePlaceholders(const std::string& separator, const URLQuestion& ask);
    std::optional<std::string> resolvePlaceholders(const std::string& separator);

    // What replaces "%%selectedFileObjects%%": the non-empty paths joined by
    // the separator, encoded; the empty text without objects.
    static std::string selectedFileObjectsText(const URLObjects& objects, const std::string& separator);

private:
    URLRegExParser() = default;
};

class ParsedURL {
public:
    // None for an empty text or one that fails isValid.
    static std::optional<ParsedURL> make(std::string urlString, URLObjects objects = std::nullopt);

    std::string currentURLString;
    URLObjects currentObjects;
    std::optional<URLRegExParser> urlRegExParser;

    // The text has a scheme (a ":" and no line break) and is a URL once its
    // placeholders are taken out. Leaves the parser's matches found and sorted.
    bool isValid();
    // The URL made from the text without placeholders (empty when invalid).
    const platform::URL& url() const { return url_; }

private:
    ParsedURL() = default;
    platform::URL url_;
};

}  // namespace frelt
