#include "platform/foundation/UserDefaults.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <set>

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/ReadFile.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/log/Log.h"

namespace platform {

namespace {

const Log& log() {
    static const Log* l = new Log(Paths::bundleIdentifier, "UserDefaults");
    return *l;
}

// A property list holds no null, so a null inside a list or dictionary
// would make the whole file unwritable.
bool storable(const Value& v) {
    if (v.isNull()) return false;
    if (auto a = v.asArray()) {
        for (const auto& e : *a) {
            if (!storable(e)) return false;
        }
    }
    if (auto d = v.asDictionary()) {
        for (const auto& [k, e] : *d) {
            if (!storable(e)) return false;
        }
    }
    return true;
}

std::string_view trimmedLeft(const std::string& s) {
    std::string_view v(s);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\n')) v.remove_prefix(1);
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    return v;
}

// The number a text starts with, read without regard to the locale.
std::optional<double> leadingNumber(const std::string& s) {
    const std::string_view v = trimmedLeft(s);
    double d = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
    if (ec != std::errc() || ptr == v.data()) return std::nullopt;
    return d;
}

// The shortest decimal text that reads back as the same number, whatever the locale.
std::string plainNumber(double d) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::filesystem::path asideName(const std::filesystem::path& file) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
    std::filesystem::path aside = file.string() + ".corrupt-" + stamp;
    std::error_code ec;
    for (int n = 1; std::filesystem::exists(aside, ec); ++n) {
        aside = file.string() + ".corrupt-" + stamp + "-" + std::to_string(n);
    }
    return aside;
}

std::mutex& standardMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::weak_ptr<UserDefaults>& standardInstance() {
    static auto* w = new std::weak_ptr<UserDefaults>;
    return *w;
}

}  // namespace

// --- Making -----------------------------------------------------------------

std::shared_ptr<UserDefaults> UserDefaults::standard() { return standardIn(Paths::configFolder()); }

std::shared_ptr<UserDefaults> UserDefaults::standardIn(const std::filesystem::path& folder) {
    return singleInstance<UserDefaults>([&folder] {
        auto defaults = make(folder, Paths::bundleIdentifier);
        {
            std::lock_guard lock(standardMutex());
            standardInstance() = defaults;
        }
        static std::once_flag atExit;
        std::call_once(atExit, [] { std::atexit([] { UserDefaults::flushStandard(); }); });
        return defaults;
    });
}

void UserDefaults::loadStandardInBackground() {
    // The folder is found here: the worker must not read the environment
    // while the caller's thread may change it (the toolkit removes variables
    // it has taken over as it starts).
    dispatch::Queue::global()->async([folder = Paths::configFolder()] { standardIn(folder); });
}

void UserDefaults::flushStandard() {
    std::shared_ptr<UserDefaults> defaults;
    {
        std::lock_guard lock(standardMutex());
        defaults = standardInstance().lock();
    }
    if (defaults) defaults->synchronize();
}

std::shared_ptr<UserDefaults> UserDefaults::make(std::filesystem::path folder, std::string domainName) {
    return std::shared_ptr<UserDefaults>(new UserDefaults(std::move(folder), std::move(domainName)));
}

UserDefaults::UserDefaults(std::filesystem::path folder, std::string domainName)
    : folder_(std::move(folder)),
      domainName_(std::move(domainName)),
      queue_(dispatch::Queue::makeSerial(domainName_ + ".UserDefaults")) {
    app_.name = domainName_;
    app_.file = folder_ / (domainName_ + ".plist");
    global_.name = globalDomain;
    global_.file = folder_ / globalDomainFileName;
    load(app_);
    load(global_);
}

UserDefaults::~UserDefaults() {
    // Changes not yet written go to disk now rather than being lost.
    synchronize();
}

std::filesystem::path UserDefaults::fileURL() const { return app_.file; }
std::filesystem::path UserDefaults::globalDomainFileURL() const { return global_.file; }

