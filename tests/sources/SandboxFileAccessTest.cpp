// File access: what a location allows, the permission panel (answered by the
// modal script), grants kept and renewed, and the answers of hasAccess.
// Tests run as root, whom file modes never stop: denial comes from the
// simulated restriction, which lets only some folders pass the access test.

#include "sources/access/SandboxFileAccess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "SourcesTestSupport.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/Beep.h"
#include "platform/appkit/OpenPanel.h"
#include "platform/foundation/Paths.h"
#include "sources/open/OpenObject.h"

using namespace frelt;
using Strings = std::vector<std::string>;
using P = Permissions;
namespace fs = std::filesystem;

namespace {

// --- Permissions and the panel's delegate -----------------------------------------------

TEST(PermissionsTest, WhatFoundPermissionsAllow) {
    struct Case {
        P found;
        P acceptable;
        bool allowed;
    };
    const Case cases[] = {
        {P(), P(), true},
        {P::readWrite(), P(), true},
        {P::bookmark(), P::readAccess(), true},
        {P::readOnly(), P::readAccess(), true},
        {P::readOnly(), P::writeAccess(), false},
        {P::readWrite(), P::writeAccess(), true},
        {P(), P::readAccess(), false},
        {P::bookmark(), P::bookmark(), true},
        {P::readOnly() | P::readWrite(), P::bookmark(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found.allows(c.acceptable), c.allowed) << c.found.rawValue() << " / " << c.acceptable.rawValue();
    EXPECT_EQ(P::readAccess(), (P{P::bookmark(), P::readOnly()}));
    EXPECT_EQ(P::writeAccess().rawValue(), 5);
    EXPECT_TRUE(P::bookmark().canRead() && P::bookmark().canWrite());
    EXPECT_TRUE(P::readOnly().canRead());
    EXPECT_FALSE(P::readOnly().canWrite());
    EXPECT_EQ(P::readAccess() - P::bookmark(), P::readOnly());
}

TEST(SandboxPanelDelegateTest, OnlyTheRequestedLocationAndTheFoldersAboveItCanBeChosen) {
    SandboxFileAccessOpenSavePanelDelegate delegate(platform::URL::fileURL("/Users/someone/Documents/report.pdf"));
    EXPECT_EQ(delegate.pathComponents(), (Strings{"/", "Users", "someone", "Documents", "report.pdf"}));
    const std::pair<const char*, bool> cases[] = {
        {"/", true},
        {"/Users", true},
        {"/Users/someone/", true},
        {"/Users/someone/Documents", true},
        {"/Users/someone/Documents/report.pdf", true},
        {"/Users/someone/Desktop", false},
        {"/Users/other", false},
        {"/Users/Someone", false},  // letter case counts
        {"/Users/someone/Documents/other.pdf", false},
        {"/Users/someone/Documents/report.pdf/inside", false},
    };
    auto panel = platform::OpenPanel::make();
    for (const auto& [path, allowed] : cases) {
        const auto url = platform::URL::fileURL(path);
        EXPECT_EQ(delegate.panelShouldEnableURL(*panel, url), allowed) << path;
        const std::size_t beeps = platform::beepCount();
        std::string error;
        EXPECT_EQ(delegate.panelValidateURL(*panel, url, error), allowed) << path;
        EXPECT_EQ(platform::beepCount() - beeps, allowed ? 0u : 1u) << path;
        EXPECT_EQ(error, allowed ? "" : "Please allow the originally requested location") << path;
    }
}

// --- The access layer --------------------------------------------------------------------

class SandboxFileAccessTest : public SourcesTest {
protected:
    static std::shared_ptr<SandboxFileAccess> access() { return SandboxFileAccess::shared(); }
    static SandboxFileAccessProtocol& grants() { return *access()->persistanceBookmarkStorage(); }

    platform::Data grant(const platform::URL& url) {
        auto data = *platform::bookmark::create(url);
        grants().setBookmark(data, url);
        return data;
    }
    static std::string describe(const SandboxFileAccess::HasAccessAnswer& a) {
        return std::string(a.hasAccess ? "access" : "no access") + (a.viaBookmark ? " via bookmark" : "") +
               (a.bookmarkData ? " with data" : "");
    }
    static std::string describe(const P& p) {
        std::string out;
        if (p.contains(P::bookmark())) out += "bookmark ";
        if (p.contains(P::readOnly())) out += "read ";
        if (p.contains(P::readWrite())) out += "write ";
        return out.empty() ? "none" : out.substr(0, out.size() - 1);
    }
    // The panel's look, checked when it runs, then the given choice.
    void choose(std::vector<platform::URL> urls, std::function<void(platform::OpenPanel&)> check = nullptr) {
        script->answerOpenPanel([urls, check](platform::OpenPanel& panel) {
            if (check) check(panel);
            return platform::PanelAnswer{platform::modalresponse::ok, urls};
        });
    }
};

TEST_F(SandboxFileAccessTest, WithoutARestrictionTheAccessTestDecides) {
    makeFile("plain.txt");
    const auto url = fileURL("plain.txt");
    EXPECT_EQ(describe(access()->accessInfo(url).permissions), "read write");
    EXPECT_EQ(describe(access()->hasAccess(url, P::readAccess())), "access");
    EXPECT_EQ(loggedAfter("AccessInfo: ").back(),
              "[Read: true] [Read/Write: true] [Bookmark: false] : " + url.string());

    // A plainly readable location still answers with a covering grant's data.
    const auto data = grant(folderURL(""));
    const auto answer = access()->hasAccess(url, P::readAccess());
    EXPECT_EQ(describe(answer), "access with data");
    EXPECT_EQ(answer.bookmarkData, data);

    EXPECT_EQ(describe(access()->accessInfo(fileURL("missing.txt")).permissions), "bookmark")
        << "a missing location has no rights of its own";
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(SandboxFileAccessTest, UnderTheRestrictionAGrantedFolderCoversWhatIsInIt) {
    makeFile("allowed/inside.txt");
    makeFile("outside/docs/file.txt");
    restrictAccessTo({"allowed"});
    EXPECT_EQ(describe(access()->hasAccess(fileURL("allowed/inside.txt"), P::readAccess())), "access");

    const auto data = grant(folderURL("outside/docs"));
    const auto url = fileURL("outside/docs/file.txt");
    const auto info = access()->accessInfo(url);
    EXPECT_EQ(describe(info.permissions), "bookmark");
    EXPECT_EQ(info.securityScopedURL, folderURL("outside/docs"));
    const auto answer = access()->hasAccess(url, P::readAccess());
    EXPECT_EQ(describe(answer), "access via bookmark with data");
    EXPECT_EQ(answer.bookmarkData, data);
    EXPECT_EQ(platform::bookmark::accessCount(folderURL("outside/docs")), 0u) << "ended when the answer is in";
    EXPECT_TRUE(script->presented().empty());

    // The launch's question for "/" accepts a grant only.
    EXPECT_EQ(describe(access()->hasAccess(url, P::bookmark())), "access via bookmark with data");
}

TEST_F(SandboxFileAccessTest, ThePanelAsksForTheLocationAndKeepsTheGrantChosen) {
    makeFile("outside/docs/file.txt");
    restrictAccessTo({"allowed"});
    const auto url = fileURL("outside/docs/file.txt");
    choose({folderURL("outside")}, [&](platform::OpenPanel& panel) {
        EXPECT_EQ(panel.title(), "Allow Access");
        EXPECT_EQ(panel.prompt(), "Allow");
        EXPECT_EQ(panel.message(), "Frelt needs to access 'file.txt' to continue. Click Allow to continue.");
        EXPECT_EQ(panel.directoryURL(), url) << "an existing file: the panel points at it";
        EXPECT_TRUE(panel.canChooseFiles());
        EXPECT_TRUE(panel.canChooseDirectories());
        EXPECT_FALSE(panel.canCreateDirectories());
        EXPECT_FALSE(panel.allowsMultipleSelection());
        EXPECT_FALSE(panel.showsHiddenFiles());
    });

    const auto answer = access()->hasAccess(url, P::readAccess());

    EXPECT_EQ(describe(answer), "access via bookmark with data");
    EXPECT_EQ(grants().bookmarkData(folderURL("outside")), answer.bookmarkData) << "kept under the folder's URL";
    // Saved at once: a store loaded from the file has it.
    auto reloaded = SandboxFileAccessPersistDictionary::make();
    reloaded->loadBookmarks();
    EXPECT_EQ(reloaded->bookmarkData(url), answer.bookmarkData);

    // Asked again, the grant answers without a panel.
    EXPECT_EQ(describe(access()->hasAccess(url, P::readAccess())), "access via bookmark with data");
    EXPECT_EQ(script->presented().size(), 1u);
}

TEST_F(SandboxFileAccessTest, AWrongChoiceIsRefusedInThePanelAndTheUserChoosesAgain) {
    makeFile("outside/docs/file.txt");
    makeFolder("outside/elsewhere");
    restrictAccessTo({"allowed"});
    const std::size_t beeps = platform::beepCount();
    choose({folderURL("outside/elsewhere")});
    choose({fileURL("outside/docs/file.txt")});

    EXPECT_EQ(describe(access()->hasAccess(fileURL("outside/docs/file.txt"), P::readAccess())),
              "access via bookmark with data");
    EXPECT_EQ(platform::beepCount() - beeps, 1u);
    EXPECT_FALSE(grants().bookmarkData(folderURL("outside/elsewhere/x")));
}

TEST_F(SandboxFileAccessTest, NoChoiceOrNoUsableGrantIsNoAccess) {
    makeFile("outside/file.txt");
    restrictAccessTo({"allowed"});
    const auto url = fileURL("outside/file.txt");

    script->cancelOpenPanel();
    EXPECT_EQ(describe(access()->hasAccess(url, P::readAccess())), "no access");
    EXPECT_EQ(loggedAfter("hasAccess: We need access but something got wrong: "), Strings{url.string()});

    // The grant cannot be made: a failure, never a success; the store is still saved.
    platform::bookmark::setFaultInjector(
        [](platform::bookmark::Operation op, const std::string&) { return op == platform::bookmark::Operation::create; });
    fs::remove(SandboxFileAccessPersistDictionary::bookmarkFilePath());
    choose({url});
    std::optional<SandboxFileAccess::Result> result;
    access()->requestAccess(url, P::readAccess(), true, nullptr, true, [&](const auto& r) { result = r; });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->failure, SandboxFileAccess::Fail::userDidntGrantPermission);
    EXPECT_TRUE(fs::exists(SandboxFileAccessPersistDictionary::bookmarkFilePath()));
    platform::bookmark::setFaultInjector(nullptr);

    // Chosen, but not kept: the location is examined again and still closed.
    choose({url});
    result.reset();
    access()->requestAccess(url, P::readAccess(), true, nullptr, false, [&](const auto& r) { result = r; });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->failure, SandboxFileAccess::Fail::userDidntGrantPermission);

    // Not allowed to ask.
    result.reset();
    access()->requestAccess(url, P::readAccess(), false, nullptr, true, [&](const auto& r) { result = r; });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->failure, SandboxFileAccess::Fail::needToAskPermission);

    // Nothing asked for: granted without a panel, even where nothing exists.
    result.reset();
    access()->requestAccess(fileURL("nowhere/x"), P(), true, nullptr, true, [&](const auto& r) { result = r; });
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->succeeded());
}

