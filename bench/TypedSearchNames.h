#pragma once
// Entry names shaped like a desktop's: application names, document and
// folder names. The seeds are a fixed list of application and document
// names, the names of the desktop entries in /usr/share/applications and
// the names of the files under /usr/share (walked in sorted order); the
// seeds are multiplied with the variations people's files carry (years,
// drafts, copies, numbers, extensions). The same machine always gives the
// same names: seeds are sorted and the variations come from a fixed
// pseudo-random sequence.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace frelt::bench {

enum class NameKind { application, document, folder };

struct GeneratedName {
    std::string name;
    NameKind kind;
};

namespace detail {

inline const std::vector<std::string>& applicationSeeds() {
    static const std::vector<std::string> names{
        "Text Editor", "Terminal", "Files", "Image Viewer", "Document Viewer", "Calculator", "Calendar", "Contacts",
        "Disks", "Disk Usage Analyzer", "Fonts", "Help", "Logs", "Maps", "Music", "Photos", "Screenshot", "Settings",
        "System Monitor", "Videos", "Weather", "Web Browser", "Mail", "Archive Manager", "Backups", "Character Map",
        "Clocks", "Connections", "Document Scanner", "Software", "Sound Recorder", "Passwords and Keys",
        "Remote Desktop Viewer", "Power Statistics", "Print Settings", "Color Profile Viewer", "Network Tools",
        "Spreadsheet", "Presentation", "Drawing", "Database", "Formula Editor", "Audio Editor", "Video Editor",
        "Vector Graphics Editor", "Raster Graphics Editor", "Photo Manager", "Music Player", "Podcast Player",
        "Media Player", "Ebook Reader", "Feed Reader", "Chat", "Video Calls", "Notes", "Tasks", "Password Manager",
        "Bluetooth Manager", "Printer Configuration", "Input Method Configuration", "Language Support",
        "Firewall Configuration", "Software Updater", "Startup Applications", "Keyboard Layout", "Display Settings",
        "Python 3.11", "Vim", "Window Manager", "Torrent Client", "File Synchronizer", "Code Editor",
        "Hex Editor", "Diff Viewer", "Git Client", "Virtual Machines", "Font Manager", "Scanner Utility",
        "Battery Monitor", "Clipboard Manager", "Screen Reader", "On-Screen Keyboard", "Magnifier"};
    return names;
}

inline const std::vector<std::string>& documentSeeds() {
    static const std::vector<std::string> names{
        "Report", "Quarterly report", "Annual Report", "Invoice", "Budget", "Tax return", "Meeting notes",
        "Project plan", "Presentation", "Contract", "Letter", "Resume", "Cover letter", "Recipe", "Travel plans",
        "Holiday photos", "Screenshot", "Scan", "Receipt", "Bank statement", "Insurance", "Manual",
        "Reading list", "Shopping list", "Minutes", "Proposal", "Draft", "Thesis", "Chapter", "Spreadsheet",
        "Timesheet", "Expenses", "Inventory", "Backup", "Config", "Design", "Mockup", "Logo", "Wallpaper",
        "Playlist", "Podcast", "Interview", "Lecture", "Homework", "Exam", "Certificate", "Passport scan",
        "Floor plan", "Garden", "Car service", "Birthday", "Wedding", "Newsletter", "Brochure", "Flyer"};
    return names;
}

inline const std::vector<std::string>& folderSeeds() {
    static const std::vector<std::string> names{
        "Documents", "Downloads", "Pictures", "Music", "Videos", "Desktop", "Projects", "Work", "Personal",
        "Archive", "Backups", "Invoices", "Reports", "Photos", "Taxes", "School", "Clients", "Templates",
        "Screenshots", "Scans", "Recipes", "Travel", "Family", "Finance", "Health", "Code", "Books", "Papers"};
    return names;
}

inline const std::vector<std::string>& extensions() {
    static const std::vector<std::string> names{".pdf", ".odt", ".docx", ".txt", ".md", ".ods", ".xlsx", ".png",
                                                ".jpg", ".svg", ".mp3", ".ogg", ".mp4", ".zip", ".tar.gz", ".html"};
    return names;
}

// The Name= line of a desktop entry (the untranslated one).
inline std::string desktopEntryName(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Name=", 0) == 0) return line.substr(5);
    return {};
}

// File names under /usr/share in a sorted walk, at most `limit`.
inline std::vector<std::string> sharedFileNames(std::size_t limit) {
    std::vector<std::string> out;
    std::vector<std::filesystem::path> folders{"/usr/share"};
    std::set<std::string> seen;
    while (!folders.empty() && out.size() < limit) {
        const auto folder = folders.front();
        folders.erase(folders.begin());
        std::vector<std::filesystem::directory_entry> children;
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            children.push_back(*it);
        std::sort(children.begin(), children.end(),
                  [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
        for (const auto& child : children) {
            std::error_code e;
            if (child.is_symlink(e)) continue;
            if (child.is_directory(e)) folders.push_back(child.path());
            else if (child.is_regular_file(e)) {
                const std::string name = child.path().filename().string();
                if (name.size() > 2 && name.find('\n') == std::string::npos && seen.insert(name).second)
                    out.push_back(name);
            }
            if (out.size() >= limit) break;
        }
    }
    return out;
}

struct Sequence {
    std::uint64_t state;
    std::uint64_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state >> 33;
    }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[next() % from.size()];
    }
};

}  // namespace detail

// `count` names: about a tenth applications, a tenth folders, the rest
// documents. Names repeat as they do on a real disk (the same document
// name in several folders); the caller keeps paths apart.
inline std::vector<GeneratedName> generatedNames(std::size_t count) {
    using namespace detail;
    std::vector<std::string> applications = applicationSeeds();
    std::error_code error;
    for (std::filesystem::directory_iterator it("/usr/share/applications", error), end; !error && it != end;
         it.increment(error))
        if (it->path().extension() == ".desktop")
            if (auto name = desktopEntryName(it->path()); !name.empty()) applications.push_back(name);
    std::sort(applications.begin(), applications.end());
    applications.erase(std::unique(applications.begin(), applications.end()), applications.end());

    std::vector<std::string> documents = documentSeeds();
    for (auto& name : sharedFileNames(20000)) documents.push_back(std::move(name));

    static const std::vector<std::string> years{"2019", "2020", "2021", "2022", "2023", "2024", "2025"};
    static const std::vector<std::string> months{"January", "March", "May", "July", "September", "November"};
    static const std::vector<std::string> tails{"draft", "final", "v2", "(copy)", "old", "new", "signed", "review"};

    Sequence random{20240601};
    std::vector<GeneratedName> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto roll = random.next() % 10;
        if (roll == 0) {
            std::string name = random.pick(applications);
            if (random.next() % 3 == 0) name += " " + std::to_string(1 + random.next() % 12);
            out.push_back({name, NameKind::application});
        } else if (roll == 1) {
            std::string name = random.pick(folderSeeds());
            if (random.next() % 2) name += " " + random.pick(years);
            out.push_back({name, NameKind::folder});
        } else {
            std::string name = random.pick(documents);
            switch (random.next() % 6) {
                case 0: name += " " + random.pick(years); break;
                case 1: name += " " + random.pick(months) + " " + random.pick(years); break;
                case 2: name += " " + random.pick(tails); break;
                case 3: name += " " + std::to_string(1 + random.next() % 400); break;
                default: break;
            }
            // Seeds without an extension get one, as saved documents have.
            if (name.find('.') == std::string::npos) name += random.pick(extensions());
            out.push_back({name, NameKind::document});
        }
    }
    return out;
}

}  // namespace frelt::bench
