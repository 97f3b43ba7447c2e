#include "platform/foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <fstream>

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
