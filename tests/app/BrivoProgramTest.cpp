// The adjuster program started as a user starts it, without a display.

#include "tests/support/Process.h"
#include "tests/support/PngSize.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace {

const std::string Brivo = std::string(BRIVO_BIN_DIR) + "/brivo";

class BrivoProgramTest : public ::testing::Test {
protected:
  BrivoProgramTest()
      : Out(std::filesystem::temp_directory_path() / ("brivo-render-" + std::to_string(getpid()) + ".png")) {}
  ~BrivoProgramTest() override { std::filesystem::remove(Out); }

  std::filesystem::path Out;
};

TEST_F(BrivoProgramTest, RenderWritesTheShownWindowWithoutTouchingTheDisplay) {
  EXPECT_EQ(RunProcess({Brivo, "--render", Out.string()}, nullptr, {"DISPLAY=:nowhere"}), 0);
  EXPECT_EQ(PngFileSize(Out.string()), std::make_pair(289, 155));
}

TEST_F(BrivoProgramTest, AnUnwritableRenderFileFails) {
  std::string out;
  EXPECT_EQ(RunProcess({Brivo, "--render", (Out / "sub.png").string()}, &out), 1);
}

TEST_F(BrivoProgramTest, UnknownArgumentsAreRefused) {
  EXPECT_EQ(RunProcess({Brivo, "--gamma", "2"}), 2);
  EXPECT_EQ(RunProcess({Brivo, "--render"}), 2);
}

} // namespace
