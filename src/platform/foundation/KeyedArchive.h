#pragma once
// Keyed archives in the platform's documented layout: a binary property list
// {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": UID},
// "$objects": ["$null", ...]} in which objects refer to each other by UID and
// every object of a class carries "$class" -> {"$classname", "$classes"}.
//
// Model classes take part by deriving from Coding and registering a decoder:
//
//     class KeyCombo : public platform::Coding {
//     public:
//         std::string className() const override { return "frelt.KeyCombo"; }
//         void encodeWithCoder(platform::KeyedArchiver& coder) const override {
//             coder.encodeInteger(key, "key");
//             ...
//         }
//         static std::shared_ptr<KeyCombo> initWithCoder(platform::KeyedUnarchiver& coder);
//     };
//     platform::CodingRegistry::registerClass("frelt.KeyCombo", &KeyCombo::initWithCoder);
//
// Registering "frelt.KeyCombo" also makes the runtime name
// "_TtC5frelt8KeyCombo" decode to the same class.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "platform/foundation/PropertyList.h"
#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace platform {

class KeyedArchiver;
class KeyedUnarchiver;

// An object that writes itself into a keyed archive.
class Coding {
public:
    virtual ~Coding() = default;
    // The module-qualified class name recorded in archives ("frelt.TableViewItem").
    virtual std::string className() const = 0;
    // The superclasses recorded after the class itself in "$classes".
    virtual std::vector<std::string> superclassNames() const { return {"NSObject"}; }
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
};

class ArchiveObject;
using ArchiveArray = std::vector<ArchiveObject>;
using ArchiveDictionary = std::vector<std::pair<ArchiveObject, ArchiveObject>>;

// Anything an archive holds as an object: null, a string, a number, data, a
// date, a URL, an array, a dictionary (keys of any object kind, such as URLs)
// or an object of a Coding class. Copies are cheap and share the payload;
// arrays, dictionaries and Coding objects keep their identity, so an object
// reached twice is written once.
class ArchiveObject {
public:
    enum class Kind { Null, String, Number, Data, Date, URL, Array, Dictionary, Coded };

    ArchiveObject() = default;
    ArchiveObject(std::nullptr_t) {}
    ArchiveObject(const char* s) : ArchiveObject(std::string(s)) {}
    ArchiveObject(std::string s);
    ArchiveObject(platform::Data d);
    ArchiveObject(platform::Date d) : storage_(d) {}
    ArchiveObject(platform::URL u);
    ArchiveObject(ArchiveArray elements, bool isMutable = false);
    ArchiveObject(ArchiveDictionary pairs, bool isMutable = false);
    ArchiveObject(const std::vector<std::string>& strings, bool isMutable = false);
    template <class T, class = std::enable_if_t<std::is_base_of_v<Coding, T>>>
    ArchiveObject(std::shared_ptr<T> object) : storage_(coded(std::const_pointer_cast<std::remove_const_t<T>>(std::move(object)))) {}
    // A number object (the platform's number class): booleans, integers, reals.
    static ArchiveObject number(bool b) { return fromStorage(b); }
    static ArchiveObject number(std::int64_t i) { return fromStorage(i); }
    static ArchiveObject number(int i) { return fromStorage(static_cast<std::int64_t>(i)); }
    static ArchiveObject number(double d) { return fromStorage(d); }
    // Integers above 2^63 - 1 stay unsigned; smaller ones are plain integers.
    static ArchiveObject number(std::uint64_t u) {
        return u > static_cast<std::uint64_t>(INT64_MAX) ? fromStorage(u) : fromStorage(static_cast<std::int64_t>(u));
    }
    // Property-list values become strings, numbers, data, dates, arrays and
    // dictionaries with string keys; null stays null. UIDs become null.
    static ArchiveObject fromValue(const Value& value);

    Kind kind() const;
    bool isNull() const { return kind() == Kind::Null; }
    bool isMutable() const { return isMutable_; }

