// frelt-thumbnail: the only code linked with the PDF library (see
// ThumbnailHelper.h).

#include <poppler-qt6.h>
#include <sys/resource.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/qt/pdf/ThumbnailHelper.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

int fail(const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
}

void limitSelf() {
    namespace h = platform::qt::thumbnailhelper;
    // Past the soft limit the kernel sends SIGXCPU, past the hard one SIGKILL.
    const rlimit cpu{static_cast<rlim_t>(h::kCPUSeconds), static_cast<rlim_t>(h::kCPUSeconds + 1)};
    ::setrlimit(RLIMIT_CPU, &cpu);
    // A sanitizer reserves terabytes of address space up front: its builds
    // (tests) run without the memory limit.
    if (!kSanitized) {
        const rlimit memory{static_cast<rlim_t>(h::kAddressSpaceBytes), static_cast<rlim_t>(h::kAddressSpaceBytes)};
        ::setrlimit(RLIMIT_AS, &memory);
    }
    // A crash leaves no core file behind in the user's folders.
    const rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
}

}  // namespace

int main(int argc, char** argv) {
    limitSelf();
    if (argc != 5 || std::strcmp(argv[1], "-s") != 0)
        return fail(std::string("usage: ") + platform::qt::thumbnailhelper::kProgramName + " -s SIZE INPUT OUTPUT");
    char* end = nullptr;
    const long longestSide = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || longestSide < 1 || longestSide > 1024) return fail("the size must be 1 to 1024 pixels");
    const std::string input = argv[3];
    const std::string output = argv[4];
    try {
        // Names are bytes on Linux, and need not be text: both files are
        // opened here by exactly the names given, never through a QString.
        std::ifstream in(input, std::ios::binary);
        if (!in) return fail("the PDF document cannot be opened");
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::unique_ptr<Poppler::Document> document =
            Poppler::Document::loadFromData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        if (!document || document->isLocked() || document->numPages() < 1)
            return fail("the PDF document cannot be read");
        const std::unique_ptr<Poppler::Page> page = document->page(0);
        if (!page) return fail("the PDF document has no first page");
        const QSizeF points = page->pageSizeF();
        const double longest = std::max(points.width(), points.height());
        // 72 points per inch: a resolution that makes the longer side `longestSide` pixels.
        const double dpi = longest > 0 ? 72.0 * static_cast<double>(longestSide) / longest : 72.0;
        const QImage image = page->renderToImage(dpi, dpi);
        if (image.isNull()) return fail("the PDF page cannot be drawn");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) return fail("the thumbnail cannot be encoded");
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out.write(png.constData(), png.size());
        out.close();
        if (!out) return fail("the thumbnail cannot be written");
        return 0;
    } catch (const std::exception& e) {
        return fail(std::string("the PDF document cannot be drawn: ") + e.what());
    }
}
