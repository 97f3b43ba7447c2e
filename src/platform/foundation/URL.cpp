#include "platform/foundation/URL.h"

#include <filesystem>

#include "platform/foundation/Text.h"

namespace platform {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Unreserved, reserved (gen-delims and sub-delims) and "%": everything a URL
// may hold literally.
bool isURLCharacter(char c) {
    if (isAlpha(c) || isDigit(c)) return true;
    switch (c) {
        case '-': case '.': case '_': case '~':
        case ':': case '/': case '?': case '#': case '[': case ']': case '@':
        case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case '=':
        case '%':
            return true;
        default:
            return false;
    }
}

bool hasValidCharacters(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!isURLCharacter(s[i])) return false;
        if (s[i] == '%' && (i + 2 >= s.size() || !isHex(s[i + 1]) || !isHex(s[i + 2]))) return false;
    }
    return true;
}

// Decodes "%XX" sequences into octets whatever they form: file paths on
// Linux are bytes. Malformed sequences stay as they are.
std::string decodeBytes(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && isHex(s[i + 1]) && isHex(s[i + 2])) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct Reference {
    std::string scheme;  // empty for a relative reference
    bool hasAuthority = false;
    std::string userInfo;
    std::string host;
    std::optional<int> port;
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;
};

std::optional<Reference> parseReference(std::string_view s) {
    if (!hasValidCharacters(s)) return std::nullopt;
    Reference r;
    // A scheme is the text before the first ":" if no "/", "?" or "#" comes first.
    const std::size_t stop = s.find_first_of(":/?#");
    if (stop != std::string_view::npos && s[stop] == ':') {
        const std::string_view scheme = s.substr(0, stop);
        if (scheme.empty() || !isAlpha(scheme[0])) return std::nullopt;
        for (char c : scheme)
            if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
        r.scheme = std::string(scheme);
        s.remove_prefix(stop + 1);
    }
    if (const std::size_t hash = s.find('#'); hash != std::string_view::npos) {
        std::string_view fragment = s.substr(hash + 1);
        if (fragment.find_first_of("#[]") != std::string_view::npos) return std::nullopt;
        r.fragment = std::string(fragment);
        s = s.substr(0, hash);
    }
    if (const std::size_t q = s.find('?'); q != std::string_view::npos) {
        std::string_view query = s.substr(q + 1);
        if (query.find_first_of("[]") != std::string_view::npos) return std::nullopt;
        r.query = std::string(query);
        s = s.substr(0, q);
    }
    if (s.substr(0, 2) == "//") {
        r.hasAuthority = true;
        s.remove_prefix(2);
        const std::size_t slash = s.find('/');
        std::string_view authority = s.substr(0, slash);
        s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
        if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
            r.userInfo = std::string(authority.substr(0, at));
            if (r.userInfo.find_first_of("[]@") != std::string::npos) return std::nullopt;
            authority.remove_prefix(at + 1);
        }
        std::string_view hostPart = authority;
        std::string_view portPart;
        bool hasPort = false;
        if (!authority.empty() && authority[0] == '[') {
            const std::size_t close = authority.find(']');
            if (close == std::string_view::npos) return std::nullopt;
            hostPart = authority.substr(0, close + 1);
            std::string_view after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':') return std::nullopt;
                hasPort = true;
                portPart = after.substr(1);
            }
            if (hostPart.substr(1, hostPart.size() - 2).find_first_of("[]") != std::string_view::npos)
                return std::nullopt;
        } else {
            if (authority.find_first_of("[]") != std::string_view::npos) return std::nullopt;
            if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
                hostPart = authority.substr(0, colon);
                hasPort = true;
                portPart = authority.substr(colon + 1);
            }
        }
        if (hasPort && !portPart.empty()) {
            if (portPart.size() > 5) return std::nullopt;
            int port = 0;
            for (char c : portPart) {
                if (!isDigit(c)) return std::nullopt;
                port = port * 10 + (c - '0');
            }
            if (port > 65535) return std::nullopt;
            r.port = port;
        }
        r.host = std::string(hostPart);
    }
    if (s.find_first_of("[]") != std::string_view::npos) return std::nullopt;
    r.path = std::string(s);
    return r;
}

// Resolves "." and ".." segments (RFC 3986, 5.2.4).
std::string removeDotSegments(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        if (in.substr(0, 3) == "../") in.remove_prefix(3);
        else if (in.substr(0, 2) == "./") in.remove_prefix(2);
        else if (in.substr(0, 3) == "/./") in.remove_prefix(2);
        else if (in == "/.") in = "/";
        else if (in.substr(0, 4) == "/../" || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            const std::size_t last = out.rfind('/');
            out.erase(last == std::string::npos ? 0 : last);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            const std::size_t next = in.find('/', 1);
            const std::size_t n = next == std::string_view::npos ? in.size() : next;
            out.append(in.substr(0, n));
            in.remove_prefix(n);
        }
    }
    return out;
}

// Where the last component of an encoded path starts and ends (without a
// trailing "/").
std::pair<std::size_t, std::size_t> lastComponentRange(const std::string& path) {
    std::size_t end = path.size();
    if (end > 1 && path[end - 1] == '/') --end;
    const std::size_t slash = end == 0 ? std::string::npos : path.rfind('/', end - 1);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return {start, end};
}

}  // namespace

void URL::rebuild() {
    std::string s = scheme_ + ":";
    if (hasAuthority_) {
        s += "//";
        if (!userInfo_.empty()) s += userInfo_ + "@";
        s += host_;
        if (port_) s += ":" + std::to_string(*port_);
    }
    s += path_;
    if (query_) s += "?" + *query_;
    if (fragment_) s += "#" + *fragment_;
    string_ = std::move(s);
}

