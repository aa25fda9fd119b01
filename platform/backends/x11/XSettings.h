#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The settings a desktop's settings manager publishes to every X client (the _XSETTINGS_SETTINGS
// property of the window that owns the _XSETTINGS_S<screen> selection), and the desktop's scale as
// its three usual sources give it. Nothing here talks to a server: the desktop reads the property
// and the resources and hands the bytes over, so the parsing is checked (and fuzzed) on its own.

struct TXSetting {
  enum class TType : std::uint8_t { Integer = 0, String = 1, Color = 2 };
  std::string Name;
  TType Type = TType::Integer;
  std::uint32_t Serial = 0;
  std::int32_t Integer = 0;
  std::string String;
  // Red, green, blue, alpha.
  std::array<std::uint16_t, 4> Color{};
};

// More than a settings manager ever publishes (a full desktop's settings take a few kilobytes); the
// desktop reads no more of the property, and the parser refuses more.
constexpr std::size_t MaxXSettingsBytes = 256 * 1024;

// The settings of a property's bytes. Nothing for malformed data, with Why naming what is wrong
// (the byte order, the count, a name's or string's length, the padding, a type, a name).
std::optional<std::vector<TXSetting>> ParseXSettings(std::span<const std::uint8_t> Data, std::string& Why);

// The setting called Name, if there is one.
const TXSetting* FindXSetting(const std::vector<TXSetting>& Settings, std::string_view Name);

// The scale each source asks for. Nothing when the source says nothing usable; Why is then empty
// when it simply says nothing (no such setting) and names the fault when its value is bad.
//
// GDK_SCALE: a whole number of device pixels per unit, as that variable is ("2").
std::optional<double> ScaleFromGdkScaleVariable(std::string_view Value, std::string& Why);
// The settings manager's Gdk/WindowScalingFactor: an integer setting, 1 or more.
std::optional<double> ScaleFromXSettings(const std::vector<TXSetting>& Settings, std::string& Why);
// The value of the Xft.dpi resource: dots per inch, 96 for a scale of 1 ("192", "144.0").
std::optional<double> ScaleFromXftDpi(std::string_view Value, std::string& Why);
