#pragma once
// Applies one character rule to the elements of one line: recognises the
// rule's tags, pairs them into groups and styles what lies between. Tags that
// find no partner go back to plain text.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "markdown/CharacterRule.h"
#include "markdown/MarkdownText.h"
#include "store/PerformanceLog.h"

namespace frelt {

enum class RepeatingTagType { open, either, close, neither };

// First and last element index of a tag, both inclusive.
using TagRange = std::pair<int, int>;

struct TagGroup {
    std::string groupID;
    std::vector<TagRange> tagRanges;
    RepeatingTagType tagType = RepeatingTagType::open;
    int count = 1;
};

class MarkdownScanner {
public:
    // The rule and the reference dictionary must outlive the scanner, which
    // lives for one scan of one line.
    MarkdownScanner(std::vector<Element> elements, const CharacterRule& rule,
                    const std::map<std::string, std::string>& metadata);
    virtual ~MarkdownScanner() = default;

    std::vector<Element> scan();

    // Open groups a line may hold at once. Each open group nested inside
    // another styles every element between its tags again, so without a
    // bound k nested links cost k^2 time and memory; past this depth an open
    // tag stays plain text.
    static constexpr std::size_t maxOpenGroups = 32;

    // Tests: the steps every scan on this thread has taken (group look-ups,
    // elements styled or reset), to bound the work a line costs.
    static std::uint64_t& work();

protected:
    virtual std::optional<std::vector<Element>> elementRun(int length, bool backwards) const;
    virtual bool markPreviousEscape();
    virtual std::optional<TagRange> matchTag(const std::optional<std::string>& tag);
    virtual void resetTagGroup(const std::string& groupID);
    virtual void resetTag(int first, int last);
    virtual void scanNonRepeatingTags();
    virtual void scanRepeatingTags();

    void applyStyles(const std::string& groupID);

    std::vector<Element> elements_;
    const CharacterRule& rule_;
    const std::map<std::string, std::string>& metadata_;
    int pointer_ = 0;
    markdown_text::CharacterSet spaceAndNewLine_ = markdown_text::CharacterSet::whitespacesAndNewlines();
    std::vector<TagGroup> tagGroups_;
    bool isMetadataOpen_ = false;
    bool enableLog_;
    PerformanceLog currentPerfomanceLog_;
    PerformanceLog log_;

private:
    void debug(const std::string& message) const;
    int size() const { return static_cast<int>(elements_.size()); }
    bool isNonSpace(int index) const;
    TagGroup* group(const std::string& groupID);
    std::string joinedCharacters(int from, int to) const;  // [from, to)
    std::string newGroupID() { return std::to_string(++groupCount_); }

    int groupCount_ = 0;

    std::map<std::string, std::vector<std::string>> tagCharacters_;  // a tag's characters, split once
};

}  // namespace frelt
