#include "platform/linux/DesktopEntryCrawler.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>

#include "platform/foundation/SingleInstance.h"
#include "platform/log/Log.h"

namespace platform {

namespace {

const Log& crawlLog() {
    static const Log log("org.frelt.platform", "desktopEntries");
    return log;
}

struct InjectorTag {};
using Injector = ResettableValue<InjectorTag, DesktopEntryCrawler::FaultInjector>;

bool injectedFailure(const std::string& path) {
    const auto injector = Injector::get();
    return injector && injector(path);
}

struct Walk {
    std::set<std::pair<std::uint64_t, std::uint64_t>> visited;  // folders, against link loops
    std::vector<std::string> folders;
    std::vector<std::pair<std::string, std::string>> files;    // path, desktop id
};

void walkFolder(const std::string& scope, const std::string& folder, int depth, Walk& walk) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    if (!walk.visited.insert({st.st_dev, st.st_ino}).second) return;
    DIR* dir = injectedFailure(folder) ? nullptr : opendir(folder.c_str());
    if (!dir) {
        crawlLog().write(LogLevel::Error, "Skipped folder " + folder + ": it cannot be read");
        return;
    }
    walk.folders.push_back(folder);
    std::vector<std::string> names;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        const std::string path = folder + "/" + name;
        const bool isEntry = name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0;
        if (isEntry) {
            walk.files.emplace_back(path, desktopentry::desktopId(scope, path));
        } else if (depth < DesktopEntryCrawler::maxDepth) {
            walkFolder(scope, path, depth + 1, walk);
        }
    }
}

}  // namespace

void DesktopEntryCrawler::setReadFaultInjector(FaultInjector injector) { Injector::set(std::move(injector)); }

DesktopEntryCrawler::Result DesktopEntryCrawler::crawl(const std::vector<std::string>& scopes) {
    Result result;
    Walk walk;
    std::vector<std::string> awaited;
    for (const auto& scope : scopes) {
        std::string folder = scope;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        struct stat st {};
        if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            walkFolder(folder, folder, 0, walk);
            continue;
        }
        // A scope that does not exist yet (a fresh account's own folder, the
        // folder a first package install makes): its nearest existing parent
        // is watched, so the scope is searched as soon as it appears.
        std::string parent = folder;
        while (true) {
            const auto slash = parent.find_last_of('/');
            if (slash == std::string::npos) break;
            parent = slash == 0 ? std::string("/") : parent.substr(0, slash);
            if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                awaited.push_back(parent);
                break;
            }
            if (parent == "/") break;
        }
    }
    result.folders = std::move(walk.folders);
    for (const auto& parent : awaited)
        if (std::find(result.folders.begin(), result.folders.end(), parent) == result.folders.end())
            result.folders.push_back(parent);

    const auto& languages = desktopentry::languageNames();
    const auto desktops = desktopentry::currentDesktops();
    std::set<std::string> seenIds;
    std::map<std::string, Cached> nextCache;
    for (const auto& [path, id] : walk.files) {
        // An earlier folder's entry of the same id wins, whatever it says;
        // one that cannot be used counts as absent.
        if (seenIds.count(id)) continue;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        Cached fresh;
        fresh.device = st.st_dev;
        fresh.inode = st.st_ino;
        fresh.size = static_cast<std::uint64_t>(st.st_size);
        fresh.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        auto cached = cache_.find(path);
        if (cached != cache_.end() && cached->second.device == fresh.device && cached->second.inode == fresh.inode &&
            cached->second.size == fresh.size && cached->second.mtimeNs == fresh.mtimeNs &&
            (!cached->second.entry || cached->second.entry->desktopId == id)) {
            fresh.entry = cached->second.entry;
        } else {
            std::string why;
            if (injectedFailure(path)) why = "it cannot be read";
            else fresh.entry = desktopentry::read(path, id, languages, &why);
            if (!fresh.entry) crawlLog().write(LogLevel::Error, "Skipped desktop entry " + path + ": " + why);
        }
        if (fresh.entry) {
            seenIds.insert(id);
            if (fresh.entry->isListedApplication(desktops)) result.applications.push_back(*fresh.entry);
        }
        nextCache.emplace(path, std::move(fresh));
    }
    cache_ = std::move(nextCache);
    return result;
}

}  // namespace platform
