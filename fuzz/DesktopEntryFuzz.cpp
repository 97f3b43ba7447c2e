// Feeds arbitrary bytes to the desktop-entry reader, as the application
// search reads every file below the applications folders: it must refuse
// cleanly or give an entry whose values can be used.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/DesktopEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const std::vector<std::string> languages{"sr_RS@latin", "sr_RS", "sr@latin", "sr", "de"};
    std::string error;
    const auto entry = platform::desktopentry::parse(text, "/usr/share/applications/fuzz.desktop", languages, &error);
    if (entry) {
        (void)entry->isListedApplication({"GNOME", "KDE"});
        (void)entry->execProgram();
    }
    // The command line splitter on its own: the text as one Exec value.
    (void)platform::desktopentry::splitExec(text, &error);
    return 0;
}
