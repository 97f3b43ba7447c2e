// The information page and the version history.

#include "settings/dialogs/InfoDialogs.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <map>
#include <string>

#include "DialogTestSupport.h"
#include "platform/appkit/Window.h"
#include "sources/access/SandboxFileAccess.h"

using namespace frelt;
using dialogtest::DialogTest;

namespace {

using InfoDialogsTest = DialogTest;

TEST_F(InfoDialogsTest, PlaceholdersAreFilledLiterallyAndCaseSensitively) {
    struct Case {
        const char* page;
        const char* filled;
    };
    const Case cases[] = {
        {"%version% and %version%", "V and V"},
        {"no placeholders here", "no placeholders here"},
        {"%Version% %SYSTEM% %debuglogging%", "%Version% %SYSTEM% %debuglogging%"},
        {"on %system%, logging%debugLogging%", "on S, loggingD"},
        {"%version", "%version"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConfigViewControllerInfo::fillPlaceholders(c.page, "V", "S", "D"), c.filled) << c.page;
}

TEST_F(InfoDialogsTest, TheVersionAndLoggingTextsTakeWhatIsThere) {
    using platform::Value;
    EXPECT_EQ(ConfigViewControllerInfo::versionText({}), "Version  Build: ");
    EXPECT_EQ(ConfigViewControllerInfo::versionText(
                  {{"CFBundleShortVersionString", Value("2.1")}, {"CFBundleVersion", Value("17")}}),
              "Version 2.1 Build: 17");
    EXPECT_EQ(ConfigViewControllerInfo::versionText({{"CFBundleShortVersionString", Value(std::int64_t{3})}}),
              "Version  Build: ")
        << "a value that is no text counts as empty";
    EXPECT_EQ(ConfigViewControllerInfo::debugText(false), ".");
    EXPECT_EQ(ConfigViewControllerInfo::debugText(true), "DebugLogging enabled");
}

TEST_F(InfoDialogsTest, BuiltForNamesTheMachinesArchitecture) {
    // The tests run on the machine they were built for.
    utsname machine{};
    ASSERT_EQ(uname(&machine), 0);
    const std::map<std::string, std::string> names = {
        {"x86_64", "x86-64"}, {"aarch64", "ARM64"}, {"i686", "x86 (32-bit)"}, {"armv7l", "ARM (32-bit)"},
        {"riscv64", "RISC-V 64"}, {"ppc64le", "PowerPC 64 LE"}, {"ppc64", "PowerPC 64"}, {"s390x", "s390x"},
        {"loongarch64", "LoongArch64"},
    };
    const auto found = names.find(machine.machine);
    if (found == names.end()) GTEST_SKIP() << "no name known for " << machine.machine;
    EXPECT_EQ(ConfigViewControllerInfo::systemText(), found->second);
}

TEST_F(InfoDialogsTest, TheInformationPageShowsTheFilledInPageInATranslucentWindow) {
    useResources({{"info.md", "# Frelt\n\n%version% on %system%%debugLogging%\n"}});
    config()->setDebugLogging(false);
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::info);
    ASSERT_TRUE(window);
    const auto info = std::dynamic_pointer_cast<ConfigViewControllerInfo>(window->contentViewController());
    ASSERT_TRUE(info && info->textView);
    const std::string expected = ConfigViewControllerInfo::versionText(SandboxFileAccess::programInformation()) + " on " +
                                 ConfigViewControllerInfo::systemText() + ".";
    EXPECT_NE(info->textView->string().find(expected), std::string::npos) << info->textView->string();
    EXPECT_EQ(info->textView->string().find('%'), std::string::npos);
    EXPECT_EQ(info->textView->style(), MarkdownStyles::info);

    EXPECT_EQ(window->titleVisibility(), platform::TitleVisibility::hidden);
    EXPECT_TRUE(window->styleMask() & platform::stylemask::fullSizeContentView);
    EXPECT_TRUE(window->titlebarAppearsTransparent());
    EXPECT_TRUE(window->isMovableByWindowBackground());
    EXPECT_EQ(window->backgroundColor(), platform::Color::clear());
    const auto panel = info->visualEffectView.lock();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->state(), platform::VisualEffectState::active);
    EXPECT_EQ(panel->material(), platform::VisualEffectMaterial::sidebar);
    EXPECT_TRUE(panel->wantsLayer());
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(info->preferredContentSize(), (platform::Size{550, 400}));
}

TEST_F(InfoDialogsTest, AMissingPageLeavesTheViewEmpty) {
    useResources({});
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::info);
    ASSERT_TRUE(window);
    const auto info = std::dynamic_pointer_cast<ConfigViewControllerInfo>(window->contentViewController());
    ASSERT_TRUE(info && info->textView);
    EXPECT_TRUE(info->textView->string().empty());
    EXPECT_EQ(info->textView->markdown(), nullptr);
}

TEST_F(InfoDialogsTest, TheVersionHistoryIsReadOnlySelectableTextInATranslucentWindow) {
    std::string older;
    for (int i = 0; i < 60; ++i) older += "- Change " + std::to_string(i) + "\n";
    useResources({{"versionhistory.md", "# 1.1\n\n- Tags dialog\n\n# 1.0\n\n- First release\n" + older}});
    const auto window = FreltWindow::showWindow(false, FreltWindowEnum::versionHistory);
    ASSERT_TRUE(window);
    const auto history = std::dynamic_pointer_cast<VersionHistoryViewController>(window->contentViewController());
    ASSERT_TRUE(history && history->markdownTextView);
    const auto& text = *history->markdownTextView;
    EXPECT_NE(text.string().find("First release"), std::string::npos);
    EXPECT_EQ(text.style(), MarkdownStyles::whatsNew);
    EXPECT_FALSE(text.isEditable());
    EXPECT_TRUE(text.isSelectable());
    EXPECT_EQ(text.visibleRect().origin.y, 0.0) << "scrolled to the first line";
    ASSERT_TRUE(text.superview());
    EXPECT_GT(text.frame().height(), text.superview()->bounds().height()) << "a long text can be scrolled through";
    EXPECT_EQ(window->titleVisibility(), platform::TitleVisibility::hidden);
    EXPECT_TRUE(window->titlebarAppearsTransparent());
    EXPECT_TRUE(window->isMovableByWindowBackground());
    EXPECT_EQ(history->visualEffectView.lock()->material(), platform::VisualEffectMaterial::sidebar);
    EXPECT_EQ(history->preferredContentSize(), (platform::Size{680, 460}));
}

}  // namespace
