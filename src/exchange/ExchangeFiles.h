#pragma once
// What the export, the CSV list and the diagnostics report share when they
// write a file the user chose: the save panel, and the access request for a
// file that already exists there.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/URL.h"

namespace frelt {

// Runs a save panel for one file of `extension` (no other types, folders may
// be created) modally; the chosen URL, or none when the user cancelled.
std::optional<platform::URL> chooseFileToSave(const std::string& extension);

// Runs `write` at once when nothing exists at `url` yet. Over an existing
// file it first asks for read-write access (asking the user when needed and
// keeping the grant) and writes only when that succeeds, inside the granted
// access; a refusal ends silently.
void writeWhenPermitted(const platform::URL& url, const std::function<void()>& write);

// The parts with `separator` between them.
std::string joined(const std::vector<std::string>& parts, const std::string& separator);

// One message, taken as it is, in the log category of export and import, at
// default or error level.
void logExchange(const std::string& message);
void logExchangeError(const std::string& message);

}  // namespace frelt
