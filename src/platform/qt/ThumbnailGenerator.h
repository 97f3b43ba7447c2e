#pragma once
// Thumbnails the freedesktop way: a thumbnail is looked for in the shared
// cache ($XDG_CACHE_HOME/thumbnails/normal, named by the MD5 of the file's
// URI, valid while its Thumb::URI and Thumb::MTime match the file) and made
// when it is missing or stale: images through QImageReader, PDFs from their
// first page through the PDF module (opened at the first PDF; without it a
// PDF gets an error and a line in the log), written back to the cache
// (at most 128 pixels, with the keys the freedesktop thumbnail standard asks
// for, atomically, readable by the user only). The answer is scaled to the
// size asked for.
//
// All of it runs on the worker pool; the handler is called there.

#include <QImage>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/ThumbnailGenerator.h"
#include "platform/qt/pdf/PdfFirstPage.h"

namespace platform::qt {

// The module that draws PDFs, opened at its first use (once, from any
// thread) from the first of `places` that holds it. Without it every PDF
// gets an error and the log says why, once.
class PDFModule {
public:
    explicit PDFModule(std::vector<std::string> places) : places_(std::move(places)) {}
    PDFModule(const PDFModule&) = delete;
    PDFModule& operator=(const PDFModule&) = delete;

    // Beside the program, in ../lib/frelt from the program's folder (an
    // installed program), and where the build put it (tests and benchmarks
    // run from other folders of the build).
    static std::vector<std::string> standardPlaces();
    // The one the program draws with, from the standard places.
    static std::shared_ptr<PDFModule> shared();

    // The first page with its longer side `longestSide` pixels; a null
    // picture and the reason in `error` when it cannot be drawn.
    QImage firstPage(const std::string& path, int longestSide, std::string* error);

private:
    void open();

    const std::vector<std::string> places_;
    std::once_flag opened_;
    pdf::FirstPageFunction firstPage_ = nullptr;
    std::string problem_;
};

class FreedesktopThumbnailGenerator : public platform::ThumbnailGenerator {
public:
    explicit FreedesktopThumbnailGenerator(std::shared_ptr<PDFModule> pdf = PDFModule::shared());
    void generateRepresentations(const ThumbnailRequest& request, Handler handler) override;

    // The file's URI as the cache names it, and the cache file for it.
    static std::string thumbnailURI(const std::string& path);
    static std::string cacheFile(const std::string& path);

private:
    std::shared_ptr<PDFModule> pdf_;
};

// The text chunks of a PNG file (tEXt, zTXt, uncompressed iTXt) before its
// pixels; empty when it is no PNG.
std::map<std::string, std::string> pngTextChunks(const std::string& file);

}  // namespace platform::qt
