// Writes a configuration for a desktop run of the program into the folders
// the environment names (HOME and the XDG variables): a number of entries
// (half links, half files with tags; some with a comment or a colour, as
// people's lists have them), the global hotkey Ctrl+Alt+Space, the
// presentation of the main window, and "launched before", so no first-run
// dialog shows.
//
//   frelt_make_configuration ENTRIES [window|popover] [debug]

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: frelt_make_configuration ENTRIES [window|popover] [debug]\n";
        return 2;
    }
    const int entries = std::stoi(argv[1]);
    const std::string style = argc > 2 ? argv[2] : "window";
    const bool debug = argc > 3 && std::string(argv[3]) == "debug";

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
        entry->setTags({"Tag " + std::to_string(i % 50)});
        if (i % 3 == 0) entry->setComment(i % 2 ? "Read before the meeting" : "Shared with the team");
        if (i % 5 == 0) {
            static const platform::Color colors[] = {platform::Color::sRGB(0.96, 0.52, 0.16),
                                                     platform::Color::sRGB(0.20, 0.62, 0.90),
                                                     platform::Color::sRGB(0.35, 0.75, 0.35)};
            entry->setColor(colors[(i / 5) % 3]);
        }
        store->addToAllData(entry);
    }
    namespace mf = platform::modifierflags;
    config->globalKeyCombo = frelt::KeyCombo::make(frelt::Key::space, mf::command | mf::option);
    config->windowViewStyle = style == "popover" ? 0 : 1;
    config->setDebugLogging(debug);
    config->saveConfig(false);
    config->defaults->set(frelt::DefaultsKeys::launchedBefore, platform::Value(true));
    config->defaults->synchronize();
    std::cout << "configuration with " << store->allData()->count() << " entries in "
              << platform::Paths::configFolder().string() << "\n";
    return 0;
}
