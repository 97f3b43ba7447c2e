#pragma once
// The first page of a PDF drawn as a picture, by a module of the program's
// own (frelt-pdf.so) that the thumbnail generator opens at the first PDF:
// the PDF library, and the image, colour and crypto libraries it brings, are
// then only loaded by a run that draws a PDF. The module is built with the
// program, by the same compiler and against the same Qt, so the function
// passes Qt and standard types; its name carries a number that changes with
// its signature, so a stale module is refused rather than called wrongly.

#include <QImage>
#include <string>

namespace platform::qt::pdf {

// The file name of the module and the name of its one function.
inline constexpr const char* kModuleFileName = "frelt-pdf.so";
inline constexpr const char* kFirstPageSymbol = "frelt_pdf_first_page_1";

// Draws the first page of the PDF at `path` with its longer side
// `longestSide` pixels into `image`; false with a reason in `error` when
// the document cannot be read or drawn.
using FirstPageFunction = bool (*)(const std::string& path, int longestSide, QImage& image, std::string& error);

}  // namespace platform::qt::pdf

extern "C" bool frelt_pdf_first_page_1(const std::string& path, int longestSide, QImage& image, std::string& error);
