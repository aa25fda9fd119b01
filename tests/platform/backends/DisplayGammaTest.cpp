#include "platform/backends/win32/DisplayGammaDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

// A display as the test wants it to behave.
class TFakeDisplay final : public TDisplayGammaPort {
public:
  enum class TKind { Takes, Refuses, KeepsItsRamp, FailsOnce, Unreadable, Rounds };

  TFakeDisplay(std::string Name, TKind Kind) : FName(std::move(Name)), FKind(Kind) {
    for (std::size_t i = 0; i < Held.size(); ++i)
      Held[i] = static_cast<std::uint16_t>((i % 256) * 257);
  }

  std::string Name() const override { return FName; }
  bool Set(const TDisplayRamp& Ramp, unsigned long& Error) override {
    ++Sets;
    switch (FKind) {
    case TKind::Refuses:
      Error = 87;
      return false;
    case TKind::FailsOnce:
      if (Sets == 1) {
        Error = 0;
        return false;
      }
      break;
    case TKind::KeepsItsRamp:
      return true;
    case TKind::Rounds:
      for (std::size_t i = 0; i < Ramp.size(); ++i)
        Held[i] = static_cast<std::uint16_t>(Ramp[i] & 0xFF00);
      return true;
    default:
      break;
    }
    Held = Ramp;
    return true;
  }
  bool Get(TDisplayRamp& Ramp) override {
    if (FKind == TKind::Unreadable)
      return false;
    Ramp = Held;
    return true;
  }

  TDisplayRamp Held{};
  int Sets = 0;

private:
  std::string FName;
  TKind FKind;
};

using TKind = TFakeDisplay::TKind;

TGammaRamp Identity() {
  TGammaRamp ramp;
  for (int i = 0; i < 256; ++i)
    ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(i * 257);
  return ramp;
}

TGammaRamp Darker() {
  TGammaRamp ramp;
  for (int i = 0; i < 256; ++i)
    ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(std::lround(65535.0 * std::pow(i / 255.0, 2.2)));
  return ramp;
}

class DisplayGammaTest : public testing::Test {
protected:
  // Each Apply's displays are made afresh when the device lists them.
  void Displays(std::vector<std::pair<std::string, TKind>> Wanted) { FWanted = std::move(Wanted); }
  TFakeDisplay& Display(std::size_t I) { return *FMade.at(I); }

  TDisplayGammaDevice Device{[this](std::string& Why) {
                               ++Listings;
                               std::vector<std::unique_ptr<TDisplayGammaPort>> ports;
                               FMade.clear();
                               for (const auto& [name, kind] : FWanted) {
                                 auto display = std::make_unique<TFakeDisplay>(name, kind);
                                 FMade.push_back(display.get());
                                 ports.push_back(std::move(display));
                               }
                               if (ports.empty())
                                 Why = ListingFailure;
                               return ports;
                             },
                             [this](const std::string& Line) { Reported.push_back(Line); }};
  std::string ListingFailure;
  std::vector<std::string> Reported;
  int Listings = 0;

private:
  std::vector<std::pair<std::string, TKind>> FWanted;
  std::vector<TFakeDisplay*> FMade;
};

TEST_F(DisplayGammaTest, EveryDisplayThatTakesTheRampHoldsIt) {
  Displays({{"\\\\.\\DISPLAY1", TKind::Takes}, {"\\\\.\\DISPLAY2", TKind::Takes}});
  std::string why;
  const TGammaRamp ramp = Darker();
  ASSERT_TRUE(Device.Apply(ramp, why)) << why;
  EXPECT_EQ(why, "");
  EXPECT_EQ(Display(0).Held[128], ramp.Red[128]);
  EXPECT_EQ(Display(1).Held[256 + 200], ramp.Green[200]);
  EXPECT_EQ(Display(1).Held[512 + 30], ramp.Blue[30]);
  EXPECT_TRUE(Reported.empty());
}

TEST_F(DisplayGammaTest, ARefusalNamesTheDisplayTheErrorAndTheRangeSetting) {
  Displays({{"\\\\.\\DISPLAY1 (Test monitor)", TKind::Refuses}});
  std::string why;
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_NE(why.find("display \\\\.\\DISPLAY1 (Test monitor) refused the gamma ramp (error 87)"), std::string::npos) << why;
  EXPECT_NE(why.find("GdiIcmGammaRange"), std::string::npos) << why;
  EXPECT_EQ(why.find('\n'), std::string::npos) << "one line";
  EXPECT_EQ(Display(0).Sets, 2) << "one retry";
}

