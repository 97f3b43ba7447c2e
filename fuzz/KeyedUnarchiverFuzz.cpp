// Feeds arbitrary bytes to the keyed unarchiver: it must fail cleanly or
// return an object that can be walked and archived again.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>

#include "exchange/ExportImportData.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Color.h"
#include "sources/urls/URLManager.h"

namespace {

// A model class that reads every kind of key, as the program's classes do.
class Probe : public platform::Coding {
public:
    std::string className() const override { return "frelt.TableViewItem"; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override {
        coder.encodeObject(name, "name");
        coder.encodeObject(tags, "tags");
        coder.encodeObject(color, "color");
        coder.encodeObject(child, "hotkey");
        coder.encodeInteger(number, "key");
    }
    static std::shared_ptr<Probe> initWithCoder(platform::KeyedUnarchiver& coder) {
        auto p = std::make_shared<Probe>();
        p->name = coder.decodeString("name").value_or("");
        p->tags = coder.decodeStringArray("tags").value_or(std::vector<std::string>{});
        p->color = coder.decodeObjectOfClass<platform::Color>("color");
        p->child = coder.decodeObject("hotkey");
        // Any value may come in: sums wrap as unsigned numbers, and a real
        // becomes an integer only when it fits one.
        const double real = coder.decodeDouble("d") + coder.decodeFloat("f");
        const std::uint64_t whole = std::isfinite(real) && std::fabs(real) < 9.2e18
                                        ? static_cast<std::uint64_t>(static_cast<std::int64_t>(real))
                                        : 0;
        p->number = static_cast<std::uint64_t>(coder.decodeInteger("key")) + (coder.decodeBool("isVisible") ? 1 : 0) +
                    whole;
        (void)coder.decodeBytes("bytes");
        if (coder.containsValueForKey("fail")) return nullptr;
        return p;
    }
    std::string name;
    std::vector<std::string> tags;
    std::shared_ptr<platform::Color> color;
    platform::ArchiveObject child;
    std::uint64_t number = 0;
};

// Visits each object once: shared arrays may stand for more objects than
// could ever be walked one by one.
void walk(const platform::ArchiveObject& o, int depth, std::set<const void*>& seen) {
    if (depth > 64 || (o.identity() && !seen.insert(o.identity()).second)) return;
    (void)o.toValue();
    if (auto c = o.as<platform::Color>()) (void)c->sRGBComponents();
    if (auto a = o.asArray())
        for (const auto& e : *a) walk(e, depth + 1, seen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        // The export-file reader registers the program's own classes once;
        // the probe below then stands in for the entries everywhere.
        (void)frelt::readExportFile({});
        platform::Color::registerCoding();
        platform::CodingRegistry::registerClass("frelt.TableViewItem", &Probe::initWithCoder);
        // The stored URL templates: their decoders, and those of their ancestor.
        frelt::urlTemplateData::registerCoding();
        return true;
    }();
    (void)registered;
    const platform::Data bytes(data, data + size);
    auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(bytes);
    if (!result) return 0;
    std::set<const void*> seen;
    walk(result.object, 0, seen);
    if (auto again = platform::KeyedArchiver::archivedData(result.object))
        (void)platform::KeyedUnarchiver::unarchiveTopLevelObject(*again);
    // An export file: its nested archives, read as an import reads them.
    if (result.object.as<frelt::ExportImportData>()) (void)frelt::readExportFile(bytes);
    return 0;
}
