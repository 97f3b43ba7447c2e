#include "platform/foundation/Predicate.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/Text.h"

namespace platform {

namespace {

// --- Expressions ------------------------------------------------------------

struct Expression {
    enum class Kind { Constant, KeyPath, Self };
    Kind kind = Kind::Constant;
    Value constant;       // Constant (a null Value is nil)
    std::string keyPath;  // KeyPath
};

enum class Operator { Equal, NotEqual, Contains, Matches };
enum class Modifier { Direct, Any, All, None };

struct Subject {
    const KeyValueCoding* object = nullptr;
    const Value* self = nullptr;
};

std::optional<Value> evaluateExpression(const Expression& e, const Subject& subject) {
    switch (e.kind) {
        case Expression::Kind::Constant:
            return e.constant;
        case Expression::Kind::Self:
            if (subject.self) return *subject.self;
            return std::nullopt;
        case Expression::Kind::KeyPath:
            if (subject.object) return subject.object->valueForKeyPath(e.keyPath);
            if (subject.self) return valueForKeyPath(*subject.self, e.keyPath);
            return std::nullopt;
    }
    return std::nullopt;
}

bool isNil(const std::optional<Value>& v) { return !v || v->isNull(); }

bool valuesEqual(const Value& a, const Value& b, bool caseInsensitive);

bool valuesEqual(const std::optional<Value>& a, const std::optional<Value>& b, bool caseInsensitive) {
    if (isNil(a) || isNil(b)) return isNil(a) && isNil(b);
    return valuesEqual(*a, *b, caseInsensitive);
}

bool valuesEqual(const Value& a, const Value& b, bool caseInsensitive) {
    if (a.isString() && b.isString()) {
        return caseInsensitive ? text::equalsCaseInsensitive(*a.asString(), *b.asString())
                               : text::canonicallyEqual(*a.asString(), *b.asString());
    }
    if (a.isNumber() && b.isNumber()) {
        if (!a.isReal() && !b.isReal()) return Value::compareIntegers(a, b) == 0;
        return *a.asDouble() == *b.asDouble();
    }
    if (a.isArray() && b.isArray()) {
        const auto& x = *a.asArray();
        const auto& y = *b.asArray();
        if (x.size() != y.size()) return false;
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (!valuesEqual(x[i], y[i], caseInsensitive)) return false;
        }
        return true;
    }
    if (a.isDictionary() && b.isDictionary()) {
        const auto& x = *a.asDictionary();
        const auto& y = *b.asDictionary();
        if (x.size() != y.size()) return false;
        for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j) {
            if (i->first != j->first || !valuesEqual(i->second, j->second, caseInsensitive)) return false;
        }
        return true;
    }
    return a == b;
}

// Case-sensitive substring test under canonical equivalence.
bool textContains(const std::string& haystack, const std::string& needle, bool caseInsensitive) {
    if (caseInsensitive) return text::containsCaseInsensitive(haystack, needle);
    if (needle.empty()) return false;
    return text::nfc(haystack).find(text::nfc(needle)) != std::string::npos;
}

// --- Description helpers ----------------------------------------------------

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

// The shortest text that reads back as the same number, whatever the locale.
// A large whole real is written with an exponent, so that it reads back as a
// real and not as an integer out of range.
std::string formatNumber(double d) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    if (ec != std::errc()) return "0";
    std::string text(buffer, end);
    if (text == "-0") return "-0.0";  // "-0" would read back as the integer 0
    if (std::fabs(d) >= 1e15 && text.find_first_of(".e") == std::string::npos) {
        auto [sciEnd, sciEc] = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific);
        if (sciEc == std::errc()) text.assign(buffer, sciEnd);
    }
    return text;
}

// Words that the format reads as something other than a key path.
bool isKeyword(const std::string& upperWord);

// A key path as the format writes it: a key that is also a keyword gets the
// escape "#" so that it reads back as a key.
std::string describeKeyPath(const std::string& keyPath) {
    std::string upperPath;
    for (char c : keyPath) upperPath += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return isKeyword(upperPath) ? "#" + keyPath : keyPath;
}

