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
#include <QSizeF>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

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

// Poppler's Qt library, opened at the first PDF rather than linked: most
// runs never draw one, and with it come a dozen image, colour and crypto
// libraries that every start would load and keep resident. Its interface is
// C++, so its functions are looked up by their mangled names, which its
// soname keeps stable; member functions take the object first.
class ThumbnailPopplerLibrary {
public:
    static constexpr const char* kName = "libpoppler-qt6.so.3";

    // The library, or none (and why, once in the log) when it cannot be opened.
    static const ThumbnailPopplerLibrary* shared() {
        static std::once_flag once;
        static ThumbnailPopplerLibrary* library = nullptr;
        std::call_once(once, [] {
            auto opened = std::make_unique<ThumbnailPopplerLibrary>();
            std::string problem;
            if (opened->open(&problem)) {
                library = opened.release();
            } else {
                Log(Paths::bundleIdentifier, "thumbnails")
                    .write(LogLevel::Error, "PDF thumbnails are off: " + problem);
            }
        });
        return library;
    }

    // Both come back by a hidden pointer, as the library's own
    // std::unique_ptr does; only the pointer is taken from them.
    struct OwnedDocument {
        void* pointer = nullptr;
        ~OwnedDocument() {}
    };
    struct OwnedPage {
        void* pointer = nullptr;
        ~OwnedPage() {}
    };

    OwnedDocument (*load)(const QString& path, const QByteArray& ownerPassword, const QByteArray& userPassword) = nullptr;
    bool (*isLocked)(const void* document) = nullptr;
    int (*numPages)(const void* document) = nullptr;
    OwnedPage (*page)(const void* document, int index) = nullptr;
    void (*destroyDocument)(void* document) = nullptr;
    QSizeF (*pageSize)(const void* page) = nullptr;
    QImage (*render)(const void* page, double xres, double yres, int x, int y, int w, int h, int rotation) = nullptr;
    void (*destroyPage)(void* page) = nullptr;

private:
    bool open(std::string* problem) {
        void* handle = ::dlopen(kName, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            *problem = std::string(kName) + " cannot be loaded: " + (why ? why : "unknown error");
            return false;
        }
        const bool found = find(handle, load, "_ZN7Poppler8Document4loadERK7QStringRK10QByteArrayS6_", problem) &&
                           find(handle, isLocked, "_ZNK7Poppler8Document8isLockedEv", problem) &&
                           find(handle, numPages, "_ZNK7Poppler8Document8numPagesEv", problem) &&
                           find(handle, page, "_ZNK7Poppler8Document4pageEi", problem) &&
                           find(handle, destroyDocument, "_ZN7Poppler8DocumentD1Ev", problem) &&
                           find(handle, pageSize, "_ZNK7Poppler4Page9pageSizeFEv", problem) &&
                           find(handle, render, "_ZNK7Poppler4Page13renderToImageEddiiiiNS0_8RotationE", problem) &&
                           find(handle, destroyPage, "_ZN7Poppler4PageD1Ev", problem);
        if (!found) ::dlclose(handle);
        return found;
    }

    template <typename Function>
    static bool find(void* handle, Function& function, const char* symbol, std::string* problem) {
        function = reinterpret_cast<Function>(::dlsym(handle, symbol));
        if (!function) *problem = std::string(kName) + " lacks " + symbol;
        return function != nullptr;
    }
};

// A document or page of the library, destroyed and freed as its own
// std::unique_ptr would.
template <void (*ThumbnailPopplerLibrary::*Destroy)(void*)>
class ThumbnailPopplerObject {
public:
    ThumbnailPopplerObject(const ThumbnailPopplerLibrary& library, void* object) : library_(library), object_(object) {}
    ~ThumbnailPopplerObject() {
        if (!object_) return;
        (library_.*Destroy)(object_);
        ::operator delete(object_);
    }
    ThumbnailPopplerObject(const ThumbnailPopplerObject&) = delete;
    ThumbnailPopplerObject& operator=(const ThumbnailPopplerObject&) = delete;
    const void* get() const { return object_; }

private:
    const ThumbnailPopplerLibrary& library_;
    void* object_;
};

QImage renderPDF(const std::string& path, std::string* error) {
    const ThumbnailPopplerLibrary* poppler = ThumbnailPopplerLibrary::shared();
    if (!poppler) {
        *error = "PDF documents cannot be drawn: " + std::string(ThumbnailPopplerLibrary::kName) + " is missing";
        return {};
    }
    const ThumbnailPopplerObject<&ThumbnailPopplerLibrary::destroyDocument> document(
        *poppler, poppler->load(QString::fromStdString(path), QByteArray(), QByteArray()).pointer);
    if (!document.get() || poppler->isLocked(document.get()) || poppler->numPages(document.get()) < 1) {
        *error = "the PDF document cannot be read";
        return {};
    }
    const ThumbnailPopplerObject<&ThumbnailPopplerLibrary::destroyPage> page(*poppler,
                                                                             poppler->page(document.get(), 0).pointer);
    if (!page.get()) {
        *error = "the PDF document has no first page";
        return {};
    }
    const QSizeF points = poppler->pageSize(page.get());
    const double longest = std::max(points.width(), points.height());
    // 72 points per inch: a resolution that makes the longer side fit the cache's size.
    const double dpi = longest > 0 ? 72.0 * kNormalSize / longest : 72.0;
    QImage image = poppler->render(page.get(), dpi, dpi, -1, -1, -1, -1, 0);
    if (image.isNull()) *error = "the PDF page cannot be drawn";
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
    dispatch::Queue::global()->async([request, handler = std::move(handler)] {
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
            picture = pdf ? renderPDF(path, &error) : readImage(path, &error);
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
