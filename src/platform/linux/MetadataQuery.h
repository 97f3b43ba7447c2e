#pragma once
// A live query over the applications of the desktop, in the shape the
// program's search code expects of a metadata query: a predicate and search
// scopes, start and stop, the results in order, and four notifications
// (gathering started, progress, finished, and updates after it).
//
// The index it searches is the desktop entries below the search scopes (see
// DesktopEntryCrawler): each listed application is one item with its path,
// display name (the localized Name) and the content type of an application.
// Gathering is a crawl on a worker queue; afterwards inotify on every folder
// crawled reports changes, which are coalesced for the batching interval and
// looked at again on the worker. Results are replaced and every notification
// is posted on the main thread, on the default centre, with the query as
// object. An update is posted only when the results changed.
//
// Main thread only, except where a member says otherwise.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/KeyValueCoding.h"
#include "platform/foundation/Predicate.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Value.h"

namespace platform {

// The names below are plain character arrays, not strings: a crawl still
// running on a worker when the process exits reads them, and a constant with
// a destructor would be gone under it.
namespace metadataquerynotification {
inline constexpr char didStartGathering[] = "NSMetadataQueryDidStartGatheringNotification";
inline constexpr char gatheringProgress[] = "NSMetadataQueryGatheringProgressNotification";
inline constexpr char didFinishGathering[] = "NSMetadataQueryDidFinishGatheringNotification";
inline constexpr char didUpdate[] = "NSMetadataQueryDidUpdateNotification";
}  // namespace metadataquerynotification

namespace metadataattribute {
inline constexpr char path[] = "kMDItemPath";
inline constexpr char displayName[] = "kMDItemDisplayName";
inline constexpr char lastUsedDate[] = "kMDItemLastUsedDate";
inline constexpr char contentType[] = "kMDItemContentType";
// The content type the program's predicate asks for: an application.
inline constexpr char applicationContentType[] = "com.apple.application-bundle";
}  // namespace metadataattribute

// One result: its attributes, read by name.
class MetadataItem : public KeyValueCoding {
public:
    explicit MetadataItem(ValueDictionary attributes) : attributes_(std::move(attributes)) {}
    std::optional<Value> valueForAttribute(const std::string& key) const;
    std::optional<Value> valueForKey(const std::string& key) const override { return valueForAttribute(key); }
    const ValueDictionary& attributes() const { return attributes_; }

private:
    ValueDictionary attributes_;
};

class InotifyWatch;
class DesktopEntryCrawler;

class MetadataQuery : public std::enable_shared_from_this<MetadataQuery> {
    struct Private {};

public:
    static std::shared_ptr<MetadataQuery> make();
    explicit MetadataQuery(Private);
    ~MetadataQuery();
    MetadataQuery(const MetadataQuery&) = delete;
    MetadataQuery& operator=(const MetadataQuery&) = delete;

    const std::optional<Predicate>& predicate() const { return predicate_; }
    void setPredicate(std::optional<Predicate> predicate) { predicate_ = std::move(predicate); }
    const std::vector<std::string>& searchScopes() const { return searchScopes_; }
    void setSearchScopes(std::vector<std::string> scopes) { searchScopes_ = std::move(scopes); }
    // Seconds that changes are collected before they are looked at.
    double notificationBatchingInterval() const { return batchingInterval_; }
    void setNotificationBatchingInterval(double seconds) { batchingInterval_ = seconds; }

    bool isStarted() const { return started_; }
    bool isGathering() const { return gathering_; }
    bool isStopped() const { return !started_; }

    // Begins gathering; false when the query runs already or has no predicate.
    bool startQuery();
    // Ends gathering and updates; the results stay.
    void stopQuery();
    // While disabled, changes are held back and looked at on enabling.
    void enableUpdates();
    void disableUpdates();

    std::size_t resultCount() const { return results_.size(); }
    std::shared_ptr<MetadataItem> resultAtIndex(std::size_t index) const;
    const std::vector<std::shared_ptr<MetadataItem>>& results() const { return results_; }
    void enumerateResults(const std::function<void(const std::shared_ptr<MetadataItem>&, std::size_t)>& body) const;

    // The folders watched for changes now (tests).
    std::vector<std::string> watchedFolders() const;

private:
    void crawl(bool gathering);
    // `sameAsBefore`: whether `items` equal `before`, the results as the crawl began.
    void apply(bool gathering, std::uint64_t generation, std::vector<std::shared_ptr<MetadataItem>> items,
               bool sameAsBefore, std::vector<std::shared_ptr<MetadataItem>> before, std::vector<std::string> folders);
    void foldersChanged();
    void post(const std::string& name);

    std::optional<Predicate> predicate_;
    std::vector<std::string> searchScopes_;
    double batchingInterval_ = 1.0;
    bool started_ = false;
    bool gathering_ = false;
    bool updatesEnabled_ = true;
    bool changesPending_ = false;
    bool crawlInFlight_ = false;
    std::uint64_t generation_ = 0;
    std::vector<std::shared_ptr<MetadataItem>> results_;
    std::shared_ptr<Timer> batchTimer_;
    std::unique_ptr<InotifyWatch> watch_;
    // Used only on the crawl queue.
    std::shared_ptr<DesktopEntryCrawler> crawler_;
    std::shared_ptr<dispatch::Queue> crawlQueue_;
};

}  // namespace platform