std::string describeConstant(const Value& v) {
    if (v.isNull()) return "nil";
    if (auto s = v.asString()) return quoted(*s);
    if (v.isBool()) return *v.asBool() ? "1" : "0";
    if (v.isInteger() || v.isUnsignedInteger()) return v.description();
    if (v.isReal()) return formatNumber(*v.asDouble());
    if (auto d = v.asDate()) return "CAST(" + formatNumber(d->secondsSinceReferenceDate) + ", \"NSDate\")";
    if (auto a = v.asArray()) {
        std::string out = "{";
        for (std::size_t i = 0; i < a->size(); ++i) {
            if (i) out += ", ";
            out += describeConstant((*a)[i]);
        }
        return out + "}";
    }
    return v.description();
}

std::string describeExpression(const Expression& e) {
    switch (e.kind) {
        case Expression::Kind::Constant: return describeConstant(e.constant);
        case Expression::Kind::KeyPath: return describeKeyPath(e.keyPath);
        case Expression::Kind::Self: return "SELF";
    }
    return {};
}

}  // namespace

// --- Nodes --------------------------------------------------------------------

struct Predicate::Node {
    enum class Kind { Constant, And, Or, Not, Comparison };
    Kind kind = Kind::Constant;

    bool constant = false;                            // Constant
    std::vector<std::shared_ptr<const Node>> members;  // And, Or, Not

    Modifier modifier = Modifier::Direct;  // Comparison
    Operator op = Operator::Equal;
    bool caseInsensitive = false;
    Expression left, right;
    std::optional<RegularExpression> pattern;  // MATCHES with a constant pattern

    bool isCompound() const { return kind == Kind::And || kind == Kind::Or || kind == Kind::Not; }

    bool compare(const std::optional<Value>& lhs, const std::optional<Value>& rhs) const {
        switch (op) {
            case Operator::Equal: return valuesEqual(lhs, rhs, caseInsensitive);
            case Operator::NotEqual: return !valuesEqual(lhs, rhs, caseInsensitive);
            case Operator::Contains: {
                if (isNil(lhs) || isNil(rhs)) return false;
                if (lhs->isString() && rhs->isString())
                    return textContains(*lhs->asString(), *rhs->asString(), caseInsensitive);
                if (auto list = lhs->asArray()) {
                    for (const auto& element : *list) {
                        if (valuesEqual(element, *rhs, caseInsensitive)) return true;
                    }
                }
                return false;
            }
            case Operator::Matches: {
                if (isNil(lhs) || !lhs->isString()) return false;
                if (pattern) return pattern->matchesEntirely(*lhs->asString());
                if (isNil(rhs) || !rhs->isString()) return false;
                auto re = RegularExpression::make(*rhs->asString(),
                                                  caseInsensitive ? RegularExpression::caseInsensitive : 0u);
                return re && re->matchesEntirely(*lhs->asString());
            }
        }
        return false;
    }

    bool evaluate(const Subject& subject) const {
        switch (kind) {
            case Kind::Constant: return constant;
            case Kind::And:
                for (const auto& m : members) {
                    if (!m->evaluate(subject)) return false;
                }
                return true;
            case Kind::Or:
                for (const auto& m : members) {
                    if (m->evaluate(subject)) return true;
                }
                return false;
            case Kind::Not: return !members.front()->evaluate(subject);
            case Kind::Comparison: break;
        }
        const auto lhs = evaluateExpression(left, subject);
        const auto rhs = evaluateExpression(right, subject);
        if (modifier == Modifier::Direct) return compare(lhs, rhs);
        const ValueArray* list = isNil(lhs) ? nullptr : lhs->asArray();
        if (!list) return false;
        for (const auto& element : *list) {
            const bool holds = compare(element, rhs);
            if (modifier == Modifier::Any && holds) return true;
            if (modifier == Modifier::All && !holds) return false;
            if (modifier == Modifier::None && holds) return false;
        }
        return modifier != Modifier::Any;
    }

