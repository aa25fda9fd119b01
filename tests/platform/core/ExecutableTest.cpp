#include "platform/core/Executable.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ExecutableDirectory, IsTheFolderHoldingThisTestProgram) {
  const std::string Directory = ExecutableDirectory();
  ASSERT_FALSE(Directory.empty());
  EXPECT_EQ(ExtractFileName(Directory), "") << "ends in a separator";
#ifdef _WIN32
  const char* Program = "platform_core_test.exe";
#else
  const char* Program = "platform_core_test";
#endif
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(Directory + Program))) << Directory;
}

TEST(ExtractFileName, KeepsWhatFollowsTheLastSeparator) {
  EXPECT_EQ(ExtractFileName("themes/dark/look.thm"), "look.thm");
  EXPECT_EQ(ExtractFileName("/look.thm"), "look.thm");
  EXPECT_EQ(ExtractFileName("look.thm"), "look.thm");
  EXPECT_EQ(ExtractFileName("themes/"), "");
  EXPECT_EQ(ExtractFileName(""), "");
}

#ifdef _WIN32
TEST(ExtractFileName, TakesBackslashesAndDrivesOnWindows) {
  EXPECT_EQ(ExtractFileName("C:\\themes\\look.thm"), "look.thm");
  EXPECT_EQ(ExtractFileName("C:look.thm"), "look.thm");
  EXPECT_EQ(ExtractFileName("themes/dark\\look.thm"), "look.thm");
}
#else
TEST(ExtractFileName, BackslashIsPartOfANameOnLinux) {
  EXPECT_EQ(ExtractFileName("dir/odd\\name.thm"), "odd\\name.thm");
}
#endif

} // namespace
