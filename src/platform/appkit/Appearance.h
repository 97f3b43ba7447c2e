#pragma once
// Appearances by name. None on a view or window means "inherit".

#include <optional>
#include <string>

namespace platform {

using AppearanceName = std::string;

namespace appearance {
inline const AppearanceName aqua = "NSAppearanceNameAqua";
inline const AppearanceName darkAqua = "NSAppearanceNameDarkAqua";
inline const AppearanceName vibrantLight = "NSAppearanceNameVibrantLight";
inline const AppearanceName vibrantDark = "NSAppearanceNameVibrantDark";
inline bool isDark(const AppearanceName& name) { return name == darkAqua || name == vibrantDark; }
}  // namespace appearance

}  // namespace platform