TEST_F(SandboxFileAccessTest, AFileTheSystemRefusesIsSaidPlainlyAndNoGrantIsKept) {
    const auto path = makeFile("locked/secret.txt");
    const auto url = fileURL("locked/secret.txt");
    grant(fileURL("locked/"));  // a grant kept earlier changes nothing either
    platform::fileaccess::setSimulatedPermissionDenial({path});
    std::vector<std::string> alerts;
    script->answerAlert([&](platform::Alert& alert) {
        alerts.push_back(alert.messageText() + " | " + alert.informativeText());
        return platform::AlertAnswer{};
    });
    const auto grantCount = [] {
        std::size_t n = 0;
        grants().forEachBookmark([&](const platform::URL&, const platform::Data&) { ++n; });
        return n;
    };
    const auto grantsBefore = grantCount();
    EXPECT_EQ(describe(access()->hasAccess(url, P::readAccess())), "no access");
    ASSERT_EQ(alerts.size(), 1u) << "no panel: an alert that names the file and why";
    EXPECT_EQ(alerts[0].substr(0, alerts[0].find(" | ")), "\u201csecret.txt\u201d cannot be read");
    EXPECT_NE(alerts[0].find(path + ": its permissions refuse it"), std::string::npos) << alerts[0];
    EXPECT_EQ(grantCount(), grantsBefore) << "nothing recorded";
    EXPECT_TRUE(logs().contains("Access refused by the system's permissions: " + path));
    EXPECT_FALSE(logs().contains("access with Bookmark"));

    // Opening it shows the same message and opens nothing.
    script->answerAlert([&](platform::Alert& alert) {
        alerts.push_back(alert.messageText());
        return platform::AlertAnswer{};
    });
    OpenObject::shared()->openPath(path);
    drain();
    EXPECT_EQ(alerts.size(), 2u);
    EXPECT_TRUE(workspace->calls().size() <= 1u) << "at most the default application was asked for";
    for (const auto& call : workspace->calls())
        EXPECT_EQ(call.kind, platform::WorkspaceCall::Kind::URLForApplicationToOpenURL);

    // Off the main thread nobody is asked, and the refusal still stands.
    bool refused = false;
    std::thread([&] {
        access()->requestAccess(url, P::readAccess(), true, nullptr, true,
                                [&](const auto& r) { refused = !r.succeeded(); });
    }).join();
    EXPECT_TRUE(refused);
}

