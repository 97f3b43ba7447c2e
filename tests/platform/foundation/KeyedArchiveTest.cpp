#include "platform/foundation/KeyedArchive.h"

#include <gtest/gtest.h>

#include "platform/foundation/PropertyList.h"
#include "support/FreltTest.h"

using namespace platform;

namespace {

// A small model class in the shape the program's own classes take.
class Combo : public Coding {
public:
    std::int64_t key = 0;
    std::uint64_t modifiers = 0;
    bool doubled = false;
    std::string className() const override { return "frelt.KeyCombo"; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        coder.encodeInteger(key, "key");
        coder.encodeInteger(static_cast<std::int64_t>(modifiers), "modifiers");
        coder.encodeBool(doubled, "doubledModifiers");
    }
    static std::shared_ptr<Combo> initWithCoder(KeyedUnarchiver& coder) {
        auto c = std::make_shared<Combo>();
        c->key = coder.decodeInteger("key");
        c->modifiers = static_cast<std::uint64_t>(coder.decodeInteger("modifiers"));
        c->doubled = coder.decodeBool("doubledModifiers");
        return c;
    }
};

class Item : public Coding {
public:
    std::string name, path;
    std::vector<std::string> tags;
    std::shared_ptr<Combo> hotkey;
    bool visible = true;
    std::string className() const override { return "frelt.TableViewItem"; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        coder.encodeObject(name, "name");
        coder.encodeObject(path, "path");
        coder.encodeObject(tags, "tags");
        coder.encodeObject(hotkey, "hotkey");
        coder.encodeObject(ArchiveObject::number(visible), "isVisible");
    }
    // Yields nothing without a name, as the program's entries do.
    static std::shared_ptr<Item> initWithCoder(KeyedUnarchiver& coder) {
        auto name = coder.decodeString("name");
        auto path = coder.decodeString("path");
        if (!name || !path || name->empty()) return nullptr;
        auto item = std::make_shared<Item>();
        item->name = *name;
        item->path = *path;
        item->tags = coder.decodeStringArray("tags").value_or(std::vector<std::string>{});
        item->hotkey = coder.decodeObjectOfClass<Combo>("hotkey");
        auto visible = coder.decodeObject("isVisible").asBool();
        item->visible = visible.value_or(true);
        return item;
    }
};

// Keeps bytes under a key of its own, as colours keep their components.
class Blob : public Coding {
public:
    Data bytes;
    std::string className() const override { return "frelt.Blob"; }
    void encodeWithCoder(KeyedArchiver& coder) const override { coder.encodeBytes(bytes, "bytes"); }
    static std::shared_ptr<Blob> initWithCoder(KeyedUnarchiver& coder) {
        auto b = std::make_shared<Blob>();
        auto bytes = coder.decodeBytes("bytes");
        if (!bytes) return nullptr;
        b->bytes = std::move(*bytes);
        return b;
    }
};

class KeyedArchiveTest : public FreltTest {
protected:
    static void SetUpTestSuite() {
        CodingRegistry::registerClass("frelt.Blob", &Blob::initWithCoder);
        CodingRegistry::registerClass("frelt.KeyCombo", &Combo::initWithCoder);
        CodingRegistry::registerClass("frelt.TableViewItem", &Item::initWithCoder);
    }

    static ArchiveObject roundTrip(const ArchiveObject& o) {
        std::string error;
        auto data = KeyedArchiver::archivedData(o, &error);
        EXPECT_TRUE(data) << error;
        if (!data) return {};
        auto r = KeyedUnarchiver::unarchiveTopLevelObject(*data);
        EXPECT_TRUE(r) << r.error;
        return r.object;
    }