std::vector<UserDefaults::ReadProblem> UserDefaults::readProblems() const {
    std::lock_guard lock(m_);
    return readProblems_;
}

void UserDefaults::setSaveFailureHandler(SaveFailureHandler handler) {
    std::lock_guard lock(m_);
    saveFailureHandler_ = std::move(handler);
}

void UserDefaults::load(Domain& domain) {
    removeStaleTemporaryFiles(domain.file);
    std::string linkProblem;
    resolvedWriteTarget(domain.file, &linkProblem);
    if (!linkProblem.empty()) log().write(LogLevel::Error, "The settings file " + domain.file.string() + ": " + linkProblem);
    std::error_code ec;
    if (!std::filesystem::exists(domain.file, ec)) return;
    std::string reason;
    if (const auto bytes = readRegularFile(domain.file, maximumFileSize, &reason)) {
        auto result = PropertyList::read(std::string_view(*bytes));
        if (result && result.value->isDictionary()) {
            domain.values = std::move(*result.value->asDictionary());
            return;
        }
        reason = result ? "its top level is not a dictionary" : result.error;
    }
    // Moved, not copied: the file stays byte for byte what it was (a link
    // stays a link), and whatever it is no longer stands where saves go.
    const auto aside = asideName(domain.file);
    std::filesystem::rename(domain.file, aside, ec);
    if (ec) {
        // Never overwrite what could not be read and could not be kept.
        domain.writable = false;
        readProblems_.push_back(ReadProblem{domain.file, std::nullopt, reason});
        log().write(LogLevel::Error, "Cannot read the settings file " + domain.file.string() + " (" + reason +
                                         ") nor move it aside (" + ec.message() +
                                         "); changes to these settings will not be saved.");
        return;
    }
    readProblems_.push_back(ReadProblem{domain.file, aside, reason});
    log().write(LogLevel::Error, "Cannot read the settings file " + domain.file.string() + " (" + reason +
                                     "); kept it as " + aside.string() + " and started with empty settings.");
}

// --- Reading ----------------------------------------------------------------

const Value* UserDefaults::findLocked(const std::string& key) const {
    for (const ValueDictionary* d : {&app_.values, &global_.values, &registered_}) {
        auto it = d->find(key);
        if (it != d->end()) return &it->second;
    }
    return nullptr;
}

std::optional<Value> UserDefaults::lookupLocked(const std::string& key) const {
    const Value* v = findLocked(key);
    return v ? std::optional<Value>(*v) : std::nullopt;
}

std::optional<Value> UserDefaults::objectForKey(const std::string& key) const {
    std::lock_guard lock(m_);
    return lookupLocked(key);
}

bool UserDefaults::boolForKey(const std::string& key) const {
    const auto v = objectForKey(key);
    if (!v) return false;
    if (v->isNumber()) return v->asBool().value_or(false);
    if (auto s = v->asString()) {
        std::string lower;
        for (char c : trimmedLeft(*s)) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "yes" || lower == "true") return true;
        const auto n = leadingNumber(*s);
        return n && *n != 0;
    }
    return false;
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
    const auto v = objectForKey(key);
    if (!v) return 0;
    if (v->isNumber()) return v->asInteger().value_or(0);
    if (auto s = v->asString()) {
        const auto n = leadingNumber(*s);
        if (n && std::isfinite(*n) && std::fabs(*n) < 9.2e18) return static_cast<std::int64_t>(*n);
    }
    return 0;
}

double UserDefaults::doubleForKey(const std::string& key) const {
    const auto v = objectForKey(key);
    if (!v) return 0.0;
    if (v->isNumber()) return v->asDouble().value_or(0.0);
    if (auto s = v->asString()) return leadingNumber(*s).value_or(0.0);
    return 0.0;
}

float UserDefaults::floatForKey(const std::string& key) const { return static_cast<float>(doubleForKey(key)); }

