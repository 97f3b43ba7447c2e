#pragma once
// The program that draws PDF thumbnails (frelt-thumbnail), and what the
// launcher and it agree on. The PDF library, and the image, colour and
// crypto libraries it brings, run only in that separate process: a document
// that crashes the renderer or keeps it busy costs its own thumbnail, never
// the launcher. It is called the way desktop thumbnailers are:
//
//     frelt-thumbnail -s SIZE INPUT OUTPUT
//
// It draws the first page of INPUT with its longer side SIZE pixels into the
// PNG file OUTPUT and exits 0; otherwise it says why on standard error and
// exits 1. Before it opens the document it limits its own processor time and
// address space; the launcher kills it when it runs longer than a timeout.

namespace platform::qt::thumbnailhelper {

inline constexpr const char* kProgramName = "frelt-thumbnail";
// Processor seconds and bytes of address space the helper allows itself.
inline constexpr long kCPUSeconds = 10;
inline constexpr long long kAddressSpaceBytes = 1024LL * 1024 * 1024;

}  // namespace platform::qt::thumbnailhelper