    // Compounds of one member stand for that member.
    const Node& effective() const {
        const Node* n = this;
        while ((n->kind == Kind::And || n->kind == Kind::Or) && n->members.size() == 1) n = n->members.front().get();
        return *n;
    }

    // A member of a compound is put in parentheses when it is itself a chain
    // of AND or OR, so that the text reads back with the same grouping.
    std::string describeMember() const {
        const Node& n = effective();
        const bool chain = (n.kind == Kind::And || n.kind == Kind::Or) && n.members.size() >= 2;
        return chain ? "(" + n.describe() + ")" : n.describe();
    }

    std::string describe() const {
        switch (kind) {
            case Kind::Constant: return constant ? "TRUEPREDICATE" : "FALSEPREDICATE";
            case Kind::And:
            case Kind::Or: {
                if (members.empty()) return kind == Kind::And ? "TRUEPREDICATE" : "FALSEPREDICATE";
                if (members.size() == 1) return members.front()->describe();
                std::string out;
                for (std::size_t i = 0; i < members.size(); ++i) {
                    if (i) out += kind == Kind::And ? " AND " : " OR ";
                    out += members[i]->describeMember();
                }
                return out;
            }
            case Kind::Not: return "NOT " + members.front()->describeMember();
            case Kind::Comparison: break;
        }
        std::string out;
        switch (modifier) {
            case Modifier::Direct: break;
            case Modifier::Any: out += "ANY "; break;
            case Modifier::All: out += "ALL "; break;
            case Modifier::None: out += "NONE "; break;
        }
        out += describeExpression(left);
        switch (op) {
            case Operator::Equal: out += " =="; break;
            case Operator::NotEqual: out += " !="; break;
            case Operator::Contains: out += " CONTAINS"; break;
            case Operator::Matches: out += " MATCHES"; break;
        }
        if (caseInsensitive) out += "[c]";
        return out + " " + describeExpression(right);
    }
};