std::string UserDefaults::stringForKey(const std::string& key) const {
    const auto v = objectForKey(key);
    if (!v) return {};
    if (auto s = v->asString()) return *s;
    if (v->isBool()) return *v->asBool() ? "1" : "0";
    if (v->isInteger() || v->isUnsignedInteger()) return v->description();
    if (v->isReal()) return plainNumber(*v->asDouble());
    return {};
}

ValueArray UserDefaults::arrayForKey(const std::string& key) const {
    const auto v = objectForKey(key);
    if (v && v->isArray()) return *v->asArray();
    return {};
}

std::vector<std::string> UserDefaults::stringArrayForKey(const std::string& key) const {
    std::vector<std::string> out;
    const auto v = objectForKey(key);
    if (!v || !v->isArray()) return out;
    for (const auto& element : *v->asArray()) {
        if (!element.isString()) return {};
        out.push_back(*element.asString());
    }
    return out;
}

ValueDictionary UserDefaults::dictionaryForKey(const std::string& key) const {
    const auto v = objectForKey(key);
    if (v && v->isDictionary()) return *v->asDictionary();
    return {};
}

std::optional<Data> UserDefaults::dataForKey(const std::string& key) const {
    // Archives of thousands of entries: copied once, not through a copy of the value.
    std::lock_guard lock(m_);
    const Value* v = findLocked(key);
    if (v && v->isData()) return *v->asData();
    return std::nullopt;
}

ValueDictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(m_);
    ValueDictionary all = registered_;
    for (const auto& [k, v] : global_.values) all[k] = v;
    for (const auto& [k, v] : app_.values) all[k] = v;
    return all;
}

// --- Writing ----------------------------------------------------------------

UserDefaults::Domain* UserDefaults::domainNamed(const std::string& name) {
    if (name == app_.name) return &app_;
    if (name == global_.name) return &global_;
    return nullptr;
}

const UserDefaults::Domain* UserDefaults::domainNamed(const std::string& name) const {
    return const_cast<UserDefaults*>(this)->domainNamed(name);
}

std::vector<UserDefaults::Change> UserDefaults::replaceLocked(Domain* domain, ValueDictionary values) {
    std::set<std::string> keys;
    for (const auto& [k, v] : domain ? domain->values : registered_) keys.insert(k);
    for (const auto& [k, v] : values) keys.insert(k);
    std::vector<std::pair<std::string, std::optional<Value>>> before;
    for (const auto& k : keys) before.emplace_back(k, lookupLocked(k));

    if (domain) {
        domain->values = std::move(values);
        ++domain->generation;
        scheduleSaveLocked();
    } else {
        registered_ = std::move(values);
    }

    std::vector<Change> changes;
    for (auto& [k, old] : before) {
        auto now = lookupLocked(k);
        if (now != old) changes.push_back(Change{k, std::move(now)});
    }
    return changes;
}

void UserDefaults::set(const std::string& key, Value value) {
    if (value.isNull()) {
        removeObjectForKey(key);
        return;
    }
    if (!storable(value)) {
        log().write(LogLevel::Error, "Refused to store a value with a null inside under the key \"" + key + "\"");
        return;
    }
    std::vector<Change> changes;
    {
        std::lock_guard lock(m_);
        auto old = lookupLocked(key);
        app_.values[key] = std::move(value);
        ++app_.generation;
        scheduleSaveLocked();
        auto now = lookupLocked(key);
        if (now != old) changes.push_back(Change{key, std::move(now)});
    }
    deliver(changes);
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::vector<Change> changes;
    {
        std::lock_guard lock(m_);
        auto it = app_.values.find(key);
        if (it == app_.values.end()) return;
        auto old = lookupLocked(key);
        app_.values.erase(it);
        ++app_.generation;
        scheduleSaveLocked();
        auto now = lookupLocked(key);
        if (now != old) changes.push_back(Change{key, std::move(now)});
    }
    deliver(changes);
}

