#include "platform/foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <fstream>

#include "platform/foundation/Process.h"
#include "support/FreltTest.h"

using namespace platform;

namespace {

Value sample() {
    return Value(ValueDictionary{
        {"string", "plain"},
        {"unicode", "Grüße 👋 ∑"},
        {"empty", ""},
        {"int", 42},
        {"negative", -7},
        {"big", static_cast<long long>(1) << 40},
        {"min", std::numeric_limits<long long>::min()},
        {"real", 0.25},
        {"true", true},
        {"false", false},
        {"date", Date{123456.5}},
        {"data", Data{0, 1, 2, 255}},
        {"uid", UID{300}},
        {"array", ValueArray{1, "two", ValueArray{}, ValueDictionary{}}},
        {"nested", ValueDictionary{{"a", ValueArray{ValueDictionary{{"b", 1.5}}}}}},
    });
}

Data bytes(std::string_view s) { return Data(s.begin(), s.end()); }

class PropertyListTest : public FreltTest {};

TEST_F(PropertyListTest, BinaryRoundTripKeepsEveryKind) {
    std::string error;
    auto data = PropertyList::write(sample(), PropertyListFormat::Binary, &error);
    ASSERT_TRUE(data) << error;
    ASSERT_EQ(std::string(data->begin(), data->begin() + 8), "bplist00");
    auto back = PropertyList::read(*data);
    ASSERT_TRUE(back) << back.error;
    EXPECT_EQ(back.format, PropertyListFormat::Binary);
    EXPECT_EQ(*back.value, sample());
}

TEST_F(PropertyListTest, XMLRoundTripKeepsEveryKind) {
    // XML dates carry whole seconds only.
    Value v = sample();
    (*v.asDictionary())["date"] = Date{123456};
    std::string error;
    auto data = PropertyList::write(v, PropertyListFormat::XML, &error);
    ASSERT_TRUE(data) << error;
    EXPECT_NE(std::string(data->begin(), data->end()).find("<plist"), std::string::npos);
    auto back = PropertyList::read(*data);
    ASSERT_TRUE(back) << back.error;
    EXPECT_EQ(back.format, PropertyListFormat::XML);
    EXPECT_EQ(*back.value, v);
}

TEST_F(PropertyListTest, ReadsXMLWrittenByHand) {
    auto r = PropertyList::read(std::string_view(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>name</key><string>x &amp; y</string><key>n</key><integer>-3</integer>
<key>list</key><array><true/><real>1.5</real></array></dict></plist>)"));
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(*r.value, Value(ValueDictionary{{"name", "x & y"}, {"n", -3}, {"list", ValueArray{true, 1.5}}}));
}

TEST_F(PropertyListTest, MalformedUTF8InXMLIsRepaired) {
    auto r = PropertyList::read(std::string_view("<plist><dict><key>k\xE7y</key><string>a\xFF" "b</string></dict></plist>"));
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(*r.value, Value(ValueDictionary{{"k\uFFFDy", "a\uFFFDb"}})) << r.value->description();
}

TEST_F(PropertyListTest, NullCannotBeWritten) {
    for (auto format : {PropertyListFormat::Binary, PropertyListFormat::XML}) {
        std::string error;
        EXPECT_FALSE(PropertyList::write(Value(ValueArray{1, Value()}), format, &error));
        EXPECT_NE(error.find("null"), std::string::npos);
    }
}

TEST_F(PropertyListTest, ManyObjectsUseWiderReferences) {
    ValueArray many;
    for (int i = 0; i < 70000; ++i) many.emplace_back(i);
    auto data = PropertyList::write(Value(many), PropertyListFormat::Binary);
    ASSERT_TRUE(data);
    auto back = PropertyList::read(*data);
    ASSERT_TRUE(back) << back.error;
    EXPECT_EQ(*back.value, Value(many));
}

TEST_F(PropertyListTest, ReadFileNamesAMissingFile) {
    auto r = PropertyList::readFile("/nonexistent/frelt/x.plist");
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("/nonexistent/frelt/x.plist"), std::string::npos);

    // A folder opens but cannot be read: an error naming it, never an exception.
    const auto folder = root() / "folder.plist";
    std::filesystem::create_directories(folder);
    auto fromFolder = PropertyList::readFile(folder.string());
    EXPECT_FALSE(fromFolder);
    EXPECT_NE(fromFolder.error.find(folder.string()), std::string::npos) << fromFolder.error;
}

// Builds a binary property list from raw objects (each a byte string) with
// one-byte references and offsets.
Data handMade(const std::vector<std::string>& objects, std::uint64_t top = 0) {
    std::string out = "bplist00";
    std::vector<std::size_t> offsets;
    for (const auto& o : objects) {
        offsets.push_back(out.size());
        out += o;
    }
    const std::size_t table = out.size();
    for (auto o : offsets) out.push_back(static_cast<char>(o));
    out.append(6, '\0');
    out.push_back(1);
    out.push_back(1);
    auto be64 = [&](std::uint64_t v) {
        for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>(v >> (8 * i)));
    };
    be64(objects.size());
    be64(top);
    be64(table);
    return bytes(out);
}

