// Encoding and decoding a keyed archive of 10,000 entry-like objects, next to
// libplist's own parse of the same bytes: decoding should stay within three
// times the bare parse.
#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include "BenchSupport.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Color.h"

namespace {

using namespace platform;

// Ten keys, as an entry writes them.
class BenchEntry : public Coding {
public:
    std::string name, path, comment, type, source;
    std::vector<std::string> tags;
    std::shared_ptr<Color> color;
    bool visible = true, favorite = false;

    std::string className() const override { return "frelt.TableViewItem"; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        coder.encodeObject(name, "name");
        coder.encodeObject(path, "path");
        coder.encodeObject(tags, "tags");
        coder.encodeObject(comment, "comment");
        coder.encodeObject(type, "itemTypeRawValue");
        coder.encodeObject(source, "itemSourceRawValue");
        coder.encodeObject(color, "color");
        coder.encodeObject(nullptr, "hotkey");
        coder.encodeObject(ArchiveObject::number(visible), "isVisible");
        coder.encodeObject(ArchiveObject::number(favorite), "favorite");
    }
    static std::shared_ptr<BenchEntry> initWithCoder(KeyedUnarchiver& coder) {
        auto name = coder.decodeString("name");
        auto path = coder.decodeString("path");
        if (!name || !path) return nullptr;
        auto e = std::make_shared<BenchEntry>();
        e->name = std::move(*name);
        e->path = std::move(*path);
        e->tags = coder.decodeStringArray("tags").value_or(std::vector<std::string>{});
        e->comment = coder.decodeString("comment").value_or("");
        e->type = coder.decodeString("itemTypeRawValue").value_or("unknown");
        e->source = coder.decodeString("itemSourceRawValue").value_or("other");
        e->color = coder.decodeObjectOfClass<Color>("color");
        (void)coder.decodeObject("hotkey");
        e->visible = coder.decodeObject("isVisible").asBool().value_or(true);
        e->favorite = coder.decodeObject("favorite").asBool().value_or(false);
        return e;
    }
};

ArchiveObject makeEntries() {
    static const char* types[] = {"application", "file", "folder", "url"};
    static const char* sources[] = {"spotlight", "user", "shortcuts", "other"};
    ArchiveArray list;
    list.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        auto e = std::make_shared<BenchEntry>();
        e->name = "Entry number " + std::to_string(i);
        e->path = "/usr/share/applications/org.example.entry" + std::to_string(i) + ".desktop";
        e->tags = {"work", "tools|dev" + std::to_string(i % 7)};
        e->comment = i % 3 ? "" : "A comment for entry " + std::to_string(i);
        e->type = types[i % 4];
        e->source = sources[i % 4];
        if (i % 2) e->color = std::make_shared<Color>(Color::sRGB((i % 255) / 255.0, 0.5, 0.25));
        e->favorite = i % 5 == 0;
        list.emplace_back(e);
    }
    return ArchiveObject(std::move(list));
}

const Data& archiveBytes() {
    static const Data bytes = [] {
        Color::registerCoding();
        CodingRegistry::registerClass("frelt.TableViewItem", &BenchEntry::initWithCoder);
        return *KeyedArchiver::archivedData(makeEntries());
    }();
    return bytes;
}

void BM_Encode(benchmark::State& state) {
    const ArchiveObject entries = makeEntries();
    for (auto _ : state) {
        auto data = KeyedArchiver::archivedData(entries);
        benchmark::DoNotOptimize(data);
    }
    state.counters["bytes"] = static_cast<double>(archiveBytes().size());
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    const Data& bytes = archiveBytes();
    for (auto _ : state) {
        auto r = KeyedUnarchiver::unarchiveTopLevelObject(bytes);
        if (!r || r.object.asArray()->size() != 10000) state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

// Our own binary reader alone, the first step of decoding.
void BM_PropertyListRead(benchmark::State& state) {
    const Data& bytes = archiveBytes();
    for (auto _ : state) {
        auto r = PropertyList::read(bytes);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PropertyListRead)->Unit(benchmark::kMillisecond);

// libplist's parse of the same bytes into its own nodes, and freeing them.
void BM_LibplistParse(benchmark::State& state) {
    const Data& bytes = archiveBytes();
    for (auto _ : state) {
        plist_t node = nullptr;
        plist_from_bin(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &node);
        if (!node) state.SkipWithError("libplist could not parse the archive");
        plist_free(node);
    }
}
BENCHMARK(BM_LibplistParse)->Unit(benchmark::kMillisecond);

}  // namespace

FRELT_BENCHMARK_MAIN()
