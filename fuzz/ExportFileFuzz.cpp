// Feeds arbitrary bytes to the export-file reader, as an import reads a file
// the user picked: the record and every nested archive in it (entries, tags,
// URL templates, the hotkey). It must refuse cleanly with a reason, or give
// content whose every object can be archived again.
#include <cstddef>
#include <cstdint>

#include "exchange/ExportImportData.h"
#include "platform/foundation/KeyedArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const platform::Data bytes(data, data + size);
    const auto result = frelt::readExportFile(bytes);
    if (!result.content) {
        if (result.error.empty()) __builtin_trap();  // a refusal always says why
        return 0;
    }
    const auto& content = *result.content;
    for (const auto& entry : content.entries)
        if (!entry || !platform::KeyedArchiver::archivedData(platform::ArchiveObject(entry))) __builtin_trap();
    for (const auto& tag : content.tags)
        if (!tag || !platform::KeyedArchiver::archivedData(platform::ArchiveObject(tag))) __builtin_trap();
    for (const auto& t : content.templates)
        if (!t || !platform::KeyedArchiver::archivedData(platform::ArchiveObject(t))) __builtin_trap();
    if (content.globalKeyCombo && *content.globalKeyCombo)
        (void)platform::KeyedArchiver::archivedData(platform::ArchiveObject(*content.globalKeyCombo));
    return 0;
}