    static Value archiveValue(const Data& d) { return *PropertyList::read(d).value; }
    static Data archiveBytes(const Value& v) { return *PropertyList::write(v, PropertyListFormat::Binary); }
};

std::shared_ptr<Item> makeItem(std::string name) {
    auto item = std::make_shared<Item>();
    item->name = std::move(name);
    item->path = "/usr/share/applications/" + item->name + ".desktop";
    item->tags = {"work", "tools|dev"};
    return item;
}

TEST_F(KeyedArchiveTest, BuiltinClassesRoundTrip) {
    EXPECT_EQ(*roundTrip("text").asString(), "text");
    EXPECT_EQ(*roundTrip("ünïcødé ✓").asString(), "ünïcødé ✓");
    EXPECT_EQ(roundTrip(ArchiveObject::number(true)).asBool(), true);
    EXPECT_EQ(roundTrip(ArchiveObject::number(-12)).asInteger(), -12);
    EXPECT_EQ(roundTrip(ArchiveObject::number(0.125)).asDouble(), 0.125);
    EXPECT_EQ(*roundTrip(Data{1, 2, 3}).asData(), (Data{1, 2, 3}));
    EXPECT_EQ(*roundTrip(Date{700000000.25}).asDate(), Date{700000000.25});
    EXPECT_EQ(*roundTrip(*URL::fromString("https://example.org/a?b=c")).asURL(),
              *URL::fromString("https://example.org/a?b=c"));
    EXPECT_EQ(*roundTrip(URL::fileURL("/home/u/Documents/", true)).asURL(), URL::fileURL("/home/u/Documents/", true));
    EXPECT_TRUE(roundTrip(nullptr).isNull());

    auto array = roundTrip(ArchiveObject(std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(array.isMutable());
    EXPECT_EQ(array.asStringArray(), (std::vector<std::string>{"a", "b"}));
    auto mutableArray = roundTrip(ArchiveObject(ArchiveArray{"x"}, true));
    EXPECT_TRUE(mutableArray.isMutable());
    EXPECT_EQ(mutableArray.asStringArray(), (std::vector<std::string>{"x"}));

    auto dict = roundTrip(ArchiveObject(ArchiveDictionary{{"k", ArchiveObject::number(1)}, {"l", "v"}}));
    ASSERT_TRUE(dict.asDictionary());
    EXPECT_EQ(*dict.toValue(), Value(ValueDictionary{{"k", 1}, {"l", "v"}}));
}

TEST_F(KeyedArchiveTest, DictionaryFromURLToDataRoundTrips) {
    // The shape of the bookmark file.
    ArchiveDictionary grants{{URL::fileURL("/", true), Data{1}}, {URL::fileURL("/home/u/", true), Data{2, 3}}};
    auto back = roundTrip(ArchiveObject(grants, true));
    ASSERT_TRUE(back.asDictionary());
    ASSERT_EQ(back.asDictionary()->size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(*(*back.asDictionary())[i].first.asURL(), *grants[i].first.asURL());
        EXPECT_EQ(*(*back.asDictionary())[i].second.asData(), *grants[i].second.asData());
    }
}

TEST_F(KeyedArchiveTest, NestedArraysAndDictionariesRoundTrip) {
    Value v(ValueDictionary{{"list", ValueArray{1, ValueArray{"deep", ValueDictionary{{"x", 2.5}}}, true}},
                            {"date", Date{1.0}},
                            {"data", Data{9}}});
    EXPECT_EQ(roundTrip(ArchiveObject::fromValue(v)).toValue(), v);
}

TEST_F(KeyedArchiveTest, ModelObjectsRoundTripWithNullAndNestedObjects) {
    auto a = makeItem("alpha");
    a->hotkey = std::make_shared<Combo>();
    a->hotkey->key = 49;
    a->hotkey->modifiers = 1 << 20;
    a->visible = false;
    auto b = makeItem("beta");
    auto back = roundTrip(ArchiveObject(ArchiveArray{a, b}));
    ASSERT_TRUE(back.asArray());
    ASSERT_EQ(back.asArray()->size(), 2u);
    auto a2 = (*back.asArray())[0].as<Item>();
    auto b2 = (*back.asArray())[1].as<Item>();
    ASSERT_TRUE(a2 && b2);
    EXPECT_EQ(a2->name, "alpha");
    EXPECT_EQ(a2->tags, a->tags);
    EXPECT_FALSE(a2->visible);
    ASSERT_TRUE(a2->hotkey);
    EXPECT_EQ(a2->hotkey->key, 49);
    EXPECT_EQ(a2->hotkey->modifiers, 1u << 20);
    EXPECT_EQ(b2->hotkey, nullptr);
    EXPECT_TRUE(b2->visible);
}

TEST_F(KeyedArchiveTest, ListsMadeWhileEncodingKeepTheirOwnContents) {
    // Each entry encodes its tags from a list made on the spot and freed
    // right after; a freed list's address must not pass for the next one.
    ArchiveArray items;
    for (int i = 0; i < 200; ++i) {
        auto item = makeItem("item" + std::to_string(i));
        item->tags = {"tag" + std::to_string(i)};
        items.emplace_back(item);
    }
    auto back = roundTrip(ArchiveObject(items));
    ASSERT_TRUE(back.asArray());
    ASSERT_EQ(back.asArray()->size(), 200u);
    for (int i = 0; i < 200; ++i) {
        auto item = (*back.asArray())[static_cast<std::size_t>(i)].as<Item>();
        ASSERT_TRUE(item);
        EXPECT_EQ(item->tags, std::vector<std::string>{"tag" + std::to_string(i)});
    }
}

TEST_F(KeyedArchiveTest, SharedObjectsAreWrittenOnceAndStayShared) {
    auto combo = std::make_shared<Combo>();
    auto a = makeItem("a"), b = makeItem("b");
    a->hotkey = combo;
    b->hotkey = combo;
    ArchiveObject inner(ArchiveArray{"s"});
    auto data = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{a, b, inner, inner}));

    const auto objects = *archiveValue(data)["$objects"].asArray();
    int combos = 0, innerArrays = 0;
    for (const auto& o : objects) {
        if (o["key"].isInteger()) ++combos;
        if (auto refs = o["NS.objects"].asArray(); refs && refs->size() == 1) ++innerArrays;
    }
    EXPECT_EQ(combos, 1);
    EXPECT_EQ(innerArrays, 1);

    auto r = KeyedUnarchiver::unarchiveTopLevelObject(data);
    ASSERT_TRUE(r) << r.error;
    const auto& list = *r.object.asArray();
    EXPECT_EQ(list[0].as<Item>()->hotkey, list[1].as<Item>()->hotkey);
    EXPECT_TRUE(list[2].isIdenticalTo(list[3]));
}

TEST_F(KeyedArchiveTest, LayoutMatchesTheDocumentedFormatObjectByObject) {
    auto item = std::make_shared<Item>();
    item->name = "n";
    item->path = "p";
    item->tags = {"t"};
    auto data = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{item}));
    ASSERT_EQ(std::string(data.begin(), data.begin() + 8), "bplist00");

    const Value archive = archiveValue(data);
    EXPECT_EQ(archive["$archiver"], Value("NSKeyedArchiver"));
    EXPECT_EQ(archive["$version"], Value(100000));
    EXPECT_EQ(archive["$top"], Value(ValueDictionary{{"root", UID{1}}}));
    const ValueArray expected{
        "$null",
        // 1: the root array; a class record follows the objects it describes
        ValueDictionary{{"NS.objects", ValueArray{UID{2}}}, {"$class", UID{7}}},
        // 2: the entry, a null hotkey pointing at $null
        ValueDictionary{{"name", UID{3}},
                        {"path", UID{4}},
                        {"tags", UID{5}},
                        {"hotkey", UID{0}},
                        {"isVisible", UID{8}},
                        {"$class", UID{9}}},
        "n",
        "p",
        ValueDictionary{{"NS.objects", ValueArray{UID{6}}}, {"$class", UID{7}}},
        "t",
        ValueDictionary{{"$classname", "NSArray"}, {"$classes", ValueArray{"NSArray", "NSObject"}}},
        true,
        ValueDictionary{{"$classname", "frelt.TableViewItem"}, {"$classes", ValueArray{"frelt.TableViewItem", "NSObject"}}},
    };
    // Order of the table follows the archiver's walk; compare it whole.
    const auto& objects = *archive["$objects"].asArray();
    ASSERT_EQ(objects.size(), expected.size()) << archive.description();
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(objects[i], expected[i]) << "object " << i;
}

