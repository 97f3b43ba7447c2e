#include "platform/foundation/KeyedArchive.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <map>
#include <unordered_map>
#include <mutex>

#include "platform/foundation/PropertyList.h"

namespace platform {

namespace {

constexpr std::int64_t kArchiveVersion = 100000;

const std::shared_ptr<Coding> kNoCoded;

bool isArrayClass(const std::string& n) {
    return n == "NSArray" || n == "NSMutableArray" || n == "NSSet" || n == "NSMutableSet" || n == "NSOrderedSet" ||
           n == "NSMutableOrderedSet";
}
bool isDictionaryClass(const std::string& n) { return n == "NSDictionary" || n == "NSMutableDictionary"; }
bool isBuiltinClass(const std::string& n) {
    return isArrayClass(n) || isDictionaryClass(n) || n == "NSDate" || n == "NSURL" || n == "NSString" ||
           n == "NSMutableString" || n == "NSData" || n == "NSMutableData" || n == "NSNull";
}

constexpr std::uint64_t kNodeCost = 64;

// What converting an object costs, its shared parts counted as often as they
// appear, measured once per shared array or dictionary; saturates above
// `limit`. Lets toValue refuse an expansion before building any of it.
std::uint64_t expandedCost(const ArchiveObject& o, std::uint64_t limit, int depth,
                           std::unordered_map<const void*, std::uint64_t>& known) {
    if (depth > 512) return limit + 1;
    const void* identity = o.identity();
    if (identity) {
        auto it = known.find(identity);
        if (it != known.end()) return it->second;
    }
    std::uint64_t cost = kNodeCost;
    if (const auto* s = o.asString()) cost += s->size();
    if (const auto* d = o.asData()) cost += d->size();
    if (const auto* a = o.asArray())
        for (const auto& e : *a) cost = std::min(limit + 1, cost + expandedCost(e, limit, depth + 1, known));
    if (const auto* d = o.asDictionary())
        for (const auto& [k, e] : *d) cost = std::min(limit + 1, cost + expandedCost(e, limit, depth + 1, known));
    if (identity) known.emplace(identity, cost);
    return cost;
}

std::optional<Value> toValueBounded(const ArchiveObject& o, std::uint64_t& budget, int depth) {
    if (budget < kNodeCost || depth > 512) return std::nullopt;
    budget -= kNodeCost;
    switch (o.kind()) {
    case ArchiveObject::Kind::Null:
        return Value();
    case ArchiveObject::Kind::String: {
        const auto& s = *o.asString();
        if (budget < s.size()) return std::nullopt;
        budget -= s.size();
        return Value(s);
    }
    case ArchiveObject::Kind::Number: {
        return o.toValue();  // numbers convert without recursion
    }
    case ArchiveObject::Kind::Data: {
        const auto& d = *o.asData();
        if (budget < d.size()) return std::nullopt;
        budget -= d.size();
        return Value(d);
    }
    case ArchiveObject::Kind::Date:
        return Value(*o.asDate());
    case ArchiveObject::Kind::Array: {
        ValueArray a;
        for (const auto& e : *o.asArray()) {
            auto v = toValueBounded(e, budget, depth + 1);
            if (!v) return std::nullopt;
            a.push_back(std::move(*v));
        }
        return Value(std::move(a));
    }
    case ArchiveObject::Kind::Dictionary: {
        ValueDictionary d;
        for (const auto& [k, e] : *o.asDictionary()) {
            auto key = k.asString();
            if (!key) return std::nullopt;
            auto v = toValueBounded(e, budget, depth + 1);
            if (!v) return std::nullopt;
            d.insert_or_assign(*key, std::move(*v));
        }
        return Value(std::move(d));
    }
    default:
        return std::nullopt;
    }
}

}  // namespace

// --- ArchiveObject --------------------------------------------------------

ArchiveObject::ArchiveObject(std::string s) : storage_(std::make_shared<const std::string>(std::move(s))) {}
ArchiveObject::ArchiveObject(platform::Data d) : storage_(std::make_shared<const platform::Data>(std::move(d))) {}
ArchiveObject::ArchiveObject(platform::URL u) : storage_(std::make_shared<const platform::URL>(std::move(u))) {}
ArchiveObject::ArchiveObject(ArchiveArray elements, bool isMutable)
    : storage_(std::make_shared<const ArchiveArray>(std::move(elements))), isMutable_(isMutable) {}
ArchiveObject::ArchiveObject(ArchiveDictionary pairs, bool isMutable)
    : storage_(std::make_shared<const ArchiveDictionary>(std::move(pairs))), isMutable_(isMutable) {}
ArchiveObject::ArchiveObject(const std::vector<std::string>& strings, bool isMutable) {
    ArchiveArray a;
    a.reserve(strings.size());
    for (const auto& s : strings) a.emplace_back(s);
    storage_ = std::make_shared<const ArchiveArray>(std::move(a));
    isMutable_ = isMutable;
}

ArchiveObject ArchiveObject::fromValue(const Value& value) {
    return std::visit(
        [](const auto& x) -> ArchiveObject {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, UID>) return {};
            else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, std::int64_t> || std::is_same_v<T, double> ||
                               std::is_same_v<T, std::uint64_t>)
                return number(x);
            else if constexpr (std::is_same_v<T, ValueArray>) {
                ArchiveArray a;
                a.reserve(x.size());
                for (const auto& e : x) a.push_back(fromValue(e));
                return ArchiveObject(std::move(a));
            } else if constexpr (std::is_same_v<T, ValueDictionary>) {
                ArchiveDictionary d;
                d.reserve(x.size());
                for (const auto& [k, e] : x) d.emplace_back(ArchiveObject(k), fromValue(e));
                return ArchiveObject(std::move(d));
            } else {
                return ArchiveObject(x);
            }
        },
        value.storage());
}

