#pragma once
// Text on Qt: the kit's fonts as QFonts (the system and monospaced names
// are the desktop's interface and fixed-width fonts; sizes are
// device-independent pixels), measurement with the fonts' metrics, and
// Qt's text layout (Unicode line breaking, shaping, bidirectional text) for
// breaking lines, truncating and drawing styled text.

#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>

#include <string>
#include <vector>

#include "platform/appkit/TextMetrics.h"
#include "platform/graphics/AttributedString.h"

class QPainter;

namespace platform::qt {

QString toQString(const std::string& s);
std::string fromQString(const QString& s);
// The byte offset in `utf8` of the UTF-16 index `index` of the same text,
// and back.
std::size_t byteOffsetOfIndex(const std::string& utf8, int index);
int indexOfByteOffset(const std::string& utf8, std::size_t offset);

// The UTF-16 index of every byte offset of `utf8` (size + 1 entries; a
// byte inside a character maps to the character's start), and the byte
// offset of every UTF-16 index (length + 1 entries): for many offsets of one
// text, in one pass over it.
std::vector<int> indexesOfByteOffsets(const std::string& utf8);
std::vector<std::size_t> byteOffsetsOfIndexes(const std::string& utf8);

QFont qFont(const Font& font);

// The runs of `text` as a text layout's formats, each in its run's font (the
// other attributes are the drawing's); `indexes` from indexesOfByteOffsets.
QList<QTextLayout::FormatRange> fontFormats(const AttributedString& text, const std::vector<int>& indexes);

class QtTextMetrics : public TextMetrics {
public:
    FontMetrics metricsForFont(const Font& font) override;
    double advanceOfText(const std::string& text, const Font& font) override;
    // Qt's layout breaks the lines (a paragraph with tabs goes to the kit's
    // stops, and so to the kit's breaking).
    std::vector<Range> paragraphLines(const AttributedString& paragraph, double firstWidth, double width,
                                      const ParagraphStyle& style) override;
    // Qt elides text in one font; styled text is cut by the kit with Qt's
    // measures.
    AttributedString truncated(const AttributedString& text, double width, LineBreakMode mode) override;
};

}  // namespace platform::qt
