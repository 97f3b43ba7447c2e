#include "platform/linux/DesktopEntry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/foundation/Text.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The general escapes of string values: \s \n \t \r \\ (and \; kept for lists).
std::string unescaped(std::string_view s, bool keepSemicolonEscape) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        case ';':
            if (keepSemicolonEscape) out += "\\;";
            else out += ';';
            break;
        default:
            out += '\\';
            out += c;
        }
    }
    return out;
}

std::vector<std::string> listValue(std::string_view raw) {
    std::vector<std::string> out;
    std::string current;
    const std::string value = unescaped(raw, true);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            current += ';';
            ++i;
        } else if (value[i] == ';') {
            out.push_back(std::move(current));
            current.clear();
        } else {
            current += value[i];
        }
    }
    if (!current.empty()) out.push_back(std::move(current));
    return out;
}

bool boolValue(std::string_view raw) { return raw == "true"; }

std::vector<std::string> variantsOf(std::string locale) {
    // lang_COUNTRY.ENCODING@MODIFIER, in the order the desktop-entry standard tries them.
    std::string modifier;
    if (auto at = locale.find('@'); at != std::string::npos) {
        modifier = locale.substr(at + 1);
        locale.erase(at);
    }
    if (auto dot = locale.find('.'); dot != std::string::npos) locale.erase(dot);
    std::string country;
    std::string lang = locale;
    if (auto us = locale.find('_'); us != std::string::npos) {
        country = locale.substr(us + 1);
        lang = locale.substr(0, us);
    }
    std::vector<std::string> out;
    if (lang.empty() || lang == "C" || lang == "POSIX") return out;
    if (!country.empty() && !modifier.empty()) out.push_back(lang + "_" + country + "@" + modifier);
    if (!country.empty()) out.push_back(lang + "_" + country);
    if (!modifier.empty()) out.push_back(lang + "@" + modifier);
    out.push_back(lang);
    return out;
}

}  // namespace

bool DesktopEntry::isShownIn(const std::vector<std::string>& desktops) const {
    const auto listed = [&](const std::vector<std::string>& names) {
        return std::any_of(desktops.begin(), desktops.end(), [&](const std::string& d) {
            return std::find(names.begin(), names.end(), d) != names.end();
        });
    };
    if (!onlyShowIn.empty() && !listed(onlyShowIn)) return false;
    return !listed(notShowIn);
}

bool DesktopEntry::isTryExecInstalled() const {
    return tryExec.empty() || desktopentry::findProgram(tryExec).has_value();
}

bool DesktopEntry::isListedApplication(const std::vector<std::string>& desktops) const {
    return type == "Application" && !noDisplay && !hidden && isShownIn(desktops) && isTryExecInstalled();
}

namespace desktopentry {

std::optional<std::string> findProgram(const std::string& program) {
    const auto executable = [](const std::string& file) {
        struct stat st {};
        return stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0;
    };
    if (program.empty()) return std::nullopt;
    if (program.find('/') != std::string::npos) {
        if (executable(program)) return program;
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        const std::string candidate = folder + "/" + program;
        if (executable(candidate)) return candidate;
    }
    return std::nullopt;
}

std::string desktopId(const fs::path& folder, const fs::path& file) {
    std::string id = file.lexically_relative(folder).generic_string();
    std::replace(id.begin(), id.end(), '/', '-');
    return id;
}

std::optional<std::vector<std::string>> splitExec(std::string_view exec, std::string* error) {
    const auto fail = [&](std::string reason) -> std::optional<std::vector<std::string>> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    std::vector<std::string> args;
    std::string current;
    // An argument made only of deprecated field codes disappears; a quoted
    // empty one stays.
    bool quoted = false;
    const auto endArgument = [&] {
        if (!current.empty() || quoted) args.push_back(std::move(current));
        current.clear();
        quoted = false;
    };
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            endArgument();
            continue;
        }
        if (c == '"') {
            quoted = true;
            bool closed = false;
            for (++i; i < exec.size(); ++i) {
                if (exec[i] == '"') {
                    closed = true;
                    break;
                }
                if (exec[i] == '\\' && i + 1 < exec.size() && std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos)
                    ++i;
                current += exec[i];
            }
            if (!closed) return fail("unterminated quote in Exec");
            continue;
        }
        if (c == '%') {
            if (i + 1 == exec.size()) return fail("a lone % at the end of Exec");
            const char code = exec[++i];
            if (code == '%') {
                current += '%';
            } else if (std::string_view("fFuUick").find(code) != std::string_view::npos) {
                current += '%';
                current += code;
            } else if (std::string_view("dDnNvm").find(code) == std::string_view::npos) {
                return fail(std::string("unknown field code %") + code + " in Exec");
            }
            continue;
        }
        current += c;
    }
    endArgument();
    if (args.empty() || args.front().empty()) return fail("empty command in Exec");
    return args;
}