TEST_F(SandboxFileAccessTest, OffTheMainThreadARequestThatNeedsThePanelEndsAtOnce) {
    makeFile("outside/file.txt");
    makeFile("granted/file.txt");
    restrictAccessTo({"allowed"});
    grant(folderURL("granted"));
    SandboxFileAccess::HasAccessAnswer needsPanel, covered;
    std::optional<SandboxFileAccess::Result> result;
    std::thread worker([&] {
        needsPanel = access()->hasAccess(fileURL("outside/file.txt"), P::readAccess());
        covered = access()->hasAccess(fileURL("granted/file.txt"), P::readAccess());
        access()->requestAccess(fileURL("outside/file.txt"), P::readAccess(), true, nullptr, true,
                                [&](const auto& r) { result = r; });
    });
    worker.join();
    EXPECT_EQ(describe(needsPanel), "no access");
    EXPECT_EQ(describe(covered), "access via bookmark with data");
    ASSERT_TRUE(result) << "the completion is called, not left waiting";
    EXPECT_EQ(result->failure, SandboxFileAccess::Fail::needToAskPermission);
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(SandboxFileAccessTest, AGrantThatCannotBeUsedGivesNoAccess) {
    makeFile("outside/file.txt");
    restrictAccessTo({"allowed"});
    const auto url = fileURL("outside/file.txt");
    grant(folderURL("outside"));
    platform::bookmark::setFaultInjector([](platform::bookmark::Operation op, const std::string&) {
        return op == platform::bookmark::Operation::startAccessing;
    });
    std::optional<SandboxFileAccess::Result> result;
    access()->requestAccess(url, P::readAccess(), true, nullptr, true, [&](const auto& r) { result = r; });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->failure, SandboxFileAccess::Fail::unexpectedlyUnableToAccessBookmark);
    EXPECT_EQ(describe(access()->hasAccess(url, P::readAccess())), "no access");
}

