#include "sources/FileHelpers.h"

#include <glib.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/foundation/Process.h"
#include "platform/foundation/RawValue.h"
#include "platform/foundation/Text.h"
#include "store/Logging.h"

namespace frelt {
namespace {

inline constexpr platform::RawValueTable<FileObjectKind, 5> fileObjectKinds{{{
    {FileObjectKind::file, "file"},
    {FileObjectKind::folder, "folder"},
    {FileObjectKind::application, "application"},
    {FileObjectKind::other, "other"},
    {FileObjectKind::unreachable, "unreachable"},
}}};

// A desktop entry larger than this is no application we would launch; it is
// not read at all.
constexpr off_t maximumDesktopEntrySize = 1 << 20;

// The status of what a file URL leads to, links followed.
std::optional<struct stat> statusOf(const platform::URL& url) {
    if (!url.isFileURL()) return std::nullopt;
    const std::string path = url.path();
    if (path.empty()) return std::nullopt;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isApplicationDesktopEntry(const std::string& path, const struct stat& st) {
    if (!S_ISREG(st.st_mode) || st.st_size > maximumDesktopEntrySize || !endsWith(path, ".desktop")) return false;
    std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(), &g_key_file_free);
    GError* error = nullptr;
    if (!g_key_file_load_from_file(file.get(), path.c_str(), G_KEY_FILE_NONE, &error)) {
        g_clear_error(&error);
        return false;
    }
    // The raw value: Type is not localized, and escapes have no place in it.
    gchar* type = g_key_file_get_value(file.get(), "Desktop Entry", "Type", &error);
    g_clear_error(&error);
    const bool application = type && std::string_view(type) == "Application";
    g_free(type);
    return application;
}

// The file-system type recorded for a device in the mount table, or empty.
std::string mountedFileSystemType(dev_t device) {
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string line;
    std::string found;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, numbers;
        fields >> id >> parent >> numbers;
        if (numbers != wanted) continue;
        const auto separator = line.find(" - ");
        if (separator == std::string::npos) continue;
        std::istringstream rest(line.substr(separator + 3));
        rest >> found;  // the last mount of the device wins, as it hides earlier ones
    }
    return found;
}

bool isNetworkFileSystem(const std::string& path, dev_t device) {
    struct statfs fs {};
    if (::statfs(path.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x6969UL:      // NFS
        case 0x517BUL:      // SMB
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x5346414FUL:  // AFS
        case 0x6B414653UL:  // kAFS
        case 0x73757245UL:  // Coda
        case 0x564CUL:      // NCP
        case 0x00C36400UL:  // Ceph
            return true;
        case 0x65735546UL: {  // FUSE: the mount table names the kind
            const std::string type = mountedFileSystemType(device);
            for (const char* remote : {"sshfs", "rclone", "s3fs", "smb", "nfs", "davfs", "gvfsd-fuse", "curlftpfs"}) {
                if (type.find(remote) != std::string::npos) return true;
            }
            return false;
        }
        default:
            return false;
    }
}


bool isLineBreakAt(const std::string& text, std::size_t i, std::size_t& length) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x0A && c <= 0x0D) {
        length = 1;
        return true;
    }
    // U+0085 is C2 85; U+2028 and U+2029 are E2 80 A8 and E2 80 A9.
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
        length = 2;
        return true;
    }
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
        const auto last = static_cast<unsigned char>(text[i + 2]);
        if (last == 0xA8 || last == 0xA9) {
            length = 3;
            return true;
        }
    }
    return false;
}

// The byte offset where a line break ends, searching back from `end`.
std::size_t lineBreakStartingBefore(const std::string& text, std::size_t end, std::size_t begin) {
    for (std::size_t length : {std::size_t{1}, std::size_t{2}, std::size_t{3}}) {
        if (end < begin + length) break;
        std::size_t found = 0;
        if (isLineBreakAt(text, end - length, found) && found == length) return end - length;
    }
    return end;
}

}  // namespace

const char* rawValue(FileObjectKind kind) { return fileObjectKinds.rawValue(kind); }

std::optional<FileObjectKind> fileObjectKindFromRawValue(std::string_view raw) {
    return fileObjectKinds.fromRawValue(raw);
}

bool isReachable(const platform::URL& url) { return statusOf(url).has_value(); }

bool isFileReachable(const std::string& path) {
    if (path.empty()) return false;
    return isReachable(platform::URL::fileURL(path));
}

