// Bookmarks (our grants to locations), counted accesses and the access test
// with its simulated restriction.

#include "platform/foundation/Bookmark.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/FreltTest.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

class BookmarkTest : public FreltTest {
protected:
    void TearDown() override {
        fileaccess::setSimulatedRestriction(std::nullopt);
        bookmark::setFaultInjector(nullptr);
        FreltTest::TearDown();
    }
    std::string write(const std::string& name, const std::string& contents = "x") {
        const auto path = root() / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << contents;
        return path.string();
    }
};

TEST_F(BookmarkTest, ABookmarkFindsItsLocationUntilItIsReplacedOrGone) {
    const std::string file = write("data/report.txt");
    const auto folder = URL::fileURL((root() / "data").string(), true);
    const auto fileBookmark = bookmark::create(URL::fileURL(file));
    const auto folderBookmark = bookmark::create(folder);
    ASSERT_TRUE(fileBookmark);
    ASSERT_TRUE(folderBookmark);

    auto resolved = bookmark::resolve(*fileBookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->url, URL::fileURL(file));
    EXPECT_FALSE(resolved->isStale);
    resolved = bookmark::resolve(*folderBookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->url.string().back(), '/') << "a folder resolves to a folder URL";

    // Replaced: a new file renamed over the old one (both exist at once, so
    // the new one cannot reuse the old inode).
    write("data/new.txt", "y");
    fs::rename(root() / "data/new.txt", file);
    resolved = bookmark::resolve(*fileBookmark);
    ASSERT_TRUE(resolved);
    EXPECT_TRUE(resolved->isStale);

    fs::remove(file);
    EXPECT_FALSE(bookmark::resolve(*fileBookmark));
    EXPECT_TRUE(bookmark::resolve(*folderBookmark)) << "the folder is still there";

    std::string error;
    EXPECT_FALSE(bookmark::create(URL::fileURL(file), &error));
    EXPECT_NE(error.find(file), std::string::npos) << error;
}

TEST_F(BookmarkTest, DataThatIsNoBookmarkResolvesToNothing) {
    BookmarkRecord relative{"relative/path", 1, 2, "/"};
    const Data cases[] = {{}, {'x', 'y'}, {'b', 'p', 'l', 'i', 's', 't', '0', '0'}, relative.encoded()};
    for (const auto& data : cases) {
        EXPECT_FALSE(bookmark::resolve(data));
        EXPECT_FALSE(bookmark::isVolumeMounted(data));
    }
}

TEST_F(BookmarkTest, AVolumeIsMountedWhileItsMountPointIsOne) {
    const auto made = bookmark::create(URL::fileURL(write("here.txt")));
    ASSERT_TRUE(made);
    EXPECT_TRUE(bookmark::isVolumeMounted(*made));

    fs::create_directories(root() / "media/stick");
    auto record = *BookmarkRecord::decode(*made);
    for (const auto& away : {(root() / "media/stick").string(), (root() / "media/gone").string()}) {
        record.volumePath = away;
        EXPECT_FALSE(bookmark::isVolumeMounted(record.encoded())) << away;
    }
    record.volumePath = "/";
    EXPECT_TRUE(bookmark::isVolumeMounted(record.encoded()));
}

TEST_F(BookmarkTest, AccessesAreCountedAndCanBeRefused) {
    const auto url = URL::fileURL(write("counted.txt"));
    EXPECT_TRUE(bookmark::startAccessing(url));
    EXPECT_TRUE(bookmark::startAccessing(url));
    EXPECT_EQ(bookmark::accessCount(url), 2u);
    bookmark::stopAccessing(url);
    EXPECT_EQ(bookmark::accessCount(url), 1u);
    bookmark::stopAccessing(url);
    bookmark::stopAccessing(url);  // one end too many does no harm
    EXPECT_EQ(bookmark::accessCount(url), 0u);

    EXPECT_FALSE(bookmark::startAccessing(URL::fileURL((root() / "missing").string())));
    bookmark::setFaultInjector([](bookmark::Operation op, const std::string&) {
        return op == bookmark::Operation::startAccessing;
    });
    EXPECT_FALSE(bookmark::startAccessing(url));
    EXPECT_TRUE(bookmark::create(url)) << "only the operation named fails";
    EXPECT_EQ(bookmark::accessCount(url), 0u);
}

TEST_F(BookmarkTest, TheSimulatedRestrictionLetsOnlyAllowedFoldersPass) {
    const std::string inside = write("allowed/a.txt");
    const std::string outside = write("other/b.txt");
    fs::create_symlink(outside, root() / "allowed/link-out");
    fs::create_symlink(root() / "allowed", root() / "other/link-in");

    EXPECT_TRUE(fileaccess::isReadable(inside));
    EXPECT_TRUE(fileaccess::isReadWritable(outside));
    EXPECT_FALSE(fileaccess::isReadable((root() / "missing").string()));

    fileaccess::setSimulatedRestriction(std::vector<fs::path>{root() / "allowed"});
    EXPECT_TRUE(fileaccess::isRestrictionSimulated());
    struct Case {
        fs::path path;
        bool readable;
    };
    const Case cases[] = {
        {root() / "allowed", true},
        {inside, true},
        {outside, false},
        {root() / "allowed/link-out", false},  // links are followed
        {root() / "other/link-in/a.txt", true},
        {root(), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileaccess::isReadable(c.path.string()), c.readable) << c.path;
        EXPECT_EQ(fileaccess::isReadWritable(c.path.string()), c.readable) << c.path;
    }
}

}  // namespace
