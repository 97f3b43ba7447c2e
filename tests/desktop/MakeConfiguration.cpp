// Writes a configuration for a desktop run of the program into the folders
// the environment names (HOME and the XDG variables): a number of entries
// (half links, half files with tags; some with a comment or a colour, as
// people's lists have them), the global hotkey Ctrl+Alt+Space, the
// presentation of the main window, and "launched before", so no first-run
// dialog shows. With "sidebar" the tags are nested ("Work|Projects|Frelt"
// and its kin), some with a colour and a symbol of their own, one entry is
// a favourite, and every category of the sidebar and the tags' counts are
// shown. With "doubletap" the global hotkey is a double tap of Ctrl instead.
// With "question" one more entry, "Quokka Question", opens a URL of the
// scheme x-frelt-question that asks the user for its text first. With
// "catcher" one more entry, the application "Drop Catcher" of the desktop
// entry frelt-drop-catcher.desktop in the user's applications folder
// (written by the test).
//
//   frelt_make_configuration ENTRIES [window|popover] [debug] [sidebar] [doubletap] [question] [catcher]

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: frelt_make_configuration ENTRIES [window|popover] [debug] [sidebar] [doubletap] [question] "
                     "[catcher]\n";
        return 2;
    }
    const int entries = std::stoi(argv[1]);
    const std::string style = argc > 2 ? argv[2] : "window";
    bool debug = false, sidebar = false, doubleTap = false, question = false, catcher = false;
    for (int i = 3; i < argc; ++i) {
        debug = debug || std::string(argv[i]) == "debug";
        doubleTap = doubleTap || std::string(argv[i]) == "doubletap";
        sidebar = sidebar || std::string(argv[i]) == "sidebar";
        question = question || std::string(argv[i]) == "question";
        catcher = catcher || std::string(argv[i]) == "catcher";
    }
    // Three levels deep under Work; Home is a folder only.
    const std::vector<std::string> nestedTags = {"Work",        "Work|Projects", "Work|Projects|Frelt", "Work|Mail",
                                                 "Home|Garden", "Home|Recipes",  "Travel"};

    const auto config = frelt::AppDelegate::shared()->config;
    config->loadConfig();
    const auto files = platform::Paths::home() / "Documents" / "many";
    std::filesystem::create_directories(files);
    const auto store = frelt::DataStorage::shared();
    for (int i = 0; i < entries; ++i) {
        const std::string name = "Entry " + std::to_string(i);
        frelt::TableViewItem::Ptr entry;
        if (i % 2 == 0) {
            entry = frelt::TableViewItem::initForURL("https://example.org/" + std::to_string(i), name, "");
        } else {
            const auto path = files / (name + ".txt");
            std::ofstream(path) << "x";
            entry = frelt::TableViewItem::initForExternalNonSpotlightObject(path.string());
        }
        entry->setTags({sidebar ? nestedTags[std::size_t(i) % nestedTags.size()] : "Tag " + std::to_string(i % 50)});
        if (sidebar && i == 1) entry->setIsFavorite(true);
        if (i % 3 == 0) entry->setComment(i % 2 ? "Read before the meeting" : "Shared with the team");
        if (i % 5 == 0) {
            static const platform::Color colors[] = {platform::Color::sRGB(0.96, 0.52, 0.16),
                                                     platform::Color::sRGB(0.20, 0.62, 0.90),
                                                     platform::Color::sRGB(0.35, 0.75, 0.35)};
            entry->setColor(colors[(i / 5) % 3]);
        }
        store->addToAllData(entry);
    }
    if (question)
        store->addToAllData(
            frelt::TableViewItem::initForURL("x-frelt-question://find?q=%%userInput:Question%%", "Quokka Question", ""));
    if (catcher)
        store->addToAllData(frelt::TableViewItem::initForSpotlightApp(
            (platform::Paths::dataHome() / "applications" / "frelt-drop-catcher.desktop").string(), "Drop Catcher"));
    if (sidebar) {
        struct Look {
            const char* tag;
            const char* symbol;
            platform::Color color;
        };
        const auto tags = frelt::TagManager::shared()->allAvailableTags();
        for (const auto& look : {Look{"Work|Projects|Frelt", "icon_folder_code", platform::Color::sRGB(0.85, 0.25, 0.2)},
                                 Look{"Home|Garden", "icon_folder_heart", platform::Color::sRGB(0.2, 0.6, 0.3)},
                                 Look{"Travel", "icon_tags", platform::Color::sRGB(0.2, 0.4, 0.85)}}) {
            auto tag = frelt::iconTag::initWithNewName(look.tag, look.symbol);
            tag->setColor(look.color);
            tags->append(tag);
        }
        config->setSidebarCategoriesShowFiles(true);
        config->setSidebarCategoriesShowFolders(true);
        config->setSidebarCategoriesShowURLs(true);
        config->setSidebarCategoriesShowRecentApplications(true);
        config->setSidebarCategoriesShowActiveApplications(true);
        config->setSidebarCategoriesShowFavorites(true);
        config->sidebarCategoriesShowNumberOfElementInSidebar = true;
    }
    namespace mf = platform::modifierflags;
    config->globalKeyCombo = doubleTap ? frelt::KeyCombo::makeDoubled(mf::command)
                                       : frelt::KeyCombo::make(frelt::Key::space, mf::command | mf::option);
    config->windowViewStyle = style == "popover" ? 0 : 1;
    config->setDebugLogging(debug);
    config->saveConfig(false);
    config->defaults->set(frelt::DefaultsKeys::launchedBefore, platform::Value(true));
    config->defaults->synchronize();
    std::cout << "configuration with " << store->allData()->count() << " entries in "
              << platform::Paths::configFolder().string() << "\n";
    return 0;
}