TEST_F(KeyedArchiveTest, RuntimeClassNamesReachTheSameClass) {
    EXPECT_EQ(CodingRegistry::runtimeName("frelt.TableViewItem"), "_TtC5frelt13TableViewItem");
    EXPECT_EQ(CodingRegistry::runtimeName("frelt.ExportImportData"), "_TtC5frelt16ExportImportData");
    EXPECT_EQ(CodingRegistry::canonicalName("_TtC5frelt7iconTag"), "frelt.iconTag");
    EXPECT_EQ(CodingRegistry::canonicalName("_TtC5frelt99x"), "_TtC5frelt99x");
    EXPECT_EQ(CodingRegistry::canonicalName("NSColor"), "NSColor");

    KeyedArchiver archiver(KeyedArchiver::ClassNames::Runtime);
    archiver.encodeRootObject(makeItem("x"));
    const auto data = *archiver.encodedData();
    const auto objects = *archiveValue(data)["$objects"].asArray();
    bool found = false;
    for (const auto& o : objects) found = found || o["$classname"] == Value("_TtC5frelt13TableViewItem");
    EXPECT_TRUE(found);
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(data);
    ASSERT_TRUE(r) << r.error;
    ASSERT_TRUE(r.object.as<Item>());
    EXPECT_EQ(r.object.as<Item>()->name, "x");
}

TEST_F(KeyedArchiveTest, AllowListRefusesOtherClasses) {
    auto data = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{makeItem("x")}));
    EXPECT_TRUE(KeyedUnarchiver::unarchiveTopLevelObject(data, {"NSArray", "_TtC5frelt13TableViewItem"}));
    // A list of texts is an object of a class too.
    const auto alone = *KeyedArchiver::archivedData(ArchiveObject(makeItem("x")));
    EXPECT_FALSE(KeyedUnarchiver::unarchiveTopLevelObject(alone, {"frelt.TableViewItem"}));
    auto refused = KeyedUnarchiver::unarchiveTopLevelObject(data, {"NSArray"});
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.error.find("frelt.TableViewItem"), std::string::npos) << refused.error;
}

