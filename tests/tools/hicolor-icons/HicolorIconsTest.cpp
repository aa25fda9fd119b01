#include "tools/hicolor-icons/HicolorIcons.h"

#include "platform/core/Errors.h"
#include "platform/graphics/IcoCodec.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Pixels of a PNG file as 0xAARRGGBB, read back with libpng itself rather than with our encoder.
TPixelBuffer DecodeWithLibpng(const std::vector<std::uint8_t>& File) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, File.data(), File.size()))
    return {};
  image.format = PNG_FORMAT_BGRA; // bytes B, G, R, A: a little-endian 0xAARRGGBB
  TPixelBuffer pixels(static_cast<int>(image.width), static_cast<int>(image.height));
  if (!png_image_finish_read(&image, nullptr, pixels.ScanLine(0), 0, nullptr))
    return {};
  return pixels;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HicolorIcons : public ::testing::Test {
protected:
  void SetUp() override {
    Root = fs::temp_directory_path() / ("hicolor-test-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Root);
    // A 16 x 16 image, clear at its left edge and half clear at its top, and a 32 x 32 one in four
    // colours, so that which image was taken and how it was scaled both show.
    TPixelBuffer small(16, 16, 0xFF204080);
    for (int y = 0; y < 16; ++y)
      small.Set(0, y, 0x00000000);
    for (int x = 1; x < 16; ++x)
      small.Set(x, 0, 0x80FF0000);
    TPixelBuffer large(32, 32);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        large.Set(x, y, y < 16 ? (x < 16 ? 0xFF0000FF : 0xFF00FF00) : (x < 16 ? 0xFFFF0000 : 0x40FFFFFF));
    Icon.AddImage(small);
    Icon.AddImage(large);
  }
  void TearDown() override { fs::remove_all(Root); }

  TPixelBuffer Written(int Size) const {
    const std::string side = std::to_string(Size);
    return DecodeWithLibpng(ReadBytes(Root / (side + "x" + side) / "apps" / "app.png"));
  }

  fs::path Root;
  TIcon Icon;
};

TEST_F(HicolorIcons, EachSizeLandsInItsThemeFolderWithItsOwnImageAndTransparency) {
  const std::vector<int> sizes = {16, 32};
  const auto written = WriteHicolorIcons(Icon, "app", sizes, Root);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], Root / "16x16/apps/app.png");
  EXPECT_EQ(written[1], Root / "32x32/apps/app.png");
  const TPixelBuffer small = Written(16);
  ASSERT_EQ(small.Width(), 16);
  EXPECT_EQ(small.At(0, 5), 0x00000000u);
  EXPECT_EQ(small.At(5, 0), 0x80FF0000u);
  EXPECT_EQ(small.At(5, 5), 0xFF204080u);
  const TPixelBuffer large = Written(32);
  ASSERT_EQ(large.Width(), 32);
  EXPECT_EQ(large.At(3, 3), 0xFF0000FFu);
  EXPECT_EQ(large.At(31, 31), 0x40FFFFFFu);
}

TEST_F(HicolorIcons, LargerSizesAreScaledFromTheLargestImage) {
  const std::vector<int> sizes = {48, 128};
  WriteHicolorIcons(Icon, "app", sizes, Root);
  for (const int size : sizes) {
    const TPixelBuffer pixels = Written(size);
    ASSERT_EQ(pixels.Width(), size);
    ASSERT_EQ(pixels.Height(), size);
    EXPECT_EQ(pixels.At(0, 0), 0xFF0000FFu) << size;
    EXPECT_EQ(pixels.At(size - 1, 0), 0xFF00FF00u) << size;
    EXPECT_EQ(pixels.At(0, size - 1), 0xFFFF0000u) << size;
    EXPECT_EQ(pixels.At(size - 1, size - 1), 0x40FFFFFFu) << size;
  }
}

TEST_F(HicolorIcons, NamesThatWouldLeaveTheFolderAreRefusedBeforeAnythingIsWritten) {
  const std::vector<int> sizes = {16};
  for (const char* name : {"", "../app", "a/b", ".", ".."})
    EXPECT_THROW(WriteHicolorIcons(Icon, name, sizes, Root), Exception) << name;
  EXPECT_FALSE(fs::exists(Root));
}

TEST_F(HicolorIcons, AnEmptyIconIsRefused) {
  const std::vector<int> sizes = {16};
  EXPECT_THROW(WriteHicolorIcons(TIcon(), "app", sizes, Root), Exception);
}

class IconSizeArguments : public ::testing::Test {};

TEST_F(IconSizeArguments, WholeNumbersWithinTheThemeRangeAreTaken) {
  EXPECT_EQ(ParseIconSizes({"16", "48", "0512", "1"}), (std::vector<int>{16, 48, 512, 1}));
}

TEST_F(IconSizeArguments, EverythingElseIsRefusedNamingTheArgument) {
  for (const char* bad : {"0", "513", "16px", "-16", "+16", "", "99999999999", "1.5", " 16"}) {
    try {
      ParseIconSizes({"16", bad});
      ADD_FAILURE() << "'" << bad << "' was taken";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("'") + bad + "'"), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ParseIconSizes({"32", "32"}), Exception);
}

class HicolorIconsProgram : public HicolorIcons {
protected:
  int RunTool(const std::vector<std::string>& Args, std::string& Errors) {
    std::vector<std::string> argv = {std::string(BRIVO_BIN_DIR) + "/hicolor-icons"};
    argv.insert(argv.end(), Args.begin(), Args.end());
    std::string out;
    Errors.clear();
    return RunProcess(argv, &out, {}, &Errors);
  }
};

TEST_F(HicolorIconsProgram, WritesTheIconFileItIsGiven) {
  fs::create_directories(Root);
  const fs::path ico = Root / "in.ico";
  const auto bytes = EncodeIco({Icon.Image(0), Icon.Image(1)});
  std::ofstream(ico, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::string errors;
  ASSERT_EQ(RunTool({ico.string(), "app", Root.string(), "16", "48"}, errors), 0) << errors;
  EXPECT_EQ(Written(16).At(5, 0), 0x80FF0000u);
  EXPECT_EQ(Written(48).Width(), 48);
}

TEST_F(HicolorIconsProgram, ABrokenOrMissingIconFileIsNamedAndNothingIsWritten) {
  fs::create_directories(Root);
  const fs::path ico = Root / "broken.ico";
  const std::string junk("\0\0\1\0\1\0not an icon", 17);
  std::ofstream(ico, std::ios::binary).write(junk.data(), static_cast<std::streamsize>(junk.size()));
  std::string errors;
  EXPECT_EQ(RunTool({ico.string(), "app", (Root / "out").string(), "16"}, errors), 1);
  EXPECT_NE(errors.find(ico.string()), std::string::npos) << errors;
  EXPECT_EQ(RunTool({(Root / "none.ico").string(), "app", (Root / "out").string(), "16"}, errors), 1);
  EXPECT_NE(errors.find("none.ico: no such file"), std::string::npos) << errors;
  EXPECT_EQ(RunTool({ico.string(), "app", (Root / "out").string(), "big"}, errors), 2);
  EXPECT_FALSE(fs::exists(Root / "out"));
}

} // namespace