ArchiveObject::Kind ArchiveObject::kind() const {
    switch (storage_.index()) {
    case 0: return Kind::Null;
    case 1: return Kind::String;
    case 2:
    case 3:
    case 4: return Kind::Number;
    case 5: return Kind::Data;
    case 6: return Kind::Date;
    case 7: return Kind::URL;
    case 8: return Kind::Array;
    case 9: return Kind::Dictionary;
    case 11: return Kind::Number;
    default: return Kind::Coded;
    }
}

const std::string* ArchiveObject::asString() const {
    auto p = std::get_if<std::shared_ptr<const std::string>>(&storage_);
    return p ? p->get() : nullptr;
}
std::optional<bool> ArchiveObject::asBool() const {
    if (auto b = std::get_if<bool>(&storage_)) return *b;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return *i != 0;
    if (auto d = std::get_if<double>(&storage_)) return *d != 0;
    if (std::holds_alternative<std::uint64_t>(storage_)) return true;
    return std::nullopt;
}
std::optional<std::int64_t> ArchiveObject::asInteger() const {
    if (auto i = std::get_if<std::int64_t>(&storage_)) return *i;
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1 : 0;
    if (auto d = std::get_if<double>(&storage_)) return Value(*d).asInteger();
    return std::nullopt;
}
std::optional<std::uint64_t> ArchiveObject::asUnsignedInteger() const {
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return *u;
    if (auto i = std::get_if<std::int64_t>(&storage_); i && *i >= 0) return static_cast<std::uint64_t>(*i);
    return std::nullopt;
}
std::optional<double> ArchiveObject::asDouble() const {
    if (auto d = std::get_if<double>(&storage_)) return *d;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return static_cast<double>(*i);
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return static_cast<double>(*u);
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1.0 : 0.0;
    return std::nullopt;
}
const platform::Data* ArchiveObject::asData() const {
    auto p = std::get_if<std::shared_ptr<const platform::Data>>(&storage_);
    return p ? p->get() : nullptr;
}
const platform::Date* ArchiveObject::asDate() const { return std::get_if<platform::Date>(&storage_); }
const platform::URL* ArchiveObject::asURL() const {
    auto p = std::get_if<std::shared_ptr<const platform::URL>>(&storage_);
    return p ? p->get() : nullptr;
}
const ArchiveArray* ArchiveObject::asArray() const {
    auto p = std::get_if<std::shared_ptr<const ArchiveArray>>(&storage_);
    return p ? p->get() : nullptr;
}
const ArchiveDictionary* ArchiveObject::asDictionary() const {
    auto p = std::get_if<std::shared_ptr<const ArchiveDictionary>>(&storage_);
    return p ? p->get() : nullptr;
}
const std::shared_ptr<Coding>& ArchiveObject::asCoded() const {
    auto p = std::get_if<std::shared_ptr<Coding>>(&storage_);
    return p ? *p : kNoCoded;
}

std::optional<std::vector<std::string>> ArchiveObject::asStringArray() const {
    auto a = asArray();
    if (!a) return std::nullopt;
    std::vector<std::string> out;
    out.reserve(a->size());
    for (const auto& e : *a) {
        auto s = e.asString();
        if (!s) return std::nullopt;
        out.push_back(*s);
    }
    return out;
}

std::optional<Value> ArchiveObject::toValue() const {
    // Shared arrays may nest so that the tree they stand for is enormous.
    std::uint64_t budget = 16u << 20;
    if (kind() == Kind::Number) {
        if (auto b = std::get_if<bool>(&storage_)) return Value(*b);
        if (auto d = std::get_if<double>(&storage_)) return Value(*d);
        if (auto u = std::get_if<std::uint64_t>(&storage_)) return Value(static_cast<unsigned long long>(*u));
        return Value(*asInteger());
    }
    std::unordered_map<const void*, std::uint64_t> known;
    if (expandedCost(*this, budget, 0, known) > budget) return std::nullopt;
    return toValueBounded(*this, budget, 0);
}

std::shared_ptr<const void> ArchiveObject::identityOwner() const {
    return std::visit(
        [](const auto& x) -> std::shared_ptr<const void> {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, bool> ||
                          std::is_same_v<T, std::int64_t> || std::is_same_v<T, double> ||
                          std::is_same_v<T, platform::Date> || std::is_same_v<T, std::uint64_t>)
                return nullptr;
            else
                return x;
        },
        storage_);
}

const void* ArchiveObject::identity() const { return identityOwner().get(); }

// --- CodingRegistry -------------------------------------------------------

namespace {
struct Registry {
    std::mutex mutex;
    std::map<std::string, CodingRegistry::Decoder> decoders;  // by canonical name
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

void CodingRegistry::registerClass(const std::string& className, Decoder decoder) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.decoders[canonicalName(className)] = std::move(decoder);
}

const CodingRegistry::Decoder* CodingRegistry::decoder(const std::string& className) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.decoders.find(canonicalName(className));
    // Entries are never removed, so the pointer stays valid.
    return it == r.decoders.end() ? nullptr : &it->second;
}

std::string CodingRegistry::canonicalName(const std::string& name) {
    // "_TtC" <length><module> <length><class>
    if (name.rfind("_TtC", 0) != 0) return name;
    std::size_t i = 4;
    std::vector<std::string> parts;
    while (i < name.size() && parts.size() < 2) {
        std::size_t len = 0, digits = 0;
        while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])) && digits < 6) {
            len = len * 10 + static_cast<std::size_t>(name[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || len == 0 || len > name.size() - i) return name;
        parts.push_back(name.substr(i, len));
        i += len;
    }
    if (parts.size() != 2 || i != name.size()) return name;
    return parts[0] + "." + parts[1];
}

std::string CodingRegistry::runtimeName(const std::string& name) {
    const auto dot = name.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() || name.find('.', dot + 1) != std::string::npos)
        return name;
    const std::string module = name.substr(0, dot), cls = name.substr(dot + 1);
    return "_TtC" + std::to_string(module.size()) + module + std::to_string(cls.size()) + cls;
}

