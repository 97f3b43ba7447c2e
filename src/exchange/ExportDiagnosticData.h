#pragma once
// The diagnostics report: a plain-text snapshot of the program's state that
// the user saves for support. One object per report: made, filled by the
// section operations in order (addAppInfo to addHotkeys), saved, dropped.
//
// The lines are joined by single line feeds; every section ends with an
// empty line, so the file ends with a line feed. Dates are written in UTC.
// Nothing reads the file back, but its layout is fixed line by line.

#include <string>
#include <vector>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace frelt {

class ExportDiagnosticData {
public:
    // 62 hyphen-minus characters.
    static inline const std::string divider = std::string(62, '-');

    // The application block reads the program's own information dictionary.
    ExportDiagnosticData();
    // Tests: the application block reads `information` instead.
    explicit ExportDiagnosticData(platform::ValueDictionary information);

    // The report's lines, without line terminators.
    std::vector<std::string> exportData;

    void addAppInfo();
    void addConfiguration();
    void addSearchScopes();
    void addSpotlightData();
    void addMainDatabase();
    void addTags();
    void addBookmarks();
    void addHotkeys();

    // A save panel for a "txt" file, then writeToFile (over an existing file
    // only once write access was granted).
    void saveToFile();
    // Writes the report atomically. A failure is printed on standard output
    // and shown; answers whether the file was written.
    bool writeToFile(const platform::URL& url);
    // The file's text: the lines joined by line feeds.
    std::string text() const;

    // "2024-03-01 09:05:00 +0000" for a date, in UTC.
    static std::string formattedDate(const platform::Date& date);

private:
    void addFrame(const std::string& title, bool emptyLineAfter = true);

    platform::ValueDictionary information_;
};

}  // namespace frelt
