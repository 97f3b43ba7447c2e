#pragma once
// The service through which other programs hand files and folders to
// Frelt: the file manager's "Open With", a second start with file
// arguments. The desktop's session bus delivers the call as the service
// message "serviceAddFile" with the paths on a pasteboard under
// "NSFilenamesPboardType"; the paths go to the main window.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Object.h"
#include "platform/appkit/Pasteboard.h"

namespace frelt {

class ServiceManager : public platform::Object {
public:
    // The message the service is declared with.
    static constexpr const char* serviceAddFileMessage = "serviceAddFile";

    explicit ServiceManager(std::string errorMessage);

    // Carried, never reported.
    const std::string errorMessage;

    // A list of path strings under "NSFilenamesPboardType" goes to the main
    // window; anything else is ignored.
    void serviceAddFile(const platform::Pasteboard& pasteboard, const std::string& userData);
};

// Delivers files handed over on the session bus as the desktop delivers a
// service call: on a pasteboard of their own, under "NSFilenamesPboardType",
// to the application's services provider. False when no provider takes it.
bool performServiceAddFile(const std::vector<std::string>& paths);

}  // namespace frelt