// --- KeyedArchiver ----------------------------------------------------------

// The archiver keeps "$objects" as light records and writes the property
// list from them in one pass, in the order a value tree of the archive is
// written, so the bytes do not depend on which way they were made.

KeyedArchiver::KeyedArchiver(ClassNames names) : names_(names) {
    static const auto null = std::make_shared<const std::string>("$null");
    objects_.emplace_back(null);
}

std::string KeyedArchiver::recordedName(const std::string& name) const {
    return names_ == ClassNames::Runtime ? CodingRegistry::runtimeName(name) : name;
}

void KeyedArchiver::put(const std::string& key, FieldValue value) {
    setField(frameDepth_ == 0 ? top_ : frames_[frameDepth_ - 1], key, std::move(value));
}

// A later value under the same key replaces an earlier one.
void KeyedArchiver::setField(Fields& fields, const std::string& key, FieldValue value) {
    for (auto& field : fields) {
        if (field.key == key) {
            field.value = std::move(value);
            return;
        }
    }
    fields.push_back(Field{key, std::move(value)});
}

void KeyedArchiver::encodeObject(const ArchiveObject& object, const std::string& key) { put(key, reference(object)); }
void KeyedArchiver::encodeBool(bool value, const std::string& key) { put(key, value); }
void KeyedArchiver::encodeInteger(std::int64_t value, const std::string& key) { put(key, value); }
void KeyedArchiver::encodeDouble(double value, const std::string& key) { put(key, value); }
void KeyedArchiver::encodeFloat(float value, const std::string& key) { put(key, static_cast<double>(value)); }
void KeyedArchiver::encodeBytes(const Data& bytes, const std::string& key) { put(key, bytes); }

UID KeyedArchiver::classReference(const std::string& name, const std::vector<std::string>& classes) {
    auto [it, inserted] = classes_.try_emplace(name, objects_.size());
    if (inserted) objects_.emplace_back(ClassEntry{name, classes});
    return UID{it->second};
}

UID KeyedArchiver::reference(const ArchiveObject& object) {
    using Kind = ArchiveObject::Kind;
    const Kind kind = object.kind();
    if (kind == Kind::Null) return UID{0};
    if (kind == Kind::String) {
        const auto& text = std::get<std::shared_ptr<const std::string>>(object.storage_);
        auto [it, inserted] = strings_.try_emplace(*text, objects_.size());
        if (inserted) objects_.emplace_back(text);
        return UID{it->second};
    }
    if (kind == Kind::Number) {
        // Equal numbers share one object, as equal strings do.
        Value number = *object.toValue();
        const std::uint64_t bits = std::visit(
            [](const auto& x) -> std::uint64_t {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, double>) return std::bit_cast<std::uint64_t>(x);
                else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, std::int64_t> ||
                                   std::is_same_v<T, std::uint64_t>)
                    return static_cast<std::uint64_t>(x);
                else return 0;
            },
            number.storage());
        auto [it, inserted] = numbers_.try_emplace({number.storage().index(), bits}, objects_.size());
        if (inserted) objects_.emplace_back(std::move(number));
        return UID{it->second};
    }
    const void* identity = object.identity();
    if (identity) {
        auto it = identities_.find(identity);
        if (it != identities_.end()) return UID{it->second};
    }
    const std::uint64_t index = objects_.size();
    if (identity) {
        identities_.emplace(identity, index);
        identityOwners_.push_back(object.identityOwner());
    }
    if (kind == Kind::Data) {
        objects_.emplace_back(std::get<std::shared_ptr<const platform::Data>>(object.storage_));
        return UID{index};
    }
    // Reserve the slot first: the object's own references come after it, and a
    // reference back to it (a cycle in the graph) finds the slot.
    objects_.emplace_back();
    if (frameDepth_ >= kMaxArchiveDepth) {
        if (error_.empty()) error_ = "objects are nested too deeply to archive";
        return UID{0};
    }
    if (frameDepth_ == frames_.size()) frames_.emplace_back();
    frames_[frameDepth_++].clear();
    UID classUID;
    switch (kind) {
    case Kind::Date: {
        static const std::vector<std::string> classes{"NSDate", "NSObject"};
        put("NS.time", object.asDate()->secondsSinceReferenceDate);
        classUID = classReference("NSDate", classes);
        break;
    }
    case Kind::URL: {
        static const std::vector<std::string> classes{"NSURL", "NSObject"};
        put("NS.base", UID{0});
        put("NS.relative", reference(ArchiveObject(object.asURL()->absoluteString())));
        classUID = classReference("NSURL", classes);
        break;
    }
    case Kind::Array: {
        static const std::vector<std::string> immutable{"NSArray", "NSObject"};
        static const std::vector<std::string> mutableClasses{"NSMutableArray", "NSArray", "NSObject"};
        std::vector<std::uint64_t> refs;
        refs.reserve(object.asArray()->size());
        for (const auto& e : *object.asArray()) refs.push_back(reference(e).value);
        put("NS.objects", std::move(refs));
        classUID = object.isMutable() ? classReference("NSMutableArray", mutableClasses)
                                      : classReference("NSArray", immutable);
        break;
    }
    case Kind::Dictionary: {
        static const std::vector<std::string> immutable{"NSDictionary", "NSObject"};
        static const std::vector<std::string> mutableClasses{"NSMutableDictionary", "NSDictionary", "NSObject"};
        std::vector<std::uint64_t> keys, values;
        keys.reserve(object.asDictionary()->size());
        values.reserve(object.asDictionary()->size());
        for (const auto& [k, v] : *object.asDictionary()) {
            keys.push_back(reference(k).value);
            values.push_back(reference(v).value);
        }
        put("NS.keys", std::move(keys));
        put("NS.objects", std::move(values));
        classUID = object.isMutable() ? classReference("NSMutableDictionary", mutableClasses)
                                      : classReference("NSDictionary", immutable);
        break;
    }
    default: {
        const auto& coded = object.asCoded();
        coded->encodeWithCoder(*this);
        const std::string className = recordedName(coded->className());
        if (auto it = classes_.find(className); it != classes_.end()) {
            classUID = UID{it->second};
            break;
        }
        std::vector<std::string> classes{className};
        for (const auto& s : coded->superclassNames()) classes.push_back(recordedName(s));
        classUID = classReference(className, classes);
        break;
    }
    }
    Fields& frame = frames_[frameDepth_ - 1];
    setField(frame, "$class", classUID);
    // Sorted by key as they leave the frame: the positions are sorted, not
    // the fields, each of which would be moved several times.
    std::vector<std::uint32_t>& order = fieldOrder_;
    order.resize(frame.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return frame[a].key < frame[b].key; });
    Fields fields;
    fields.reserve(frame.size());
    for (const std::uint32_t i : order) fields.push_back(std::move(frame[i]));
    frame.clear();
    --frameDepth_;
    objects_[index] = std::move(fields);
    return UID{index};
}
void KeyedArchiver::sortByKey(Fields& fields) {
    // The order a value tree keeps a dictionary's keys in.
    std::sort(fields.begin(), fields.end(), [](const Field& a, const Field& b) { return a.key < b.key; });
}

