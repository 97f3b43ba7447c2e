#include "platform/graphics/Color.h"

#include <gtest/gtest.h>

#include "platform/foundation/PropertyList.h"
#include "support/FreltTest.h"

using namespace platform;

namespace {

class ColorTest : public FreltTest {
protected:
    static std::shared_ptr<Color> roundTrip(const Color& c) {
        auto data = KeyedArchiver::archivedData(std::make_shared<Color>(c));
        EXPECT_TRUE(data);
        auto r = KeyedUnarchiver::unarchiveTopLevelObject(*data);
        EXPECT_TRUE(r) << r.error;
        return r.object.as<Color>();
    }
    // The keys of the archive's root object, with data shown as text.
    static ValueDictionary rootRecord(const Color& c) {
        auto data = *KeyedArchiver::archivedData(std::make_shared<Color>(c));
        Value archive = *PropertyList::read(data).value;
        const auto& objects = *archive["$objects"].asArray();
        return *objects[archive["$top"]["root"].asUID()->value].asDictionary();
    }
};

TEST_F(ColorTest, EverySpaceRoundTrips) {
    const std::vector<Color> colors = {
        Color::calibratedRGB(0.1, 0.2, 0.3),
        Color::calibratedRGB(1, 0.5, 0, 0.25),
        Color::deviceRGB(0.5, 0.25, 0.125),
        Color::sRGB(0.9, 0.8, 0.7, 0.6),
        Color::calibratedWhite(0.5),
        Color::deviceWhite(0.25, 0.5),
        Color::named("System", "controlAccentColor", Color::sRGB(0, 0.5, 1)),
        Color::named("System", "labelColor"),
    };
    for (const auto& c : colors) {
        auto back = roundTrip(c);
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, c) << static_cast<int>(c.space());
        EXPECT_EQ(back->sRGBComponents(), c.sRGBComponents());
    }
}

TEST_F(ColorTest, ArchiveUsesThePlatformColourKeys) {
    auto data = *KeyedArchiver::archivedData(std::make_shared<Color>(Color::calibratedRGB(1, 0.5, 0.25)));
    Value archive = *PropertyList::read(data).value;
    const auto& objects = *archive["$objects"].asArray();
    const auto& root = *objects[archive["$top"]["root"].asUID()->value].asDictionary();
    EXPECT_EQ(root.at("NSColorSpace"), Value(1));
    // The components are bytes under the key itself, as other writers keep them.
    const auto& rgb = *root.at("NSRGB").asData();
    EXPECT_EQ(std::string(rgb.begin(), rgb.end()), std::string("1 0.5 0.25\0", 11));
    const auto& cls = objects[root.at("$class").asUID()->value];
    EXPECT_EQ(cls["$classname"], Value("NSColor"));

    auto white = rootRecord(Color::deviceWhite(0.5, 0.75));
    EXPECT_EQ(white.at("NSColorSpace"), Value(4));
    EXPECT_TRUE(white.count("NSWhite"));

    auto named = rootRecord(Color::named("System", "textColor"));
    EXPECT_EQ(named.at("NSColorSpace"), Value(6));
    EXPECT_TRUE(named.count("NSCatalogName") && named.count("NSColorName"));

    auto srgb = rootRecord(Color::sRGB(1, 0, 0));
    EXPECT_TRUE(srgb.count("NSComponents") && srgb.count("NSCustomColorSpace") && srgb.count("NSRGB"));
}

// Colour records as other writers may produce them, and broken ones. Data
// goes into a data object of its own (as this program wrote colours before)
// unless `bytesInPlace`, the common layout.
std::shared_ptr<Color> decodeRecord(ValueDictionary fields, bool bytesInPlace = false) {
    ValueArray objects{"$null"};
    ValueDictionary record;
    for (auto& [k, v] : fields) {
        if ((v.isData() && !bytesInPlace) || v.isString()) {
            objects.push_back(v);
            record[k] = UID{objects.size() - 1};
        } else {
            record[k] = v;
        }
    }
    record["$class"] = UID{objects.size() + 1};
    objects.emplace_back(record);
    objects.emplace_back(ValueDictionary{{"$classname", "NSColor"}, {"$classes", ValueArray{"NSColor", "NSObject"}}});
    Value archive(ValueDictionary{{"$archiver", "NSKeyedArchiver"},
                                  {"$version", 100000},
                                  {"$top", ValueDictionary{{"root", UID{objects.size() - 2}}}},
                                  {"$objects", objects}});
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(*PropertyList::write(archive, PropertyListFormat::Binary));
    EXPECT_TRUE(r) << r.error;
    return r.object.as<Color>();
}

Data text(std::string_view s) { return Data(s.begin(), s.end()); }