TEST_F(KeyedArchiveTest, WrongKindsReadAsMissing) {
    // An entry whose values all have the wrong kind: strings where numbers
    // belong and the reverse, a string array holding a number.
    KeyedArchiver archiver;
    struct Odd : Coding {
        std::string className() const override { return "frelt.TableViewItem"; }
        void encodeWithCoder(KeyedArchiver& c) const override {
            c.encodeObject("n", "name");
            c.encodeObject("p", "path");
            c.encodeObject(ArchiveArray{"ok", ArchiveObject::number(3)}, "tags");
            c.encodeObject("not a combo", "hotkey");
            c.encodeObject("yes", "isVisible");
        }
    };
    auto data = *KeyedArchiver::archivedData(std::make_shared<Odd>());
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(data);
    ASSERT_TRUE(r) << r.error;
    auto item = r.object.as<Item>();
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->tags.empty());
    EXPECT_EQ(item->hotkey, nullptr);
    EXPECT_TRUE(item->visible);
    EXPECT_EQ(r.object.as<Combo>(), nullptr);
}

TEST_F(KeyedArchiveTest, ElementsWhoseDecoderYieldsNothingAreLeftOut) {
    auto data = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{makeItem(""), makeItem("kept")}));
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(data);
    ASSERT_TRUE(r) << r.error;
    ASSERT_EQ(r.object.asArray()->size(), 1u);
    EXPECT_EQ((*r.object.asArray())[0].as<Item>()->name, "kept");
}

TEST_F(KeyedArchiveTest, MissingRootIsNullNotAnError) {
    KeyedArchiver archiver;
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(*archiver.encodedData());
    EXPECT_TRUE(r) << r.error;
    EXPECT_TRUE(r.object.isNull());
}

TEST_F(KeyedArchiveTest, MalformedArchivesFailCleanly) {
    const Data good = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{makeItem("x")}));
    const Value base = archiveValue(good);
    auto edited = [&](auto change) {
        Value v = base;
        change(*v.asDictionary());
        return archiveBytes(v);
    };
    auto objects = [](ValueDictionary& d) -> ValueArray& { return *d["$objects"].asArray(); };

    struct Case {
        const char* name;
        Data data;
    };
    const std::vector<Case> cases = {
        {"not a property list", Data{'x', 'y', 'z'}},
        {"truncated file", Data(good.begin(), good.begin() + static_cast<long>(good.size()) - 10)},
        {"not a dictionary", archiveBytes(Value(ValueArray{1}))},
        {"wrong $archiver", edited([](ValueDictionary& d) { d["$archiver"] = "Other"; })},
        {"wrong $version", edited([](ValueDictionary& d) { d["$version"] = 99999; })},
        {"$version as text", edited([](ValueDictionary& d) { d["$version"] = "100000"; })},
        {"missing $top", edited([](ValueDictionary& d) { d.erase("$top"); })},
        {"$top of the wrong kind", edited([](ValueDictionary& d) { d["$top"] = ValueArray{}; })},
        {"root not a reference", edited([](ValueDictionary& d) { d["$top"] = ValueDictionary{{"root", 1}}; })},
        {"missing $objects", edited([](ValueDictionary& d) { d.erase("$objects"); })},
        {"$objects without $null", edited([&](ValueDictionary& d) { objects(d)[0] = "x"; })},
        {"bad root UID", edited([](ValueDictionary& d) { d["$top"] = ValueDictionary{{"root", UID{999}}}; })},
        {"bad element UID", edited([&](ValueDictionary& d) {
             *objects(d)[1].asDictionary() = ValueDictionary{{"NS.objects", ValueArray{UID{4000000000}}},
                                                             {"$class", (*objects(d)[1].asDictionary())["$class"]}};
         })},
        {"array containing itself", edited([&](ValueDictionary& d) {
             (*objects(d)[1].asDictionary())["NS.objects"] = ValueArray{UID{1}};
         })},
        {"bad $class UID", edited([&](ValueDictionary& d) { (*objects(d)[1].asDictionary())["$class"] = UID{77}; })},
        {"$class not a reference", edited([&](ValueDictionary& d) { (*objects(d)[1].asDictionary())["$class"] = 3; })},
        {"class record without name", edited([&](ValueDictionary& d) {
             const auto cls = (*objects(d)[1].asDictionary())["$class"].asUID()->value;
             objects(d)[cls] = ValueDictionary{{"$classes", ValueArray{}}};
         })},
        {"unknown class", edited([&](ValueDictionary& d) {
             const auto cls = (*objects(d)[1].asDictionary())["$class"].asUID()->value;
             objects(d)[cls] = ValueDictionary{{"$classname", "Mystery"}, {"$classes", ValueArray{"Mystery"}}};
         })},
        {"array without NS.objects", edited([&](ValueDictionary& d) { (*objects(d)[1].asDictionary()).erase("NS.objects"); })},
        {"NS.objects of the wrong kind", edited([&](ValueDictionary& d) { (*objects(d)[1].asDictionary())["NS.objects"] = "x"; })},
        {"object that is a bare array", edited([&](ValueDictionary& d) { objects(d)[1] = ValueArray{}; })},
        {"object that is a UID", edited([&](ValueDictionary& d) { objects(d)[1] = UID{1}; })},
        // Texts and lists of texts inside the entry (object 2).
        {"name reference beyond the objects", edited([&](ValueDictionary& d) {
             (*objects(d)[2].asDictionary())["name"] = UID{4000000000};
         })},
        {"tag reference beyond the objects", edited([&](ValueDictionary& d) {
             const auto tags = (*objects(d)[2].asDictionary())["tags"].asUID()->value;
             (*objects(d)[tags].asDictionary())["NS.objects"] = ValueArray{UID{4000000000}};
         })},
        {"tag list holding the entry itself", edited([&](ValueDictionary& d) {
             const auto tags = (*objects(d)[2].asDictionary())["tags"].asUID()->value;
             (*objects(d)[tags].asDictionary())["NS.objects"] = ValueArray{UID{2}};
         })},
        {"tag list of an unknown class", edited([&](ValueDictionary& d) {
             const auto tags = (*objects(d)[2].asDictionary())["tags"].asUID()->value;
             objects(d).push_back(ValueDictionary{{"$classname", "Mystery"}, {"$classes", ValueArray{"Mystery"}}});
             (*objects(d)[tags].asDictionary())["$class"] = UID{objects(d).size() - 1};
         })},
    };
    for (const auto& c : cases) {
        auto r = KeyedUnarchiver::unarchiveTopLevelObject(c.data);
        EXPECT_FALSE(r) << c.name;
        EXPECT_FALSE(r.error.empty()) << c.name;
        EXPECT_TRUE(r.object.isNull()) << c.name;
    }
}

