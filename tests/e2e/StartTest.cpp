// The real program started without any display: it still shows what its window looks like.

#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kBin = BRIVO_BIN_DIR;

TEST(ProgramStart, WithoutADisplayItRendersTheWindowAndSaysWhere) {
  std::string out;
  ASSERT_EQ(RunProcess({"env", "-u", "DISPLAY", kBin + "/brivo"}, &out), 0);
  EXPECT_NE(out.find("no display"), std::string::npos) << out;
  const auto at = out.find("rendered to ");
  ASSERT_NE(at, std::string::npos) << out;
  std::string path = out.substr(at + 12);
  path = path.substr(0, path.find_first_of("\r\n"));
  EXPECT_GT(std::filesystem::file_size(path), 1000u) << path;
}

} // namespace
