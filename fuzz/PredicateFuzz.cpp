// Feeds arbitrary text to the predicate parser: it must refuse it with a
// reason or make a predicate whose format reads back as the same predicate,
// and evaluating it must not crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/foundation/Predicate.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view format(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto predicate = platform::Predicate::make(format, {}, &error);
    if (!predicate) {
        check(!error.empty());
        return 0;
    }
    const std::string text = predicate->predicateFormat();
    auto again = platform::Predicate::make(text, {}, &error);
    check(again.has_value());
    check(again->predicateFormat() == text);
    const platform::Value self(platform::ValueDictionary{
        {"name", "Frelt"}, {"tags", platform::ValueArray{"a", "b"}}, {"count", 3}, {"ratio", 0.5}});
    check(predicate->evaluate(self) == again->evaluate(self));
    return 0;
}
