// Entry icons: the fixed images by rule, the cache of file objects, their
// thumbnails made through the generator (never from inside a request for an
// image), refreshed when files change, and the 300-second verification.

#include "sources/icons/IconCache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SourcesTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/appkit/ThumbnailGenerator.h"
#include "sources/access/SecurityScopedURLManager.h"
#include "sources/icons/IconImages.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

// Answers when told to, as the desktop's generator answers later.
class FakeThumbnails : public platform::ThumbnailGenerator {
public:
    void generateRepresentations(const platform::ThumbnailRequest& request, Handler handler) override {
        requests.push_back(request);
        handlers.push_back(std::move(handler));
    }
    void answer(std::shared_ptr<platform::Image> image, std::optional<std::string> error = std::nullopt) {
        auto handler = handlers.front();
        handlers.erase(handlers.begin());
        handler(std::move(image), platform::thumbnailrepresentation::lowQualityThumbnail, std::move(error));
    }
    std::vector<platform::ThumbnailRequest> requests;
    std::vector<Handler> handlers;
};

class IconCacheTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        AppDelegate::shared()->config->setDebugLogging(true);  // the settings drive the log gate
        thumbnails = std::make_shared<FakeThumbnails>();
        platform::ThumbnailGenerator::setShared(thumbnails);
        workspace->genericIcon = drawn({64, 64});
        workspace->genericIcon->setName("desktop icon");
    }
    static std::shared_ptr<IconCache> cache() { return IconCache::shared(); }
    // An image with something to draw, as every real icon has.
    static std::shared_ptr<platform::Image> drawn(platform::Size size) {
        return platform::Image::imageWithSize(size, false, [](const platform::Rect&) { return true; });
    }
    static std::string nameOf(const std::shared_ptr<platform::Image>& image) { return image ? image->name() : "none"; }
    std::shared_ptr<platform::Image> picture() {
        auto image = drawn({100, 50});
        image->setName("thumbnail");
        return image;
    }

    std::shared_ptr<FakeThumbnails> thumbnails;
};

TEST_F(IconCacheTest, LinksTagsAndUnreachableEntriesGetTheirFixedImages) {
    const std::vector<std::pair<std::string, std::string>> links{
        {"HTTPS://example.org", "url_HTTPs"},          {"ftp://example.org", "url_Custom"},
        {"x-devonthink-item://1", "url_DevonThink"},   {"drafts5://open", "url_Drafts"},
        {"mailto:a@example.org", "url_Mail"},          {"x-none:thing", "url_Custom"},
    };
    for (const auto& [url, image] : links)
        EXPECT_EQ(nameOf(cache()->icon(TableViewItem::initForURL(url, "L", ""), false)), image) << url;

    auto work = iconTag::initWithNewName("Work", "");
    work->setColor(platform::Color::calibratedRGB(1, 0, 0));
    TagManager::shared()->allAvailableTags()->append(work);
    const auto tagged = cache()->icon(TableViewItem::initForTag("Work", "Work"));
    EXPECT_EQ(nameOf(tagged), "icon_tags");
    EXPECT_FALSE(tagged->isTemplate()) << "tinted in the tag's colour";
    const auto gone = cache()->icon(TableViewItem::initForTag("Gone", "Gone"));
    EXPECT_EQ(nameOf(gone), "icon_folder");
    EXPECT_TRUE(gone->isTemplate()) << "not tinted";

    EXPECT_EQ(nameOf(cache()->icon(TableViewItem::initForExternalNonSpotlightObject((root() / "nothing").string()))),
              "unkownObject");
}

TEST_F(IconCacheTest, NoNamedImageIsBlankWithoutATheme) {
    Strings names{"url_HTTPs", "url_Custom", "unkownObject"};
    for (const auto& n : TagManager::shared()->iconNames()) names.push_back(n);
    installNamedImages();
    for (const auto& name : names) {
        const auto image = platform::Image::imageNamed(name);
        ASSERT_TRUE(image) << name;
        EXPECT_FALSE(image->representations().empty()) << name;
        EXPECT_EQ(image->isTemplate(), name.rfind("icon_", 0) == 0) << name;
    }
    EXPECT_FALSE(platform::Image::imageNamed("no such image"));
}

