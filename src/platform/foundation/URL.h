#pragma once
// URLs as the program handles them: file URLs for entries, folders and
// bookmarks, and the web and custom-scheme URLs of URL entries. A URL is a
// value; it is either empty (default-constructed) or a parsed absolute URL.
//
// Parsing follows the generic syntax: a scheme is required, and characters
// that a URL cannot hold unencoded (spaces, non-ASCII, quotes, "<>{}|\^`",
// a "%" not followed by two hexadecimal digits) make the text no URL.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class URL {
public:
    // The empty URL: isEmpty() is true, every component is empty.
    URL() = default;

    // Parses an absolute URL; nullopt when the text is not one.
    static std::optional<URL> fromString(std::string_view string);
    // Resolves a reference (absolute or relative, e.g. "../a?b") against
    // `base`; nullopt when the reference is malformed or `base` is empty
    // and the reference is relative.
    static std::optional<URL> fromString(std::string_view string, const URL& base);
    // A file URL for a local path. A relative path is taken relative to the
    // current folder. Directory URLs end with "/".
    static URL fileURL(const std::string& path, bool isDirectory = false);

    bool isEmpty() const { return string_.empty(); }
    // The whole URL as text, percent-encoded as stored.
    const std::string& string() const { return string_; }
    const std::string& absoluteString() const { return string_; }

    // As written (schemes compare case-insensitively; see isFileURL).
    const std::string& scheme() const { return scheme_; }
    bool isFileURL() const;
    // The host, percent-decoded; empty when there is none ("file:///x").
    std::string host() const;
    std::optional<int> port() const { return port_; }
    // The path, percent-decoded, without a trailing "/" (except for "/").
    std::string path() const;
    // The path exactly as stored (still encoded, trailing "/" kept).
    const std::string& percentEncodedPath() const { return path_; }
    // Query and fragment as stored (percent-encoded); nullopt when absent.
    const std::optional<std::string>& query() const { return query_; }
    const std::optional<std::string>& fragment() const { return fragment_; }
    bool hasDirectoryPath() const;

    // The last component of path() ("/" for the root, empty for no path).
    std::string lastPathComponent() const;
    // The text after the last "." of the last component ("" if none, and for
    // names such as ".profile" that only start with a dot).
    std::string pathExtension() const;
    URL deletingLastPathComponent() const;
    // `component` is plain text (it is percent-encoded here); "/" inside it
    // separates further components.
    URL appendingPathComponent(std::string_view component, bool isDirectory = false) const;
    URL deletingPathExtension() const;
    URL appendingPathExtension(std::string_view extension) const;
    // The URL with "." and ".." segments of its path resolved.
    URL standardized() const;

    // Equality and order of the text: two URLs are equal when their strings are.
    friend bool operator==(const URL& a, const URL& b) { return a.string_ == b.string_; }
    friend auto operator<=>(const URL& a, const URL& b) { return a.string_ <=> b.string_; }

private:
    void rebuild();

    std::string string_;
    std::string scheme_;
    bool hasAuthority_ = false;
    std::string userInfo_;  // encoded, without "@"
    std::string host_;      // encoded
    std::optional<int> port_;
    std::string path_;      // encoded
    std::optional<std::string> query_;
    std::optional<std::string> fragment_;
};

}  // namespace platform

template <>
struct std::hash<platform::URL> {
    std::size_t operator()(const platform::URL& url) const noexcept { return std::hash<std::string>()(url.string()); }
};
