// The displays of the machine the tests run on (under wine: one display, whose driver takes no
// gamma ramp).
#include "platform/backends/win32/DisplayGammaDevice.h"

#include <gtest/gtest.h>

namespace {

TEST(Win32DisplayGamma, EveryAttachedDisplayHasANameAndItsOwnContext) {
  std::string why;
  const auto displays = OpenWin32DisplayGammaPorts(why);
  ASSERT_FALSE(displays.empty()) << why;
  for (const auto& display : displays)
    EXPECT_EQ(display->Name().rfind("\\\\.\\", 0), 0u) << display->Name();
}

TEST(Win32DisplayGamma, TheNeutralRampIsTakenOrRefusedInOneLineNamingTheDisplay) {
  TGammaRamp identity;
  for (int i = 0; i < 256; ++i)
    identity.Red[i] = identity.Green[i] = identity.Blue[i] = static_cast<WORD>(i * 257);
  std::vector<std::string> reported;
  TDisplayGammaDevice device(OpenWin32DisplayGammaPorts, [&](const std::string& Line) { reported.push_back(Line); });
  std::string why;
  if (device.Apply(identity, why)) {
    EXPECT_EQ(why, "");
    return;
  }
  EXPECT_EQ(why.rfind("display \\\\.\\", 0), 0u) << why;
  EXPECT_EQ(why.find('\n'), std::string::npos) << why;
  EXPECT_EQ(why.find("GdiIcmGammaRange"), std::string::npos) << "the neutral ramp is inside any range: " << why;
  EXPECT_TRUE(reported.empty());
}

} // namespace