Value KeyedArchiver::archiveValue() const {
    const auto fieldValue = [](const FieldValue& field) {
        return std::visit(
            [](const auto& x) -> Value {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, std::vector<std::uint64_t>>) {
                    ValueArray refs;
                    refs.reserve(x.size());
                    for (auto r : x) refs.emplace_back(UID{r});
                    return Value(std::move(refs));
                } else {
                    return Value(x);
                }
            },
            field);
    };
    const auto dictionary = [&](const Fields& fields) {
        ValueDictionary d;
        for (const auto& field : fields) d.insert_or_assign(field.key, fieldValue(field.value));
        return Value(std::move(d));
    };
    ValueArray objects;
    objects.reserve(objects_.size());
    for (const auto& record : objects_) {
        objects.push_back(std::visit(
            [&](const auto& x) -> Value {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, std::monostate>) return Value();
                else if constexpr (std::is_same_v<T, std::shared_ptr<const std::string>>) return Value(*x);
                else if constexpr (std::is_same_v<T, Value>) return x;
                else if constexpr (std::is_same_v<T, std::shared_ptr<const platform::Data>>) return Value(*x);
                else if constexpr (std::is_same_v<T, Fields>) return dictionary(x);
                else return Value(ValueDictionary{{"$classname", x.name}, {"$classes", Value(x.classes)}});
            },
            record));
    }
    return Value(ValueDictionary{{"$archiver", "NSKeyedArchiver"},
                                 {"$version", kArchiveVersion},
                                 {"$top", dictionary(top_)},
                                 {"$objects", std::move(objects)}});
}

std::optional<Data> KeyedArchiver::encodedData(std::string* error) {
    if (error_.empty()) {
        for (const auto& record : objects_) {
            if (std::holds_alternative<std::monostate>(record)) {
                error_ = "a property list cannot hold a null value";
                break;
            }
        }
    }
    if (!error_.empty()) {
        if (error) *error = error_;
        return std::nullopt;
    }
    using Object = BinaryPropertyListWriter::Object;
    BinaryPropertyListWriter writer;
    const auto fieldObject = [&](const FieldValue& field) {
        return std::visit(
            [&](const auto& x) -> Object {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, UID>) return writer.uid(x.value);
                else if constexpr (std::is_same_v<T, bool>) return writer.boolean(x);
                else if constexpr (std::is_same_v<T, std::int64_t>) return writer.integer(x);
                else if constexpr (std::is_same_v<T, double>) return writer.real(x);
                else if constexpr (std::is_same_v<T, Data>) return writer.data(x);
                else {
                    const Object list = writer.array();
                    std::vector<Object> refs;
                    refs.reserve(x.size());
                    for (auto r : x) refs.push_back(writer.uid(r));
                    writer.setContents(list, refs);
                    return list;
                }
            },
            field);
    };
    std::vector<Object> pairs;
    const auto dictionary = [&](const Fields& fields) {
        const Object dict = writer.dictionary();
        pairs.assign(fields.size() * 2, 0);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            pairs[i] = writer.string(fields[i].key);
            pairs[fields.size() + i] = fieldObject(fields[i].value);
        }
        writer.setContents(dict, pairs);
        return dict;
    };
    const auto record = [&](const Record& r) {
        return std::visit(
            [&](const auto& x) -> Object {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, std::monostate>) return 0;  // refused above
                else if constexpr (std::is_same_v<T, std::shared_ptr<const std::string>>) return writer.string(*x);
                else if constexpr (std::is_same_v<T, std::shared_ptr<const platform::Data>>) return writer.data(*x);
                else if constexpr (std::is_same_v<T, Fields>) return dictionary(x);
                else if constexpr (std::is_same_v<T, Value>) {
                    if (x.isBool()) return writer.boolean(*x.asBool());
                    if (x.isReal()) return writer.real(*x.asDouble());
                    if (x.isUnsignedInteger()) return writer.unsignedInteger(*x.asUnsignedInteger());
                    return writer.integer(*x.asInteger());
                } else {
                    // "$classes" sorts before "$classname".
                    const Object dict = writer.dictionary();
                    const Object classesKey = writer.string("$classes");
                    const Object list = writer.array();
                    std::vector<Object> names;
                    names.reserve(x.classes.size());
                    for (const auto& c : x.classes) names.push_back(writer.string(c));
                    writer.setContents(list, names);
                    const Object nameKey = writer.string("$classname");
                    const Object name = writer.string(x.name);
                    const Object contents[4] = {classesKey, nameKey, list, name};
                    writer.setContents(dict, contents);
                    return dict;
                }
            },
            r);
    };

    // The top level's keys in their written order: $archiver, $objects, $top, $version.
    const Object root = writer.dictionary();
    Object top[8];
    top[0] = writer.string("$archiver");
    top[4] = writer.string("NSKeyedArchiver");
    top[1] = writer.string("$objects");
    top[5] = writer.array();
    std::vector<Object> objects;
    objects.reserve(objects_.size());
    for (const auto& r : objects_) objects.push_back(record(r));
    writer.setContents(top[5], objects);
    top[2] = writer.string("$top");
    Fields topFields = top_;
    sortByKey(topFields);
    top[6] = dictionary(topFields);
    top[3] = writer.string("$version");
    top[7] = writer.integer(kArchiveVersion);
    writer.setContents(root, top);
    return writer.finish();
}

