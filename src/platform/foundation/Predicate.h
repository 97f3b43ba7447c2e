#pragma once
// Predicates from format strings, evaluated over key-value objects.
//
// The language is the subset of the platform's predicate format that the
// program uses:
//   comparisons   lhs = rhs, lhs == rhs, lhs != rhs (also <>),
//                 lhs CONTAINS rhs, lhs MATCHES rhs, each optionally [c]
//   aggregates    ANY (or SOME), ALL, NONE before a comparison
//   compounds     AND (&&), OR (||), NOT (!), parentheses
//   constants     TRUEPREDICATE, FALSEPREDICATE
//   expressions   key paths (a.b), SELF, %@ (a Value argument), %K (a key-path
//                 argument), "text" or 'text', numbers, true/false/YES/NO, nil
// Keywords are case-insensitive. Anything else is refused when the predicate
// is made, with a message that names what was not understood.
//
// Meanings:
//   =, ==      texts: canonical equivalence ([c]: also ignoring case);
//              numbers and booleans numerically (true == 1); nil == nil.
//   CONTAINS   text on the left: substring ([c]: ignoring case); an empty
//              text is contained nowhere. A list on the left: membership, an
//              element equal to the right side as for ==.
//   MATCHES    the whole left text matches the ICU regular expression on the
//              right ([c]: case-insensitive). A constant pattern is compiled
//              when the predicate is made, so an invalid one is refused then.
//   ANY x op y true when some element of the list x satisfies `element op y`;
//              ALL when every element does; NONE when none does. A left side
//              that is not a list makes the comparison false.
// A comparison whose sides do not fit its operator is false, never an error.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/KeyValueCoding.h"
#include "platform/foundation/Value.h"

namespace platform {

class Predicate {
public:
    // Parses `format`, taking %@ and %K arguments from `arguments` in order.
    // Unknown syntax, a missing or surplus argument, or an invalid regular
    // expression gives no value and, when `error` is given, the reason.
    static std::optional<Predicate> make(std::string_view format, const ValueArray& arguments = {},
                                         std::string* error = nullptr);

    // TRUEPREDICATE or FALSEPREDICATE.
    static Predicate value(bool result);
    // Compounds as built in code. An "and" of nothing is true, an "or" of
    // nothing is false.
    static Predicate andPredicate(std::vector<Predicate> subpredicates);
    static Predicate orPredicate(std::vector<Predicate> subpredicates);
    static Predicate notPredicate(Predicate subpredicate);

    // Key paths are asked of `object`; SELF has no value here.
    bool evaluate(const KeyValueCoding& object) const;
    // SELF is `self`; key paths look into it when it is a dictionary.
    bool evaluate(const Value& self) const;

    // The platform's description form, for log lines, e.g.
    //   name CONTAINS[c] "abc" AND isVisible == 1
    // Reading the text back with make() gives an equivalent predicate.
    std::string predicateFormat() const;
    std::string description() const { return predicateFormat(); }

    // The elements of `items` for which the predicate holds, in their order.
    template <class T>
    std::vector<std::shared_ptr<T>> filtered(const std::vector<std::shared_ptr<T>>& items) const {
        std::vector<std::shared_ptr<T>> out;
        for (const auto& item : items) {
            if (item && evaluate(static_cast<const KeyValueCoding&>(*item))) out.push_back(item);
        }
        return out;
    }

    struct Node;

private:
    explicit Predicate(std::shared_ptr<const Node> root) : root_(std::move(root)) {}
    std::shared_ptr<const Node> root_;
};

}  // namespace platform
