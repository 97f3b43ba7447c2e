// The PDF module: the only code linked with the PDF library.

#include "platform/qt/pdf/PdfFirstPage.h"

#include <poppler-qt6.h>

#include <QSizeF>
#include <algorithm>
#include <exception>
#include <memory>
#include <type_traits>

static_assert(std::is_same_v<decltype(&frelt_pdf_first_page_1), platform::qt::pdf::FirstPageFunction>,
              "the module's function and the type its caller looks it up as must agree");

extern "C" __attribute__((visibility("default"))) bool frelt_pdf_first_page_1(const std::string& path,
                                                                               int longestSide, QImage& image,
                                                                               std::string& error) {
    // Nothing may unwind into the caller through a function looked up by name.
    try {
        const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(QString::fromStdString(path));
        if (!document || document->isLocked() || document->numPages() < 1) {
            error = "the PDF document cannot be read";
            return false;
        }
        const std::unique_ptr<Poppler::Page> page = document->page(0);
        if (!page) {
            error = "the PDF document has no first page";
            return false;
        }
        const QSizeF points = page->pageSizeF();
        const double longest = std::max(points.width(), points.height());
        // 72 points per inch: a resolution that makes the longer side `longestSide` pixels.
        const double dpi = longest > 0 ? 72.0 * longestSide / longest : 72.0;
        image = page->renderToImage(dpi, dpi);
        if (image.isNull()) {
            error = "the PDF page cannot be drawn";
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        error = std::string("the PDF document cannot be drawn: ") + e.what();
        return false;
    }
}