std::optional<Data> KeyedArchiver::archivedData(const ArchiveObject& root, std::string* error, ClassNames names) {
    KeyedArchiver archiver(names);
    archiver.encodeRootObject(root);
    return archiver.encodedData(error);
}

// --- KeyedUnarchiver --------------------------------------------------------

// What a class record of the file names, resolved once.
struct KeyedUnarchiver::ClassRecord {
    bool named = false;     // has a "$classname"
    std::string className;  // as written
    std::string chosen;     // the class decoded: the first of the record's classes that is known
    const CodingRegistry::Decoder* decoder = nullptr;  // for a class that is not built in
    std::string refusal;    // why objects of this class cannot be decoded here
};

KeyedUnarchiver::KeyedUnarchiver(const BinaryPropertyList& plist, Object objects, std::size_t inputSize,
                                 const std::set<std::string>* allowed, std::size_t maximumListCount)
    : plist_(plist),
      objects_(objects),
      objectCount_(plist.size(objects)),
      allowed_(allowed),
      cache_(objectCount_),
      inProgress_(objectCount_, 0),
      budget_(64 * static_cast<std::uint64_t>(inputSize) + (1u << 20)),
      maximumListCount_(maximumListCount) {}

UnarchiveResult KeyedUnarchiver::unarchiveTopLevelObject(const Data& data) { return unarchive(data, nullptr); }

UnarchiveResult KeyedUnarchiver::unarchiveTopLevelObject(const Data& data, const std::set<std::string>& allowed) {
    return unarchiveTopLevelObject(data, allowed, SIZE_MAX);
}

UnarchiveResult KeyedUnarchiver::unarchiveTopLevelObject(const Data& data, const std::set<std::string>& allowed,
                                                         std::size_t maximumListCount) {
    std::set<std::string> canonical;
    for (const auto& name : allowed) canonical.insert(CodingRegistry::canonicalName(name));
    return unarchive(data, &canonical, maximumListCount);
}

UnarchiveResult KeyedUnarchiver::unarchive(const Data& data, const std::set<std::string>* allowed,
                                           std::size_t maximumListCount) {
    using Kind = BinaryPropertyList::Kind;
    UnarchiveResult result;
    std::string error;
    std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    // Archives are binary; one kept as XML is read into a value and read
    // again from its binary form, so that both take the same checked path.
    std::optional<Data> binary;
    if (bytes.substr(0, 6) != "bplist") {
        auto xml = PropertyList::read(bytes);
        if (xml) binary = PropertyList::write(*xml.value, PropertyListFormat::Binary, &error);
        else error = xml.error;
        if (!binary) {
            result.error = "The data is not a keyed archive: " + error;
            return result;
        }
        bytes = std::string_view(reinterpret_cast<const char*>(binary->data()), binary->size());
    }
    const auto plist = BinaryPropertyList::open(bytes, error);
    if (!plist) {
        result.error = "The data is not a keyed archive: " + error;
        return result;
    }
    const Object root = plist->top();
    if (plist->kind(root) != Kind::Dictionary) {
        result.error = "The data is not a keyed archive: its top level is not a dictionary";
        return result;
    }
    const auto archiver = plist->find(root, "$archiver");
    if (!archiver || !plist->stringEquals(*archiver, "NSKeyedArchiver")) {
        result.error = "The data is not a keyed archive: \"$archiver\" is not \"NSKeyedArchiver\"";
        return result;
    }
    const auto version = plist->find(root, "$version");
    if (!version || plist->kind(*version) != Kind::Integer || plist->value(*version) != Value(kArchiveVersion)) {
        result.error = "The keyed archive has an unsupported \"$version\" (expected 100000)";
        return result;
    }
    const auto top = plist->find(root, "$top");
    if (!top || plist->kind(*top) != Kind::Dictionary) {
        result.error = "The keyed archive has no \"$top\" dictionary";
        return result;
    }
    const auto objects = plist->find(root, "$objects");
    if (!objects || plist->kind(*objects) != Kind::Array || plist->size(*objects) == 0 ||
        !plist->stringEquals(plist->element(*objects, 0), "$null")) {
        result.error = "The keyed archive has no \"$objects\" list beginning with \"$null\"";
        return result;
    }
    KeyedUnarchiver unarchiver(*plist, *objects, data.size(), allowed, maximumListCount);
    static const std::string noClass;
    unarchiver.pushFrame(*top, &noClass);
    if (const auto rootObject = unarchiver.lookup("root")) {
        if (plist->kind(*rootObject) != Kind::UID) {
            result.error = "The keyed archive's \"root\" is not an object reference";
            return result;
        }
        result.object = unarchiver.object(*rootObject);
    }
    if (unarchiver.failed()) {
        result.object = {};
        result.error = "The keyed archive is damaged: " + unarchiver.error_;
        result.listTooLong = unarchiver.listTooLong_;
    }
    return result;
}