namespace {

using NodePtr = std::shared_ptr<const Predicate::Node>;

// --- Tokens -----------------------------------------------------------------

struct Token {
    enum class Kind { End, Word, Number, String, Argument, KeyArgument, Symbol };
    Kind kind = Kind::End;
    std::string text;   // Word: the word; String: the unescaped text; Symbol: the symbol
    Value number;       // Number
    std::size_t offset = 0;
    bool escaped = false;  // Word written "#word": a key path even when it is a keyword
};

// Nesting of parentheses, NOT and list literals that make() accepts; the
// parser recurses once per level.
constexpr int kMaxNesting = 100;

class ParseError {
public:
    std::string message;
};

std::string upper(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool isWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }
bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.';
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    auto fail = [&](const std::string& what, std::size_t at) {
        throw ParseError{what + " at offset " + std::to_string(at)};
    };
    while (i < s.size()) {
        const char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token t;
        t.offset = i;
        if (c == '#' && i + 1 < s.size() && isWordStart(s[i + 1])) {
            t.escaped = true;
            ++i;
        }
        if (isWordStart(c) || t.escaped) {
            std::size_t j = i;
            while (j < s.size() && isWordChar(s[j])) ++j;
            t.kind = Token::Kind::Word;
            t.text = std::string(s.substr(i, j - i));
            if (t.text.back() == '.' || t.text.find("..") != std::string::npos) fail("malformed key path \"" + t.text + "\"", i);
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   ((c == '-' || c == '+') && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            std::size_t j = i + 1;
            bool real = false;
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            if (j + 1 < s.size() && s[j] == '.' && std::isdigit(static_cast<unsigned char>(s[j + 1]))) {
                real = true;
                j += 1;
                while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            }
            if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
                if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
                    real = true;
                    j = k;
                    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                }
            }
            if (j < s.size() && isWordStart(s[j])) fail("malformed number", i);
            const std::string literal(s.substr(i, j - i));
            t.kind = Token::Kind::Number;
            if (real) {
                double d = 0;
                const char* first = literal.c_str() + (literal[0] == '+' ? 1 : 0);
                auto [ptr, ec] = std::from_chars(first, literal.c_str() + literal.size(), d);
                if (ec != std::errc() || ptr != literal.c_str() + literal.size()) fail("number out of range", i);
                t.number = d;
            } else {
                std::int64_t n = 0;
                const char* first = literal.c_str() + (literal[0] == '+' ? 1 : 0);
                const char* last = literal.c_str() + literal.size();
                auto [ptr, ec] = std::from_chars(first, last, n);
                if (ec == std::errc() && ptr == last) {
                    t.number = n;
                } else {
                    // Integers up to 2^64 - 1 are numbers too.
                    unsigned long long u = 0;
                    auto [uptr, uec] = std::from_chars(first, last, u);
                    if (literal[0] == '-' || uec != std::errc() || uptr != last) fail("number out of range", i);
                    t.number = u;
                }
            }
            i = j;
        } else if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            std::string value;
            bool closed = false;
            while (j < s.size()) {
                const char d = s[j];
                if (d == c) {
                    closed = true;
                    ++j;
                    break;
                }
                if (d == '\\') {
                    if (j + 1 >= s.size()) break;
                    const char e = s[j + 1];
                    switch (e) {
                        case 'n': value += '\n'; break;
                        case 't': value += '\t'; break;
                        case 'r': value += '\r'; break;
                        case '0': value += '\0'; break;
                        default: value += e;  // \" \' \\ and any other character as itself
                    }
                    j += 2;
                    continue;
                }
                value += d;
                ++j;
            }
            if (!closed) fail("unterminated string", i);
            t.kind = Token::Kind::String;
            t.text = std::move(value);
            i = j;
        } else if (c == '%') {
            if (i + 1 < s.size() && s[i + 1] == '@') {
                t.kind = Token::Kind::Argument;
            } else if (i + 1 < s.size() && s[i + 1] == 'K') {
                t.kind = Token::Kind::KeyArgument;
            } else {
                fail("unsupported format specifier \"" + std::string(s.substr(i, 2)) + "\"", i);
            }
            i += 2;
        } else {
            static const char* symbols[] = {"==", "!=", "<>", "&&", "||", "<=", ">=", "=<", "=>",
                                            "=",  "!",  "(",  ")",  "[",  "]",  "{",  "}",  ",", "<", ">"};
            bool found = false;
            for (const char* sym : symbols) {
                const std::string_view v(sym);
                if (s.substr(i, v.size()) == v) {
                    t.kind = Token::Kind::Symbol;
                    t.text = sym;
                    i += v.size();
                    found = true;
                    break;
                }
            }
            if (!found) fail("unexpected character '" + std::string(1, c) + "'", i);
        }
        tokens.push_back(std::move(t));
    }
    Token end;
    end.offset = s.size();
    tokens.push_back(end);
    return tokens;
}

// --- Parser -----------------------------------------------------------------

class Parser {
public:
    Parser(std::vector<Token> tokens, const ValueArray& arguments) : tokens_(std::move(tokens)), arguments_(arguments) {}

    NodePtr parse() {
        NodePtr result = parseOr();
        if (peek().kind != Token::Kind::End) fail("unexpected " + describe(peek()));
        if (nextArgument_ != arguments_.size())
            throw ParseError{"too many arguments: the format uses " + std::to_string(nextArgument_) + " of " +
                             std::to_string(arguments_.size())};
        return result;
    }

private:
    const Token& peek(std::size_t ahead = 0) const {
        return tokens_[std::min(position_ + ahead, tokens_.size() - 1)];
    }
    Token next() { return tokens_[std::min(position_++, tokens_.size() - 1)]; }

    [[noreturn]] void fail(const std::string& what) const {
        throw ParseError{what + " at offset " + std::to_string(peek().offset)};
    }
    static std::string describe(const Token& t) {
        switch (t.kind) {
            case Token::Kind::End: return "end of format";
            case Token::Kind::Word: return "\"" + t.text + "\"";
            case Token::Kind::Number: return "number " + t.number.description();
            case Token::Kind::String: return "string " + quoted(t.text);
            case Token::Kind::Argument: return "%@";
            case Token::Kind::KeyArgument: return "%K";
            case Token::Kind::Symbol: return "\"" + t.text + "\"";
        }
        return {};
    }

