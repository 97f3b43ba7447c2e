#include "platform/foundation/SingleInstance.h"

#include <cstdlib>
#include <cxxabi.h>
#include <vector>

namespace platform::singleinstance {

namespace {
std::mutex gRegistryMutex;
std::vector<std::function<void()>>& resets() {
    static auto* r = new std::vector<std::function<void()>>;
    return *r;
}
}  // namespace

void registerReset(std::function<void()> reset) {
    std::lock_guard lock(gRegistryMutex);
    resets().push_back(std::move(reset));
}

void resetAll() {
    // Destroying one instance may make or reset another: take the list each round.
    for (;;) {
        std::function<void()> reset;
        {
            std::lock_guard lock(gRegistryMutex);
            if (resets().empty()) return;
            reset = std::move(resets().back());
            resets().pop_back();
        }
        reset();
    }
}

std::string typeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

}  // namespace platform::singleinstance
