#include <gtest/gtest.h>

#include <filesystem>
#include <unordered_set>

#include "platform/foundation/URL.h"

using platform::URL;

namespace {

URL url(const char* s) {
    auto u = URL::fromString(s);
    EXPECT_TRUE(u.has_value()) << s;
    return u.value_or(URL());
}

}  // namespace

TEST(URLTest, ParsesComponents) {
    const URL web = url("https://user@example.com:8443/a/b%20c/?q=1&r=%C3%A4#frag");
    EXPECT_EQ(web.scheme(), "https");
    EXPECT_EQ(web.host(), "example.com");
    EXPECT_EQ(web.port(), 8443);
    EXPECT_EQ(web.path(), "/a/b c");
    EXPECT_EQ(web.percentEncodedPath(), "/a/b%20c/");
    EXPECT_EQ(web.query(), "q=1&r=%C3%A4");
    EXPECT_EQ(web.fragment(), "frag");
    EXPECT_TRUE(web.hasDirectoryPath());
    EXPECT_FALSE(web.isFileURL());
    EXPECT_EQ(web.absoluteString(), "https://user@example.com:8443/a/b%20c/?q=1&r=%C3%A4#frag");

    const URL mail = url("mailto:someone@example.com");
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.host(), "");
    EXPECT_EQ(mail.path(), "someone@example.com");
    EXPECT_EQ(mail.query(), std::nullopt);

    const URL custom = url("x-search://find?q=");
    EXPECT_EQ(custom.host(), "find");
    EXPECT_EQ(custom.path(), "");
    EXPECT_EQ(custom.query(), "q=");
    EXPECT_EQ(url("x-app://run?").query(), "");  // present but empty
    EXPECT_EQ(url("x-app://run").query(), std::nullopt);

    const URL v6 = url("http://[::1]:8080/x");
    EXPECT_EQ(v6.host(), "[::1]");
    EXPECT_EQ(v6.port(), 8080);

    const URL file = url("FILE:///tmp/a%20b.txt");
    EXPECT_TRUE(file.isFileURL());
    EXPECT_EQ(file.path(), "/tmp/a b.txt");
    EXPECT_EQ(file.string(), "FILE:///tmp/a%20b.txt");
}

TEST(URLTest, RejectsTextsThatAreNoURL) {
    const char* invalid[] = {
        "",
        "example.com/path",              // no scheme
        "://x",
        "1http://a",
        "http://exa mple.com",          // space
        "https://example.com/\xC3\xA4",  // unencoded non-ASCII
        "http://a/%zz",
        "https://x/?q=100%",
        "http://a/<b>",
        "http://a/b\"c",
        "http://a/b#c#d",
        "http://a:port/",
        "http://a:99999/",
        "http://a/[x]",
        "x\ny:z",
    };
    for (const char* s : invalid) EXPECT_FALSE(URL::fromString(s).has_value()) << s;
}

TEST(URLTest, FileURLsFromPaths) {
    const URL u = URL::fileURL("/tmp/a b/c.txt");
    EXPECT_EQ(u.absoluteString(), "file:///tmp/a%20b/c.txt");
    EXPECT_TRUE(u.isFileURL());
    EXPECT_EQ(u.path(), "/tmp/a b/c.txt");
    EXPECT_EQ(URL::fromString(u.string()), u);

    const URL dir = URL::fileURL("/tmp/dir", true);
    EXPECT_EQ(dir.string(), "file:///tmp/dir/");
    EXPECT_EQ(dir.path(), "/tmp/dir");
    EXPECT_TRUE(dir.hasDirectoryPath());
    EXPECT_EQ(URL::fileURL("/tmp/dir/", false).string(), "file:///tmp/dir");
    EXPECT_EQ(URL::fileURL("/", true).string(), "file:///");

    // Characters that mean something in a URL survive the round trip.
    const URL odd = URL::fileURL("/a?b#c%d;e/Ä");
    EXPECT_EQ(odd.string(), "file:///a%3Fb%23c%25d%3Be/%C3%84");
    EXPECT_EQ(odd.path(), "/a?b#c%d;e/Ä");
    EXPECT_EQ(odd.query(), std::nullopt);

    const URL relative = URL::fileURL("some/file.txt");
    EXPECT_EQ(relative.path(), (std::filesystem::current_path() / "some/file.txt").string());
}

