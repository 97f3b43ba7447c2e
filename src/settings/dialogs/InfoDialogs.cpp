#include "settings/dialogs/InfoDialogs.h"

#include "app/AppDelegate.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "settings/dialogs/DialogWindows.h"
#include "sources/access/SandboxFileAccess.h"
#include "store/Configuration.h"
#include "store/LocalizedStrings.h"

namespace frelt {

using platform::Rect;

namespace {

std::string stringFor(const platform::ValueDictionary& information, const char* key) {
    const auto it = information.find(key);
    const std::string* text = it == information.end() ? nullptr : it->second.asString();
    return text ? *text : std::string();
}

// The window's look and the translucent panel, each time before showing.
void prepareTranslucentDialog(platform::ViewController& controller,
                              const std::weak_ptr<platform::VisualEffectView>& panel, platform::Size size) {
    if (const auto window = controller.view()->window()) styleDialogWindow(*window, true);
    if (const auto background = panel.lock()) setUpTranslucentBackground(*background);
    controller.setPreferredContentSize(size);
}

}  // namespace

// --- information

std::string ConfigViewControllerInfo::versionText(const platform::ValueDictionary& information) {
    return "Version " + stringFor(information, "CFBundleShortVersionString") + " Build: " +
           stringFor(information, "CFBundleVersion");
}

std::string ConfigViewControllerInfo::debugText(bool debugLogging) {
    return debugLogging ? "DebugLogging enabled" : ".";
}

// The processor architecture this program was compiled for, by the names
// distributions give it.
std::string ConfigViewControllerInfo::systemText() {
#if defined(__x86_64__)
    return "x86-64";
#elif defined(__aarch64__)
    return "ARM64";
#elif defined(__i386__)
    return "x86 (32-bit)";
#elif defined(__arm__)
    return "ARM (32-bit)";
#elif defined(__riscv) && __riscv_xlen == 64
    return "RISC-V 64";
#elif defined(__powerpc64__) && defined(__LITTLE_ENDIAN__)
    return "PowerPC 64 LE";
#elif defined(__powerpc64__)
    return "PowerPC 64";
#elif defined(__s390x__)
    return "s390x";
#elif defined(__loongarch64)
    return "LoongArch64";
#else
    return "an unnamed architecture";
#endif
}

std::string ConfigViewControllerInfo::fillPlaceholders(std::string page, const std::string& version,
                                                       const std::string& system, const std::string& debugLogging) {
    return replacingPlaceholders(std::move(page),
                                 {{"%version%", version}, {"%system%", system}, {"%debugLogging%", debugLogging}});
}

void ConfigViewControllerInfo::viewDidLoad() {
    if (!textView) return;
    const std::string version = versionText(SandboxFileAccess::programInformation());
    const std::string debug = debugText(AppDelegate::shared()->config->debugLogging());
    textView->loadMarkdown(resource);
    if (const auto renderer = textView->markdown())
        renderer->string = fillPlaceholders(std::move(renderer->string), version, systemText(), debug);
    textView->showMarkdown(MarkdownStyles::info);
}

void ConfigViewControllerInfo::viewWillAppear() { prepareTranslucentDialog(*this, visualEffectView, {550, 400}); }

// --- version history

void VersionHistoryViewController::viewDidLoad() {
    if (!markdownTextView) return;
    markdownTextView->loadMarkdown(resource);
    markdownTextView->showMarkdown(MarkdownStyles::whatsNew);
}

void VersionHistoryViewController::viewWillAppear() {
    prepareTranslucentDialog(*this, visualEffectView, {680, 460});
}

// --- the scenes

namespace {

// The translucent panel fills the view; the text sits on it, below the
// (transparent) title bar.
template <class Controller>
void layOutPage(Controller& controller, platform::Size size, std::shared_ptr<CustomMarkdownTextView>& text) {
    using namespace platform::autoresizing;
    auto root = std::make_shared<platform::View>(Rect({0, 0}, size));
    root->setAutoresizesSubviews(true);
    auto panel = std::make_shared<platform::VisualEffectView>(Rect({0, 0}, size));
    panel->setAutoresizingMask(widthSizable | heightSizable);
    root->addSubview(panel);
    text = addMarkdownView(*root, Rect(20, 34, size.width - 40, size.height - 54), true);
    controller.visualEffectView = panel;
    controller.setView(root);
}

template <class Controller>
void registerPage(platform::Size size, const char* title,
                  std::shared_ptr<CustomMarkdownTextView> Controller::*textView) {
    registerDialog<Controller>(size, title, [size, textView](Controller& controller) {
        layOutPage(controller, size, controller.*textView);
    });
}

}  // namespace

void registerInfoDialogScenes() {
    registerPage<ConfigViewControllerInfo>({550, 400}, "Information", &ConfigViewControllerInfo::textView);
    registerPage<VersionHistoryViewController>({680, 460}, "Version History",
                                               &VersionHistoryViewController::markdownTextView);
}

}  // namespace frelt
