// The real program on a real X server: what it leaves in the display ramp, read back by gamma-probe
// as a user would.

#include "platform/backends/x11/X11GammaDevice.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

const std::string kBin = BRIVO_BIN_DIR;

// Green and blue lines of gamma-probe's first ramp (Xvfb garbles the start of red).
std::pair<std::string, std::string> ProbeGreenBlue(const std::string& Display) {
  std::string out;
  EXPECT_EQ(RunProcess({kBin + "/gamma-probe", "--display", Display}, &out), 0);
  std::istringstream lines(out);
  std::string header, red, green, blue;
  std::getline(lines, header);
  std::getline(lines, red);
  std::getline(lines, green);
  std::getline(lines, blue);
  return {green.substr(green.find(':') + 1), blue.substr(blue.find(':') + 1)};
}

TEST(ProgramStart, LeavesTheIdentityRampInTheDisplay) {
  TXvfb server;
  ASSERT_TRUE(server.Running()) << server.Error();

  // Start from a ramp that is clearly not the identity.
  std::string why;
  auto device = TX11GammaDevice::Open(server.Display().c_str(), why);
  ASSERT_TRUE(device) << why;
  TGammaRamp dim;
  ASSERT_TRUE(device->Apply(dim, why)) << why;
  device.reset();

  ASSERT_EQ(RunProcess({kBin + "/brivo"}, nullptr, {"DISPLAY=" + server.Display()}), 0);

  std::string identity;
  for (int i = 0; i < 256; ++i)
    identity += " " + std::to_string(i * 256);
  const auto [green, blue] = ProbeGreenBlue(server.Display());
  EXPECT_EQ(green, identity);
  EXPECT_EQ(blue, identity);
}

TEST(ProgramStart, WithoutADisplayItSaysSoAndPrintsTheRampItWouldApply) {
  std::string out;
  ASSERT_EQ(RunProcess({"env", "-u", "DISPLAY", kBin + "/brivo"}, &out), 0);
  EXPECT_NE(out.find("no display"), std::string::npos) << out;
  EXPECT_NE(out.find("green: 0 256 512 "), std::string::npos) << out;
}

} // namespace