void KeyedUnarchiver::failWithError(std::string message) {
    if (error_.empty()) error_ = std::move(message);
}

bool KeyedUnarchiver::charge(std::size_t bytes) {
    if (bytes > budget_) {
        failWithError("the archive expands beyond the allowed size");
        return false;
    }
    budget_ -= bytes;
    return true;
}

bool KeyedUnarchiver::chargeList(std::uint64_t count, std::size_t elementSize, std::uint64_t index) {
    if (count > maximumListCount_) {
        listTooLong_ = true;
        failWithError("object " + std::to_string(index) + " is a list of " + std::to_string(count) +
                      " elements, more than the " + std::to_string(maximumListCount_) + " allowed");
        return false;
    }
    return charge(count * elementSize);
}

void KeyedUnarchiver::pushFrame(Object dict, const std::string* className) {
    if (frameCount_ == frames_.size()) frames_.emplace_back();
    Frame& frame = frames_[frameCount_++];
    frame.className = className;
    frame.keys.clear();
    const std::uint64_t n = plist_.size(dict);
    for (std::uint64_t i = 0; i < n; ++i) {
        const Object key = plist_.keyAt(dict, i);
        frame.keys.push_back(Key{plist_.textInPlace(key), key, plist_.valueAt(dict, i)});
    }
}

std::optional<KeyedUnarchiver::Object> KeyedUnarchiver::lookup(const std::string& key) const {
    if (frameCount_ == 0 || failed()) return std::nullopt;
    const auto& keys = frames_[frameCount_ - 1].keys;
    // From the back: of a key written twice, the later one counts.
    for (auto k = keys.rbegin(); k != keys.rend(); ++k)
        if (k->text ? *k->text == key : plist_.stringEquals(k->key, key)) return k->value;
    return std::nullopt;
}

const std::string& KeyedUnarchiver::currentClassName() const {
    static const std::string none;
    return frameCount_ == 0 ? none : *frames_[frameCount_ - 1].className;
}

bool KeyedUnarchiver::containsValueForKey(const std::string& key) const { return lookup(key).has_value(); }

ArchiveObject KeyedUnarchiver::decodeObject(const std::string& key) {
    const auto v = lookup(key);
    return v ? object(*v) : ArchiveObject();
}

std::optional<std::string> KeyedUnarchiver::plainString(std::uint64_t index) const {
    if (index == 0 || index >= objectCount_) return std::nullopt;
    if (cache_[index]) {
        const auto* text = cache_[index]->asString();
        return text ? std::optional<std::string>(*text) : std::nullopt;
    }
    const Object o = plist_.element(objects_, index);
    if (plist_.kind(o) != BinaryPropertyList::Kind::String) return std::nullopt;
    return plist_.string(o);
}

std::optional<std::vector<std::string>> KeyedUnarchiver::plainStringArray(Object reference) {
    using Kind = BinaryPropertyList::Kind;
    const auto uid = plist_.uid(reference);
    if (!uid || *uid == 0 || *uid >= objectCount_ || cache_[*uid] || depth_ >= kMaxArchiveDepth) return std::nullopt;
    const Object o = plist_.element(objects_, *uid);
    if (plist_.kind(o) != Kind::Dictionary) return std::nullopt;
    const auto classRef = plist_.find(o, "$class");
    const auto classUID = classRef ? plist_.uid(*classRef) : std::nullopt;
    if (!classUID || *classUID == 0 || *classUID >= objectCount_) return std::nullopt;
    const ClassRecord& record = classRecord(*classUID);
    if (!record.named || !record.refusal.empty() || !isArrayClass(record.chosen)) return std::nullopt;
    const auto refs = plist_.find(o, "NS.objects");
    if (!refs || plist_.kind(*refs) != Kind::Array) return std::nullopt;
    const std::uint64_t n = plist_.size(*refs);
    // Every element is checked and charged before anything is copied: one
    // long text named a hundred thousand times is a small file that would
    // ask for gigabytes. What the copies will cost is charged here, once.
    std::uint64_t cost = 0;
    // Each text is measured once, however often the list names it.
    std::unordered_map<std::uint64_t, std::uint64_t> measured;
    for (std::uint64_t i = 0; i < n; ++i) {
        const auto element = plist_.uid(plist_.element(*refs, i));
        if (!element) return std::nullopt;
        if (*element == 0) continue;  // null, left out as arrays leave it out
        if (*element >= objectCount_) return std::nullopt;
        if (const auto known = measured.find(*element); known != measured.end()) {
            cost += known->second;
            continue;
        }
        std::uint64_t size = 0;
        if (cache_[*element]) {
            const auto* text = cache_[*element]->asString();
            if (!text) return std::nullopt;
            size = text->size();
        } else {
            const Object s = plist_.element(objects_, *element);
            if (plist_.kind(s) != Kind::String) return std::nullopt;
            // A text kept as UTF-16 takes up to three bytes a unit as UTF-8.
            size = plist_.textInPlace(s) ? plist_.size(s) : 3 * plist_.size(s);
        }
        measured.emplace(*element, size + sizeof(std::string));
        cost += size + sizeof(std::string);
    }
    if (!chargeList(n, 0, *uid) || !charge(cost)) return std::nullopt;
    std::vector<std::string> strings;
    strings.reserve(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        const auto element = *plist_.uid(plist_.element(*refs, i));
        if (element == 0) continue;
        strings.push_back(*plainString(element));
    }
    return strings;
}

std::optional<std::string> KeyedUnarchiver::decodeString(const std::string& key) {
    const auto v = lookup(key);
    if (!v) return std::nullopt;
    // A plain string is read where it lies: there is nothing to share, so
    // it is neither built as an object nor kept.
    if (const auto uid = plist_.uid(*v)) {
        if (auto text = plainString(*uid)) {
            if (!charge(text->size())) return std::nullopt;
            return text;
        }
    }
    auto o = object(*v);
    auto s = o.asString();
    if (!s || !charge(s->size())) return std::nullopt;
    return *s;
}