TEST_F(DisplayGammaTest, AnIdentityRampRefusedIsNotBlamedOnTheRangeLimit) {
  Displays({{"D1", TKind::Refuses}});
  std::string why;
  EXPECT_FALSE(Device.Apply(Identity(), why));
  EXPECT_NE(why.find("display D1 refused"), std::string::npos) << why;
  EXPECT_EQ(why.find("GdiIcmGammaRange"), std::string::npos) << why;
}

TEST_F(DisplayGammaTest, SuccessThatKeepsTheOldRampIsCaughtByTheReadBack) {
  Displays({{"D1", TKind::KeepsItsRamp}});
  std::string why;
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_NE(why.find("display D1 reported that it took the gamma ramp but kept another one"), std::string::npos) << why;
  EXPECT_NE(why.find("GdiIcmGammaRange"), std::string::npos) << why;
}

TEST_F(DisplayGammaTest, ARampThatCannotBeReadBackIsUnconfirmed) {
  Displays({{"D1", TKind::Unreadable}});
  std::string why;
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_NE(why.find("display D1 took the gamma ramp but it could not be read back"), std::string::npos) << why;
}

TEST_F(DisplayGammaTest, AFailureThatDoesNotLastIsRetriedOnce) {
  Displays({{"D1", TKind::FailsOnce}});
  std::string why;
  EXPECT_TRUE(Device.Apply(Darker(), why)) << why;
  EXPECT_EQ(Display(0).Sets, 2);
}

TEST_F(DisplayGammaTest, ADriverKeepingOnlyTheUpperBitsStillConfirms) {
  Displays({{"D1", TKind::Rounds}});
  std::string why;
  EXPECT_TRUE(Device.Apply(Darker(), why)) << why;
}

TEST_F(DisplayGammaTest, OneDisplayTakingIsSuccessAndTheOtherIsToldOnce) {
  Displays({{"D1", TKind::Takes}, {"D2", TKind::KeepsItsRamp}});
  std::string why;
  EXPECT_TRUE(Device.Apply(Darker(), why));
  EXPECT_TRUE(Device.Apply(Darker(), why));
  ASSERT_EQ(Reported.size(), 1u);
  EXPECT_NE(Reported[0].find("display D2 reported"), std::string::npos) << Reported[0];
  EXPECT_EQ(Reported[0].find("D1"), std::string::npos) << Reported[0];
  // Back at the identity, which the second display holds, both are fine; a fault that comes back
  // is told again.
  EXPECT_TRUE(Device.Apply(Identity(), why));
  EXPECT_EQ(Reported.size(), 1u);
  EXPECT_TRUE(Device.Apply(Darker(), why));
  EXPECT_EQ(Reported.size(), 2u);
}

TEST_F(DisplayGammaTest, EveryFailingDisplayIsNamedInTheOneLine) {
  Displays({{"D1", TKind::Refuses}, {"D2", TKind::KeepsItsRamp}});
  std::string why;
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_NE(why.find("display D1 refused"), std::string::npos) << why;
  EXPECT_NE(why.find("display D2 reported"), std::string::npos) << why;
  EXPECT_EQ(why.find("GdiIcmGammaRange"), why.rfind("GdiIcmGammaRange")) << "the setting is named once";
}

TEST_F(DisplayGammaTest, NoDisplaysIsARefusalWithTheListingsReason) {
  ListingFailure = "the system lists no displays";
  std::string why;
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_EQ(why, "the system lists no displays");
  ListingFailure.clear();
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_EQ(why, "the system lists no displays") << "listed once until the displays change";
  Device.DisplaysChanged();
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_EQ(why, "no display is attached to the desktop");
}

TEST_F(DisplayGammaTest, DisplaysAreListedAgainOnlyWhenTheyChange) {
  Displays({{"D1", TKind::Refuses}});
  std::string why;
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_FALSE(Device.Apply(Darker(), why));
  EXPECT_EQ(Listings, 1);
  Displays({{"D1", TKind::Takes}});
  Device.DisplaysChanged();
  EXPECT_TRUE(Device.Apply(Darker(), why)) << why;
  EXPECT_EQ(Listings, 2);
}

} // namespace
