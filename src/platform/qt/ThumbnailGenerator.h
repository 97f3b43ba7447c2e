#pragma once
// Thumbnails the freedesktop way: a thumbnail is looked for in the shared
// cache ($XDG_CACHE_HOME/thumbnails/normal, named by the MD5 of the file's
// URI, valid while its Thumb::URI and Thumb::MTime match the file) and made
// when it is missing or stale: images through QImageReader, PDFs from their
// first page through Poppler (its library opened at the first PDF; without
// it a PDF gets an error and a line in the log), written back to the cache
// (at most 128 pixels, with the keys the freedesktop thumbnail standard asks
// for, atomically, readable by the user only). The answer is scaled to the
// size asked for.
//
// All of it runs on the worker pool; the handler is called there.

#include <map>
#include <optional>
#include <string>

#include "platform/appkit/ThumbnailGenerator.h"

namespace platform::qt {

class FreedesktopThumbnailGenerator : public platform::ThumbnailGenerator {
public:
    void generateRepresentations(const ThumbnailRequest& request, Handler handler) override;

    // The file's URI as the cache names it, and the cache file for it.
    static std::string thumbnailURI(const std::string& path);
    static std::string cacheFile(const std::string& path);
};

// The text chunks of a PNG file (tEXt, zTXt, uncompressed iTXt) before its
// pixels; empty when it is no PNG.
std::map<std::string, std::string> pngTextChunks(const std::string& file);

}  // namespace platform::qt