TEST_F(SandboxFileAccessTest, AReplacedFolderRenewsItsGrantAndAVanishedOneNoLongerCovers) {
    makeFile("outside/docs/file.txt");
    restrictAccessTo({"allowed"});
    const auto old = grant(folderURL("outside/docs"));
    // Replaced: a new folder takes its place (made before the old one goes,
    // so it cannot get the old one's identity).
    makeFile("outside/docs.new/file.txt");
    fs::remove_all(root() / "outside/docs");
    fs::rename(root() / "outside/docs.new", root() / "outside/docs");

    const auto info = access()->accessInfo(fileURL("outside/docs/file.txt"));
    EXPECT_EQ(describe(info.permissions), "bookmark");
    const auto renewed = grants().bookmarkData(folderURL("outside/docs"));
    ASSERT_TRUE(renewed);
    EXPECT_NE(*renewed, old);
    EXPECT_EQ(info.bookmarkData, renewed);
    EXPECT_FALSE(platform::bookmark::resolve(*renewed)->isStale);

    // A grant whose location is gone: its data, but no URL and no flag.
    makeFile("other/file.txt");
    const auto vanishing = *platform::bookmark::create(folderURL("other"));
    fs::remove_all(root() / "other");
    makeFile("other2/file.txt");
    grants().setBookmark(vanishing, folderURL("other2"));
    const auto unresolved = access()->accessInfo(fileURL("other2/file.txt"));
    EXPECT_EQ(unresolved.bookmarkData, vanishing);
    EXPECT_FALSE(unresolved.securityScopedURL);
    EXPECT_EQ(describe(unresolved.permissions), "none");
}