TEST_F(KeyedArchiveTest, CyclesThroughModelObjectsAreRefused) {
    // An entry whose hotkey refers back to the entry itself.
    const Data good = *KeyedArchiver::archivedData(makeItem("x"));
    Value v = archiveValue(good);
    auto& objects = *(*v.asDictionary())["$objects"].asArray();
    (*objects[1].asDictionary())["hotkey"] = UID{1};
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(v));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("contains itself"), std::string::npos) << r.error;
}

TEST_F(KeyedArchiveTest, ExcessiveDepthIsRefused) {
    ValueArray objects{"$null"};
    const std::uint64_t n = 1000;
    for (std::uint64_t i = 1; i <= n; ++i) {
        ValueArray next = i < n ? ValueArray{UID{i + 1}} : ValueArray{};
        objects.emplace_back(ValueDictionary{{"NS.objects", next}, {"$class", UID{n + 1}}});
    }
    objects.emplace_back(ValueDictionary{{"$classname", "NSArray"}, {"$classes", ValueArray{"NSArray", "NSObject"}}});
    Value archive(ValueDictionary{{"$archiver", "NSKeyedArchiver"},
                                  {"$version", 100000},
                                  {"$top", ValueDictionary{{"root", UID{1}}}},
                                  {"$objects", objects}});
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(archive));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("too deeply"), std::string::npos) << r.error;
}

TEST_F(KeyedArchiveTest, SharedArraysDoNotExpandWithoutBound) {
    // Thirty-two arrays that each hold the next one twice: decoding shares
    // them, and turning the result into a plain value stops at a limit.
    ValueArray objects{"$null"};
    const std::uint64_t n = 32;
    for (std::uint64_t i = 1; i <= n; ++i) {
        ValueArray next = i < n ? ValueArray{UID{i + 1}, UID{i + 1}} : ValueArray{};
        objects.emplace_back(ValueDictionary{{"NS.objects", next}, {"$class", UID{n + 1}}});
    }
    objects.emplace_back(ValueDictionary{{"$classname", "NSArray"}, {"$classes", ValueArray{"NSArray"}}});
    Value archive(ValueDictionary{{"$archiver", "NSKeyedArchiver"},
                                  {"$version", 100000},
                                  {"$top", ValueDictionary{{"root", UID{1}}}},
                                  {"$objects", objects}});
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(archive));
    ASSERT_TRUE(r) << r.error;
    EXPECT_FALSE(r.object.toValue());
}