std::optional<std::vector<std::string>> KeyedUnarchiver::decodeStringArray(const std::string& key) {
    const auto v = lookup(key);
    if (!v) return std::nullopt;
    // A list of plain strings, as most are, is read where it lies; anything
    // else (and anything wrong with it) takes the general way. Either way
    // the copies are charged before they are made.
    if (auto strings = plainStringArray(*v)) return strings;
    if (failed()) return std::nullopt;
    const auto o = object(*v);
    const auto* elements = o.asArray();
    if (!elements) return std::nullopt;
    std::uint64_t cost = 0;
    for (const auto& e : *elements) {
        const auto* text = e.asString();
        if (!text) return std::nullopt;
        cost += text->size() + sizeof(std::string);
    }
    if (!charge(cost)) return std::nullopt;
    return o.asStringArray();
}

bool KeyedUnarchiver::decodeBool(const std::string& key) {
    using Kind = BinaryPropertyList::Kind;
    const auto v = lookup(key);
    if (!v) return false;
    const Kind kind = plist_.kind(*v);
    if (kind != Kind::Bool && kind != Kind::Integer) return false;
    return plist_.value(*v).asBool().value_or(false);
}

std::int64_t KeyedUnarchiver::decodeInteger(const std::string& key) {
    using Kind = BinaryPropertyList::Kind;
    const auto v = lookup(key);
    if (!v) return 0;
    const Kind kind = plist_.kind(*v);
    if (kind != Kind::Bool && kind != Kind::Integer && kind != Kind::Real) return 0;
    return plist_.value(*v).asInteger().value_or(0);
}

double KeyedUnarchiver::decodeDouble(const std::string& key) {
    using Kind = BinaryPropertyList::Kind;
    const auto v = lookup(key);
    if (!v) return 0;
    const Kind kind = plist_.kind(*v);
    if (kind != Kind::Integer && kind != Kind::Real) return 0;
    return plist_.value(*v).asDouble().value_or(0);
}

float KeyedUnarchiver::decodeFloat(const std::string& key) { return static_cast<float>(decodeDouble(key)); }

std::optional<Data> KeyedUnarchiver::decodeBytes(const std::string& key) {
    const auto v = lookup(key);
    if (!v || plist_.kind(*v) != BinaryPropertyList::Kind::Data || !charge(plist_.size(*v))) return std::nullopt;
    return *plist_.value(*v).asData();
}

std::optional<Data> KeyedUnarchiver::decodeData(const std::string& key) {
    if (auto bytes = decodeBytes(key)) return bytes;
    if (failed()) return std::nullopt;
    const auto o = decodeObject(key);
    const Data* data = o.asData();
    if (!data || !charge(data->size())) return std::nullopt;
    return *data;
}

ArchiveObject KeyedUnarchiver::object(Object reference) {
    const auto uid = plist_.uid(reference);
    if (!uid) return {};
    return objectAt(*uid);
}

ArchiveObject KeyedUnarchiver::objectAt(std::uint64_t index) {
    using Kind = BinaryPropertyList::Kind;
    if (failed() || index == 0) return {};
    if (index >= objectCount_) {
        failWithError("reference to object " + std::to_string(index) + " but the archive holds only " +
                      std::to_string(objectCount_) + " objects");
        return {};
    }
    if (cache_[index]) return *cache_[index];
    if (inProgress_[index]) {
        failWithError("object " + std::to_string(index) + " contains itself");
        return {};
    }
    const Object o = plist_.element(objects_, index);
    ArchiveObject result;
    switch (plist_.kind(o)) {
    case Kind::Bool:
    case Kind::Real:
    case Kind::Integer: {
        const Value v = plist_.value(o);
        if (v.isBool()) result = ArchiveObject::number(*v.asBool());
        else if (v.isReal()) result = ArchiveObject::number(*v.asDouble());
        else if (v.isInteger()) result = ArchiveObject::number(*v.asInteger());
        else result = ArchiveObject::number(*v.asUnsignedInteger());  // above 2^63 - 1
        break;
    }
    case Kind::String:
        result = ArchiveObject(plist_.string(o));
        break;
    case Kind::Data:
        result = ArchiveObject(*plist_.value(o).asData());
        break;
    case Kind::Dictionary: {  // an instance of a class
        if (depth_ >= kMaxArchiveDepth) {
            failWithError("objects are nested too deeply");
            return {};
        }
        inProgress_[index] = 1;
        ++depth_;
        result = instance(index, o);
        --depth_;
        inProgress_[index] = 0;
        break;
    }
    default:
        failWithError("object " + std::to_string(index) + " is not an archived object");
        return {};
    }
    if (failed()) return {};
    cache_[index] = result;
    return result;
}

const KeyedUnarchiver::ClassRecord& KeyedUnarchiver::classRecord(std::uint64_t index) {
    using Kind = BinaryPropertyList::Kind;
    auto [it, inserted] = classes_.try_emplace(index);
    ClassRecord& record = it->second;
    if (!inserted) return record;
    const Object o = plist_.element(objects_, index);
    if (plist_.kind(o) != Kind::Dictionary) return record;
    const auto name = plist_.find(o, "$classname");
    if (!name || plist_.kind(*name) != Kind::String) return record;
    record.named = true;
    record.className = plist_.string(*name);
    // The class itself, then its recorded superclasses, as far as one is known.
    std::vector<std::string> candidates{record.className};
    if (const auto classes = plist_.find(o, "$classes"); classes && plist_.kind(*classes) == Kind::Array) {
        for (std::uint64_t i = 0, n = plist_.size(*classes); i < n; ++i) {
            const Object c = plist_.element(*classes, i);
            if (plist_.kind(c) == Kind::String) candidates.push_back(plist_.string(c));
        }
    }
    for (auto& candidate : candidates) {
        if (isBuiltinClass(candidate) || (record.decoder = CodingRegistry::decoder(candidate))) {
            record.chosen = std::move(candidate);
            break;
        }
    }
    if (record.chosen.empty())
        record.refusal = "cannot decode an object of class \"" + record.className + "\"";
    else if (allowed_ && !allowed_->count(CodingRegistry::canonicalName(record.className)))
        record.refusal = "the class \"" + record.className + "\" is not allowed here";
    return record;
}