TEST_F(ColorTest, DecodesForeignRecordsAndRefusesBrokenOnes) {
    for (bool bytesInPlace : {true, false}) {
        auto rgb = decodeRecord({{"NSColorSpace", 2}, {"NSRGB", text(std::string_view("0.5 0.5 0.5 0.5\0", 16))}},
                                bytesInPlace);
        ASSERT_TRUE(rgb) << bytesInPlace;
        EXPECT_EQ(*rgb, Color::deviceRGB(0.5, 0.5, 0.5, 0.5));
        auto white = decodeRecord({{"NSColorSpace", 3}, {"NSWhite", text("0.25")}}, bytesInPlace);
        ASSERT_TRUE(white) << bytesInPlace;
        EXPECT_EQ(*white, Color::calibratedWhite(0.25));
    }

    // A colour from an independent writer (foundation/fixtures/make_fixtures.py).
    auto file = PropertyList::readFile(FRELT_SOURCE_DIR "/tests/platform/foundation/fixtures/colour-common.bplist");
    ASSERT_TRUE(file) << file.error;
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(*PropertyList::write(*file.value, PropertyListFormat::Binary));
    ASSERT_TRUE(r) << r.error;
    ASSERT_TRUE(r.object.as<Color>());
    EXPECT_EQ(*r.object.as<Color>(), Color::calibratedRGB(1, 0.5, 0.25));

    const std::vector<ValueDictionary> broken = {
        {},
        {{"NSColorSpace", 1}},
        {{"NSColorSpace", 1}, {"NSRGB", text("0.5 x 1")}},
        {{"NSColorSpace", 1}, {"NSRGB", text("0.5")}},
        {{"NSColorSpace", 1}, {"NSRGB", text("1 2 3 4 5")}},
        {{"NSColorSpace", 1}, {"NSRGB", text("nan 0 0")}},
        {{"NSColorSpace", 1}, {"NSRGB", "0.5 0.5 0.5"}},
        {{"NSColorSpace", 3}, {"NSWhite", text("")}},
        {{"NSColorSpace", 5}, {"NSCMYK", text("0 0 0 1")}},
        {{"NSColorSpace", 6}, {"NSColorName", "x"}},
        {{"NSColorSpace", "1"}, {"NSRGB", text("1 1 1")}},
    };
    for (std::size_t i = 0; i < broken.size(); ++i) EXPECT_EQ(decodeRecord(broken[i]), nullptr) << i;
}

TEST_F(ColorTest, EqualityComparesSpaceAndComponents) {
    EXPECT_EQ(Color::calibratedRGB(1, 0, 0), Color::calibratedRGB(1, 0, 0, 1));
    EXPECT_NE(Color::calibratedRGB(1, 0, 0), Color::deviceRGB(1, 0, 0));
    EXPECT_NE(Color::calibratedRGB(1, 0, 0), Color::calibratedRGB(1, 0, 0, 0.5));
    EXPECT_NE(Color::calibratedWhite(1), Color::calibratedRGB(1, 1, 1));
    EXPECT_EQ(Color::named("System", "a", Color::white()), Color::named("System", "a"));
    EXPECT_NE(Color::named("System", "a"), Color::named("System", "b"));
}

TEST_F(ColorTest, ConversionAndBlending) {
    EXPECT_EQ(Color::calibratedWhite(0.5, 0.25).sRGBComponents(), (Color::RGBA{0.5, 0.5, 0.5, 0.25}));
    EXPECT_EQ(Color::named("System", "x").sRGBComponents(), std::nullopt);
    EXPECT_EQ(Color::named("System", "x", Color::deviceRGB(1, 0, 0)).sRGBComponents(), (Color::RGBA{1, 0, 0, 1}));
    EXPECT_EQ(Color::calibratedHSB(0, 1, 1), Color::calibratedRGB(1, 0, 0));
    EXPECT_EQ(Color::calibratedHSB(1.0 / 3, 1, 1).sRGBComponents()->green, 1);

    auto mid = Color::black().blended(0.5, Color::calibratedRGB(1, 0.5, 0, 0));
    ASSERT_TRUE(mid);
    EXPECT_EQ(mid->sRGBComponents(), (Color::RGBA{0.5, 0.25, 0, 0.5}));
    EXPECT_EQ(Color::black().blended(2, Color::white())->sRGBComponents(), Color::white().sRGBComponents());
    EXPECT_EQ(Color::black().blended(-1, Color::white())->sRGBComponents(), Color::black().sRGBComponents());
    EXPECT_FALSE(Color::black().blended(0.5, Color::named("System", "x")));
    EXPECT_EQ(Color::deviceRGB(1, 1, 1).withAlphaComponent(0.5).alphaComponent(), 0.5);
}

TEST_F(ColorTest, NonColourUnderAColourKeyReadsAsMissing) {
    auto data = *KeyedArchiver::archivedData(ArchiveObject(ArchiveArray{"not a colour", std::make_shared<Color>()}));
    auto r = KeyedUnarchiver::unarchiveTopLevelObject(data);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ((*r.object.asArray())[0].as<Color>(), nullptr);
    EXPECT_TRUE((*r.object.asArray())[1].as<Color>());
}

}  // namespace