Value handMadeArchive(ValueArray objects, std::uint64_t root = 1) {
    return Value(ValueDictionary{{"$archiver", "NSKeyedArchiver"},
                                 {"$version", 100000},
                                 {"$top", ValueDictionary{{"root", UID{root}}}},
                                 {"$objects", std::move(objects)}});
}

TEST_F(KeyedArchiveTest, WhateverTheArchiverWritesTheUnarchiverReads) {
    auto nested = [](std::size_t levels) {
        ArchiveObject o = ArchiveArray{};
        for (std::size_t i = 1; i < levels; ++i) o = ArchiveArray{o};
        return o;
    };
    auto deepest = roundTrip(nested(kMaxArchiveDepth));
    std::size_t levels = 0;
    for (const ArchiveObject* o = &deepest; o && o->asArray(); o = o->asArray()->empty() ? nullptr : &o->asArray()->front())
        ++levels;
    EXPECT_EQ(levels, kMaxArchiveDepth);

    std::string error;
    EXPECT_FALSE(KeyedArchiver::archivedData(nested(kMaxArchiveDepth + 1), &error));
    EXPECT_NE(error.find("too deeply"), std::string::npos) << error;
}

TEST_F(KeyedArchiveTest, BytesAreStoredUnderTheKeyItself) {
    auto blob = std::make_shared<Blob>();
    blob->bytes = Data{0, 1, 2, 0xFF};
    const Data data = *KeyedArchiver::archivedData(blob);
    const Value archive = archiveValue(data);
    const auto& objects = *archive["$objects"].asArray();
    const Value& record = objects[archive["$top"]["root"].asUID()->value];
    EXPECT_EQ(record["bytes"], Value(blob->bytes));  // not a reference to a data object
    auto back = KeyedUnarchiver::unarchiveTopLevelObject(data).object.as<Blob>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytes, blob->bytes);

    // A data object is no bytes under the key, and the other way round.
    const Value byReference = handMadeArchive(
        {"$null", ValueDictionary{{"bytes", UID{2}}, {"$class", UID{3}}}, Data{1, 2},
         ValueDictionary{{"$classname", "frelt.Blob"}, {"$classes", ValueArray{"frelt.Blob", "NSObject"}}}});
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(byReference));
    EXPECT_TRUE(r) << r.error;
    EXPECT_TRUE(r.object.isNull());
}

TEST_F(KeyedArchiveTest, NullObjectsDecodeAsNull) {
    // Written by an independent writer (fixtures/make_fixtures.py): an array
    // of a null object and a string.
    auto file = PropertyList::readFile(FRELT_SOURCE_DIR "/tests/platform/foundation/fixtures/null-in-array.bplist");
    ASSERT_TRUE(file) << file.error;
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(*file.value));
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.object.asStringArray(), std::vector<std::string>{"after"});

    const Value rootNull = handMadeArchive(
        {"$null", ValueDictionary{{"$class", UID{2}}}, ValueDictionary{{"$classname", "NSNull"}, {"$classes", ValueArray{"NSNull", "NSObject"}}}});
    auto n = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(rootNull));
    EXPECT_TRUE(n) << n.error;
    EXPECT_TRUE(n.object.isNull());
}

// Writes keys outside ASCII beside an entry's own, and reads them back.
class Wide : public Coding {
public:
    std::int64_t number = -1;
    std::optional<std::string> text, prefix;
    std::string className() const override { return "frelt.TableViewItem"; }
    void encodeWithCoder(KeyedArchiver& c) const override {
        c.encodeObject("n", "name");
        c.encodeObject("p", "path");
        c.encodeObject(ArchiveArray{"ok"}, "tags");
        c.encodeObject("wide", "größe");
        c.encodeInteger(7, "grö");
    }
    static std::shared_ptr<Wide> initWithCoder(KeyedUnarchiver& c) {
        auto w = std::make_shared<Wide>();
        w->number = c.decodeInteger("grö");
        w->text = c.decodeString("größe");
        w->prefix = c.decodeString("gr");
        return w;
    }
};

