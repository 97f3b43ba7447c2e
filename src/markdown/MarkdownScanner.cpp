#include "markdown/MarkdownScanner.h"

#include <cstdio>
#include <cstdlib>

#include "markdown/MarkdownLogs.h"
#include "platform/foundation/Text.h"

namespace frelt {

namespace {

constexpr int kCancelledBoundary = 1000;

int tagLength(const TagRange& range) { return range.second - range.first + 1; }

}  // namespace

namespace {
const std::string kLogVariable = "MarkdownScannerScanner";
const std::string kPerformanceVariable = "MarkdownScannerScannerPerformanceLogging";
const std::string kIdentifier = "Scanner";
}  // namespace

MarkdownScanner::MarkdownScanner(std::vector<Element> elements, const CharacterRule& rule,
                                 const std::map<std::string, std::string>& metadata)
    : elements_(std::move(elements)),
      rule_(rule),
      metadata_(metadata),
      enableLog_(std::getenv(kLogVariable.c_str()) != nullptr),
      currentPerfomanceLog_(kPerformanceVariable, kIdentifier, markdown_logs::scannerPerformance()),
      log_(kLogVariable, kIdentifier, markdown_logs::scanner()) {
    currentPerfomanceLog_.begin();
}

void MarkdownScanner::debug(const std::string& message) const {
    if (enableLog_) markdown_logs::scanner().write(platform::LogLevel::Info, message);
}

bool MarkdownScanner::isNonSpace(int index) const {
    return index >= 0 && index < size() && !spaceAndNewLine_.containsUnicodeScalars(elements_[index].character);
}

std::uint64_t& MarkdownScanner::work() {
    thread_local std::uint64_t steps = 0;
    return steps;
}

// The group wanted is almost always the newest, so the search starts there.
TagGroup* MarkdownScanner::group(const std::string& groupID) {
    for (auto it = tagGroups_.rbegin(); it != tagGroups_.rend(); ++it) {
        ++work();
        if (it->groupID == groupID) return &*it;
    }
    return nullptr;
}

std::string MarkdownScanner::joinedCharacters(int from, int to) const {
    std::string text;
    for (int i = std::max(from, 0); i < to && i < size(); ++i) text += elements_[i].character;
    return text;
}

std::vector<Element> MarkdownScanner::scan() {
    thread_local std::string text;
    text.clear();
    for (const auto& e : elements_)
        if (e.type == ElementType::string) text += e.character;
    const auto& primary = rule_.primaryTag().tag;
    if (primary.empty() || text.find(primary) == std::string::npos) return std::move(elements_);

    if (currentPerfomanceLog_.enablePerfomanceLog()) currentPerfomanceLog_.logTime("Beginning " + primary);
    if (enableLog_) debug("RULE: " + rule_.description());

    if (rule_.primaryTag().type == CharacterRuleTagType::repeating)
        scanRepeatingTags();
    else
        scanNonRepeatingTags();

    for (const auto& g : tagGroups_)
        for (const auto& range : g.tagRanges) resetTag(range.first, range.second);
    tagGroups_.clear();
    isMetadataOpen_ = false;

    if (enableLog_)
        for (const auto& e : elements_) std::printf("%s\n", e.description().c_str());
    return std::move(elements_);
}

std::optional<std::vector<Element>> MarkdownScanner::elementRun(int length, bool backwards) const {
    int from = backwards ? pointer_ - length : pointer_;
    int to = backwards ? pointer_ : pointer_ + length;
    if (from < 0 || to >= size() || length < 0) return std::nullopt;
    return std::vector<Element>(elements_.begin() + from, elements_.begin() + to + 1);
}

bool MarkdownScanner::markPreviousEscape() {
    if (pointer_ <= 0 || pointer_ > size()) return false;
    auto& previous = elements_[pointer_ - 1];
    for (const auto& escape : rule_.escapeCharacters()) {
        if (previous.character == escape) {
            previous.type = ElementType::escape;
            return true;
        }
    }
    return false;
}

std::optional<TagRange> MarkdownScanner::matchTag(const std::optional<std::string>& tag) {
    if (!tag || tag->empty() || pointer_ >= size()) return std::nullopt;
    // The element must begin as the tag does; most do not, so look no further.
    const std::string& here = elements_[pointer_].character;
    if (here.empty() || here.front() != tag->front()) return std::nullopt;
    auto cached = tagCharacters_.find(*tag);
    if (cached == tagCharacters_.end())
        cached = tagCharacters_.emplace(*tag, platform::text::graphemeClusters(*tag)).first;
    const auto& characters = cached->second;
    if (characters.empty() || elements_[pointer_].character != characters.front()) return std::nullopt;
    if (markPreviousEscape()) return std::nullopt;
    int start = pointer_;
    int n = static_cast<int>(characters.size());
    if (n == 1) {
        if (elements_[start].type != ElementType::string) return std::nullopt;
        elements_[start].type = ElementType::tag;
        pointer_ += 1;
        return TagRange{start, start};
    }
    auto run = elementRun(n - 1, false);
    if (!run) return std::nullopt;
    std::string joined;
    for (const auto& e : *run) {
        if (e.type != ElementType::string) return std::nullopt;
        joined += e.character;
    }
    if (joined != *tag) return std::nullopt;
    for (int i = start; i < start + n; ++i) elements_[i].type = ElementType::tag;
    pointer_ += n;
    return TagRange{start, start + n - 1};
}

void MarkdownScanner::resetTag(int first, int last) {
    for (int i = std::max(first, 0); i <= last && i < size(); ++i) {
        ++work();
        elements_[i].type = ElementType::string;
    }
}

void MarkdownScanner::resetTagGroup(const std::string& groupID) {
    if (TagGroup* g = group(groupID)) {
        for (const auto& range : g->tagRanges) resetTag(range.first, range.second);
        tagGroups_.erase(tagGroups_.begin() + (g - tagGroups_.data()));
    }
    isMetadataOpen_ = false;
}

void MarkdownScanner::scanNonRepeatingTags() {
    auto textOf = [this](CharacterRuleTagType type) -> std::optional<std::string> {
        if (auto t = rule_.tag(type)) return t->tag;
        return std::nullopt;
    };
    const auto closeTag = textOf(CharacterRuleTagType::close);
    const auto metadataOpenTag = textOf(CharacterRuleTagType::metadataOpen);
    const auto metadataCloseTag = textOf(CharacterRuleTagType::metadataClose);
    const std::optional<std::string> primaryTag = rule_.primaryTag().tag;
    std::string openGroupID;

    while (pointer_ < size()) {
        if (enableLog_) debug("CHARACTER: " + elements_[pointer_].character);

        if (auto range = matchTag(metadataCloseTag)) {
            if (isMetadataOpen_) {
                if (auto* g = group(openGroupID)) {
                    if (enableLog_) debug("Closing metadata tag found. Closing tag with ID " + openGroupID);
                    g->tagRanges.push_back(*range);
                    applyStyles(openGroupID);
                }
                isMetadataOpen_ = false;
                continue;
            }
            resetTag(range->first, range->second);
            pointer_ -= tagLength(*range);
        }

        if (auto range = matchTag(primaryTag)) {
            if (isMetadataOpen_) resetTagGroup(openGroupID);
            if (tagGroups_.size() >= maxOpenGroups) {
                if (enableLog_) debug("Too many open tags, leaving this one as text");
                resetTag(range->first, range->second);
                continue;
            }
            TagGroup g{newGroupID(), {*range}, RepeatingTagType::open, 1};
            openGroupID = g.groupID;
            if (enableLog_) debug("New open tag found. Starting new Group with ID " + openGroupID);
            tagGroups_.push_back(std::move(g));
            continue;
        }

        if (auto range = matchTag(closeTag)) {
            if (tagGroups_.empty()) {
                if (enableLog_) debug("No open tags exist, resetting this close tag");
                resetTag(range->first, range->second);
                continue;
            }
            auto& last = tagGroups_.back();
            last.tagRanges.push_back(*range);
            openGroupID = last.groupID;
            if (enableLog_) debug("New close tag found. Appending to group with ID " + openGroupID);
            if (!metadataOpenTag) {
                if (enableLog_) debug("No metadata tags exist, closing valid tag with ID " + openGroupID);
                applyStyles(openGroupID);
                continue;
            }
            if (pointer_ >= size()) continue;
            if (auto metadataRange = matchTag(metadataOpenTag)) {
                tagGroups_.back().tagRanges.push_back(*metadataRange);
                isMetadataOpen_ = true;
                continue;
            }
            if (enableLog_) debug("No metadata tag found, resetting group with ID " + openGroupID);
            resetTagGroup(openGroupID);
            continue;
        }

        if (auto range = matchTag(metadataOpenTag)) {
            if (enableLog_) debug("Multiple open metadata tags found!");
            resetTag(range->first, range->second);
            resetTagGroup(openGroupID);
            isMetadataOpen_ = false;
            continue;
        }

        pointer_ += 1;
    }
}

void MarkdownScanner::applyStyles(const std::string& groupID) {
    auto* g = group(groupID);
    if (!g) return;
    auto& ranges = g->tagRanges;

    std::string metadataText;
    if (isMetadataOpen_) {
        if (ranges.size() < 4) {  // cannot happen with the scanning passes; never read past the group
            resetTagGroup(groupID);
            return;
        }
        TagRange metadataClose = ranges.back();
        ranges.pop_back();
        TagRange metadataOpen = ranges.back();
        ranges.pop_back();
        if (metadataOpen.second + 1 == metadataClose.first) {
            if (enableLog_) debug("Nothing between the tags " + rule_.description());
        } else {
            for (int i = metadataOpen.second; i <= metadataClose.first && i < size(); ++i) {
                elements_[i].type = ElementType::metadata;
                if (rule_.definesBoundary()) elements_[i].boundaryCount += 1;
            }
            metadataText = joinedCharacters(metadataOpen.second + 1, metadataClose.first);
            if (rule_.metadataLookup()) {
                auto found = metadata_.find(metadataText);
                metadataText = found != metadata_.end() ? found->second : std::string();
            }
        }
    }

    if (ranges.size() < 2) {
        resetTagGroup(groupID);
        return;
    }
    TagRange close = ranges.back();
    ranges.pop_back();
    TagRange open = ranges.back();
    ranges.pop_back();

    if (rule_.balancedTags() && tagLength(open) != tagLength(close)) {
        ranges.push_back(open);
        ranges.push_back(close);
        return;
    }

    if (open.second + 1 == close.first) {
        if (enableLog_) debug("Nothing between the tags " + rule_.description());
    } else {
        std::vector<CharacterStylingRef> styles;
        auto add = [&](int key) {
            auto found = rule_.styles().find(key);
            if (found == rule_.styles().end() || !found->second) return false;
            for (const auto& s : styles)
                if (s->isSameStyle(*found->second)) return true;
            styles.push_back(found->second);
            return true;
        };
        int n = std::min(tagLength(open), tagLength(close));
        const int maxTags = rule_.maxTags();
        for (;;) {
            bool split = false;
            if (maxTags > 0 && n >= maxTags) {
                add(maxTags);
                n -= maxTags;
                split = true;
            }
            if (add(n)) break;
            if (n <= 0) break;
            // A count the rule has no style for, with nothing left to split
            // off, ends the decomposition instead of looping forever.
            if (!split) break;
        }

        for (int i = open.second; i <= close.first && i < size(); ++i) {
            ++work();
            auto& e = elements_[i];
            e.styles.insert(e.styles.end(), styles.begin(), styles.end());
            e.metadata.push_back(metadataText);
            if (rule_.definesBoundary()) e.boundaryCount += 1;
            if (rule_.shouldCancelRemainingRules()) e.boundaryCount = kCancelledBoundary;
        }

        if (rule_.hasRepeatingPrimaryTag()) {
            int d = tagLength(open) - tagLength(close);
            if (d > 0) {
                g = group(groupID);
                g->count = d;
                g->tagRanges.push_back({open.second - d + 1, open.second});
                isMetadataOpen_ = false;
                return;
            }
            if (d < 0) resetTag(close.second + d + 1, close.second);
        }
    }

    if (TagGroup* done = group(groupID)) tagGroups_.erase(tagGroups_.begin() + (done - tagGroups_.data()));
    isMetadataOpen_ = false;
}

void MarkdownScanner::scanRepeatingTags() {
    const std::optional<std::string> primaryTag = rule_.primaryTag().tag;
    std::string openGroupID;

    while (pointer_ < size()) {
        if (enableLog_) debug("CHARACTER: " + elements_[pointer_].character);

        auto range = matchTag(primaryTag);
        if (!range) {
            pointer_ += 1;
            continue;
        }
        if (elements_[range->first].boundaryCount == kCancelledBoundary) {
            resetTag(range->first, range->second);
            continue;
        }
        bool nonSpaceBefore = isNonSpace(pointer_ - tagLength(*range) - 1);

        TagRange run = *range;
        int count = 1;
        while (auto next = matchTag(primaryTag)) {
            count += 1;
            run.second = next->second;
        }

        if (rule_.minTags() >= 2 && tagLength(run) < rule_.minTags()) {
            resetTag(run.first, run.second);
            markdown_logs::scanner().write(platform::LogLevel::Info, "Tag does not meet minimum length");
            continue;
        }

        bool nonSpaceAfter = isNonSpace(pointer_);
        RepeatingTagType type;
        if (nonSpaceAfter && !nonSpaceBefore)
            type = RepeatingTagType::open;
        else if (nonSpaceAfter && nonSpaceBefore)
            type = RepeatingTagType::either;
        else if (nonSpaceBefore)
            type = RepeatingTagType::close;
        else {
            if (enableLog_) debug("Tag has whitespace on both sides");
            resetTag(run.first, run.second);
            continue;
        }

        if (auto* g = group(openGroupID)) {
            if (type == RepeatingTagType::either) {
                if (g->count == count) {
                    g->tagRanges.push_back(run);
                    applyStyles(openGroupID);
                    if (!tagGroups_.empty()) openGroupID = tagGroups_.back().groupID;
                    continue;
                }
            } else {
                if (!g->tagRanges.empty() &&
                    elements_[g->tagRanges.front().first].boundaryCount == elements_[run.first].boundaryCount) {
                    g->tagRanges.push_back(run);
                    applyStyles(openGroupID);
                }
                continue;
            }
        }

        if (tagGroups_.size() >= maxOpenGroups) {
            // The oldest open group can no longer close; its tags are text.
            for (const auto& r : tagGroups_.front().tagRanges) resetTag(r.first, r.second);
            tagGroups_.erase(tagGroups_.begin());
        }
        TagGroup g{newGroupID(), {run}, type, count};
        openGroupID = g.groupID;
        if (enableLog_) debug("Found open tag with characters " + joinedCharacters(run.first, run.second + 1) +
              " starting new group with ID " + openGroupID);
        tagGroups_.push_back(std::move(g));
    }
}

}  // namespace frelt
