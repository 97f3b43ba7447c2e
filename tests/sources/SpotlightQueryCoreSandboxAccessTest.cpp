// Access to the application search's folders: what each scope needs, what is
// kept in use, and that every access begun is ended.

#include "sources/access/SpotlightQueryCoreSandboxAccess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "sources/access/SandboxFileAccess.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class ScopeAccessTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        makeFolder("allowed/apps");
        makeFolder("granted/apps");
        makeFolder("closed/apps");
        restrictAccessTo({"allowed"});
        const auto url = folderURL("granted");
        SandboxFileAccess::shared()->persistanceBookmarkStorage()->setBookmark(*platform::bookmark::create(url), url);
    }
    Strings scopeLog() {
        Strings out;
        for (const auto& m : logs().messages())
            if (m.rfind("-> ", 0) == 0) out.push_back(m);
        return out;
    }
    SpotlightQueryCoreSandboxAccess access;
};

TEST_F(ScopeAccessTest, EachScopeGetsWhatItNeeds) {
    script->cancelOpenPanel();  // the closed folder asks, and the user declines
    for (const auto& name : {"allowed/apps", "granted/apps", "closed/apps", "missing"})
        access.beginScopeAccess(folderURL(name));

    const auto g = folderURL("granted/apps").string();
    EXPECT_EQ(scopeLog(), (Strings{"-> Access possible without Bookmark: [" + folderURL("allowed/apps").string() + "]",
                                   "-> Access possible with SecurityScopedBookmark: [" + g + "]", "-> Access denied",
                                   "-> Unreachable: [" + folderURL("missing").string() + "]"}));
    ASSERT_EQ(access.securityBookmarks()->count(), 1u);
    EXPECT_EQ(access.securityBookmarks()->get(folderURL("granted/apps")), folderURL("granted"));
    EXPECT_EQ(platform::bookmark::accessCount(folderURL("granted")), 1u);
}

TEST_F(ScopeAccessTest, BeginningAScopeAgainEndsItsEarlierAccessAndEndingAllEndsEveryOne) {
    const auto scope = folderURL("granted/apps");
    access.beginScopeAccess(scope);
    access.beginScopeAccess(scope);
    EXPECT_EQ(platform::bookmark::accessCount(folderURL("granted")), 1u);
    EXPECT_EQ(access.securityBookmarks()->count(), 1u);

    access.endScopeAccess(folderURL("allowed/apps"));  // nothing recorded: nothing happens
    access.endAllScopeAccess();
    EXPECT_EQ(platform::bookmark::accessCount(folderURL("granted")), 0u);
    EXPECT_TRUE(access.securityBookmarks()->isEmpty());

    // The access test's own begin passes; the lasting one is refused: neither
    // logged nor recorded.
    auto starts = std::make_shared<int>(0);
    platform::bookmark::setFaultInjector([starts](platform::bookmark::Operation op, const std::string&) {
        return op == platform::bookmark::Operation::startAccessing && ++*starts == 2;
    });
    const auto before = scopeLog().size();
    access.beginScopeAccess(scope);
    EXPECT_EQ(*starts, 2);
    EXPECT_TRUE(access.securityBookmarks()->isEmpty());
    EXPECT_EQ(scopeLog().size(), before);
}

}  // namespace