TEST_F(SandboxFileAccessTest, RenewingAStaleRootGrantKeepsTheGrantsBeneathIt) {
    makeFile("mine/file.txt");
    restrictAccessTo({"allowed"});
    const auto own = grant(folderURL("mine"));
    // A root grant made for another "/" (a different identity): stale.
    const platform::BookmarkRecord staleRoot{"/", 0, 0, "/"};
    grants().setBookmark(staleRoot.encoded(), platform::URL::fileURL("/"));

    const auto info = access()->accessInfo(fileURL("mine/file.txt"));
    EXPECT_EQ(describe(info.permissions), "bookmark");
    EXPECT_EQ(grants().bookmarkData(folderURL("mine/x")), grants().bookmarkData(platform::URL::fileURL("/")));
    std::optional<platform::Data> mine;
    grants().forEachBookmark([&](const platform::URL& key, const platform::Data& data) {
        if (key == folderURL("mine")) mine = data;
    });
    EXPECT_EQ(mine, own) << "the folder's own grant is not the one that was stale";
}

TEST_F(SandboxFileAccessTest, ThePanelForAMissingFileStartsInItsNearestFolder) {
    makeFolder("present");
    const auto missing = fileURL("present/not/yet/there.txt");
    EXPECT_EQ(access()->existingAncestor(missing), folderURL("present"));
    EXPECT_EQ(access()->existingAncestor(platform::URL::fileURL("/")), platform::URL::fileURL("/", true));

    auto [panel, delegate] = access()->makeOpenPanel(missing);
    EXPECT_EQ(panel->directoryURL(), folderURL("present"));
    EXPECT_FALSE(panel->canChooseFiles()) << "the start is a folder";
    EXPECT_EQ(panel->message(), "Frelt needs to access 'there.txt' to continue. Click Allow to continue.");
    EXPECT_EQ(panel->delegate(), delegate);

    EXPECT_EQ(SandboxFileAccess::applicationName({}), "This App");
    EXPECT_EQ(SandboxFileAccess::applicationName({{"CFBundleName", platform::Value(3)}}), "This App");
    EXPECT_EQ(SandboxFileAccess::applicationName(
                  {{"CFBundleName", platform::Value("Name")}, {"CFBundleDisplayName", platform::Value("Shown")}}),
              "Shown");
}

}  // namespace