TEST_F(KeyedArchiveTest, KeysBeyondASCIIAndArchivesKeptAsXMLDecode) {
    // A key outside ASCII is stored as UTF-16, not as the text it is looked
    // up by; and an archive may have been kept as an XML property list.
    const Data binary = *KeyedArchiver::archivedData(ArchiveArray{std::make_shared<Wide>(), makeItem("second")});
    const Data xml = *PropertyList::write(archiveValue(binary), PropertyListFormat::XML);
    for (const Data* data : {&binary, &xml}) {
        auto r = KeyedUnarchiver::unarchiveTopLevelObject(*data);
        ASSERT_TRUE(r) << r.error;
        ASSERT_EQ(r.object.asArray()->size(), 2u);
        const auto first = (*r.object.asArray())[0].as<Item>();
        ASSERT_TRUE(first);
        EXPECT_EQ(first->name, "n");
        EXPECT_EQ(first->tags, std::vector<std::string>{"ok"});
        EXPECT_EQ((*r.object.asArray())[1].as<Item>()->name, "second");
    }

    // Read by a class of its own, the wide keys are found by their text, and
    // only whole keys are.
    CodingRegistry::registerClass("frelt.WideReader", &Wide::initWithCoder);
    Value renamed = archiveValue(*KeyedArchiver::archivedData(std::make_shared<Wide>()));
    for (auto& o : *(*renamed.asDictionary())["$objects"].asArray())
        if (o["$classname"].asString()) (*o.asDictionary())["$classname"] = "frelt.WideReader";
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(archiveBytes(renamed));
    ASSERT_TRUE(r) << r.error;
    const auto wide = r.object.as<Wide>();
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->number, 7);
    EXPECT_EQ(wide->text, "wide");
    EXPECT_EQ(wide->prefix, std::nullopt);
}

TEST_F(KeyedArchiveTest, UnsignedIntegersBeyondTheSignedRangeRoundTrip) {
    const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    auto back = roundTrip(ArchiveArray{ArchiveObject::number(largest), ArchiveObject::number(std::uint64_t{5})});
    ASSERT_TRUE(back.asArray());
    const auto& a = *back.asArray();
    EXPECT_EQ(a[0].asUnsignedInteger(), largest);
    EXPECT_FALSE(a[0].asInteger()) << "never wrapped to a negative number";
    EXPECT_EQ(a[1].asInteger(), 5);
    EXPECT_EQ(a[0].toValue(), Value(largest));
}

}  // namespace

namespace {

// Whatever a test puts under its keys.
class Holder : public Coding {
public:
    std::vector<std::pair<std::string, ArchiveObject>> values;
    std::string className() const override { return "frelt.Holder"; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        for (const auto& [key, value] : values) coder.encodeObject(value, key);
    }
};

}  // namespace

TEST_F(KeyedArchiveTest, TextsAndListsOfTextsReadAlikeHoweverTheyAreHeld) {
    using Strings = std::vector<std::string>;
    // Each decoded record: the texts read under "text" and the list read
    // under "list"; "seen" is read as an object first when present, so the
    // same list or text is then found already decoded.
    struct Read {
        std::optional<std::string> text;
        std::optional<Strings> list;
    };
    struct Reader : Coding {
        Read read;
        std::string className() const override { return "frelt.Holder"; }
        void encodeWithCoder(KeyedArchiver&) const override {}
    };
    CodingRegistry::registerClass("frelt.Holder", CodingRegistry::Decoder([](KeyedUnarchiver& c) -> std::shared_ptr<Coding> {
                                      auto r = std::make_shared<Reader>();
                                      (void)c.decodeObject("seen");
                                      r->read = {c.decodeString("text"), c.decodeStringArray("list")};
                                      return r;
                                  }));
    const ArchiveObject shared(ArchiveArray{"s", "t"});
    const ArchiveObject sharedText("shared text");
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, ArchiveObject>> values;
        std::optional<std::string> text;
        std::optional<Strings> list;
    };
    const std::vector<Case> cases{
        {"plain", {{"text", "größe"}, {"list", ArchiveArray{"a", "b"}}}, "größe", Strings{"a", "b"}},
        {"nulls left out", {{"list", ArchiveArray{"a", nullptr, "b"}}}, std::nullopt, Strings{"a", "b"}},
        {"mutable list", {{"list", ArchiveObject(Strings{"m"}, true)}}, std::nullopt, Strings{"m"}},
        {"empty list", {{"list", ArchiveArray{}}}, std::nullopt, Strings{}},
        {"decoded before", {{"seen", ArchiveArray{shared, sharedText}}, {"text", sharedText}, {"list", shared}},
         "shared text", Strings{"s", "t"}},
        {"a number is no text", {{"text", ArchiveObject::number(3)}, {"list", ArchiveArray{"a", ArchiveObject::number(3)}}},
         std::nullopt, std::nullopt},
        {"a list is no text", {{"text", ArchiveArray{"a"}}, {"list", ArchiveArray{ArchiveArray{"a"}}}}, std::nullopt,
         std::nullopt},
        {"a text is no list", {{"list", "a"}}, std::nullopt, std::nullopt},
        {"a dictionary is no list", {{"list", ArchiveDictionary{{"k", "v"}}}}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto holder = std::make_shared<Holder>();
        holder->values = c.values;
        const auto r = KeyedUnarchiver::unarchiveTopLevelObject(*KeyedArchiver::archivedData(ArchiveObject(holder)));
        ASSERT_TRUE(r) << r.error;
        const auto reader = r.object.as<Reader>();
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->read.text, c.text);
        EXPECT_EQ(reader->read.list, c.list);
    }
}

