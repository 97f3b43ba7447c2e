#include "platform/qt/ThumbnailGenerator.h"

#include <dlfcn.h>
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
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Paths.h"
#include "platform/linux/FileIcons.h"
#include "platform/log/Log.h"

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

std::vector<std::string> PDFModule::standardPlaces() {
    std::vector<std::string> places;
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        places.push_back((program.parent_path() / pdf::kModuleFileName).string());
        places.push_back((program.parent_path().parent_path() / "lib/frelt" / pdf::kModuleFileName).string());
    }
#ifdef FRELT_PDF_MODULE_BUILD_PATH
    places.push_back(FRELT_PDF_MODULE_BUILD_PATH);
#endif
    return places;
}

std::shared_ptr<PDFModule> PDFModule::shared() {
    // Never destroyed: a worker may still draw while the process exits.
    static const auto* module = new std::shared_ptr<PDFModule>(std::make_shared<PDFModule>(standardPlaces()));
    return *module;
}

QImage PDFModule::firstPage(const std::string& path, int longestSide, std::string* error) {
    std::call_once(opened_, [this] { open(); });
    if (!firstPage_) {
        *error = "PDF documents cannot be drawn: " + problem_;
        return {};
    }
    QImage image;
    if (!firstPage_(path, longestSide, image, *error)) return {};
    return image;
}

void PDFModule::open() {
    // The first place that holds the module is the one: when it cannot be
    // loaded, the reason is about that file, not that the others lack it.
    const auto found = std::find_if(places_.begin(), places_.end(),
                                    [](const std::string& place) { return ::access(place.c_str(), F_OK) == 0; });
    if (found == places_.end()) {
        problem_ = std::string(pdf::kModuleFileName) + " is in none of";
        for (const auto& place : places_) problem_ += " " + place;
    } else if (void* handle = ::dlopen(found->c_str(), RTLD_NOW | RTLD_LOCAL); !handle) {
        const char* why = ::dlerror();
        problem_ = *found + " cannot be loaded: " + (why ? why : "unknown error");
    } else {
        // Kept loaded for the rest of the process: the PDF library does not
        // expect to be unloaded.
        firstPage_ = reinterpret_cast<pdf::FirstPageFunction>(::dlsym(handle, pdf::kFirstPageSymbol));
        if (!firstPage_) {
            problem_ = *found + " is of another version (it lacks " + pdf::kFirstPageSymbol + ")";
            ::dlclose(handle);
        }
    }
    if (!firstPage_) Log(Paths::bundleIdentifier, "thumbnails").write(LogLevel::Error, "PDF thumbnails are off: " + problem_);
}

FreedesktopThumbnailGenerator::FreedesktopThumbnailGenerator(std::shared_ptr<PDFModule> pdf) : pdf_(std::move(pdf)) {}

std::string FreedesktopThumbnailGenerator::thumbnailURI(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string out = uri ? uri : "";
    g_free(uri);
    return out;
}

std::string FreedesktopThumbnailGenerator::cacheFile(const std::string& path) {
    const QByteArray md5 =
        QCryptographicHash::hash(QByteArray::fromStdString(thumbnailURI(path)), QCryptographicHash::Md5).toHex();
    return (Paths::cacheHome() / "thumbnails/normal" / (md5.toStdString() + ".png")).string();
}

void FreedesktopThumbnailGenerator::generateRepresentations(const ThumbnailRequest& request, Handler handler) {
    dispatch::Queue::global()->async([request, handler = std::move(handler), pdfModule = pdf_] {
        const std::string path = request.fileURL.path();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            handler(nullptr, 0, std::string("the file cannot be read"));
            return;
        }
        const std::string uri = thumbnailURI(path);
        const std::string file = cacheFile(path);
        QImage picture;
        if (auto cached = cachedThumbnail(file, uri, static_cast<long long>(st.st_mtime))) {
            picture = *cached;
        } else {
            std::string error;
            const bool pdf = platform::fileicons::mimeTypeOfFile(path) == "application/pdf";
            picture = pdf ? pdfModule->firstPage(path, kNormalSize, &error) : readImage(path, &error);
            if (picture.isNull()) {
                handler(nullptr, 0, error);
                return;
            }
            if (picture.width() > kNormalSize || picture.height() > kNormalSize)
                picture = picture.scaled(kNormalSize, kNormalSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            writeToCache(picture, file, uri, static_cast<long long>(st.st_mtime), static_cast<long long>(st.st_size));
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
