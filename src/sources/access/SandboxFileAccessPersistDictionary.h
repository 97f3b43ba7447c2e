#pragma once
// The grants the user gave: a map from a location's URL to the bookmark that
// grants it, a lookup that finds the grant covering a location by walking up
// its path, and the bookmark file "Bookmarks.dict" in the documents folder
// that carries the map from one run to the next.
//
// Keys are URLs exactly as handed in: a folder's URL ends with "/", and
// "file:///a/b/" and "file:///a/b" are different keys. The walk up tries a
// location, then each enclosing folder's URL (with "/"), then gives up before
// "/", whose grant, when there is one, wins over every other.
//
// Every change of the map is applied as a barrier write and then announced on
// the main thread with "globalBookmarksChanged". The map and the file differ
// between saves; only saveBookmarks writes the file (atomically).
//
// A grant whose location is gone or was replaced is worthless, and load and
// save leave it out, except while the volume it lay on is not mounted: a
// removable disk unplugged between runs must not cost the user its grants.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"
#include "store/SynchronizedDictionary.h"

namespace frelt {

class SandboxFileAccessProtocol {
public:
    using BookmarkBody = std::function<void(const platform::URL& url, const platform::Data& bookmarkData)>;

    virtual ~SandboxFileAccessProtocol() = default;
    // Runs the body for each stored pair of one snapshot.
    virtual void forEachBookmark(const BookmarkBody& body) = 0;
    // False without a URL; true when nothing is stored for the URL's path;
    // else whether its grant resolves and is not stale.
    virtual bool isBookmarkValid(const std::optional<platform::URL>& url) = 0;
    // The grant covering the URL (see the walk above), or none.
    virtual std::optional<platform::Data> bookmarkData(const platform::URL& url) = 0;
    // Stores the grant under the URL; without data removes it.
    virtual void setBookmark(const std::optional<platform::Data>& bookmarkData, const platform::URL& url) = 0;
    virtual void clearBookmark(const platform::URL& url) = 0;
    virtual void saveBookmarks() = 0;
    virtual void loadBookmarks() = 0;
    virtual void removeInvalidBookmarks() = 0;
    virtual bool hasRootBookmark() const = 0;
};

class SandboxFileAccessPersistDictionary : public SandboxFileAccessProtocol,
                                           public SynchronizedDictionaryDelegate,
                                           public std::enable_shared_from_this<SandboxFileAccessPersistDictionary> {
    struct Private {};

public:
    using Map = SynchronizedDictionary<platform::URL, platform::Data>;

    // An empty store that announces its own changes.
    static std::shared_ptr<SandboxFileAccessPersistDictionary> make();
    explicit SandboxFileAccessPersistDictionary(Private);

    // Reads the file into an emptied map. A missing file leaves it empty. One
    // that cannot be read (no archive, a folder, a pipe, a file beyond any
    // real store's size) is moved aside to "Bookmarks.dict.unreadable" (or
    // "...-2" and on when that is taken), so the next save cannot destroy it,
    // and reported with its name and where it was kept. One that cannot be
    // moved aside is not saved over in this run.
    void loadBookmarks() override;
    // Writes the grants worth keeping; a failure is reported naming the file.
    void saveBookmarks() override;
    void removeAllBookmarks();
    bool hasRootBookmark() const override;
    void removeInvalidBookmarks() override;
    std::optional<platform::Data> bookmarkData(const platform::URL& url) override;
    void forEachBookmark(const BookmarkBody& body) override;
    void setBookmark(const std::optional<platform::Data>& bookmarkData, const platform::URL& url) override;
    void clearBookmark(const platform::URL& url) override;
    bool isBookmarkValid(const std::optional<platform::URL>& url) override;

    // Logs "Bookmarks changed" and posts "globalBookmarksChanged".
    void synchronizedDictionaryDidChange() override;

    // The bookmark file in the documents folder, built afresh on each call.
    static std::string bookmarkFilePath();
    // Where an unreadable bookmark file is kept.
    static std::string unreadableBookmarkFilePath();

    const std::shared_ptr<Map>& globalBookmarks() const { return globalBookmarks_; }

private:
    std::shared_ptr<Map> globalBookmarks_;
    bool mayOverwriteFile_ = true;
};

}  // namespace frelt