TEST_F(PropertyListTest, MalformedBinaryInputFailsCleanly) {
    auto valid = *PropertyList::write(sample(), PropertyListFormat::Binary);
    struct Case {
        const char* name;
        Data data;
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"header only", bytes("bplist00")},
        {"truncated", Data(valid.begin(), valid.begin() + static_cast<long>(valid.size() / 2))},
        {"reference past the end", handMade({std::string("\xA1\x05", 2)})},
        {"top object out of range", handMade({std::string("\x10\x01", 2)}, 3)},
        {"array containing itself", handMade({std::string("\xA1\x00", 2)})},
        {"indirect cycle", handMade({std::string("\xA1\x01", 2), std::string("\xA1\x00", 2)})},
        {"string longer than the file", handMade({std::string("\x5F\x10\xFF", 3) + "abc"})},
        {"dictionary with a number key", handMade({std::string("\xD1\x01\x01", 3), std::string("\x10\x01", 2)})},
        {"unknown marker", handMade({std::string("\x70", 1)})},
        {"garbage", bytes("this is not a property list")},
    };
    for (const auto& c : cases) {
        auto r = PropertyList::read(c.data);
        EXPECT_FALSE(r) << c.name;
        EXPECT_FALSE(r.error.empty()) << c.name;
    }
}

TEST_F(PropertyListTest, SharedArraysCannotExpandWithoutBound) {
    // Forty arrays that each hold the next one twice stand for 2^40 nodes.
    std::vector<std::string> objects;
    for (int i = 0; i < 40; ++i) objects.push_back(std::string{'\xA2', static_cast<char>(i + 1), static_cast<char>(i + 1)});
    objects.push_back(std::string("\x10\x01", 2));
    auto r = PropertyList::read(handMade(objects));
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("expands"), std::string::npos) << r.error;
}

TEST_F(PropertyListTest, SharedStringsAreRead) {
    // Writers share equal strings between containers; that is not a cycle.
    auto r = PropertyList::read(handMade({std::string("\xA3\x01\x01\x02", 4), "\x51x", std::string("\xA1\x01", 2)}));
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(*r.value, Value(ValueArray{"x", "x", ValueArray{"x"}}));
}

