#pragma once
// Thumbnails the freedesktop way: a thumbnail is looked for in the shared
// cache ($XDG_CACHE_HOME/thumbnails/normal, named by the MD5 of the file's
// URI, valid while its Thumb::URI and Thumb::MTime match the file) and made
// when it is missing or stale: images through QImageReader, PDFs from their
// first page by the helper program in a process of its own (without it a
// PDF gets an error and a line in the log), written back to the cache
// (at most 128 pixels, with the keys the freedesktop thumbnail standard asks
// for, atomically, readable by the user only). The answer is scaled to the
// size asked for. A document the helper cannot draw (refused, crashed, out
// of time) is remembered as failed in the cache's fail/frelt folder, as
// other desktop programs do, and not tried again until the file changes.
//
// All of it runs on the worker pool; the handler is called there.

#include <QImage>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/ThumbnailGenerator.h"

namespace platform::qt {

// Draws PDF thumbnails through the helper program (see ThumbnailHelper.h),
// found at its first use (once, from any thread) as the first of `places`
// that exists. Without it every PDF gets an error and the log says why, once.
class PDFThumbnailer {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{15000};

    explicit PDFThumbnailer(std::vector<std::string> places, std::chrono::milliseconds timeout = kDefaultTimeout)
        : places_(std::move(places)), timeout_(timeout) {}
    PDFThumbnailer(const PDFThumbnailer&) = delete;
    PDFThumbnailer& operator=(const PDFThumbnailer&) = delete;

    // Beside the program, in ../lib/frelt from the program's folder (an
    // installed program), and where the build put it (tests and benchmarks
    // run from other folders of the build).
    static std::vector<std::string> standardPlaces();
    // The one the program draws with, from the standard places.
    static std::shared_ptr<PDFThumbnailer> shared();

    enum class Failure {
        none,
        // The helper is missing or cannot be started: no PDF can be drawn.
        noHelper,
        // This document: the helper refused it, crashed or ran out of time.
        document,
    };
    // The first page with its longer side `longestSide` pixels; a null
    // picture, the reason in `error` and what failed otherwise.
    QImage firstPage(const std::string& path, int longestSide, std::string* error, Failure* failure);

private:
    void find();

    const std::vector<std::string> places_;
    const std::chrono::milliseconds timeout_;
    std::once_flag found_;
    std::string helper_;
    std::string problem_;
};

class FreedesktopThumbnailGenerator : public platform::ThumbnailGenerator {
public:
    explicit FreedesktopThumbnailGenerator(std::shared_ptr<PDFThumbnailer> pdf = PDFThumbnailer::shared());
    void generateRepresentations(const ThumbnailRequest& request, Handler handler) override;

    // The file's URI as the cache names it, and the cache file for it.
    static std::string thumbnailURI(const std::string& path);
    static std::string cacheFile(const std::string& path);
    // Where a failure to make the file's thumbnail is remembered.
    static std::string failedFile(const std::string& path);

private:
    std::shared_ptr<PDFThumbnailer> pdf_;
};

// The text chunks of a PNG file (tEXt, zTXt, uncompressed iTXt) before its
// pixels; empty when it is no PNG.
std::map<std::string, std::string> pngTextChunks(const std::string& file);

}  // namespace platform::qt
