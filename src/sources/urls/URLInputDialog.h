#pragma once
// The dialog that asks the user one question of a URL template while an
// entry opens. It is a modal window of the configuration window's kit; until
// that window exists nobody can be asked, and every question is answered
// with none, which opens nothing.

#include <optional>
#include <string>

namespace frelt {

// The user's answer to `question` (the default label for an empty one), or
// none when the user cancels or the dialog cannot be shown.
std::optional<std::string> showURLInputDialog(const std::string& urlTemplate, const std::string& question);

}  // namespace frelt