    bool isWord(const Token& t, const char* word) const { return t.kind == Token::Kind::Word && upper(t.text) == word; }
    bool isSymbol(const Token& t, const char* sym) const { return t.kind == Token::Kind::Symbol && t.text == sym; }

    static NodePtr compound(Predicate::Node::Kind kind, std::vector<NodePtr> members) {
        auto node = std::make_shared<Predicate::Node>();
        node->kind = kind;
        node->members = std::move(members);
        return node;
    }

    NodePtr parseOr() {
        std::vector<NodePtr> members{parseAnd()};
        while (isWord(peek(), "OR") || isSymbol(peek(), "||")) {
            next();
            members.push_back(parseAnd());
        }
        return members.size() == 1 ? members.front() : compound(Predicate::Node::Kind::Or, std::move(members));
    }

    NodePtr parseAnd() {
        std::vector<NodePtr> members{parseNot()};
        while (isWord(peek(), "AND") || isSymbol(peek(), "&&")) {
            next();
            members.push_back(parseNot());
        }
        return members.size() == 1 ? members.front() : compound(Predicate::Node::Kind::And, std::move(members));
    }

    // Counts one level of nesting while it lives.
    class Level {
    public:
        explicit Level(Parser& parser) : parser_(parser) {
            if (++parser_.depth_ > kMaxNesting)
                parser_.fail("nested more than " + std::to_string(kMaxNesting) + " levels deep");
        }
        ~Level() { --parser_.depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        Parser& parser_;
    };

    NodePtr parseNot() {
        if (isWord(peek(), "NOT") || isSymbol(peek(), "!")) {
            Level level(*this);
            next();
            return compound(Predicate::Node::Kind::Not, {parseNot()});
        }
        return parsePrimary();
    }

    NodePtr parsePrimary() {
        if (isSymbol(peek(), "(")) {
            Level level(*this);
            next();
            NodePtr inner = parseOr();
            if (!isSymbol(peek(), ")")) fail("expected \")\" but found " + describe(peek()));
            next();
            return inner;
        }
        if (isWord(peek(), "TRUEPREDICATE") || isWord(peek(), "FALSEPREDICATE")) {
            auto node = std::make_shared<Predicate::Node>();
            node->kind = Predicate::Node::Kind::Constant;
            node->constant = isWord(next(), "TRUEPREDICATE");
            return node;
        }
        return parseComparison();
    }

    NodePtr parseComparison() {
        auto node = std::make_shared<Predicate::Node>();
        node->kind = Predicate::Node::Kind::Comparison;
        if (isWord(peek(), "ANY") || isWord(peek(), "SOME")) {
            next();
            node->modifier = Modifier::Any;
        } else if (isWord(peek(), "ALL")) {
            next();
            node->modifier = Modifier::All;
        } else if (isWord(peek(), "NONE")) {
            next();
            node->modifier = Modifier::None;
        }
        node->left = parseExpression();

        const Token op = peek();
        if (isSymbol(op, "=") || isSymbol(op, "==")) {
            node->op = Operator::Equal;
        } else if (isSymbol(op, "!=") || isSymbol(op, "<>")) {
            node->op = Operator::NotEqual;
        } else if (isWord(op, "CONTAINS")) {
            node->op = Operator::Contains;
        } else if (isWord(op, "MATCHES")) {
            node->op = Operator::Matches;
        } else if (op.kind == Token::Kind::End) {
            fail("expected an operator but the format ended");
        } else {
            fail("unsupported operator " + describe(op));
        }
        next();
        if (isSymbol(peek(), "[")) {
            next();
            const Token flags = next();
            if (flags.kind != Token::Kind::Word || flags.text != "c")
                throw ParseError{"unsupported comparison option " + describe(flags) + " at offset " +
                                 std::to_string(flags.offset)};
            node->caseInsensitive = true;
            if (!isSymbol(peek(), "]")) fail("expected \"]\" but found " + describe(peek()));
            next();
        }
        node->right = parseExpression();

        if (node->op == Operator::Matches && node->right.kind == Expression::Kind::Constant) {
            const auto* pattern = node->right.constant.asString();
            if (!pattern) fail("MATCHES needs a text pattern, not " + describeConstant(node->right.constant));
            std::string error;
            node->pattern = RegularExpression::make(
                *pattern, node->caseInsensitive ? RegularExpression::caseInsensitive : 0u, &error);
            if (!node->pattern) throw ParseError{error};
        }
        return node;
    }

