#include "platform/qt/ThumbnailGenerator.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QCryptographicHash>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Process.h"
#include "platform/linux/FileIcons.h"
#include "platform/log/Log.h"
#include "platform/qt/pdf/ThumbnailHelper.h"

namespace platform::qt {

namespace {

// The size of the "normal" cache folder.
constexpr int kNormalSize = 128;

}  // namespace

std::map<std::string, std::string> pngTextChunks(const std::string& file) {
    // Qt's reader folds keys at ":", and the cache's keys hold "::": the
    // chunks are read here instead.
    std::map<std::string, std::string> texts;
    QFile in(QString::fromStdString(file));
    if (!in.open(QIODevice::ReadOnly)) return texts;
    const QByteArray bytes = in.readAll();
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 8 || std::memcmp(bytes.constData(), signature, 8) != 0) return texts;
    qsizetype at = 8;
    while (at + 12 <= bytes.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
        const quint32 length = (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
        const std::string type(bytes.constData() + at + 4, 4);
        if (length > static_cast<quint64>(bytes.size() - at - 12)) break;
        const QByteArray data = bytes.mid(at + 8, length);
        const qsizetype nul = data.indexOf('\0');
        if (nul > 0) {
            const std::string key = data.left(nul).toStdString();
            if (type == "tEXt") {
                texts[key] = data.mid(nul + 1).toStdString();
            } else if (type == "zTXt" && nul + 2 <= data.size()) {
                // qUncompress wants the expected length first; a bound will do.
                QByteArray packed("\x00\x01\x00\x00", 4);
                packed += data.mid(nul + 2);
                texts[key] = qUncompress(packed).toStdString();
            } else if (type == "iTXt" && nul + 3 <= data.size() && data[nul + 1] == 0) {
                // Uncompressed: skip the language tag and the translated keyword.
                const qsizetype language = data.indexOf('\0', nul + 3);
                const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
                if (translated >= 0) texts[key] = data.mid(translated + 1).toStdString();
            }
        }
        if (type == "IDAT" || type == "IEND") break;  // the cache's keys come before the pixels
        at += 12 + length;
    }
    return texts;
}

namespace {

std::optional<QImage> cachedThumbnail(const std::string& file, const std::string& uri, long long mtime) {
    const auto texts = pngTextChunks(file);
    auto value = [&](const char* key) {
        auto it = texts.find(key);
        return it == texts.end() ? std::string() : it->second;
    };
    if (value("Thumb::URI") != uri || value("Thumb::MTime") != std::to_string(mtime)) return std::nullopt;
    QImageReader reader(QString::fromStdString(file), "png");
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

QImage readImage(const std::string& path, std::string* error) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > kNormalSize || full.height() > kNormalSize))
        reader.setScaledSize(full.scaled(kNormalSize, kNormalSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) *error = "the image cannot be read: " + reader.errorString().toStdString();
    return image;
}

void writeToCache(QImage image, const std::string& file, const std::string& uri, long long mtime, long long size) {
    std::error_code ec;
    const auto folder = std::filesystem::path(file).parent_path();
    std::filesystem::create_directories(folder, ec);
    ::chmod(folder.parent_path().c_str(), 0700);
    ::chmod(folder.c_str(), 0700);
    image.setText(QStringLiteral("Thumb::URI"), QString::fromStdString(uri));
    image.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
    image.setText(QStringLiteral("Thumb::Size"), QString::number(size));
    image.setText(QStringLiteral("Software"), QStringLiteral("frelt"));
    // Written aside and renamed, so no reader ever sees half a thumbnail.
    const std::string temporary = file + "." + std::to_string(::getpid()) + ".tmp";
    QImageWriter writer(QString::fromStdString(temporary), "png");
    if (!writer.write(image)) {
        std::filesystem::remove(temporary, ec);
        return;
    }
    ::chmod(temporary.c_str(), 0600);
    std::filesystem::rename(temporary, file, ec);
    if (ec) std::filesystem::remove(temporary, ec);
}

std::shared_ptr<Image> toImage(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) return nullptr;
    const Size size{static_cast<double>(picture.width()), static_cast<double>(picture.height())};
    auto image = Image::withRepresentation(BitmapImageRep::withData(Data(bytes.begin(), bytes.end()), size));
    image->setSize(size);
    return image;
}

}  // namespace

std::vector<std::string> PDFThumbnailer::standardPlaces() {
    std::vector<std::string> places;
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        places.push_back((program.parent_path() / thumbnailhelper::kProgramName).string());
        places.push_back((program.parent_path().parent_path() / "lib/frelt" / thumbnailhelper::kProgramName).string());
    }
#ifdef FRELT_THUMBNAIL_HELPER_BUILD_PATH
    places.push_back(FRELT_THUMBNAIL_HELPER_BUILD_PATH);
#endif
    return places;
}

std::shared_ptr<PDFThumbnailer> PDFThumbnailer::shared() {
    // Never destroyed: a worker may still wait for the helper while the process exits.
    static const auto* thumbnailer =
        new std::shared_ptr<PDFThumbnailer>(std::make_shared<PDFThumbnailer>(standardPlaces()));
    return *thumbnailer;
}

void PDFThumbnailer::find() {
    // The first place that holds the helper is the one: when it cannot be
    // run, the reason is about that file, not that the others lack it.
    const auto found = std::find_if(places_.begin(), places_.end(),
                                    [](const std::string& place) { return ::access(place.c_str(), F_OK) == 0; });
    if (found == places_.end()) {
        problem_ = std::string(thumbnailhelper::kProgramName) + " is in none of";
        for (const auto& place : places_) problem_ += " " + place;
    } else if (::access(found->c_str(), X_OK) != 0) {
        problem_ = *found + " cannot be started: " + std::strerror(errno);
    } else {
        helper_ = *found;
    }
    if (helper_.empty())
        Log(Paths::bundleIdentifier, "thumbnails").write(LogLevel::Error, "PDF thumbnails are off: " + problem_);
}