TEST_F(IconCacheTest, AnImageFileShowsItsIconThenItsThumbnailMadeOutsideThePainting) {
    const auto png = makeFile("outside/photo.png", "not really a png, the fake generator does not care");
    restrictAccessTo({"elsewhere"});  // reading it needs the permission panel
    auto entry = TableViewItem::initForExternalNonSpotlightObject(png);

    const auto first = cache()->icon(entry);
    EXPECT_EQ(first->size(), (platform::Size{48, 48}));
    EXPECT_TRUE(script->presented().empty()) << "no panel from inside a request for an image";
    EXPECT_TRUE(thumbnails->requests.empty());
    EXPECT_EQ(nameOf(cache()->icon(entry, false)), "desktop icon");
    EXPECT_EQ(cache()->icon(entry, false)->size(), (platform::Size{32, 32}));

    script->chooseInOpenPanel({folderURL("outside")});
    drain();
    ASSERT_EQ(thumbnails->requests.size(), 1u) << "one object for both requests";
    EXPECT_EQ(thumbnails->requests[0].size, (platform::Size{48, 48}));
    EXPECT_EQ(thumbnails->requests[0].representationTypes, platform::thumbnailrepresentation::lowQualityThumbnail);
    EXPECT_EQ(SecurityScopedURLManager::shared()->usedSecurityScopedURLs()->count(), 1u) << "held while it is made";

    thumbnails->answer(picture());
    drain();
    const auto object = cache()->cachedObject(platform::URL::fileURL(png));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->source(), IconCacheObjectSource::thumbnail);
    EXPECT_EQ(object->objectLastModifiedWhenAddedToCache(), object->fileModificationDate());
    EXPECT_EQ(nameOf(cache()->icon(entry)), "thumbnail");
    EXPECT_EQ(cache()->icon(entry)->size(), (platform::Size{96, 48})) << "scaled to cover 48 by 48";
    EXPECT_TRUE(SecurityScopedURLManager::shared()->usedSecurityScopedURLs()->isEmpty());

    // Unchanged: nothing new; touched: a new thumbnail.
    cache()->icon(entry);
    drain();
    EXPECT_EQ(thumbnails->requests.size(), 1u);
    std::filesystem::last_write_time(png, std::filesystem::last_write_time(png) + std::chrono::seconds(10));
    cache()->icon(entry);
    drain();
    EXPECT_EQ(thumbnails->requests.size(), 2u);
    EXPECT_EQ(loggedAfter("Refresh: The file seems to be modified -> try to get a new thumbnail for: "), Strings{png});

    // A failure (a corrupt image) falls back to the desktop icon for good.
    thumbnails->answer(nullptr, "the image is corrupt");
    drain();
    EXPECT_EQ(object->source(), IconCacheObjectSource::defaultIcon);
    EXPECT_EQ(nameOf(cache()->icon(entry)), "desktop icon");
    EXPECT_EQ(loggedAfter("Error: Thumbnail creation failed with error: "),
              Strings{"the image is corrupt : " + platform::URL::fileURL(png).absoluteString()});
}

TEST_F(IconCacheTest, TextFilesAndFoldersKeepTheirDesktopIcon) {
    const auto text = makeFile("notes.txt");
    const auto folder = makeFolder("stuff");
    for (const auto& path : {text, folder})
        EXPECT_EQ(nameOf(cache()->icon(TableViewItem::initForExternalNonSpotlightObject(path))), "desktop icon");
    drain();
    EXPECT_TRUE(thumbnails->requests.empty());
}

TEST_F(IconCacheTest, VerificationRunsAtMostEveryFiveMinutesAfterARebuild) {
    const auto store = DataStorage::shared();
    store->addToAllData(TableViewItem::initForExternalNonSpotlightObject(makeFile("a.txt")));
    store->addToAllData(TableViewItem::initForExternalNonSpotlightObject(makeFile("b.txt")));
    cache();
    const std::string started = "Start building/verifying the icon-cache";
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    drain();
    EXPECT_TRUE(cache()->cachedObject(platform::URL::fileURL((root() / "a.txt").string())));
    advance(200);
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    advance(101);
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    EXPECT_EQ(loggedAfter(started).size(), 2u);
    EXPECT_EQ(loggedAfter("dataStorageRebuildIsFinished but we don't verify the cache because the last verify was "
                          "less than ")
                  .size(),
              1u);
}

TEST_F(IconCacheTest, VerifiedObjectsMakeTheirImagesOnlyWhenAskedFor) {
    // The launch verifies thousands of entries that no window has shown yet.
    const auto store = DataStorage::shared();
    const auto entry = TableViewItem::initForExternalNonSpotlightObject(makeFile("a.txt"));
    store->addToAllData(entry);
    cache();
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    drain();
    const auto object = cache()->cachedObject(platform::URL::fileURL(entry->path()));
    ASSERT_TRUE(object);
    EXPECT_FALSE(object->defaultImage());
    EXPECT_FALSE(object->smallImage());

    EXPECT_EQ(cache()->icon(entry, false)->size(), (platform::Size{32, 32}));
    EXPECT_EQ(nameOf(object->defaultImage()), "desktop icon");
    EXPECT_EQ(object->defaultImage()->size(), (platform::Size{48, 48}));
    EXPECT_EQ(object->source(), IconCacheObjectSource::defaultIcon);
}

TEST_F(IconCacheTest, WhatIsQueuedDuringTheVerificationWaitsForOneStepNotForAllOfThem) {
    const auto store = DataStorage::shared();
    std::vector<std::string> files;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        files.push_back(makeFile(name));
        store->addToAllData(TableViewItem::initForExternalNonSpotlightObject(files.back()));
    }
    cache();
    store->rebuildData(RebuildDataReason::datastorageInitialize);
    // Say a hotkey is pressed now: its action goes on the main queue.
    bool actionRan = false;
    platform::dispatch::Queue::main()->async([&] { actionRan = true; });
    platform::dispatch::mainqueue::drain();
    EXPECT_TRUE(actionRan);
    std::size_t cached = 0;
    for (const auto& file : files) cached += cache()->cachedObject(platform::URL::fileURL(file)) ? 1 : 0;
    EXPECT_EQ(cached, 1u) << "one entry verified before the action";
    drain();
    for (const auto& file : files) EXPECT_TRUE(cache()->cachedObject(platform::URL::fileURL(file))) << file;
}

}  // namespace