void UserDefaults::registerDefaults(const ValueDictionary& defaults) {
    std::vector<Change> changes;
    {
        std::lock_guard lock(m_);
        ValueDictionary merged = registered_;
        for (const auto& [k, v] : defaults) {
            if (v.isNull()) merged.erase(k);
            else merged[k] = v;
        }
        changes = replaceLocked(nullptr, std::move(merged));
    }
    deliver(changes);
}

std::optional<ValueDictionary> UserDefaults::persistentDomainForName(const std::string& name) const {
    std::lock_guard lock(m_);
    const Domain* domain = domainNamed(name);
    if (!domain) return std::nullopt;
    return domain->values;
}

void UserDefaults::setPersistentDomain(const ValueDictionary& values, const std::string& name) {
    for (const auto& [k, v] : values) {
        if (!storable(v)) {
            log().write(LogLevel::Error, "Refused to store a domain with a null under the key \"" + k + "\"");
            return;
        }
    }
    std::vector<Change> changes;
    {
        std::lock_guard lock(m_);
        Domain* domain = domainNamed(name);
        if (!domain) {
            log().write(LogLevel::Error, "Unknown settings domain \"" + name + "\"");
            return;
        }
        changes = replaceLocked(domain, values);
    }
    deliver(changes);
}

void UserDefaults::removePersistentDomainForName(const std::string& name) { setPersistentDomain({}, name); }

void UserDefaults::scheduleSaveLocked() {
    if (saveScheduled_) return;
    saveScheduled_ = true;
    std::weak_ptr<UserDefaults> weak = weak_from_this();
    queue_->after(saveDelay, [weak] {
        auto self = weak.lock();
        if (!self) return;
        {
            std::lock_guard lock(self->m_);
            self->saveScheduled_ = false;
        }
        self->synchronize();
    });
}

bool UserDefaults::synchronize() {
    std::lock_guard writing(writeMutex_);
    struct Pending {
        Domain* domain;
        std::filesystem::path file;
        Value values;
        std::uint64_t generation;
    };
    std::vector<Pending> pending;
    bool ok = true;
    {
        std::lock_guard lock(m_);
        for (Domain* d : {&app_, &global_}) {
            if (d->generation == d->savedGeneration) continue;
            if (!d->writable) {
                ok = false;  // kept in memory only: the unreadable file stays as it is
                continue;
            }
            pending.push_back(Pending{d, d->file, Value(d->values), d->generation});
        }
    }
    for (auto& p : pending) {
        std::string error;
        auto bytes = PropertyList::write(p.values, PropertyListFormat::Binary, &error);
        if (!bytes || !writeFileAtomically(p.file, *bytes, &error)) {
            ok = false;
            log().write(LogLevel::Error, "Cannot save the settings file " + p.file.string() + ": " + error);
            SaveFailureHandler tell;
            {
                std::lock_guard lock(m_);
                if (!saveFailureTold_ && saveFailureHandler_) {
                    saveFailureTold_ = true;
                    tell = saveFailureHandler_;
                }
            }
            if (tell) tell(p.file, error);
            continue;
        }
        std::lock_guard lock(m_);
        p.domain->savedGeneration = p.generation;
    }
    return ok;
}

// --- Observing --------------------------------------------------------------

Subscription UserDefaults::observe(const std::string& key, Observer observer) {
    return observers_.add([key, observer = std::move(observer)](const std::string& changed,
                                                                 const std::optional<Value>& value) {
        if (changed == key) observer(changed, value);
    });
}

void UserDefaults::deliver(const std::vector<Change>& changes) {
    if (changes.empty()) return;
    for (const auto& change : changes)
        observers_.forEach([&](const Observer& observer) { observer(change.key, change.value); });
    ValueDictionary userInfo;
    NotificationCenter::defaultCenter().post(
        Notification{didChangeNotification, {}, static_cast<const void*>(this), std::move(userInfo)});
}

}  // namespace platform