std::vector<std::string> outputLines(const platform::Data& data) {
    std::string text(data.begin(), data.end());
    if (!platform::text::isValidUTF8(text)) return {};
    std::size_t begin = 0;
    std::size_t end = text.size();
    for (std::size_t length = 0; begin < end && isLineBreakAt(text, begin, length);) begin += length;
    for (std::size_t start; begin < end && (start = lineBreakStartingBefore(text, end, begin)) != end;) end = start;
    std::vector<std::string> lines;
    std::size_t from = begin;
    for (;;) {
        const std::size_t at = text.find('\n', from);
        if (at == std::string::npos || at >= end) {
            lines.push_back(text.substr(from, end - from));
            break;
        }
        lines.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    return lines;
}

ExecutableOutput runExecutable(const std::string& path, const std::vector<std::string>& arguments,
                               std::optional<std::chrono::milliseconds> timeout) {
    const platform::URL url = platform::URL::fileURL(path);
    if (path.empty() || !isReachable(url)) return {};

    std::string launchError;
    platform::Process::Options options;
    options.timeout = timeout;
    const auto result = platform::Process::run(url.path(), arguments, options, &launchError);
    if (!result) {
        frelt::log(LogCategory::shortcuts, LogLevel::Default, "Task creation failed with error: %{public}@ items", launchError);
        return {};
    }
    ExecutableOutput output;
    output.output = outputLines(result->standardOutput);
    output.error = outputLines(result->standardError);
    output.status = result->terminationStatus;
    return output;
}

bool hasURLScheme(const std::string& text) {
    // What the pattern "^(.*:).*" matches as a whole: a ":" somewhere, and no
    // line break anywhere, since "." matches none. Asked of every link entry
    // a load decodes, so it is answered without a regular expression.
    bool colon = false;
    for (std::size_t i = 0, length = 0; i < text.size(); ++i) {
        if (isLineBreakAt(text, i, length)) return false;
        if (text[i] == ':') colon = true;
    }
    return colon;
}

bool isExecutableFile(const std::string& path) {
    if (path.empty()) return false;
    const platform::URL url = platform::URL::fileURL(path);
    const auto st = statusOf(url);
    if (!st) return false;
    if (isApplicationDesktopEntry(url.path(), *st)) return true;
    return ::access(url.path().c_str(), X_OK) == 0;
}

bool isApplication(const platform::URL& url) {
    const auto st = statusOf(url);
    return st && isApplicationDesktopEntry(url.path(), *st);
}

bool isPackage(const platform::URL&) { return false; }

bool isDirectory(const platform::URL& url) {
    const auto st = statusOf(url);
    return st && S_ISDIR(st->st_mode);
}

bool isRegularFile(const platform::URL& url) {
    const auto st = statusOf(url);
    return st && S_ISREG(st->st_mode);
}

bool isOnLocalVolume(const platform::URL& url) {
    const auto st = statusOf(url);
    return st && !isNetworkFileSystem(url.path(), st->st_dev);
}

std::optional<platform::URL> volumeURL(const platform::URL& url) {
    if (!statusOf(url)) return std::nullopt;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(url.path().c_str(), nullptr), &std::free);
    if (!resolved) return std::nullopt;
    std::string current = resolved.get();
    struct stat st {};
    if (::stat(current.c_str(), &st) != 0) return std::nullopt;
    const dev_t device = st.st_dev;
    if (!S_ISDIR(st.st_mode)) {
        // A file mounted on its own (a bind mount) is its own volume.
        const std::string folder = current.substr(0, std::max<std::size_t>(1, current.rfind('/')));
        struct stat folderStatus {};
        if (::stat(folder.c_str(), &folderStatus) != 0 || folderStatus.st_dev != device) {
            return platform::URL::fileURL(current);
        }
        current = folder;
    }
    // Climb while the parent still lies on the same device: the last folder
    // reached is where the volume is mounted.
    while (current != "/") {
        const auto slash = current.rfind('/');
        const std::string parent = slash == 0 ? "/" : current.substr(0, slash);
        struct stat parentStatus {};
        if (::stat(parent.c_str(), &parentStatus) != 0 || parentStatus.st_dev != device) break;
        current = parent;
    }
    return platform::URL::fileURL(current, true);
}

FileObjectKind fileObjectKind(const platform::URL& url) { return fileObjectStatus(url).kind; }

FileObjectStatus fileObjectStatus(const platform::URL& url) {
    const auto st = statusOf(url);
    if (!st) return {};
    FileObjectStatus status;
    const double seconds = static_cast<double>(st->st_mtim.tv_sec) + static_cast<double>(st->st_mtim.tv_nsec) / 1e9;
    status.modificationDate = platform::Date::fromUnixTime(seconds);
    // There are no packages here, so nothing reachable is a package file.
    if (isApplicationDesktopEntry(url.path(), *st)) status.kind = FileObjectKind::application;
    else if (S_ISDIR(st->st_mode)) status.kind = FileObjectKind::folder;
    else if (S_ISREG(st->st_mode)) status.kind = FileObjectKind::file;
    else status.kind = FileObjectKind::other;
    return status;
}

}  // namespace frelt
