#include "platform/backends/x11/XSettings.h"

#include "platform/graphics/Scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Reads the property's numbers in the byte order it declares; every read is checked against the end.
class TSettingsReader {
public:
  explicit TSettingsReader(std::span<const std::uint8_t> Data) : FData(Data) {}

  void SetBigEndian(bool Big) { FBig = Big; }
  std::size_t Left() const { return FData.size() - FAt; }
  bool Has(std::size_t Bytes) const { return Bytes <= Left(); }

  std::uint32_t Number(std::size_t Bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < Bytes; ++i) {
      const std::uint32_t byte = FData[FAt + i];
      value |= FBig ? byte << (8 * (Bytes - 1 - i)) : byte << (8 * i);
    }
    FAt += Bytes;
    return value;
  }
  std::string Text(std::size_t Bytes) {
    std::string text(reinterpret_cast<const char*>(FData.data() + FAt), Bytes);
    FAt += Bytes;
    return text;
  }
  void Skip(std::size_t Bytes) { FAt += Bytes; }

private:
  std::span<const std::uint8_t> FData;
  std::size_t FAt = 0;
  bool FBig = false;
};

// Names are ASCII letters, digits, '_' and '/', starting with a letter, with no '/' doubled or at
// the end ("Gdk/WindowScalingFactor"). Checked byte by byte, whatever the locale says a letter is.
bool ValidName(std::string_view Name) {
  auto letter = [](char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'); };
  if (Name.empty() || !letter(Name.front()) || Name.back() == '/')
    return false;
  char previous = 0;
  for (char c : Name) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '/')
      return false;
    if (c == '/' && previous == '/')
      return false;
    previous = c;
  }
  return true;
}

// Items are padded to four bytes.
std::size_t Padding(std::size_t Length) { return (4 - Length % 4) % 4; }

// A value shown in a line about it: short, and only printable bytes.
std::string Shown(std::string_view Value) {
  std::string shown;
  for (char c : Value.substr(0, 40))
    shown += (c >= 0x20 && c < 0x7F) ? c : '?';
  return Value.size() > 40 ? shown + "..." : shown;
}

// The smallest setting: its header, a name of one byte and its padding, the serial and a number.
constexpr std::size_t kSmallestSetting = 4 + 4 + 4 + 4;

} // namespace

std::optional<std::vector<TXSetting>> ParseXSettings(std::span<const std::uint8_t> Data, std::string& Why) {
  if (Data.size() > MaxXSettingsBytes) {
    Why = "the settings take " + std::to_string(Data.size()) + " bytes, more than the " +
          std::to_string(MaxXSettingsBytes) + " any desktop publishes";
    return std::nullopt;
  }
  TSettingsReader in(Data);
  if (!in.Has(12)) {
    Why = "the settings end within their header (" + std::to_string(Data.size()) + " bytes of 12)";
    return std::nullopt;
  }
  // The byte order is 0 (least significant byte first) or 1; the letters the X protocol uses for the
  // same ('l', 'B') are taken too.
  const std::uint32_t order = in.Number(1);
  if (order != 0 && order != 1 && order != 'l' && order != 'B') {
    Why = "the byte order is " + std::to_string(order) + ", neither 0 (least significant first) nor 1";
    return std::nullopt;
  }
  in.SetBigEndian(order == 1 || order == 'B');
  in.Skip(3);
  in.Number(4); // the manager's serial
  const std::uint32_t count = in.Number(4);
  if (count > in.Left() / kSmallestSetting) {
    Why = "the settings claim to be " + std::to_string(count) + ", more than " + std::to_string(in.Left()) +
          " bytes can hold";
    return std::nullopt;
  }
  std::vector<TXSetting> settings;
  settings.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::string which = "setting " + std::to_string(i + 1) + " of " + std::to_string(count);
    if (!in.Has(4)) {
      Why = which + " ends within its header";
      return std::nullopt;
    }
    TXSetting s;
    const std::uint32_t type = in.Number(1);
    in.Skip(1);
    const std::uint32_t nameLength = in.Number(2);
    if (!in.Has(nameLength)) {
      Why = which + " has a name of " + std::to_string(nameLength) + " bytes, but only " + std::to_string(in.Left()) +
            " are left";
      return std::nullopt;
    }
    s.Name = in.Text(nameLength);
    if (!ValidName(s.Name)) {
      Why = which + " has the name '" + Shown(s.Name) + "', which is no setting's name";
      return std::nullopt;
    }
    const std::string named = "setting " + s.Name;
    if (FindXSetting(settings, s.Name)) {
      Why = named + " appears twice";
      return std::nullopt;
    }
    if (!in.Has(Padding(nameLength))) {
      Why = named + " ends within the padding of its name";
      return std::nullopt;
    }
    in.Skip(Padding(nameLength));
    if (!in.Has(4)) {
      Why = named + " ends before its serial";
      return std::nullopt;
    }
    s.Serial = in.Number(4);
    switch (type) {
    case 0:
      if (!in.Has(4)) {
        Why = named + " ends within its integer";
        return std::nullopt;
      }
      s.Type = TXSetting::TType::Integer;
      s.Integer = static_cast<std::int32_t>(in.Number(4));
      break;
    case 1: {
      if (!in.Has(4)) {
        Why = named + " ends before the length of its string";
        return std::nullopt;
      }
      const std::uint32_t length = in.Number(4);
      if (!in.Has(length)) {
        Why = named + " has a string of " + std::to_string(length) + " bytes, but only " + std::to_string(in.Left()) +
              " are left";
        return std::nullopt;
      }
      s.Type = TXSetting::TType::String;
      s.String = in.Text(length);
      if (!in.Has(Padding(length))) {
        Why = named + " ends within the padding of its string";
        return std::nullopt;
      }
      in.Skip(Padding(length));
      break;
    }
    case 2:
      if (!in.Has(8)) {
        Why = named + " ends within its colour";
        return std::nullopt;
      }
      s.Type = TXSetting::TType::Color;
      // Sent as red, blue, green, alpha.
      s.Color[0] = static_cast<std::uint16_t>(in.Number(2));
      s.Color[2] = static_cast<std::uint16_t>(in.Number(2));
      s.Color[1] = static_cast<std::uint16_t>(in.Number(2));
      s.Color[3] = static_cast<std::uint16_t>(in.Number(2));
      break;
    default:
      Why = named + " has the type " + std::to_string(type) + ", not 0 (integer), 1 (string) or 2 (colour)";
      return std::nullopt;
    }
    settings.push_back(std::move(s));
  }
  // Bytes after the last setting carry nothing; a manager may keep its buffer larger than needed.
  return settings;
}

