// The start-up trace: each phase stamped once and in order, sums by name, written once when the
// first frame is out and silent afterwards.

#include "platform/core/StartupTrace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> lines;
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The phase or sum a line names and its milliseconds.
std::pair<std::string, double> Entry(const std::string& Line) {
  const std::size_t unit = Line.find(" ms: ");
  const std::size_t number = Line.rfind(' ', unit - 1);
  return {Line.substr(unit + 5), std::stod(Line.substr(number + 1, unit - number - 1))};
}

class StartupTrace : public testing::Test {
protected:
  std::string Written;
};

TEST_F(StartupTrace, PhasesAreStampedOnceInOrderAndTheTraceIsWrittenAtTheFirstFrame) {
  StartupTraceBegin(0, &Written);
  StartupMark("display open");
  StartupMark("form read");
  StartupMark("display open");
  EXPECT_TRUE(Written.empty()) << "nothing before the first frame";
  StartupFirstFrame();
  const auto lines = Lines(Written);
  ASSERT_EQ(lines.size(), 3u) << Written;
  EXPECT_EQ(Entry(lines[0]).first, "display open");
  EXPECT_EQ(Entry(lines[1]).first, "form read");
  EXPECT_EQ(Entry(lines[2]).first, "first frame presented");
  EXPECT_LE(Entry(lines[0]).second, Entry(lines[1]).second);
  EXPECT_LE(Entry(lines[1]).second, Entry(lines[2]).second);
  for (const std::string& line : lines)
    EXPECT_EQ(line.rfind("brivo: start-up ", 0), 0u) << line;
}

TEST_F(StartupTrace, SumsAreWrittenByNameAfterThePhases) {
  StartupTraceBegin(0, &Written);
  {
    TStartupSpan outer("fonts");
    TStartupSpan inner("fonts");
    TStartupSpan other("look pictures");
  }
  TStartupSpan("fonts");
  StartupFirstFrame();
  const auto lines = Lines(Written);
  ASSERT_EQ(lines.size(), 3u) << Written;
  EXPECT_EQ(lines[1].rfind("brivo: start-up, in all ", 0), 0u) << lines[1];
  EXPECT_EQ(Entry(lines[1]).first, "fonts");
  EXPECT_EQ(Entry(lines[2]).first, "look pictures");
  EXPECT_LE(Entry(lines[1]).second, Entry(lines[0]).second) << "no more time in fonts than there was";
}

TEST_F(StartupTrace, EndsWithTheFirstFrame) {
  StartupTraceBegin(0, &Written);
  EXPECT_TRUE(StartupTraceOn());
  StartupFirstFrame();
  const std::string first = Written;
  EXPECT_FALSE(StartupTraceOn());
  StartupMark("later");
  { TStartupSpan late("fonts"); }
  StartupFirstFrame();
  EXPECT_EQ(Written, first);
}

TEST_F(StartupTrace, CountsFromTheLaunchWhenItIsGiven) {
  const long long now = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
  StartupTraceBegin(now - 250000, &Written);
  StartupFirstFrame();
  EXPECT_GE(Entry(Lines(Written).at(0)).second, 250.0);
}

} // namespace