TEST_F(KeyedArchiveTest, ArchivesAreTheBytesOfTheirValueTreeWritten) {
    // The archiver writes its property list straight from its own records;
    // the bytes must be those of the archive's value tree written the
    // ordinary way, whatever the objects: texts beyond ASCII, texts that are
    // also keys, numbers of every kind, data, dates, URLs, mutable and
    // immutable lists and dictionaries, bytes under keys, a key written
    // twice, values at the top level, and enough objects for wider
    // references.
    auto blob = std::make_shared<Blob>();
    blob->bytes = Data{0, 1, 2, 0xFF};
    auto combo = std::make_shared<Combo>();
    combo->key = -7;
    combo->modifiers = 1u << 20;
    auto item = makeItem("naïve");
    item->hotkey = combo;
    ArchiveArray many;
    for (int i = 0; i < 300; ++i) many.emplace_back("text " + std::to_string(i % 280));
    ArchiveDictionary byURL{{ArchiveObject(*URL::fromString("https://example.org/a")), ArchiveObject(Data{9})},
                            {ArchiveObject("NS.objects"), ArchiveObject("$classes")}};
    const ArchiveObject graph(ArchiveArray{
        item, makeItem("b"), blob, combo, ArchiveObject(std::move(many), true), ArchiveObject(std::move(byURL), true),
        ArchiveObject(Date{12345.5}), ArchiveObject(*URL::fromString("file:///tmp/x%20y")),
        ArchiveObject::number(true), ArchiveObject::number(false), ArchiveObject::number(std::int64_t{-1}),
        ArchiveObject::number(std::int64_t{1} << 40), ArchiveObject::number(0.0), ArchiveObject::number(-0.0),
        ArchiveObject::number(std::uint64_t{0xFFFFFFFFFFFFFFF0ull}), ArchiveObject("$null"), ArchiveObject("name"),
        ArchiveObject(Data{}), ArchiveObject(ArchiveDictionary{})});

    for (const auto names : {KeyedArchiver::ClassNames::ModuleQualified, KeyedArchiver::ClassNames::Runtime}) {
        KeyedArchiver archiver(names);
        archiver.encodeRootObject(graph);
        archiver.encodeBool(true, "flag");
        archiver.encodeInteger(1, "count");
        archiver.encodeInteger(2, "count");
        archiver.encodeDouble(0.25, "ratio");
        archiver.encodeBytes(Data{1, 2}, "bytes");
        const auto written = archiver.encodedData();
        ASSERT_TRUE(written);
        EXPECT_EQ(*written, archiveBytes(archiver.archiveValue()));
        EXPECT_EQ(archiveValue(*written), archiver.archiveValue());
    }
}

TEST_F(KeyedArchiveTest, ArchiveBytesStayAsTheyWere) {
    // One small archive, byte for byte as earlier versions wrote it: files
    // already exported must keep comparing equal to a fresh export.
    auto item = makeItem("x");
    item->hotkey = std::make_shared<Combo>();
    const auto data = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{item}), nullptr,
                                                   KeyedArchiver::ClassNames::Runtime);
    static const char* const expected =
        "62706c6973743030d40103363a0204373b592461726368697665725f100f4e534b65796564417263686976657258246f"
        "626a65637473ad05060c18191a1f2021272f323355246e756c6cd20709080a5624636c61737380085a4e532e6f626a65"
        "637473a10b8002d6070e101214160d0f11131517800c56686f746b6579800959697356697369626c65800b546e616d65"
        "8003547061746880045474616773800551785f10212f7573722f73686172652f6170706c69636174696f6e732f782e64"
        "65736b746f70d207091b1c8008a21d1e8006800754776f726b59746f6f6c737c646576d2222623245824636c61737365"
        "73a22425574e534172726179584e534f626a6563745a24636c6173736e616d65d407292b2d282a2c2e800a5f1010646f"
        "75626c65644d6f6469666965727308536b65791000596d6f646966696572731000d222263031a231255f10135f547443"
        "356672656c74384b6579436f6d626f09d222263435a235255f10195f547443356672656c7431335461626c6556696577"
        "4974656d5424746f70d1383954726f6f748001582476657273696f6e12000186a000080011001b002d00360044004a00"
        "4f0056005800630065006700740076007d007f0089008b0090009200970099009e00a000a200c600cb00cd00d000d200"
        "d400d900e300e800f100f400fc010501100119011b012e012f01330135013f014101460149015f016001650168018401"
        "89018c01910193019c0000000000000201000000000000003c000000000000000000000000000001a1";
    std::string hex;
    for (auto b : data) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    EXPECT_EQ(hex, expected);
}