const TXSetting* FindXSetting(const std::vector<TXSetting>& Settings, std::string_view Name) {
  const auto it = std::find_if(Settings.begin(), Settings.end(), [&](const TXSetting& S) { return S.Name == Name; });
  return it == Settings.end() ? nullptr : &*it;
}

std::optional<double> ScaleFromGdkScaleVariable(std::string_view Value, std::string& Why) {
  Why.clear();
  int scale = 0;
  const auto [end, error] = std::from_chars(Value.data(), Value.data() + Value.size(), scale);
  if (Value.empty() || error != std::errc() || end != Value.data() + Value.size() || scale < 1) {
    Why = "GDK_SCALE is '" + Shown(Value) + "', not a whole number of 1 or more";
    return std::nullopt;
  }
  return WindowScaleFor(scale);
}

std::optional<double> ScaleFromXSettings(const std::vector<TXSetting>& Settings, std::string& Why) {
  Why.clear();
  const TXSetting* s = FindXSetting(Settings, "Gdk/WindowScalingFactor");
  if (!s)
    return std::nullopt;
  if (s->Type != TXSetting::TType::Integer) {
    Why = "the settings manager's Gdk/WindowScalingFactor is no integer";
    return std::nullopt;
  }
  if (s->Integer < 1) {
    Why = "the settings manager's Gdk/WindowScalingFactor is " + std::to_string(s->Integer) + ", not 1 or more";
    return std::nullopt;
  }
  return WindowScaleFor(s->Integer);
}

std::optional<double> ScaleFromXftDpi(std::string_view Value, std::string& Why) {
  Why.clear();
  // Resource values keep the blanks around them.
  while (!Value.empty() && (Value.front() == ' ' || Value.front() == '\t'))
    Value.remove_prefix(1);
  while (!Value.empty() && (Value.back() == ' ' || Value.back() == '\t'))
    Value.remove_suffix(1);
  double dpi = 0;
  const auto [end, error] = std::from_chars(Value.data(), Value.data() + Value.size(), dpi, std::chars_format::fixed);
  if (Value.empty() || error != std::errc() || end != Value.data() + Value.size() || !std::isfinite(dpi) ||
      dpi <= 0) {
    Why = "the resource Xft.dpi is '" + Shown(Value) + "', not a number of dots per inch such as 96 or 192";
    return std::nullopt;
  }
  return WindowScaleForDpi(dpi);
}