std::optional<URL> URL::fromString(std::string_view string) {
    auto r = parseReference(string);
    if (!r || r->scheme.empty()) return std::nullopt;
    URL url;
    url.scheme_ = std::move(r->scheme);
    url.hasAuthority_ = r->hasAuthority;
    url.userInfo_ = std::move(r->userInfo);
    url.host_ = std::move(r->host);
    url.port_ = r->port;
    url.path_ = std::move(r->path);
    url.query_ = std::move(r->query);
    url.fragment_ = std::move(r->fragment);
    url.string_ = std::string(string);
    return url;
}

std::optional<URL> URL::fromString(std::string_view string, const URL& base) {
    auto r = parseReference(string);
    if (!r) return std::nullopt;
    if (!r->scheme.empty()) return fromString(string);
    if (base.isEmpty()) return std::nullopt;
    URL t;
    t.scheme_ = base.scheme_;
    if (r->hasAuthority) {
        t.hasAuthority_ = true;
        t.userInfo_ = r->userInfo;
        t.host_ = r->host;
        t.port_ = r->port;
        t.path_ = removeDotSegments(r->path);
        t.query_ = r->query;
    } else {
        t.hasAuthority_ = base.hasAuthority_;
        t.userInfo_ = base.userInfo_;
        t.host_ = base.host_;
        t.port_ = base.port_;
        if (r->path.empty()) {
            t.path_ = base.path_;
            t.query_ = r->query ? r->query : base.query_;
        } else {
            if (r->path[0] == '/') {
                t.path_ = removeDotSegments(r->path);
            } else {
                std::string merged;
                if (base.hasAuthority_ && base.path_.empty()) merged = "/" + r->path;
                else if (const auto slash = base.path_.rfind('/'); slash != std::string::npos)
                    merged = base.path_.substr(0, slash + 1) + r->path;
                else merged = r->path;
                t.path_ = removeDotSegments(merged);
            }
            t.query_ = r->query;
        }
    }
    t.fragment_ = r->fragment;
    t.rebuild();
    return t;
}

URL URL::fileURL(const std::string& path, bool isDirectory) {
    namespace fs = std::filesystem;
    std::string p = path;
    if (p.empty() || p[0] != '/') {
        std::error_code ec;
        fs::path absolute = fs::absolute(p.empty() ? fs::path(".") : fs::path(p), ec);
        p = ec ? "/" + p : absolute.lexically_normal().string();
    }
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (isDirectory && p.back() != '/') p += '/';
    URL url;
    url.scheme_ = "file";
    url.hasAuthority_ = true;
    url.path_ = text::percentEncoded(p, text::CharacterSet::urlPathAllowed());
    url.rebuild();
    return url;
}

bool URL::isFileURL() const { return text::lowercased(scheme_) == "file"; }

std::string URL::host() const { return decodeBytes(host_); }

std::string URL::path() const {
    std::string p = decodeBytes(path_);
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool URL::hasDirectoryPath() const { return !path_.empty() && path_.back() == '/'; }

std::string URL::lastPathComponent() const {
    if (path_.empty()) return {};
    if (path_ == "/") return "/";
    const auto [start, end] = lastComponentRange(path_);
    return decodeBytes(std::string_view(path_).substr(start, end - start));
}

std::string URL::pathExtension() const {
    const std::string name = lastPathComponent();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() || name == "/") return {};
    return name.substr(dot + 1);
}

URL URL::deletingLastPathComponent() const {
    if (isEmpty() || path_.empty() || path_ == "/") return *this;
    URL out = *this;
    const auto [start, end] = lastComponentRange(path_);
    (void)end;
    out.path_ = path_.substr(0, start);
    out.rebuild();
    return out;
}

URL URL::appendingPathComponent(std::string_view component, bool isDirectory) const {
    if (isEmpty()) return *this;
    std::string encoded = text::percentEncoded(component, text::CharacterSet::urlPathAllowed());
    while (!encoded.empty() && encoded.front() == '/') encoded.erase(0, 1);
    URL out = *this;
    if (!encoded.empty()) {
        if (out.path_.empty()) out.path_ = hasAuthority_ ? "/" : "";
        else if (out.path_.back() != '/') out.path_ += '/';
        out.path_ += encoded;
    }
    if (isDirectory && (out.path_.empty() || out.path_.back() != '/')) out.path_ += '/';
    out.rebuild();
    return out;
}

URL URL::deletingPathExtension() const {
    if (pathExtension().empty()) return *this;
    URL out = *this;
    const auto [start, end] = lastComponentRange(path_);
    const std::size_t dot = path_.rfind('.', end - 1);
    if (dot == std::string::npos || dot <= start) return *this;
    out.path_.erase(dot, end - dot);
    out.rebuild();
    return out;
}

URL URL::appendingPathExtension(std::string_view extension) const {
    if (isEmpty() || extension.empty() || path_.empty() || path_ == "/") return *this;
    URL out = *this;
    const auto [start, end] = lastComponentRange(path_);
    (void)start;
    out.path_.insert(end, "." + text::percentEncoded(extension, text::CharacterSet::urlPathAllowed().removing("/")));
    out.rebuild();
    return out;
}

URL URL::standardized() const {
    if (isEmpty()) return *this;
    URL out = *this;
    out.path_ = removeDotSegments(path_);
    if (out.path_ == path_) return *this;
    out.rebuild();
    return out;
}

}  // namespace platform
