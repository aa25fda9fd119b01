// The adjuster program started as a user starts it, without a display.

#include "tests/support/Process.h"
#include "tests/support/PngSize.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

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
  EXPECT_EQ(PngFileSize(Out.string()), std::make_pair(281, 121)) << "the skinned form's size and its border";
}

// At a scale the window keeps its units and shows each on Scale x Scale device pixels; a fractional
// scale maps the window's edges, so its size is the unit size scaled and rounded.
TEST_F(BrivoProgramTest, RenderAtAScaleWritesTheWindowAsADesktopOfThatDensityShowsIt) {
  for (const auto& [scale, size] : std::vector<std::pair<std::string, std::pair<int, int>>>{
           {"2", {562, 242}}, {"1.5", {422, 182}}, {"1.3", {351, 151}}, {"4", {1124, 484}}}) {
    EXPECT_EQ(RunProcess({Brivo, "--render", Out.string(), "--scale", scale}, nullptr, {"DISPLAY=:nowhere"}), 0);
    EXPECT_EQ(PngFileSize(Out.string()), size) << "--scale " << scale;
  }
}

class RenderRefusalTest : public BrivoProgramTest {
protected:
  // The status of brivo --render Path; what it said is in Errors.
  int Render(const std::string& Path) { return RunProcess({Brivo, "--render", Path}, nullptr, {}, &Errors); }
  std::string Errors;
};

TEST_F(RenderRefusalTest, AMissingFolderIsNamed) {
  const std::string path = (Out / "sub.png").string();
  EXPECT_EQ(Render(path), 1);
  EXPECT_EQ(Errors, "brivo: cannot write '" + path + "': the folder '" + Out.string() + "' does not exist\n");
}

TEST_F(RenderRefusalTest, AFolderIsNoFileToWrite) {
  const std::string folder = std::filesystem::temp_directory_path().string();
  EXPECT_EQ(Render(folder), 1);
  EXPECT_EQ(Errors, "brivo: cannot write '" + folder + "': it is a folder\n");
}

TEST_F(RenderRefusalTest, AFullDiskIsNamed) {
  EXPECT_EQ(Render("/dev/full"), 1);
  EXPECT_EQ(Errors, "brivo: cannot write '/dev/full': the disk is full\n");
}

// Even for root, sysfs takes no new files.
TEST_F(RenderRefusalTest, AFolderThatTakesNoFilesIsNamed) {
  EXPECT_EQ(Render("/sys/brivo.png"), 1);
  EXPECT_TRUE(Errors == "brivo: cannot write '/sys/brivo.png': permission denied\n" ||
              Errors == "brivo: cannot write '/sys/brivo.png': the file system is read-only\n")
      << Errors;
}

class ArgumentTest : public BrivoProgramTest {};

TEST_F(ArgumentTest, UnknownArgumentsAreNamedBeforeTheUsage) {
  const std::string usage = "usage: brivo [--render FILE.png [--scale S] | --exit-after-first-frame]\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--gamma", "2"}, "unknown argument '--gamma'"},
      {{"--render"}, "--render needs the name of the PNG file to write"},
      {{"--render", Out.string(), "extra"}, "unknown argument 'extra'"},
      {{"--exit-after-first-frame", "--exit-after-first-frame"}, "unknown argument '--exit-after-first-frame'"},
      {{"--render", Out.string(), "--scale"}, "--scale needs a scale, such as 2 for a desktop at 192 dpi"},
      {{"--render", Out.string(), "--scale", "0.5"}, "--scale: the scale must be from 1 to 4, not 0.5"},
      {{"--render", Out.string(), "--scale", "5"}, "--scale: the scale must be from 1 to 4, not 5"},
      {{"--render", Out.string(), "--scale", "2x"}, "--scale: the scale must be a number such as 2 or 1.5, not '2x'"},
      {{"--render", Out.string(), "--scale", "nan"}, "--scale: the scale must be a number such as 2 or 1.5, not 'nan'"},
      {{"--render", Out.string(), "--scale", ""}, "--scale: the scale must be a number such as 2 or 1.5, not ''"},
      {{"--render", Out.string(), "--scale", "2", "3"}, "unknown argument '3'"},
      {{"--scale", "2"}, "unknown argument '--scale'"},
  };
  for (const auto& [args, fault] : cases) {
    std::vector<std::string> argv{Brivo};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string errors;
    EXPECT_EQ(RunProcess(argv, nullptr, {}, &errors), 2);
    EXPECT_EQ(errors, "brivo: " + fault + "\n" + usage);
  }
  EXPECT_FALSE(std::filesystem::exists(Out));
}

// A DISPLAY that names no usable display is a mistake to tell, not a reason to render elsewhere.
class UnreachableDisplayTest : public BrivoProgramTest {};

TEST_F(UnreachableDisplayTest, ADisplayWithNoServerIsRefusedByName) {
  int number = 900;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
    ++number;
  const std::string display = ":" + std::to_string(number);
  std::string out, errors;
  EXPECT_EQ(RunProcess({Brivo}, &out, {"DISPLAY=" + display}, &errors), 1);
  EXPECT_EQ(errors, "brivo: cannot open the X display '" + display + "': no X server is running on it (there is no "
                    "/tmp/.X11-unix/X" + std::to_string(number) + ")\n");
  EXPECT_EQ(out, "") << "nothing was rendered in its place";
}

TEST_F(UnreachableDisplayTest, ANameThatIsNoDisplayNameIsRefused) {
  std::string errors;
  EXPECT_EQ(RunProcess({Brivo}, nullptr, {"DISPLAY=garbage"}, &errors), 1);
  EXPECT_EQ(errors, "brivo: cannot open the X display 'garbage': that is not a display name (one reads "
                    "[HOST]:NUMBER[.SCREEN], such as :0)\n");
}

} // namespace