TEST_F(PropertyListTest, DeepNestingIsRefused) {
    std::string xml = "<plist version=\"1.0\">";
    for (int i = 0; i < 5000; ++i) xml += "<array>";
    for (int i = 0; i < 5000; ++i) xml += "</array>";
    xml += "</plist>";
    EXPECT_FALSE(PropertyList::read(std::string_view(xml)));

    Value deep = ValueArray{};
    for (int i = 0; i < 600; ++i) deep = Value(ValueArray{deep});
    std::string error;
    EXPECT_FALSE(PropertyList::write(deep, PropertyListFormat::Binary, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace

namespace {

const std::filesystem::path kFixtures = std::filesystem::path(FRELT_SOURCE_DIR) / "tests/platform/foundation/fixtures";

Value fixture(const std::string& name) {
    auto r = PropertyList::readFile((kFixtures / name).string());
    EXPECT_TRUE(r) << name << ": " << r.error;
    return r ? *r.value : Value();
}

}  // namespace

// The fixtures were written by an independent writer (make_fixtures.py).
TEST_F(PropertyListTest, IntegersKeepTheFullSignedAndUnsignedRange) {
    const Value expected(ValueDictionary{
        {"max_signed", std::numeric_limits<std::int64_t>::max()},
        {"min_unsigned_only", std::uint64_t{1} << 63},
        {"max_unsigned", std::numeric_limits<std::uint64_t>::max()},
        {"min_signed", std::numeric_limits<std::int64_t>::min()},
        {"minus_one", -1},
    });
    for (const char* name : {"integers.bplist", "integers.xml"}) {
        const Value v = fixture(name);
        EXPECT_EQ(v, expected) << name << ": " << v.description();
        EXPECT_FALSE(v["max_unsigned"].asInteger()) << "a value beyond the signed range never wraps";
        EXPECT_EQ(v["max_unsigned"].asUnsignedInteger(), std::numeric_limits<std::uint64_t>::max());
        for (auto format : {PropertyListFormat::Binary, PropertyListFormat::XML}) {
            auto again = PropertyList::read(*PropertyList::write(v, format));
            ASSERT_TRUE(again) << again.error;
            EXPECT_EQ(*again.value, expected) << name;
        }
    }
    // Sixteen-byte integers hold signed values; what needs more than 64 bits is refused.
    const std::string sixteen = "\x14" + std::string(16, '\xFF');
    EXPECT_EQ(PropertyList::read(handMade({sixteen})).value, Value(-1));
    auto beyond = PropertyList::read(handMade({"\x14" + std::string(7, '\0') + '\x01' + std::string(8, '\0')}));
    EXPECT_FALSE(beyond);
    EXPECT_NE(beyond.error.find("64 bits"), std::string::npos) << beyond.error;
}

TEST_F(PropertyListTest, DatesKeepTheirFullRange) {
    const Value expected(ValueDictionary{
        {"year_1", Date{-63113904000.0}},
        {"year_1900", Date{-3182153385.0}},
        {"edge_low", Date{-2147483648.0}},
        {"edge_high", Date{2147483647.0}},
        {"year_2100", Date{3129235199.0}},
        {"year_9999", Date{252423993599.0}},
    });
    for (const char* name : {"dates.xml", "dates.bplist"}) EXPECT_EQ(fixture(name), expected) << name;
    auto xml = PropertyList::write(expected, PropertyListFormat::XML);
    ASSERT_TRUE(xml);
    const std::string text(xml->begin(), xml->end());
    EXPECT_NE(text.find("<date>0001-01-01T00:00:00Z</date>"), std::string::npos) << text;
    EXPECT_NE(text.find("<date>2100-02-28T23:59:59Z</date>"), std::string::npos) << text;
    EXPECT_EQ(*PropertyList::read(*xml).value, expected);
    // Not a date: the day does not exist, or the text is no date at all.
    for (const char* bad : {"2023-02-29T00:00:00Z", "2023-13-01T00:00:00Z", "2023-01-01 00:00:00", "yesterday"}) {
        const std::string doc = std::string("<plist><date>") + bad + "</date></plist>";
        EXPECT_FALSE(PropertyList::read(std::string_view(doc))) << bad;
    }
}

TEST_F(PropertyListTest, AsciiMarkedStringsHoldingUTF8ReadAsUTF8) {
    EXPECT_EQ(fixture("ascii-utf8.bplist")["name"], Value("Grüße, café"));
    // Bytes that are no UTF-8 are still taken as Latin-1.
    EXPECT_EQ(PropertyList::read(handMade({"\x52\xE9t"})).value, Value("\xC3\xA9t"));
}

TEST_F(PropertyListTest, ContainersSharedManyTimesAreRead) {
    // 1,286 references to one ten-key dictionary in 1.6 KB.
    const Value v = fixture("shared.bplist");
    ASSERT_TRUE(v.isArray());
    ASSERT_EQ(v.asArray()->size(), 1286u);
    EXPECT_EQ(v.asArray()->back()["key9"], Value("value 9 of ten"));
}

TEST_F(PropertyListTest, XMLWritesEdgeValuesSoTheyReadBackOrRefusesThem) {
    struct Case {
        const char* name;
        Value value;
        const char* refusal;  // nullptr: must read back equal
    };
    const Case cases[] = {
        {"carriage return", Value("a\rb\r\nc"), nullptr},
        {"markup characters", Value("<a href=\"x\">&amp;</a>"), nullptr},
        {"negative zero", Value(-0.0), nullptr},
        {"infinity", Value(-HUGE_VAL), nullptr},
        {"largest UID", Value(UID{std::numeric_limits<std::uint64_t>::max()}), nullptr},
        {"whole date before 2001", Value(Date{-1000.0}), nullptr},
        {"embedded NUL", Value(std::string("a\0b", 3)), "control characters"},
        {"control character", Value("bell\x07"), "control characters"},
        {"control character in a key", Value(ValueDictionary{{"k\x01", 1}}), "control characters"},
        {"fractional date before 2001", Value(Date{-0.5}), "fraction of a second"},
        {"date past the year 9999", Value(Date{3e11}), "0000 to 9999"},
    };
    for (const auto& c : cases) {
        const Value wrapped(ValueArray{c.value});
        std::string error;
        auto xml = PropertyList::write(wrapped, PropertyListFormat::XML, &error);
        if (c.refusal) {
            EXPECT_FALSE(xml) << c.name;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.name << ": " << error;
            continue;
        }
        ASSERT_TRUE(xml) << c.name << ": " << error;
        auto back = PropertyList::read(*xml);
        ASSERT_TRUE(back) << c.name << ": " << back.error;
        EXPECT_EQ(*back.value, wrapped) << c.name << ": " << std::string(xml->begin(), xml->end());
        if (c.value.isReal()) {
            EXPECT_EQ(std::signbit(*(*back.value->asArray())[0].asDouble()), std::signbit(*c.value.asDouble()));
        }
    }
}

TEST_F(PropertyListTest, XMLRealsBeyondTheRangeOfADoubleReadAsInfinityOrZero) {
    EXPECT_EQ(PropertyList::read(std::string_view("<plist><real>1e400</real></plist>")).value, Value(HUGE_VAL));
    EXPECT_EQ(PropertyList::read(std::string_view("<plist><real>-1e400</real></plist>")).value, Value(-HUGE_VAL));
    EXPECT_EQ(PropertyList::read(std::string_view("<plist><real>1e-400</real></plist>")).value, Value(0.0));
}

// Our writer's output, read by an independent reader.
TEST_F(PropertyListTest, AnIndependentReaderReadsWhatWeWrite) {
    const char* python = "/usr/bin/python3";
    if (!std::filesystem::exists(python)) GTEST_SKIP() << "needs python3 (its plistlib reads our files)";
    const Value v(ValueDictionary{
        {"cr", "a\rb"},
        {"date", Date{-3182153385.0}},
        {"max_unsigned", std::numeric_limits<std::uint64_t>::max()},
        {"min_signed", std::numeric_limits<std::int64_t>::min()},
        {"negative_zero", -0.0},
        {"text", "Grüße <&>"},
        {"uid", UID{std::numeric_limits<std::uint64_t>::max()}},
    });
    const std::string expected =
        "cr: string 'a\\rb'\n"
        "date: date 1900-03-01T12:30:15\n"
        "max_unsigned: integer 18446744073709551615\n"
        "min_signed: integer -9223372036854775808\n"
        "negative_zero: real -0.0\n"
        "text: string 'Grüße <&>'\n";
    for (auto format : {PropertyListFormat::XML, PropertyListFormat::Binary}) {
        const bool xml = format == PropertyListFormat::XML;
        Value written = v;
        // XML keeps a UID as {CF$UID = n}, which the other reader shows as a dictionary.
        if (xml) written.asDictionary()->erase("uid");
        auto bytes = PropertyList::write(written, format);
        ASSERT_TRUE(bytes);
        const auto file = root() / (xml ? "ours.xml" : "ours.bplist");
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes->data()),
                                                    static_cast<std::streamsize>(bytes->size()));
        auto result = Process::run(python, {(kFixtures / "check_plist.py").string(), file.string()});
        ASSERT_TRUE(result);
        const std::string out(result->standardOutput.begin(), result->standardOutput.end());
        const std::string err(result->standardError.begin(), result->standardError.end());
        EXPECT_EQ(result->terminationStatus, 0) << err;
        EXPECT_EQ(out, expected + (xml ? "" : "uid: uid 18446744073709551615\n")) << (xml ? "XML" : "binary");
    }
}
