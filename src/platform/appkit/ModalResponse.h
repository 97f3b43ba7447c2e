#pragma once
// The answers a modal session ends with: alerts, panels and windows run
// modally. The values are the platform's, because callers compare against
// them (the first button of an alert answers 1000, the second 1001, ...).

namespace platform {

using ModalResponse = long;

namespace modalresponse {
inline constexpr ModalResponse ok = 1;
inline constexpr ModalResponse cancel = 0;
inline constexpr ModalResponse stop = -1000;
inline constexpr ModalResponse abort = -1001;
inline constexpr ModalResponse continueSession = -1002;
inline constexpr ModalResponse alertFirstButton = 1000;
inline constexpr ModalResponse alertSecondButton = 1001;
inline constexpr ModalResponse alertThirdButton = 1002;
}  // namespace modalresponse

}  // namespace platform
