#pragma once
// The user defaults: the program's settings as key-value pairs, kept in a
// binary property list.
//
// Lookup goes through three domains, first hit wins: the program's own
// domain ($XDG_CONFIG_HOME/frelt/org.frelt.Frelt.plist), the global domain
// shared with the system (".GlobalPreferences.plist" beside it, where
// system-wide keys such as "NSTableViewDefaultSizeMode" live), and the
// registered defaults (memory only). Writes go to the program's domain.
//
// Changes are written shortly after they are made (saveDelay on the dispatch
// clock), on synchronize(), when the store goes away, and at process exit.
// Every write replaces the file atomically; a write that fails leaves the
// previous file whole and is retried with the next save. A file that cannot
// be read is moved aside (name + ".corrupt-<time>"), logged, and the domain
// starts empty, so nothing the user had is overwritten silently. Only a
// regular file (or a link to one) of at most maximumFileSize bytes is read:
// anything else at the path (a folder, a pipe, a link to a device) counts as
// a file that cannot be read. The program tells the user of both: the
// problems of the read (readProblems) and the first failed save
// (setSaveFailureHandler).
//
// All members are safe to call from any thread. Observers are called on the
// thread that made the change, after it is made, outside any lock.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Subscription.h"
#include "platform/foundation/Value.h"

namespace platform {

class UserDefaults : public std::enable_shared_from_this<UserDefaults> {
public:
    static constexpr const char* globalDomain = "NSGlobalDomain";
    static constexpr const char* globalDomainFileName = ".GlobalPreferences.plist";
    // Posted on the default notification centre after every change, with the
    // store as sender.
    static constexpr const char* didChangeNotification = "NSUserDefaultsDidChangeNotification";
    static inline const dispatch::Duration saveDelay = std::chrono::seconds(1);
    // Far beyond any real settings file (thousands of entries take a few
    // megabytes); a larger one is not read into memory.
    static constexpr std::uintmax_t maximumFileSize = std::uintmax_t{256} << 20;

    // A settings file that could not be read when the store was made.
    struct ReadProblem {
        std::filesystem::path file;
        // Where the file was kept; none when it could not be moved aside,
        // and then nothing is saved over it in this run.
        std::optional<std::filesystem::path> keptAs;
        std::string reason;
    };
    // Told of the first save that fails, with the file and the reason, on
    // the thread that saved, outside any lock. Later failures are logged only.
    using SaveFailureHandler = std::function<void(const std::filesystem::path& file, const std::string& error)>;

    // The standard store over Paths::configFolder(), one per process.
    static std::shared_ptr<UserDefaults> standard();
    // Makes the standard store on a worker, so its files are read while the
    // caller does other work; standard() then waits for that store if it is
    // still being made.
    static void loadStandardInBackground();
    // A store over the files in `folder`; the program's domain is
    // `domainName` + ".plist".
    static std::shared_ptr<UserDefaults> make(std::filesystem::path folder,
                                              std::string domainName = "org.frelt.Frelt");
    // Writes pending changes of the standard store, if there is one. The
    // quit sequence calls it; it also runs at process exit.
    static void flushStandard();

    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::string& domainName() const { return domainName_; }
    std::filesystem::path fileURL() const;
    std::filesystem::path globalDomainFileURL() const;
    std::vector<ReadProblem> readProblems() const;
    void setSaveFailureHandler(SaveFailureHandler handler);

    // --- Reading. An absent key, or a value of another kind, reads as the
    // empty value of the type asked for.
    std::optional<Value> objectForKey(const std::string& key) const;
    // Numbers; texts "YES"/"true" (any case) or a non-zero number.
    bool boolForKey(const std::string& key) const;
    // Numbers (reals truncated, booleans 0/1); texts that start with a number.
    std::int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    float floatForKey(const std::string& key) const;
    // Texts; numbers in their plain decimal form.
    std::string stringForKey(const std::string& key) const;
    ValueArray arrayForKey(const std::string& key) const;
    // Empty unless the value is a list whose every element is a text.
    std::vector<std::string> stringArrayForKey(const std::string& key) const;
    ValueDictionary dictionaryForKey(const std::string& key) const;
    // Data only; nullopt for anything else.
    std::optional<Data> dataForKey(const std::string& key) const;
    // Every key of every domain with the value lookup would give.
    ValueDictionary dictionaryRepresentation() const;

    // --- Writing. A null value removes the key. A value a property list
    // cannot hold (a null inside a list or dictionary) is refused and logged.
    void set(const std::string& key, Value value);
    void removeObjectForKey(const std::string& key);
    // The lowest domain: values that absent keys read as. Not saved.
    void registerDefaults(const ValueDictionary& defaults);

    // The stored domains by name: domainName() or globalDomain.
    std::optional<ValueDictionary> persistentDomainForName(const std::string& name) const;
    void setPersistentDomain(const ValueDictionary& domain, const std::string& name);
    void removePersistentDomainForName(const std::string& name);

    // Writes pending changes now. True when everything is on disk.
    bool synchronize();

    // --- Observing one key. The handler gets the key and the value lookup
    // now gives (nullopt when absent), once per change of that value,
    // whichever domain the change came from.
    using Observer = std::function<void(const std::string& key, const std::optional<Value>& value)>;
    [[nodiscard]] Subscription observe(const std::string& key, Observer observer);

private:
    struct Domain {
        std::string name;
        std::filesystem::path file;
        ValueDictionary values;
        std::uint64_t generation = 0;       // bumped by every change
        std::uint64_t savedGeneration = 0;  // what the file holds
        bool writable = true;               // false when an unreadable file could not be moved aside
    };
    struct Change {
        std::string key;
        std::optional<Value> value;
    };

    UserDefaults(std::filesystem::path folder, std::string domainName);
    static std::shared_ptr<UserDefaults> standardIn(const std::filesystem::path& folder);
    void load(Domain& domain);
    std::optional<Value> lookupLocked(const std::string& key) const;
    // The value itself, where it is kept; null when no domain has it.
    const Value* findLocked(const std::string& key) const;
    Domain* domainNamed(const std::string& name);
    const Domain* domainNamed(const std::string& name) const;
    // Replaces a domain's values and returns the keys whose looked-up value changed.
    std::vector<Change> replaceLocked(Domain* domain, ValueDictionary values);
    void scheduleSaveLocked();
    void deliver(const std::vector<Change>& changes);

    const std::filesystem::path folder_;
    const std::string domainName_;
    std::shared_ptr<dispatch::Queue> queue_;

    mutable std::mutex m_;
    Domain app_;
    Domain global_;
    ValueDictionary registered_;
    std::vector<ReadProblem> readProblems_;
    SaveFailureHandler saveFailureHandler_;
    bool saveFailureTold_ = false;
    bool saveScheduled_ = false;
    ObserverList<Observer> observers_;

    std::mutex writeMutex_;  // one save at a time, in snapshot order
};

}  // namespace platform