    // Typed access: nullptr / nullopt when the object is of another kind.
    const std::string* asString() const;
    // Number objects only (booleans, integers, reals). An integer that does
    // not fit the type asked for reads as absent.
    std::optional<bool> asBool() const;
    std::optional<std::int64_t> asInteger() const;
    std::optional<std::uint64_t> asUnsignedInteger() const;
    std::optional<double> asDouble() const;
    const platform::Data* asData() const;
    const platform::Date* asDate() const;
    const platform::URL* asURL() const;
    const ArchiveArray* asArray() const;
    const ArchiveDictionary* asDictionary() const;
    const std::shared_ptr<Coding>& asCoded() const;
    template <class T>
    std::shared_ptr<T> as() const {
        return std::dynamic_pointer_cast<T>(asCoded());
    }
    // The strings of an array whose every element is a string.
    std::optional<std::vector<std::string>> asStringArray() const;
    // The object as a property-list value; nullopt when it holds a Coding
    // object, a URL, a dictionary with keys that are not strings, or when
    // shared arrays would expand into more than about 250,000 values.
    std::optional<Value> toValue() const;

    // Same object: equal scalars, or the same shared array, dictionary or object.
    bool isIdenticalTo(const ArchiveObject& other) const { return storage_ == other.storage_; }
    // A stable key of the object's identity for the archiver (0 for scalars).
    const void* identity() const;
    // Keeps the object behind identity() alive (null for plain values).
    std::shared_ptr<const void> identityOwner() const;

private:
    friend class KeyedArchiver;
    friend class KeyedUnarchiver;
    using Storage = std::variant<std::monostate, std::shared_ptr<const std::string>, bool, std::int64_t, double,
                                 std::shared_ptr<const platform::Data>, platform::Date,
                                 std::shared_ptr<const platform::URL>, std::shared_ptr<const ArchiveArray>,
                                 std::shared_ptr<const ArchiveDictionary>, std::shared_ptr<Coding>, std::uint64_t>;
    static Storage coded(std::shared_ptr<Coding> object) {
        if (!object) return Storage();
        return Storage(std::move(object));
    }
    template <class T>
    static ArchiveObject fromStorage(T v) {
        ArchiveObject o;
        o.storage_ = std::move(v);
        return o;
    }
    Storage storage_;
    bool isMutable_ = false;
};

// Writes one keyed archive.
class KeyedArchiver {
public:
    // How Coding classes are named in the archive: "frelt.TableViewItem", or
    // the runtime form "_TtC5frelt13TableViewItem" that export files carry.
    enum class ClassNames { ModuleQualified, Runtime };

    explicit KeyedArchiver(ClassNames names = ClassNames::ModuleQualified);

    // Encoding by key into the object being written (or into "$top" when
    // called outside an object). A later value under the same key replaces
    // an earlier one.
    void encodeObject(const ArchiveObject& object, const std::string& key);
    void encodeBool(bool value, const std::string& key);
    void encodeInteger(std::int64_t value, const std::string& key);
    void encodeDouble(double value, const std::string& key);
    void encodeFloat(float value, const std::string& key);
    // Bytes stored under the key itself rather than as a data object, as
    // colours keep their components.
    void encodeBytes(const Data& bytes, const std::string& key);
    void encodeRootObject(const ArchiveObject& object) { encodeObject(object, "root"); }

    // The finished archive as a binary property list; nullopt (with a reason
    // in `error`) when it could not be written.
    std::optional<Data> encodedData(std::string* error = nullptr);
    // The archive before it becomes bytes: the top-level dictionary.
    Value archiveValue() const;

    // Archives `root` under "root", as the platform's convenience call does.
    static std::optional<Data> archivedData(const ArchiveObject& root, std::string* error = nullptr,
                                            ClassNames names = ClassNames::ModuleQualified);

private:
    // What an object keeps under a key: a reference, a number, bytes, or a
    // list of references.
    using FieldValue = std::variant<UID, bool, std::int64_t, double, Data, std::vector<std::uint64_t>>;
    struct Field {
        std::string key;
        FieldValue value;
    };
    using Fields = std::vector<Field>;  // in key order once the object is finished
    struct ClassEntry {
        std::string name;
        std::vector<std::string> classes;
    };
    // One entry of "$objects": a string, a number, data, an object's keys or
    // a class record; empty only while the object is being written.
    using Record = std::variant<std::monostate, std::shared_ptr<const std::string>, Value,
                                std::shared_ptr<const platform::Data>, Fields, ClassEntry>;