std::optional<DesktopEntry> parse(std::string_view contents, const std::string& path,
                                  const std::vector<std::string>& languages, std::string* error) {
    const auto fail = [&](std::string reason) -> std::optional<DesktopEntry> {
        if (error) *error = std::move(reason);
        return std::nullopt;
    };
    if (contents.size() > maxFileSize) return fail("larger than " + std::to_string(maxFileSize) + " bytes");
    if (!text::isValidUTF8(contents)) return fail("not valid UTF-8");

    // Keys of the [Desktop Entry] group, localized ones under "Key[locale]".
    std::map<std::string, std::string_view, std::less<>> keys;
    bool inGroup = false;
    bool sawGroup = false;
    std::size_t start = 0;
    while (start <= contents.size()) {
        std::size_t end = contents.find('\n', start);
        if (end == std::string_view::npos) end = contents.size();
        const std::string_view line = trimmed(contents.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            if (inGroup) break;  // only the first group matters
            inGroup = line == "[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup) continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key(trimmed(line.substr(0, eq)));
        keys.emplace(key, trimmed(line.substr(eq + 1)));  // the first of repeated keys wins
    }
    if (!sawGroup) return fail("no [Desktop Entry] group");

    const auto get = [&](std::string_view key) -> std::optional<std::string_view> {
        auto it = keys.find(key);
        if (it == keys.end()) return std::nullopt;
        return it->second;
    };
    DesktopEntry entry;
    entry.path = path;
    entry.type = unescaped(get("Type").value_or(""), false);
    entry.name = unescaped(get("Name").value_or(""), false);
    for (const auto& language : languages) {
        if (auto localized = get("Name[" + language + "]")) {
            entry.name = unescaped(*localized, false);
            break;
        }
    }
    entry.exec = unescaped(get("Exec").value_or(""), false);
    entry.tryExec = unescaped(get("TryExec").value_or(""), false);
    entry.icon = unescaped(get("Icon").value_or(""), false);
    entry.startupWMClass = unescaped(get("StartupWMClass").value_or(""), false);
    entry.onlyShowIn = listValue(get("OnlyShowIn").value_or(""));
    entry.notShowIn = listValue(get("NotShowIn").value_or(""));
    entry.noDisplay = boolValue(get("NoDisplay").value_or(""));
    entry.hidden = boolValue(get("Hidden").value_or(""));
    entry.dbusActivatable = boolValue(get("DBusActivatable").value_or(""));

    // A deleted entry only shadows; its command is never used.
    if (entry.type == "Application" && !entry.hidden) {
        if (entry.exec.empty()) {
            if (!entry.dbusActivatable) return fail("an application without Exec");
        } else {
            std::string why;
            auto args = splitExec(entry.exec, &why);
            if (!args) return fail(why);
            entry.execArguments = std::move(*args);
        }
        if (entry.name.empty()) return fail("an application without Name");
    }
    return entry;
}

std::optional<DesktopEntry> read(const fs::path& file, const std::string& desktopId,
                                 const std::vector<std::string>& languages, std::string* error) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) {
        if (error) *error = ec.message();
        return std::nullopt;
    }
    if (size > maxFileSize) {
        if (error) *error = "larger than " + std::to_string(maxFileSize) + " bytes";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot be opened";
        return std::nullopt;
    }
    std::string contents(static_cast<std::size_t>(size), '\0');
    in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    contents.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        if (error) *error = "cannot be read";
        return std::nullopt;
    }
    auto entry = parse(contents, file.string(), languages, error);
    if (entry) entry->desktopId = desktopId;
    return entry;
}

const std::vector<std::string>& languageNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(variable);
            if (!value || !*value) continue;
            // LANGUAGE is a colon-separated list of preferences; the others one locale.
            std::stringstream list(value);
            std::string locale;
            while (std::getline(list, locale, ':'))
                for (auto& v : variantsOf(locale))
                    if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(std::move(v));
            if (std::string_view(variable) != "LANGUAGE") break;
        }
        return out;
    }();
    return names;
}

std::vector<std::string> currentDesktops() {
    std::vector<std::string> out;
    const char* value = std::getenv("XDG_CURRENT_DESKTOP");
    if (!value) return out;
    std::stringstream list(value);
    std::string name;
    while (std::getline(list, name, ':'))
        if (!name.empty()) out.push_back(name);
    return out;
}

}  // namespace desktopentry

}  // namespace platform