TEST(URLTest, PathComponents) {
    struct Case {
        const char* url;
        const char* last;
        const char* extension;
        const char* deletingLast;
        const char* deletingExtension;
    } cases[] = {
        {"file:///a/b.tar.gz", "b.tar.gz", "gz", "file:///a/", "file:///a/b.tar"},
        {"file:///a/dir.d/", "dir.d", "d", "file:///a/", "file:///a/dir/"},
        {"file:///a/.profile", ".profile", "", "file:///a/", "file:///a/.profile"},
        {"file:///a/b.", "b.", "", "file:///a/", "file:///a/b."},
        {"file:///a%20b/c%20d.txt", "c d.txt", "txt", "file:///a%20b/", "file:///a%20b/c%20d"},
        {"file:///", "/", "", "file:///", "file:///"},
        {"https://x.com", "", "", "https://x.com", "https://x.com"},
        {"https://x.com/a/b.html?q=1", "b.html", "html", "https://x.com/a/?q=1", "https://x.com/a/b?q=1"},
    };
    for (const auto& c : cases) {
        const URL u = url(c.url);
        EXPECT_EQ(u.lastPathComponent(), c.last) << c.url;
        EXPECT_EQ(u.pathExtension(), c.extension) << c.url;
        EXPECT_EQ(u.deletingLastPathComponent().string(), c.deletingLast) << c.url;
        EXPECT_EQ(u.deletingPathExtension().string(), c.deletingExtension) << c.url;
    }
}

TEST(URLTest, AppendingComponentsAndExtensions) {
    EXPECT_EQ(url("file:///a/b").appendingPathComponent("c d").string(), "file:///a/b/c%20d");
    EXPECT_EQ(url("file:///a/b/").appendingPathComponent("c", true).string(), "file:///a/b/c/");
    EXPECT_EQ(url("file:///a").appendingPathComponent("x/y#z").string(), "file:///a/x/y%23z");
    EXPECT_EQ(url("https://x.com").appendingPathComponent("a").string(), "https://x.com/a");
    EXPECT_EQ(url("https://x.com/a?q=1").appendingPathComponent("b").string(), "https://x.com/a/b?q=1");
    EXPECT_EQ(url("file:///a/b").appendingPathExtension("txt").string(), "file:///a/b.txt");
    EXPECT_EQ(url("file:///a/b/").appendingPathExtension("d").string(), "file:///a/b.d/");

    const URL documents = URL::fileURL("/home/u/Documents", true);
    const URL backup = documents.appendingPathComponent("Backup", true).appendingPathComponent("Bookmarks.dict");
    EXPECT_EQ(backup.path(), "/home/u/Documents/Backup/Bookmarks.dict");
    EXPECT_EQ(backup.deletingLastPathComponent().deletingLastPathComponent(), documents);
}

TEST(URLTest, StandardizedResolvesDotSegments) {
    EXPECT_EQ(url("file:///a/./b/../c").standardized().string(), "file:///a/c");
    EXPECT_EQ(url("https://x/a/b/..").standardized().string(), "https://x/a/");
    EXPECT_EQ(url("file:///../a").standardized().string(), "file:///a");
    EXPECT_EQ(url("file:///a/b").standardized().string(), "file:///a/b");
}

// The reference resolution examples of the generic URL syntax.
TEST(URLTest, ResolvesReferencesAgainstABase) {
    const URL base = url("http://a/b/c/d;p?q");
    const std::pair<const char*, const char*> cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"g/../h", "http://a/b/c/h"},
    };
    for (const auto& [ref, expected] : cases) {
        const auto resolved = URL::fromString(ref, base);
        ASSERT_TRUE(resolved.has_value()) << ref;
        EXPECT_EQ(resolved->string(), expected) << ref;
    }
    EXPECT_FALSE(URL::fromString("g", URL()).has_value());
    EXPECT_FALSE(URL::fromString("a b", base).has_value());
    EXPECT_EQ(URL::fromString("Backup/x.dict", URL::fileURL("/data/Documents", true))->path(),
              "/data/Documents/Backup/x.dict");
}

TEST(URLTest, EqualityAndHashingFollowTheText) {
    EXPECT_EQ(url("file:///tmp/x"), URL::fileURL("/tmp/x"));
    EXPECT_NE(url("file:///tmp/x"), url("file:///tmp/x/"));
    EXPECT_NE(url("http://a/%41"), url("http://a/A"));
    std::unordered_set<URL> set{url("file:///a"), URL::fileURL("/a"), url("file:///b")};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_TRUE(URL().isEmpty());
    EXPECT_EQ(URL().path(), "");
}