    UID reference(const ArchiveObject& object);
    UID classReference(const std::string& name, const std::vector<std::string>& classes);
    std::string recordedName(const std::string& name) const;
    void put(const std::string& key, FieldValue value);
    static void setField(Fields& fields, const std::string& key, FieldValue value);
    static void sortByKey(Fields& fields);

    ClassNames names_;
    std::vector<Record> objects_;
    // The objects being written, innermost last: the first frameDepth_ of
    // frames_. A finished object's fields leave in a list of their exact
    // size, and its frame keeps its room for the next object at its depth, so
    // writing an object costs one allocation for its fields, not one for each
    // time its list would otherwise grow.
    std::vector<Fields> frames_;
    std::size_t frameDepth_ = 0;
    std::vector<std::uint32_t> fieldOrder_;  // room for sorting a finished object's fields
    Fields top_;
    std::unordered_map<const void*, std::uint64_t> identities_;
    // Objects whose identity is recorded stay alive for the archiver's life:
    // a temporary freed after encoding must not hand its address to another.
    std::vector<std::shared_ptr<const void>> identityOwners_;
    // Keyed by the texts the string records hold.
    std::unordered_map<std::string_view, std::uint64_t> strings_;
    std::map<std::pair<std::size_t, std::uint64_t>, std::uint64_t> numbers_;
    std::unordered_map<std::string, std::uint64_t> classes_;
    std::string error_;
};

// The result of unarchiving: the object, or a reason why the data is not a
// readable archive. A readable archive may still hold null as its root.
struct UnarchiveResult {
    ArchiveObject object;
    std::string error;
    // The archive was refused because one of its lists is longer than the
    // caller allowed (error says so too).
    bool listTooLong = false;
    explicit operator bool() const { return error.empty(); }
};

// How deeply objects may nest inside objects, for writing and reading alike,
// so that whatever the archiver writes the unarchiver reads. Real archives
// stay in single digits.
inline constexpr std::size_t kMaxArchiveDepth = 200;

// Reads one keyed archive. The data is untrusted: every reference, kind and
// depth is checked; a failure anywhere makes the whole archive unreadable
// with a readable reason, while a value of the wrong kind under a key only
// reads as missing.
class KeyedUnarchiver {
public:
    // Top-level unarchiving of the "root" object, without a list of allowed
    // classes (how the program reads its own archives)...
    static UnarchiveResult unarchiveTopLevelObject(const Data& data);
    // ...or refusing any class outside `allowedClassNames` (either name form;
    // strings, numbers and data are always allowed).
    static UnarchiveResult unarchiveTopLevelObject(const Data& data, const std::set<std::string>& allowedClassNames);
    // ...and refusing, before it is built, any list (array or dictionary)
    // of more than `maximumListCount` elements: a file can name one object
    // millions of times at a byte or two each.
    static UnarchiveResult unarchiveTopLevelObject(const Data& data, const std::set<std::string>& allowedClassNames,
                                                   std::size_t maximumListCount);

    // Keyed reads inside a decoder. Absent keys and values of the wrong kind
    // read as null, false, 0 or nullopt.
    bool containsValueForKey(const std::string& key) const;
    ArchiveObject decodeObject(const std::string& key);
    template <class T>
    std::shared_ptr<T> decodeObjectOfClass(const std::string& key) {
        return decodeObject(key).as<T>();
    }
    std::optional<std::string> decodeString(const std::string& key);
    std::optional<std::vector<std::string>> decodeStringArray(const std::string& key);
    bool decodeBool(const std::string& key);
    std::int64_t decodeInteger(const std::string& key);
    double decodeDouble(const std::string& key);
    float decodeFloat(const std::string& key);
    // Bytes stored under the key itself (encodeBytes); nullopt for anything else.
    std::optional<Data> decodeBytes(const std::string& key);
    // The bytes of a data object under the key, or bytes stored under the key
    // itself; nullopt for anything else. Each copy counts against the
    // archive's size budget: many objects may name one large data object.
    std::optional<Data> decodeData(const std::string& key);

