// Feeds arbitrary bytes to the readers of URL templates: the stored list (a
// keyed archive holding only template records) and the text of a template,
// whose placeholders are found and filled in when an entry opens. The input
// is both: a list when it decodes as one, else the text itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/foundation/KeyedArchive.h"
#include "sources/urls/URLManager.h"
#include "sources/urls/URLRegExParser.h"

namespace {

void useTemplate(const std::string& text) {
    if (auto parsed = frelt::ParsedURL::make(text, std::vector<std::string>{"/tmp/a b", "/tmp/ü"})) {
        (void)parsed->isValid();
        (void)parsed->url().absoluteString();
    }
    if (auto parser = frelt::URLRegExParser::make(text, std::vector<std::string>{"/tmp/x"})) {
        parser->findMatches();
        parser->sortMatches();
        (void)parser->urlStringWithoutPlaceholders();
        (void)parser->resolvePlaceholders(
            " ", [](const std::string&, const std::string& question) -> std::optional<std::string> {
                if (question.size() % 2) return std::nullopt;  // some questions are cancelled
                return "an answer & more %%userInput%%";
            });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        frelt::urlTemplateData::registerCoding();
        return true;
    }();
    (void)registered;
    const platform::Data bytes(data, data + size);
    const auto result =
        platform::KeyedUnarchiver::unarchiveTopLevelObject(bytes, frelt::urlTemplateData::archiveClasses());
    if (!result) {
        useTemplate(std::string(bytes.begin(), bytes.end()));
        return 0;
    }
    if (const auto* list = result.object.asArray()) {
        for (const auto& element : *list) {
            if (auto t = element.as<frelt::urlTemplateData>()) {
                (void)t->isComplete();
                useTemplate(t->value);
            }
        }
    }
    return 0;
}