QImage PDFThumbnailer::firstPage(const std::string& path, int longestSide, std::string* error, Failure* failure) {
    std::call_once(found_, [this] { find(); });
    *failure = Failure::noHelper;
    if (helper_.empty()) {
        *error = "PDF documents cannot be drawn: " + problem_;
        return {};
    }
    // The helper writes into a file of ours that nobody else can replace.
    std::string output = (std::filesystem::temp_directory_path() / "frelt-thumbnail-XXXXXX.png").string();
    const int fd = ::mkstemps(output.data(), 4);
    if (fd < 0) {
        *error = std::string("PDF documents cannot be drawn: no temporary file: ") + std::strerror(errno);
        return {};
    }
    ::close(fd);
    std::string launchError;
    const auto result =
        Process::run(helper_, {"-s", std::to_string(longestSide), path, output}, {timeout_}, &launchError);
    QImage image;
    if (!result) {
        *error = "PDF documents cannot be drawn: " + helper_ + " cannot be started: " + launchError;
    } else {
        *failure = Failure::document;
        if (result->timedOut) {
            *error = "the PDF document took longer than " + std::to_string((timeout_.count() + 999) / 1000) +
                     " s to draw";
        } else if (result->terminatedBySignal) {
            *error = "the PDF renderer crashed (signal " + std::to_string(result->terminationStatus) + ")";
        } else if (result->terminationStatus != 0) {
            // Its last line: the PDF library may have said more before.
            std::string said(result->standardError.begin(), result->standardError.end());
            while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
            said.erase(0, said.find_last_of('\n') + 1);
            *error = said.empty() ? "the PDF document cannot be read" : said;
        } else {
            QFile file(QString::fromStdString(output));
            if (file.open(QIODevice::ReadOnly)) image = QImage::fromData(file.readAll(), "PNG");
            if (image.isNull()) *error = "the PDF renderer gave no picture";
        }
    }
    ::unlink(output.c_str());
    if (!image.isNull()) *failure = Failure::none;
    return image;
}

FreedesktopThumbnailGenerator::FreedesktopThumbnailGenerator(std::shared_ptr<PDFThumbnailer> pdf) : pdf_(std::move(pdf)) {}

std::string FreedesktopThumbnailGenerator::thumbnailURI(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string out = uri ? uri : "";
    g_free(uri);
    return out;
}

namespace {

std::string cacheName(const std::string& path) {
    return QCryptographicHash::hash(QByteArray::fromStdString(FreedesktopThumbnailGenerator::thumbnailURI(path)),
                                    QCryptographicHash::Md5)
               .toHex()
               .toStdString() +
           ".png";
}

}  // namespace

std::string FreedesktopThumbnailGenerator::cacheFile(const std::string& path) {
    return (Paths::cacheHome() / "thumbnails/normal" / cacheName(path)).string();
}

std::string FreedesktopThumbnailGenerator::failedFile(const std::string& path) {
    return (Paths::cacheHome() / "thumbnails/fail/frelt" / cacheName(path)).string();
}

void FreedesktopThumbnailGenerator::generateRepresentations(const ThumbnailRequest& request, Handler handler) {
    dispatch::Queue::global()->async([request, handler = std::move(handler), pdfThumbnailer = pdf_] {
        const std::string path = request.fileURL.path();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            handler(nullptr, 0, std::string("the file cannot be read"));
            return;
        }
        const std::string uri = thumbnailURI(path);
        const std::string file = cacheFile(path);
        const auto mtime = static_cast<long long>(st.st_mtime);
        QImage picture;
        if (auto cached = cachedThumbnail(file, uri, mtime)) {
            picture = *cached;
        } else if (cachedThumbnail(failedFile(path), uri, mtime)) {
            handler(nullptr, 0, std::string("no thumbnail could be made of this file before"));
            return;
        } else {
            std::string error;
            auto failure = PDFThumbnailer::Failure::none;
            const bool pdf = platform::fileicons::mimeTypeOfFile(path) == "application/pdf";
            picture = pdf ? pdfThumbnailer->firstPage(path, kNormalSize, &error, &failure) : readImage(path, &error);
            if (picture.isNull()) {
                // Remembered, so a document that crashes or stalls the
                // renderer is not drawn again at every start.
                if (failure == PDFThumbnailer::Failure::document) {
                    QImage mark(1, 1, QImage::Format_ARGB32);
                    mark.fill(Qt::transparent);
                    writeToCache(mark, failedFile(path), uri, mtime, static_cast<long long>(st.st_size));
                }
                handler(nullptr, 0, error);
                return;
            }
            if (picture.width() > kNormalSize || picture.height() > kNormalSize)
                picture = picture.scaled(kNormalSize, kNormalSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            writeToCache(picture, file, uri, mtime, static_cast<long long>(st.st_size));
        }
        const int w = static_cast<int>(request.size.width * request.scale);
        const int h = static_cast<int>(request.size.height * request.scale);
        const QImage answer = picture.scaled(w, h, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        auto image = toImage(answer);
        if (!image) {
            handler(nullptr, 0, std::string("the thumbnail cannot be encoded"));
            return;
        }
        handler(std::move(image), thumbnailrepresentation::lowQualityThumbnail, std::nullopt);
    });
}

}  // namespace platform::qt