    // The class name recorded for the object being decoded, as written.
    const std::string& currentClassName() const;
    // Set once the archive proved unreadable; decoders may stop early.
    bool failed() const { return !error_.empty(); }
    // Marks the archive unreadable from inside a decoder.
    void failWithError(std::string message);

private:
    using Object = BinaryPropertyList::Object;
    struct ClassRecord;
    // A key of the object being decoded: its text where the file keeps it
    // as is, else the key object to compare through the reader.
    struct Key {
        std::optional<std::string_view> text;
        Object key = 0;
        Object value = 0;
    };
    struct Frame {
        std::vector<Key> keys;
        const std::string* className = nullptr;
    };

    KeyedUnarchiver(const BinaryPropertyList& plist, Object objects, std::size_t inputSize,
                    const std::set<std::string>* allowed, std::size_t maximumListCount);
    static UnarchiveResult unarchive(const Data& data, const std::set<std::string>* allowed,
                                     std::size_t maximumListCount = SIZE_MAX);
    // Charges a list of `count` elements (its slots) before it is built;
    // false when it is too long or too large.
    bool chargeList(std::uint64_t count, std::size_t elementSize, std::uint64_t index);
    // A UID object: the object it refers to; null for anything else.
    ArchiveObject object(Object reference);
    ArchiveObject objectAt(std::uint64_t index);
    ArchiveObject instance(std::uint64_t index, Object dict);
    const ClassRecord& classRecord(std::uint64_t index);
    // Object `index` when it is a plain string: its text, read where it
    // lies; nullopt for anything else.
    std::optional<std::string> plainString(std::uint64_t index) const;
    // The strings of a referenced list that holds plain strings only (nulls
    // left out); nullopt for anything else.
    std::optional<std::vector<std::string>> plainStringArray(Object reference);
    void pushFrame(Object dict, const std::string* className);
    std::optional<Object> lookup(const std::string& key) const;
    bool charge(std::size_t bytes);

    // The file is read in place: objects are built when first referred to,
    // and the keys of the object being decoded are found without copying.
    const BinaryPropertyList& plist_;
    const Object objects_;
    const std::uint64_t objectCount_;
    const std::set<std::string>* allowed_;
    std::vector<std::optional<ArchiveObject>> cache_;
    std::vector<std::uint8_t> inProgress_;
    // The objects being decoded, innermost last; their key lists are kept
    // for the next object at the same depth.
    std::vector<Frame> frames_;
    std::size_t frameCount_ = 0;
    // Each class record of the file is resolved once, however many objects use it.
    std::unordered_map<std::uint64_t, ClassRecord> classes_;
    std::size_t depth_ = 0;
    std::uint64_t budget_;
    const std::size_t maximumListCount_;
    bool listTooLong_ = false;
    std::string error_;
};

// Decoders of Coding classes by class name.
class CodingRegistry {
public:
    using Decoder = std::function<std::shared_ptr<Coding>(KeyedUnarchiver&)>;

    // Registers under the module-qualified name ("frelt.TableViewItem"); the
    // runtime form of the name finds it too. Registering again replaces.
    static void registerClass(const std::string& className, Decoder decoder);
    template <class T>
    static void registerClass(const std::string& className, std::shared_ptr<T> (*init)(KeyedUnarchiver&)) {
        registerClass(className, Decoder([init](KeyedUnarchiver& c) -> std::shared_ptr<Coding> { return init(c); }));
    }
    static const Decoder* decoder(const std::string& className);

    // "_TtC5frelt13TableViewItem" -> "frelt.TableViewItem"; other names unchanged.
    static std::string canonicalName(const std::string& className);
    // "frelt.TableViewItem" -> "_TtC5frelt13TableViewItem"; names without a
    // module unchanged.
    static std::string runtimeName(const std::string& className);
};

}  // namespace platform
