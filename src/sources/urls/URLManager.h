#pragma once
// URL templates: named URL patterns the user picks when adding or changing a
// link (a web search, a mail, a call, a link into another program), and the
// list of placeholders a template may hold. One manager, made on first use;
// everything here runs on the main thread.
//
// The templates are stored as a keyed archive under "urlTemplateData" in the
// user defaults (see Configuration::saveURLTemplateDataArray); each record is
// a "frelt.urlTemplateData" with the ancestor "frelt.urlBaseData" and the
// texts "value" and "title".

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/KeyedArchive.h"

namespace frelt {

class urlBaseData : public platform::Coding {
public:
    static constexpr const char* keyNameValue = "value";
    static constexpr const char* keyNameTitle = "title";
    static constexpr const char* archiveClassName = "frelt.urlBaseData";

    // Both texts may be empty.
    urlBaseData(std::string title, std::string value);

    std::string title;
    std::string value;

    // Worth keeping: neither text is empty (blanks count as text).
    bool isComplete() const { return !title.empty() && !value.empty(); }

    std::string className() const override { return archiveClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    // Null unless "value" and "title" are both non-empty texts.
    static std::shared_ptr<urlBaseData> initWithCoder(platform::KeyedUnarchiver& coder);
};

// One URL template.
class urlTemplateData : public urlBaseData {
public:
    static constexpr const char* archiveClassName = "frelt.urlTemplateData";
    using urlBaseData::urlBaseData;

    std::string className() const override { return archiveClassName; }
    std::vector<std::string> superclassNames() const override { return {urlBaseData::archiveClassName, "NSObject"}; }
    static std::shared_ptr<urlTemplateData> initWithCoder(platform::KeyedUnarchiver& coder);

    // The classes a stored template list may hold: nothing else is decoded.
    static const std::set<std::string>& archiveClasses();
    // Makes archives find the decoders; runs on its own when linked in.
    static void registerCoding();
};

// One placeholder definition (never archived).
class urlPlaceholderData : public urlBaseData {
public:
    static constexpr const char* archiveClassName = "frelt.urlPlaceholderData";
    using urlBaseData::urlBaseData;
    std::string className() const override { return archiveClassName; }
    std::vector<std::string> superclassNames() const override { return {urlBaseData::archiveClassName, "NSObject"}; }
};

class URLManager {
    struct Private {};

public:
    static std::shared_ptr<URLManager> shared();
    // Builds the placeholders; the templates come with the settings' load.
    explicit URLManager(Private);

    std::vector<std::shared_ptr<urlPlaceholderData>> urlPlaceholders;
    std::vector<std::shared_ptr<urlTemplateData>> urlTemplates;

    // "Input-Placeholder" and "SelectFileObjects-Placeholder".
    void buildPlaceholders();
    // The thirteen built-in templates.
    void buildDefaultTemplates();
    // Drops templates with an empty title or value; keeps the order.
    void cleanUpAndSortTemplates();
    // The templates a save writes: the complete ones, in order.
    std::vector<std::shared_ptr<urlTemplateData>> templatesWorthSaving() const;
};

}  // namespace frelt
