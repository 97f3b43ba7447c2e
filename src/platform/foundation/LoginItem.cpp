#include "platform/foundation/LoginItem.h"

#include <sstream>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/ReadFile.h"

namespace platform {

namespace {

std::string trim(const std::string& s) {
    const auto begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    const auto end = s.find_last_not_of(" \t\r");
    return s.substr(begin, end - begin + 1);
}

// The value of `key` in the [Desktop Entry] group; empty when absent.
std::string desktopEntryValue(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    std::string line;
    bool inEntryGroup = false;
    std::string value;
    while (std::getline(lines, line)) {
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        if (t[0] == '[') {
            inEntryGroup = t == "[Desktop Entry]";
            continue;
        }
        if (!inEntryGroup) continue;
        const auto eq = t.find('=');
        if (eq == std::string::npos) continue;
        if (trim(t.substr(0, eq)) == key) value = trim(t.substr(eq + 1));
    }
    return value;
}

// Line breaks would end the key's value early.
std::string singleLine(std::string s) {
    for (auto& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    return s;
}

}  // namespace

std::filesystem::path LoginItem::autostartFolder() { return Paths::configHome() / "autostart"; }

std::filesystem::path LoginItem::autostartFile(const std::string& identifier) {
    return autostartFolder() / (identifier + ".desktop");
}

bool LoginItem::isEnabled(const std::string& identifier) {
    const auto text = readWholeFile(autostartFile(identifier));
    if (!text) return false;
    return desktopEntryValue(*text, "Hidden") != "true";
}

bool LoginItem::setEnabled(const std::string& identifier, bool enabled, const Entry& entry, std::string* error) {
    const auto file = autostartFile(identifier);
    if (enabled) {
        const std::string text = desktopEntryText(entry);
        return writeFileAtomically(file, Data(text.begin(), text.end()), error);
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (ec) {
        if (error) *error = "Could not remove " + file.string() + ": " + ec.message();
        return false;
    }
    return true;
}

std::string LoginItem::desktopEntryText(const Entry& entry) {
    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=" + singleLine(entry.name) + "\n";
    if (!entry.comment.empty()) text += "Comment=" + singleLine(entry.comment) + "\n";
    text += "Exec=" + singleLine(entry.exec) + "\n";
    if (!entry.icon.empty()) text += "Icon=" + singleLine(entry.icon) + "\n";
    text += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
    return text;
}

std::string LoginItem::quotedExecArgument(const std::string& argument) {
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    bool needsQuotes = argument.empty();
    for (const char c : argument)
        if (reserved.find(c) != std::string::npos) needsQuotes = true;
    std::string out;
    for (const char c : argument) {
        // A literal percent sign is doubled in any case. Inside quotes the
        // quote, dollar, backquote and backslash get a backslash, and the
        // file's own string escaping doubles every backslash once more.
        if (c == '%') out += "%%";
        else if (needsQuotes && c == '\\') out += "\\\\\\\\";
        else if (needsQuotes && (c == '"' || c == '`' || c == '$')) out += std::string("\\\\") + c;
        else out += c;
    }
    return needsQuotes ? "\"" + out + "\"" : out;
}

std::string LoginItem::currentExecutablePath() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

}  // namespace platform
