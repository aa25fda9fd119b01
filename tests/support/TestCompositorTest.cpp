// The test compositor checked with a client that is not ours: the gamma-control example that comes
// with the wlroots library in Debian. Its tables, its exclusive hold on each output and the reset
// when it goes must be what the other tests rely on.

#include "tests/support/Process.h"
#include "tests/support/TestCompositor.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using TEvent = TTestCompositor::TGammaEvent;

const char* const kExample = "/usr/lib/wlroots/gamma-control";

int Count(const std::vector<TEvent>& Events, const std::string& Output, TEvent::TKind Kind) {
  return static_cast<int>(std::count_if(Events.begin(), Events.end(), [&](const TEvent& E) {
    return E.Output == Output && E.Kind == Kind;
  }));
}

class TestCompositorWithAnIndependentClient : public ::testing::Test {
protected:
  TestCompositorWithAnIndependentClient() : Compositor({{"DP-1", 256}, {"DP-2", 1024}}) {}
  void SetUp() override { ASSERT_TRUE(Compositor.Running()) << Compositor.Error(); }

  std::unique_ptr<TChildProcess> Example(const std::string& Contrast) {
    auto p = std::make_unique<TChildProcess>(std::vector<std::string>{kExample, "-c", Contrast},
                                             Compositor.Environment());
    EXPECT_TRUE(p->Started()) << kExample << " (libwlroots-examples)";
    return p;
  }

  TTestCompositor Compositor;
};

TEST_F(TestCompositorWithAnIndependentClient, RecordsItsTablesAtEachOutputsSize) {
  auto example = Example("0.5");
  ASSERT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) {
    return Count(E, "DP-1", TEvent::TKind::Set) == 1 && Count(E, "DP-2", TEvent::TKind::Set) == 1;
  }));
  for (const char* output : {"DP-1", "DP-2"}) {
    const std::vector<std::uint16_t> table = Compositor.Current(output);
    const std::size_t size = std::string(output) == "DP-1" ? 256 : 1024;
    ASSERT_EQ(table.size(), 3 * size) << output;
    const std::vector<std::uint16_t> red(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_TRUE(std::equal(red.begin(), red.end(), table.begin() + static_cast<std::ptrdiff_t>(size))) << output;
    EXPECT_TRUE(std::equal(red.begin(), red.end(), table.begin() + static_cast<std::ptrdiff_t>(2 * size))) << output;
    EXPECT_TRUE(std::is_sorted(red.begin(), red.end())) << output;
    // A contrast of 0.5 takes the top entry to half of full scale.
    EXPECT_EQ(red.front(), 0) << output;
    EXPECT_NEAR(red.back(), 65535 / 2, 1) << output;
  }
}

TEST_F(TestCompositorWithAnIndependentClient, HoldsEachOutputForOneClientAndResetsItWhenTheClientGoes) {
  auto first = Example("0.5");
  ASSERT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) { return Count(E, "DP-2", TEvent::TKind::Set) == 1; }));
  const std::vector<std::uint16_t> held = Compositor.Current("DP-2");

  // A newcomer is refused (`failed`) and sets nothing.
  auto second = Example("0.25");
  ASSERT_TRUE(Compositor.WaitForControlsAsked("DP-2", 2));
  second->Stop();
  EXPECT_EQ(Compositor.Current("DP-2"), held);
  EXPECT_EQ(Count(Compositor.Events(), "DP-2", TEvent::TKind::Set), 1);

  // The holder's end gives every output back.
  first->Stop();
  EXPECT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) {
    return Count(E, "DP-1", TEvent::TKind::Reset) == 1 && Count(E, "DP-2", TEvent::TKind::Reset) == 1;
  }));
  EXPECT_TRUE(Compositor.Current("DP-2").empty());
}

} // namespace