    Expression parseExpression() {
        const Token t = next();
        Expression e;
        switch (t.kind) {
            case Token::Kind::String:
                e.constant = t.text;
                return e;
            case Token::Kind::Number:
                e.constant = t.number;
                return e;
            case Token::Kind::Argument:
                e.constant = argument(t);
                return e;
            case Token::Kind::KeyArgument: {
                const Value key = argument(t);
                if (!key.isString() || key.asString()->empty())
                    throw ParseError{"%K needs a key-path text argument at offset " + std::to_string(t.offset)};
                // Only what the format can write back: names of letters,
                // digits and "_" that do not begin with a digit, joined by dots.
                if (!isWritableKeyPath(*key.asString()))
                    throw ParseError{"%K key path \"" + *key.asString() + "\" is not made of plain names at offset " +
                                     std::to_string(t.offset)};
                e.kind = Expression::Kind::KeyPath;
                e.keyPath = *key.asString();
                return e;
            }
            case Token::Kind::Symbol:
                if (t.text == "{") {
                    Level level(*this);
                    return arrayLiteral();
                }
                break;
            case Token::Kind::Word: {
                const std::string word = upper(t.text);
                if (t.escaped) {
                    if (t.text.find('$') != std::string::npos)
                        throw ParseError{"unsupported variable \"" + t.text + "\" at offset " + std::to_string(t.offset)};
                    e.kind = Expression::Kind::KeyPath;
                    e.keyPath = t.text;
                    return e;
                }
                if (word == "CAST") return dateCast(t);
                if (word == "SELF") {
                    e.kind = Expression::Kind::Self;
                    return e;
                }
                if (word == "TRUE" || word == "YES") {
                    e.constant = true;
                    return e;
                }
                if (word == "FALSE" || word == "NO") {
                    e.constant = false;
                    return e;
                }
                if (word == "NIL" || word == "NULL") return e;
                if (isReserved(word))
                    throw ParseError{"unsupported keyword \"" + t.text + "\" at offset " + std::to_string(t.offset)};
                if (t.text.find('$') != std::string::npos)
                    throw ParseError{"unsupported variable \"" + t.text + "\" at offset " + std::to_string(t.offset)};
                e.kind = Expression::Kind::KeyPath;
                e.keyPath = t.text;
                return e;
            }
            case Token::Kind::End:
                throw ParseError{"expected an expression but the format ended"};
        }
        throw ParseError{"expected an expression but found " + describe(t) + " at offset " + std::to_string(t.offset)};
    }

    Expression arrayLiteral() {
        ValueArray elements;
        if (!isSymbol(peek(), "}")) {
            while (true) {
                Expression element = parseExpression();
                if (element.kind != Expression::Kind::Constant) fail("a list literal holds constants only");
                elements.push_back(std::move(element.constant));
                if (isSymbol(peek(), ",")) {
                    next();
                    continue;
                }
                break;
            }
        }
        if (!isSymbol(peek(), "}")) fail("expected \"}\" but found " + describe(peek()));
        next();
        Expression e;
        e.constant = std::move(elements);
        return e;
    }

