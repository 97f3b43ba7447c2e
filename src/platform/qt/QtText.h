#pragma once
// Text on Qt: the kit's fonts as QFonts (the system and monospaced names
// are the desktop's interface and fixed-width fonts; sizes are
// device-independent pixels), measurement with the fonts' metrics, and
// drawing of laid-out styled text on a QPainter.

#include <QFont>
#include <QString>

#include <string>

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

QFont qFont(const Font& font);

class QtTextMetrics : public TextMetrics {
public:
    FontMetrics metricsForFont(const Font& font) override;
    double advanceOfText(const std::string& text, const Font& font) override;
};

}  // namespace platform::qt
