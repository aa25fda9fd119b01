// A settings manager's published settings, and the desktop's scale as each of its sources says it.

#include "platform/backends/x11/XSettings.h"
#include "tests/support/XSettingsManager.h"

#include <gtest/gtest.h>

namespace {

TXSetting Integer(std::string Name, std::int32_t Value) {
  TXSetting s;
  s.Name = std::move(Name);
  s.Integer = Value;
  s.Serial = 3;
  return s;
}

TXSetting String(std::string Name, std::string Value) {
  TXSetting s;
  s.Name = std::move(Name);
  s.Type = TXSetting::TType::String;
  s.String = std::move(Value);
  return s;
}

// What a desktop at 200 % publishes, more or less.
std::vector<TXSetting> Desktop() {
  TXSetting colour;
  colour.Name = "Gtk/ColorScheme";
  colour.Type = TXSetting::TType::Color;
  colour.Color = {0x1111, 0x2222, 0x3333, 0xFFFF};
  return {String("Net/ThemeName", "Adwaita"), Integer("Gdk/WindowScalingFactor", 2), Integer("Xft/DPI", 98304),
          colour, String("Gtk/FontName", "Sans 10")};
}

std::string Fault(const std::vector<std::uint8_t>& Bytes) {
  std::string why;
  EXPECT_FALSE(ParseXSettings(Bytes, why)) << "accepted";
  EXPECT_FALSE(why.empty());
  return why;
}

TEST(XSettings, ReadsWhatAManagerWritesInEitherByteOrder) {
  for (bool big : {false, true}) {
    std::string why;
    const auto settings = ParseXSettings(EncodeXSettings(Desktop(), big), why);
    ASSERT_TRUE(settings) << why;
    ASSERT_EQ(settings->size(), 5u);
    EXPECT_EQ((*settings)[0].String, "Adwaita");
    EXPECT_EQ((*settings)[1].Name, "Gdk/WindowScalingFactor");
    EXPECT_EQ((*settings)[1].Integer, 2);
    EXPECT_EQ((*settings)[1].Serial, 3u);
    EXPECT_EQ((*settings)[2].Integer, 98304);
    EXPECT_EQ((*settings)[3].Color, (std::array<std::uint16_t, 4>{0x1111, 0x2222, 0x3333, 0xFFFF}));
    EXPECT_EQ((*settings)[4].String, "Sans 10");
    EXPECT_EQ(ScaleFromXSettings(*settings, why), 2.0);
  }
  std::string why;
  const auto none = ParseXSettings(EncodeXSettings({}), why);
  ASSERT_TRUE(none) << why;
  EXPECT_TRUE(none->empty());
}

TEST(XSettings, RefusesMalformedDataNamingTheFault) {
  const std::vector<std::uint8_t> good = EncodeXSettings(Desktop());
  auto changed = [&](std::size_t At, std::uint8_t Value) {
    std::vector<std::uint8_t> bytes = good;
    bytes[At] = Value;
    return bytes;
  };
  EXPECT_NE(Fault(changed(0, 7)).find("byte order"), std::string::npos);
  EXPECT_NE(Fault({good.begin(), good.begin() + 9}).find("header"), std::string::npos);
  // A count far beyond what the bytes can hold is refused before anything is made for it.
  EXPECT_NE(Fault(changed(11, 0x7F)).find("claim to be"), std::string::npos);
  // The first setting: type at 12, name length at 14, name "Net/ThemeName" (13 bytes, 3 of padding).
  EXPECT_NE(Fault(changed(12, 9)).find("type 9"), std::string::npos);
  EXPECT_NE(Fault(changed(14, 200)).find("name of 200 bytes"), std::string::npos);
  EXPECT_NE(Fault(changed(16, '3')).find("no setting's name"), std::string::npos);
  EXPECT_NE(Fault(changed(20, '/')).find("no setting's name"), std::string::npos); // "Net//hemeName"
  EXPECT_NE(Fault(changed(17, 0xE9)).find("'N?t/ThemeName', which is no setting's name"), std::string::npos);
  // The string's length at 36.
  EXPECT_NE(Fault(changed(36, 0xF0)).find("string of 240 bytes"), std::string::npos);

  const std::vector<std::uint8_t> one = EncodeXSettings({String("Net/IconThemeName", "Ab")});
  EXPECT_NE(Fault({one.begin(), one.begin() + 12 + 4 + 17 + 2}).find("padding of its name"), std::string::npos);
  EXPECT_NE(Fault({one.begin(), one.end() - 1}).find("padding of its string"), std::string::npos);
  const std::vector<std::uint8_t> number = EncodeXSettings({Integer("Xft/DPI", 1), Integer("Xft/Hinting", 1)});
  EXPECT_NE(Fault({number.begin(), number.end() - 2}).find("within its integer"), std::string::npos);
  EXPECT_NE(Fault({number.begin(), number.end() - 6}).find("before its serial"), std::string::npos);
  EXPECT_NE(Fault(EncodeXSettings({Integer("Xft/DPI", 1), Integer("Xft/DPI", 2)})).find("appears twice"),
            std::string::npos);
  EXPECT_NE(Fault(std::vector<std::uint8_t>(MaxXSettingsBytes + 1, 0)).find("more than"), std::string::npos);
}

TEST(XSettings, EveryCutOfGoodDataIsRefused) {
  // Cut anywhere, some setting the header counts is missing in part; nothing is read past the end
  // (the sanitizer build would catch it).
  const std::vector<std::uint8_t> good = EncodeXSettings(Desktop(), true);
  for (std::size_t size = 0; size < good.size(); ++size) {
    std::string why;
    EXPECT_FALSE(ParseXSettings({good.data(), size}, why)) << "cut at " << size;
  }
}

TEST(DesktopScale, GdkScaleIsAWholeNumber) {
  std::string why;
  EXPECT_EQ(ScaleFromGdkScaleVariable("2", why), 2.0);
  EXPECT_EQ(ScaleFromGdkScaleVariable("1", why), 1.0);
  EXPECT_EQ(ScaleFromGdkScaleVariable("9", why), 4.0) << "kept within the largest scale";
  for (const char* bad : {"0", "-2", "1.5", "two", "2 ", ""}) {
    EXPECT_FALSE(ScaleFromGdkScaleVariable(bad, why)) << bad;
    EXPECT_NE(why.find("GDK_SCALE"), std::string::npos) << bad;
  }
}

TEST(DesktopScale, TheManagersFactorMustBeAPositiveInteger) {
  std::string why;
  EXPECT_FALSE(ScaleFromXSettings({Integer("Xft/DPI", 196608)}, why)) << "no factor published";
  EXPECT_TRUE(why.empty()) << "that is no fault";
  EXPECT_EQ(ScaleFromXSettings({Integer("Gdk/WindowScalingFactor", 3)}, why), 3.0);
  EXPECT_FALSE(ScaleFromXSettings({Integer("Gdk/WindowScalingFactor", 0)}, why));
  EXPECT_NE(why.find("Gdk/WindowScalingFactor is 0"), std::string::npos) << why;
  EXPECT_FALSE(ScaleFromXSettings({String("Gdk/WindowScalingFactor", "2")}, why));
  EXPECT_NE(why.find("no integer"), std::string::npos) << why;
}

TEST(DesktopScale, XftDpiCountsNinetySixPerUnitToTheNearestQuarter) {
  std::string why;
  EXPECT_EQ(ScaleFromXftDpi("96", why), 1.0);
  EXPECT_EQ(ScaleFromXftDpi("192", why), 2.0);
  EXPECT_EQ(ScaleFromXftDpi("\t144.0 ", why), 1.5);
  EXPECT_EQ(ScaleFromXftDpi("120", why), 1.25);
  EXPECT_EQ(ScaleFromXftDpi("100", why), 1.0);
  EXPECT_EQ(ScaleFromXftDpi("48", why), 1.0) << "never smaller than the design";
  for (const char* bad : {"", "abc", "-192", "0", "192dpi", "nan"}) {
    EXPECT_FALSE(ScaleFromXftDpi(bad, why)) << bad;
    EXPECT_NE(why.find("Xft.dpi"), std::string::npos) << bad;
  }
}

} // namespace