    // CAST(<seconds since 2001>, "NSDate"), the form dates are written in.
    Expression dateCast(const Token& cast) {
        if (!isSymbol(next(), "(")) fail("expected \"(\" after CAST");
        const Token seconds = next();
        if (seconds.kind != Token::Kind::Number) fail("CAST needs a number of seconds");
        if (!isSymbol(next(), ",")) fail("expected \",\" in CAST");
        const Token type = next();
        if (type.kind != Token::Kind::String || type.text != "NSDate")
            throw ParseError{"CAST supports only \"NSDate\" at offset " + std::to_string(cast.offset)};
        if (!isSymbol(next(), ")")) fail("expected \")\" after CAST");
        Expression e;
        e.constant = Date{*seconds.number.asDouble()};
        return e;
    }

    static bool isWritableKeyPath(const std::string& path) {
        bool atStart = true;
        for (char c : path) {
            if (c == '.') {
                if (atStart) return false;
                atStart = true;
                continue;
            }
            const bool letter = std::isalpha(static_cast<unsigned char>(c)) || c == '_';
            if (!letter && !(std::isdigit(static_cast<unsigned char>(c)) && !atStart)) return false;
            atStart = false;
        }
        return !atStart;
    }

    Value argument(const Token& t) {
        if (nextArgument_ >= arguments_.size())
            throw ParseError{"missing argument for " + describe(t) + " at offset " + std::to_string(t.offset)};
        return arguments_[nextArgument_++];
    }

  public:
    static bool isReservedWord(const std::string& word) { return isReserved(word); }

  private:
    static bool isReserved(const std::string& word) {
        static const char* reserved[] = {"AND",     "OR",       "NOT",     "ANY",        "SOME",    "ALL",
                                         "NONE",    "CONTAINS", "MATCHES", "LIKE",       "IN",      "BEGINSWITH",
                                         "ENDSWITH", "BETWEEN", "SUBQUERY", "FUNCTION", "CAST",    "TRUEPREDICATE",
                                         "FALSEPREDICATE", "FIRST", "LAST", "SIZE", "UTI-CONFORMS-TO", "UTI-EQUALS"};
        for (const char* r : reserved) {
            if (word == r) return true;
        }
        return false;
    }

    std::vector<Token> tokens_;
    const ValueArray& arguments_;
    std::size_t position_ = 0;
    std::size_t nextArgument_ = 0;
    int depth_ = 0;
};

bool isKeyword(const std::string& upperWord) {
    static const char* const values[] = {"SELF", "TRUE", "YES", "FALSE", "NO", "NIL", "NULL"};
    for (const char* v : values)
        if (upperWord == v) return true;
    return Parser::isReservedWord(upperWord);
}

}  // namespace

std::optional<Predicate> Predicate::make(std::string_view format, const ValueArray& arguments, std::string* error) {
    try {
        Parser parser(tokenize(format), arguments);
        return Predicate(parser.parse());
    } catch (const ParseError& e) {
        if (error) *error = "cannot parse predicate \"" + std::string(format) + "\": " + e.message;
        return std::nullopt;
    }
}

Predicate Predicate::value(bool result) {
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::Constant;
    node->constant = result;
    return Predicate(node);
}

Predicate Predicate::andPredicate(std::vector<Predicate> subpredicates) {
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::And;
    for (auto& p : subpredicates) node->members.push_back(std::move(p.root_));
    return Predicate(node);
}

Predicate Predicate::orPredicate(std::vector<Predicate> subpredicates) {
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::Or;
    for (auto& p : subpredicates) node->members.push_back(std::move(p.root_));
    return Predicate(node);
}

Predicate Predicate::notPredicate(Predicate subpredicate) {
    auto node = std::make_shared<Node>();
    node->kind = Node::Kind::Not;
    node->members.push_back(std::move(subpredicate.root_));
    return Predicate(node);
}

bool Predicate::evaluate(const KeyValueCoding& object) const { return root_->evaluate(Subject{&object, nullptr}); }

bool Predicate::evaluate(const Value& self) const { return root_->evaluate(Subject{nullptr, &self}); }

std::string Predicate::predicateFormat() const { return root_->describe(); }

}  // namespace platform
