#include "sources/urls/URLManager.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/foundation/SingleInstance.h"

namespace frelt {

namespace {

// The texts of a record, read in the order they are written; none unless both
// are non-empty texts.
std::optional<std::pair<std::string, std::string>> decodeTexts(platform::KeyedUnarchiver& coder) {
    const auto value = coder.decodeString(urlBaseData::keyNameValue);
    const auto title = coder.decodeString(urlBaseData::keyNameTitle);
    if (!value || !title || value->empty() || title->empty()) return std::nullopt;
    return std::make_pair(*title, *value);
}

struct Definition {
    const char* title;
    const char* value;
};

constexpr Definition kPlaceholders[] = {
    {"Input-Placeholder", "%%userInput:Question%%"},
    {"SelectFileObjects-Placeholder", "%%selectedFileObjects%%"},
};

constexpr Definition kDefaultTemplates[] = {
    {"Send Mail", "mailto:support@frelt.org?subject=Support%20Question"},
    {"Search in Wikipedia", "https://en.wikipedia.org/w/index.php?search=%%userInput:Search in Wikipedia%%"},
    {"Search in Google", "https://www.google.com/search?q=%%userInput:Search in Google%%"},
    {"Search in Apple Maps", "http://maps.apple.com/?q=%%userInput:Locate%%"},
    {"Search in IMDB", "https://www.imdb.com/find?q=%%userInput:Search in IMDB%%"},
    {"Search in Amazon", "https://www.amazon.com/s?k=%%userInput:Search in Amazon%%"},
    {"Search in Twitter", "https://twitter.com/search?q=%%userInput:Search in Twitter%%"},
    {"Search in Reddit", "https://www.reddit.com/search/?q=%%userInput:Search in Reddit%%"},
    {"Start a Phone-Call", "tel:01234567890"},
    {"Send a Text Message", "sms:01234567890"},
    // No templates that open programs Linux does not have.
};

const bool codingRegistered = (urlTemplateData::registerCoding(), true);

}  // namespace

// --- Model classes ------------------------------------------------------------------------------

urlBaseData::urlBaseData(std::string title_, std::string value_) : title(std::move(title_)), value(std::move(value_)) {}

void urlBaseData::encodeWithCoder(platform::KeyedArchiver& coder) const {
    coder.encodeObject(value, keyNameValue);
    coder.encodeObject(title, keyNameTitle);
}

std::shared_ptr<urlBaseData> urlBaseData::initWithCoder(platform::KeyedUnarchiver& coder) {
    const auto texts = decodeTexts(coder);
    return texts ? std::make_shared<urlBaseData>(texts->first, texts->second) : nullptr;
}

std::shared_ptr<urlTemplateData> urlTemplateData::initWithCoder(platform::KeyedUnarchiver& coder) {
    const auto texts = decodeTexts(coder);
    return texts ? std::make_shared<urlTemplateData>(texts->first, texts->second) : nullptr;
}

const std::set<std::string>& urlTemplateData::archiveClasses() {
    static const std::set<std::string> classes = {
        "NSArray", "NSMutableArray", "NSString", "NSMutableString", archiveClassName, urlBaseData::archiveClassName,
    };
    return classes;
}

void urlTemplateData::registerCoding() {
    platform::CodingRegistry::registerClass(archiveClassName, &urlTemplateData::initWithCoder);
    platform::CodingRegistry::registerClass(urlBaseData::archiveClassName, &urlBaseData::initWithCoder);
}

// --- URLManager ---------------------------------------------------------------------------------

std::shared_ptr<URLManager> URLManager::shared() {
    return platform::singleInstance<URLManager>([] { return std::make_shared<URLManager>(Private{}); });
}

URLManager::URLManager(Private) { buildPlaceholders(); }

void URLManager::buildPlaceholders() {
    urlPlaceholders.clear();
    for (const auto& d : kPlaceholders)
        urlPlaceholders.push_back(std::make_shared<urlPlaceholderData>(d.title, d.value));
}

void URLManager::buildDefaultTemplates() {
    urlTemplates.clear();
    for (const auto& d : kDefaultTemplates) urlTemplates.push_back(std::make_shared<urlTemplateData>(d.title, d.value));
    cleanUpAndSortTemplates();
}

void URLManager::cleanUpAndSortTemplates() {
    // The list keeps the user's order: no caller relies on another, and the
    // user finds templates where they were put.
    std::erase_if(urlTemplates, [](const auto& t) { return !t || !t->isComplete(); });
}

std::vector<std::shared_ptr<urlTemplateData>> URLManager::templatesWorthSaving() const {
    std::vector<std::shared_ptr<urlTemplateData>> kept;
    std::copy_if(urlTemplates.begin(), urlTemplates.end(), std::back_inserter(kept),
                 [](const auto& t) { return t && t->isComplete(); });
    return kept;
}

}  // namespace frelt
