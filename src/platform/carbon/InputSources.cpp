#include "platform/carbon/InputSources.h"

#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

namespace {
struct InstalledInputSourceTag {};
using InstalledInputSourceService = ResettableValue<InstalledInputSourceTag, std::shared_ptr<InputSourceService>>;

struct USKey {
    std::uint16_t keyCode;
    const char* plain;
    const char* shifted;
};

// What each virtual key code types on a US keyboard, plain and shifted.
constexpr USKey kUSKeys[] = {
    {0, "a", "A"}, {1, "s", "S"}, {2, "d", "D"}, {3, "f", "F"}, {4, "h", "H"}, {5, "g", "G"},
    {6, "z", "Z"}, {7, "x", "X"}, {8, "c", "C"}, {9, "v", "V"}, {10, "\u00A7", "\u00B1"}, {11, "b", "B"},
    {12, "q", "Q"}, {13, "w", "W"}, {14, "e", "E"}, {15, "r", "R"}, {16, "y", "Y"}, {17, "t", "T"},
    {18, "1", "!"}, {19, "2", "@"}, {20, "3", "#"}, {21, "4", "$"}, {22, "6", "^"}, {23, "5", "%"},
    {24, "=", "+"}, {25, "9", "("}, {26, "7", "&"}, {27, "-", "_"}, {28, "8", "*"}, {29, "0", ")"},
    {30, "]", "}"}, {31, "o", "O"}, {32, "u", "U"}, {33, "[", "{"}, {34, "i", "I"}, {35, "p", "P"},
    {37, "l", "L"}, {38, "j", "J"}, {39, "'", "\""}, {40, "k", "K"}, {41, ";", ":"}, {42, "\\", "|"},
    {43, ",", "<"}, {44, "/", "?"}, {45, "n", "N"}, {46, "m", "M"}, {47, ".", ">"}, {50, "`", "~"},
    // Keypad
    {65, ".", "."}, {67, "*", "*"}, {69, "+", "+"}, {75, "/", "/"}, {78, "-", "-"}, {81, "=", "="},
    {82, "0", "0"}, {83, "1", "1"}, {84, "2", "2"}, {85, "3", "3"}, {86, "4", "4"}, {87, "5", "5"},
    {88, "6", "6"}, {89, "7", "7"}, {91, "8", "8"}, {92, "9", "9"},
    // The JIS keys a US layout still reports
    {93, "\u00A5", "\u00A5"}, {94, "_", "_"}, {95, ",", ","},
};

}  // namespace

std::optional<std::string> KeyLayout::translate(std::uint16_t keyCode, std::uint32_t modifierState) const {
    if (keyCode >= keyCodeCount) return std::nullopt;
    return rows_[keyCode][stateIndex(modifierState)];
}

std::shared_ptr<const KeyLayout> KeyLayout::unitedStates() {
    static const std::shared_ptr<const KeyLayout> layout = [] {
        Rows rows;
        for (auto& row : rows) row.fill(std::string());
        for (const auto& key : kUSKeys) rows[key.keyCode] = {key.plain, key.shifted, key.plain, key.shifted};
        return std::make_shared<const KeyLayout>(std::move(rows));
    }();
    return layout;
}

std::shared_ptr<InputSourceService> InputSourceService::shared() {
    if (auto installed = InstalledInputSourceService::get()) return installed;
    return singleInstance<HeadlessInputSourceService>([] { return std::make_shared<HeadlessInputSourceService>(); });
}

void InputSourceService::setShared(std::shared_ptr<InputSourceService> service) {
    InstalledInputSourceService::set(std::move(service));
}

InputSourceRef InputSourceService::unitedStatesSource() {
    static const InputSourceRef source = [] {
        InputSourceProperties p;
        p.inputSourceID = "us";
        p.isASCIICapable = true;
        p.isEnableCapable = true;
        p.isSelectCapable = true;
        p.isEnabled = true;
        p.isSelected = true;
        p.localizedName = "English (US)";
        p.keyLayoutData = KeyLayout::unitedStates();
        return std::make_shared<const InputSourceProperties>(std::move(p));
    }();
    return source;
}

void InputSourceService::postSelectedChanged() {
    assertMainThread("InputSourceService::postSelectedChanged");
    center_.post(inputsourcenotification::selectedKeyboardInputSourceChanged);
}

void InputSourceService::postEnabledChanged() {
    assertMainThread("InputSourceService::postEnabledChanged");
    center_.post(inputsourcenotification::enabledKeyboardInputSourcesChanged);
}

HeadlessInputSourceService::HeadlessInputSourceService()
    : current_(unitedStatesSource()),
      currentASCIICapable_(unitedStatesSource()),
      enabled_(std::vector<InputSourceRef>{unitedStatesSource()}) {}

void HeadlessInputSourceService::select(InputSourceRef keyboardLayout, InputSourceRef asciiCapable) {
    current_ = keyboardLayout ? std::move(keyboardLayout) : unitedStatesSource();
    currentASCIICapable_ = asciiCapable ? std::move(asciiCapable) : current_;
    postSelectedChanged();
}

void HeadlessInputSourceService::setEnabledInputSources(std::optional<std::vector<InputSourceRef>> sources) {
    enabled_ = std::move(sources);
    postEnabledChanged();
}

}  // namespace platform