ArchiveObject KeyedUnarchiver::instance(std::uint64_t index, Object dict) {
    using Kind = BinaryPropertyList::Kind;
    // The object's keys are what its decoder reads, and what the built-in
    // classes below read.
    pushFrame(dict, nullptr);
    struct Pop {
        std::size_t& count;
        ~Pop() { --count; }
    } pop{frameCount_};

    const auto classRef = lookup("$class");
    const auto classUID = classRef ? plist_.uid(*classRef) : std::nullopt;
    if (!classUID || *classUID == 0 || *classUID >= objectCount_) {
        failWithError("object " + std::to_string(index) + " has no valid \"$class\"");
        return {};
    }
    const ClassRecord& record = classRecord(*classUID);
    if (!record.named) {
        failWithError("object " + std::to_string(index) + " has a class without \"$classname\"");
        return {};
    }
    if (!record.refusal.empty()) {
        failWithError(record.refusal);
        return {};
    }
    frames_[frameCount_ - 1].className = &record.className;
    const std::string& name = record.chosen;
    auto field = [&](const char* key) { return lookup(key); };
    auto kindOf = [&](const std::optional<Object>& o) { return o ? std::optional<Kind>(plist_.kind(*o)) : std::nullopt; };

    if (isArrayClass(name)) {
        const auto refs = field("NS.objects");
        if (kindOf(refs) != Kind::Array) {
            failWithError("array object " + std::to_string(index) + " has no \"NS.objects\" list");
            return {};
        }
        const std::uint64_t n = plist_.size(*refs);
        if (!chargeList(n, sizeof(ArchiveObject), index)) return {};
        ArchiveArray elements;
        elements.reserve(n);
        for (std::uint64_t i = 0; i < n; ++i) {
            const Object r = plist_.element(*refs, i);
            if (plist_.kind(r) != Kind::UID) {
                failWithError("array object " + std::to_string(index) + " holds a value that is no reference");
                return {};
            }
            auto e = object(r);
            if (failed()) return {};
            // Arrays cannot hold null; an element whose decoder yielded
            // nothing is left out and the others are kept.
            if (!e.isNull()) elements.push_back(std::move(e));
        }
        return ArchiveObject(std::move(elements), name.rfind("NSMutable", 0) == 0);
    }
    if (isDictionaryClass(name)) {
        const auto keys = field("NS.keys");
        const auto values = field("NS.objects");
        if (kindOf(keys) != Kind::Array || kindOf(values) != Kind::Array || plist_.size(*keys) != plist_.size(*values)) {
            failWithError("dictionary object " + std::to_string(index) + " has unmatched \"NS.keys\" and \"NS.objects\"");
            return {};
        }
        const std::uint64_t n = plist_.size(*keys);
        if (!chargeList(n, 2 * sizeof(ArchiveObject), index)) return {};
        ArchiveDictionary pairs;
        pairs.reserve(n);
        for (std::uint64_t i = 0; i < n; ++i) {
            const Object keyRef = plist_.element(*keys, i), valueRef = plist_.element(*values, i);
            if (plist_.kind(keyRef) != Kind::UID || plist_.kind(valueRef) != Kind::UID) {
                failWithError("dictionary object " + std::to_string(index) + " holds a value that is no reference");
                return {};
            }
            auto k = object(keyRef);
            auto v = object(valueRef);
            if (failed()) return {};
            if (!k.isNull() && !v.isNull()) pairs.emplace_back(std::move(k), std::move(v));
        }
        return ArchiveObject(std::move(pairs), name == "NSMutableDictionary");
    }
    if (name == "NSNull") return {};
    if (name == "NSDate") {
        const auto t = field("NS.time");
        const Value time = kindOf(t) == Kind::Real || kindOf(t) == Kind::Integer ? plist_.value(*t) : Value();
        if (!time.isReal() && !time.isInteger()) {
            failWithError("date object " + std::to_string(index) + " has no \"NS.time\"");
            return {};
        }
        return ArchiveObject(Date{*time.asDouble()});
    }
    if (name == "NSString" || name == "NSMutableString") {
        const auto s = field("NS.string");
        if (kindOf(s) == Kind::String) return ArchiveObject(plist_.string(*s));
        auto referred = s ? object(*s) : ArchiveObject();
        return referred.asString() ? referred : ArchiveObject();
    }
    if (name == "NSData" || name == "NSMutableData") {
        const auto d = field("NS.data");
        if (kindOf(d) == Kind::Data) return ArchiveObject(*plist_.value(*d).asData());
        auto referred = d ? object(*d) : ArchiveObject();
        return referred.asData() ? referred : ArchiveObject();
    }
    if (name == "NSURL") {
        const auto relativeRef = field("NS.relative"), baseRef = field("NS.base");
        auto relative = relativeRef ? object(*relativeRef) : ArchiveObject();
        auto base = baseRef ? object(*baseRef) : ArchiveObject();
        if (failed() || !relative.asString()) return {};
        std::optional<URL> url = base.asURL() ? URL::fromString(*relative.asString(), *base.asURL())
                                              : URL::fromString(*relative.asString());
        // A text that is no URL yields no object rather than a broken one.
        return url ? ArchiveObject(std::move(*url)) : ArchiveObject();
    }

    std::shared_ptr<Coding> decoded = (*record.decoder)(*this);
    if (failed()) return {};
    return ArchiveObject(std::move(decoded));
}

}  // namespace platform
