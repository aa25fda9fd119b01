// The gamma keeper's message reader, the reader of a compositor's registry answer, and what the
// session's globals mean for gamma: the parts of the Wayland path that read outside input.

#include "platform/backends/GammaSession.h"
#include "platform/backends/wayland/KeeperMessages.h"
#include "platform/backends/wayland/WaylandProbe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

TKeeperMessage RampMessage() {
  TKeeperMessage m;
  m.Type = TKeeperMessageType::Ramp;
  for (int i = 0; i < 256; ++i) {
    m.Ramp.Red[i] = static_cast<WORD>(i * 256);
    m.Ramp.Green[i] = static_cast<WORD>(65535 - i);
    m.Ramp.Blue[i] = static_cast<WORD>(i * 7);
  }
  return m;
}

TKeeperMessage ReportMessage() {
  TKeeperMessage m;
  m.Type = TKeeperMessageType::Report;
  m.Outputs = {{"DP-1", 1024, TKeeperOutputState::Applied, ""},
               {"HDMI-A-1", 0, TKeeperOutputState::Refused, "the compositor gives the output a gamma ramp of 0 entries"}};
  return m;
}

class KeeperReader : public ::testing::Test {
protected:
  // Feeds Bytes and expects the reader to refuse them with a reason that contains Named.
  void ExpectRefused(const std::vector<std::uint8_t>& Bytes, const std::string& Named) {
    TKeeperReader reader;
    reader.Feed(Bytes.data(), Bytes.size());
    TKeeperMessage m;
    EXPECT_EQ(reader.Next(m), TKeeperReader::TResult::Malformed);
    EXPECT_NE(reader.Error().find(Named), std::string::npos) << reader.Error();
    // Refused for good: more bytes, even a good message, are not read.
    const std::vector<std::uint8_t> good = EncodeKeeperMessage(RampMessage());
    reader.Feed(good.data(), good.size());
    EXPECT_EQ(reader.Next(m), TKeeperReader::TResult::Malformed);
  }

  static void PutU32(std::vector<std::uint8_t>& Bytes, std::size_t At, std::uint32_t V) {
    for (int i = 0; i < 4; ++i)
      Bytes[At + i] = static_cast<std::uint8_t>(V >> (8 * i));
  }
};

TEST_F(KeeperReader, ReadsBackEveryKindOfMessageFedOneByteAtATime) {
  TKeeperMessage refusal;
  refusal.Type = TKeeperMessageType::Refusal;
  refusal.Text = "the gamma keeper refused a ramp message of 3 bytes";
  TKeeperMessage survey, reset;
  reset.Type = TKeeperMessageType::Reset;
  const std::vector<TKeeperMessage> sent = {RampMessage(), ReportMessage(), survey, reset, refusal};
  std::vector<std::uint8_t> stream;
  for (const TKeeperMessage& m : sent) {
    const std::vector<std::uint8_t> bytes = EncodeKeeperMessage(m);
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  TKeeperReader reader;
  std::vector<TKeeperMessage> got;
  for (std::uint8_t b : stream) {
    reader.Feed(&b, 1);
    TKeeperMessage m;
    TKeeperReader::TResult r;
    while ((r = reader.Next(m)) == TKeeperReader::TResult::Message)
      got.push_back(m);
    ASSERT_EQ(r, TKeeperReader::TResult::Incomplete) << reader.Error();
  }
  EXPECT_EQ(got, sent);
  EXPECT_EQ(reader.Pending(), 0u);
}

TEST_F(KeeperReader, CutsOverlongNamesAndOutputsSoTheMessageStaysReadable) {
  TKeeperMessage m;
  m.Type = TKeeperMessageType::Report;
  for (std::size_t i = 0; i < KeeperMaxOutputs + 5; ++i)
    m.Outputs.push_back({std::string(400, 'n'), 256, TKeeperOutputState::Refused, std::string(5000, 'r')});
  const std::vector<std::uint8_t> bytes = EncodeKeeperMessage(m);
  TKeeperReader reader;
  reader.Feed(bytes.data(), bytes.size());
  TKeeperMessage back;
  ASSERT_EQ(reader.Next(back), TKeeperReader::TResult::Message) << reader.Error();
  ASSERT_EQ(back.Outputs.size(), KeeperMaxOutputs);
  EXPECT_EQ(back.Outputs[0].Name.size(), KeeperMaxName);
  EXPECT_EQ(back.Outputs[0].Reason.size(), KeeperMaxText);
}

TEST_F(KeeperReader, RefusesAWrongStartAsSoonAsItsFirstByteIsThere) {
  TKeeperReader reader;
  const std::uint8_t http[] = {'G'};
  reader.Feed(http, 1);
  TKeeperMessage m;
  EXPECT_EQ(reader.Next(m), TKeeperReader::TResult::Malformed);
  EXPECT_NE(reader.Error().find("BGK1"), std::string::npos);
}

TEST_F(KeeperReader, RefusesUnknownTypesAndWrongLengthsByName) {
  std::vector<std::uint8_t> unknown = EncodeKeeperMessage(TKeeperMessage{});
  PutU32(unknown, 4, 99);
  ExpectRefused(unknown, "unknown type 99");

  std::vector<std::uint8_t> shortRamp = EncodeKeeperMessage(RampMessage());
  PutU32(shortRamp, 8, 1535);
  ExpectRefused(shortRamp, "ramp message of 1535 bytes (1536 expected)");

  std::vector<std::uint8_t> survey = EncodeKeeperMessage(TKeeperMessage{});
  PutU32(survey, 8, 4);
  survey.insert(survey.end(), 4, 0);
  ExpectRefused(survey, "survey message with 4 bytes of payload");

  // A length past the limit is refused from the header alone, before any payload is buffered.
  std::vector<std::uint8_t> huge = EncodeKeeperMessage(ReportMessage());
  PutU32(huge, 8, 0xFFFFFFF0u);
  huge.resize(KeeperHeaderSize);
  ExpectRefused(huge, "report message of 4294967280 bytes");
}

TEST_F(KeeperReader, RefusesReportsWhoseInsidesDoNotAddUp) {
  const std::vector<std::uint8_t> good = EncodeKeeperMessage(ReportMessage());
  std::vector<std::uint8_t> many = good;
  PutU32(many, KeeperHeaderSize, 65);
  ExpectRefused(many, "report of 65 outputs");

  std::vector<std::uint8_t> state = good;
  state[KeeperHeaderSize + 8] = 9; // the first output's state
  ExpectRefused(state, "unknown state 9");

  std::vector<std::uint8_t> cut = good;
  cut[KeeperHeaderSize + 9] = 200; // the first output's name runs past the payload
  ExpectRefused(cut, "output 1 of the report is cut short");

  std::vector<std::uint8_t> trailing = good;
  trailing.insert(trailing.end(), 3, 0);
  PutU32(trailing, 8, static_cast<std::uint32_t>(trailing.size() - KeeperHeaderSize));
  ExpectRefused(trailing, "3 bytes after its last output");
}

// The compositor's answer as the wire carries it.
class RegistryAnswer : public ::testing::Test {
protected:
  void Event(std::uint32_t Object, std::uint32_t Opcode, const std::vector<std::uint32_t>& Words) {
    Put(Object);
    Put(static_cast<std::uint32_t>((8 + 4 * Words.size()) << 16) | Opcode);
    for (std::uint32_t w : Words)
      Put(w);
  }
  static std::vector<std::uint32_t> Str(const std::string& S) {
    std::vector<std::uint32_t> words = {static_cast<std::uint32_t>(S.size() + 1)};
    std::vector<std::uint8_t> bytes(S.begin(), S.end());
    bytes.resize((S.size() + 4) / 4 * 4, 0);
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
      std::uint32_t w;
      std::memcpy(&w, &bytes[i], 4);
      words.push_back(w);
    }
    return words;
  }
  void Global(std::uint32_t Name, const std::string& Interface, std::uint32_t Version) {
    std::vector<std::uint32_t> words = {Name};
    for (std::uint32_t w : Str(Interface))
      words.push_back(w);
    words.push_back(Version);
    Event(2, 0, words);
  }
  void Put(std::uint32_t W) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&W);
    Bytes.insert(Bytes.end(), p, p + 4);
  }
  // Reads Bytes fed in pieces of Step bytes; the interfaces seen, and how it ended.
  TWaylandRegistryReader::TResult Read(std::vector<std::string>& Interfaces, std::size_t Step = 5) {
    TWaylandRegistryReader reader;
    for (std::size_t at = 0; at < Bytes.size(); at += Step) {
      reader.Feed(Bytes.data() + at, std::min(Step, Bytes.size() - at));
      for (;;) {
        TWaylandGlobal g;
        const TWaylandRegistryReader::TResult r = reader.Next(g);
        if (r == TWaylandRegistryReader::TResult::Global)
          Interfaces.push_back(g.Interface);
        else if (r == TWaylandRegistryReader::TResult::Incomplete)
          break;
        else {
          Why = reader.Why();
          return r;
        }
      }
    }
    return TWaylandRegistryReader::TResult::Incomplete;
  }
  std::vector<std::uint8_t> Bytes;
  std::string Why;
};

TEST_F(RegistryAnswer, ListsTheGlobalsUntilTheSyncIsDone) {
  Global(1, "wl_compositor", 5);
  Event(1, 1, {7}); // delete_id, ignored
  Global(2, "zwlr_gamma_control_manager_v1", 1);
  Global(3, "wl_output", 4);
  Event(3, 0, {42});
  Global(4, "after_the_end", 1);
  std::vector<std::string> seen;
  EXPECT_EQ(Read(seen), TWaylandRegistryReader::TResult::Done);
  EXPECT_EQ(seen, (std::vector<std::string>{"wl_compositor", "zwlr_gamma_control_manager_v1", "wl_output"}));
}

TEST_F(RegistryAnswer, PassesOnTheCompositorsProtocolError) {
  std::vector<std::uint32_t> words = {1, 3};
  for (std::uint32_t w : Str("invalid object 2"))
    words.push_back(w);
  Event(1, 0, words);
  std::vector<std::string> seen;
  EXPECT_EQ(Read(seen), TWaylandRegistryReader::TResult::Error);
  EXPECT_NE(Why.find("protocol error 3 (invalid object 2)"), std::string::npos) << Why;
}

TEST_F(RegistryAnswer, RefusesBrokenEvents) {
  struct TCase {
    std::function<void()> Make;
    std::string Named;
  };
  const std::vector<TCase> cases = {
      {[this] { Event(9, 0, {}); }, "unexpected event 0 of object 9"},
      {[this] {
         Put(2);
         Put(6u << 16);
       },
       "an event of 6 bytes"},
      {[this] {
         Put(2);
         Put(8192u << 16);
       },
       "an event of 8192 bytes"},
      // A string whose length runs past the event, and one without its closing zero.
      {[this] { Event(2, 0, {1, 64, 0x41414141, 1}); }, "global event that cannot be read"},
      {[this] { Event(2, 0, {1, 4, 0x41414141, 1}); }, "global event that cannot be read"},
      {[this] { Event(3, 0, {}); }, "done event that cannot be read"},
  };
  for (const TCase& c : cases) {
    Bytes.clear();
    c.Make();
    std::vector<std::string> seen;
    EXPECT_EQ(Read(seen), TWaylandRegistryReader::TResult::Malformed) << c.Named;
    EXPECT_NE(Why.find(c.Named), std::string::npos) << Why;
  }
}

TEST(GammaSessionChoice, TheWlrManagerDecidesAndItsAbsenceIsNamed) {
  const TDisplayConfigQuestion noGnome = [](std::string&) { return false; };
  const TGammaSession wlr =
      ClassifyWaylandGamma("wayland-1", {"wl_compositor", "zwlr_gamma_control_manager_v1"}, noGnome, "");
  EXPECT_EQ(wlr.Kind, TGammaSessionKind::WlrGammaControl);
  EXPECT_EQ(wlr.WaylandDisplay, "wayland-1");

  const TGammaSession none = ClassifyWaylandGamma("wayland-1", {"wl_compositor", "wl_output"}, noGnome, "sway");
  EXPECT_EQ(none.Kind, TGammaSessionKind::Refused);
  EXPECT_NE(none.Refusal.find("zwlr_gamma_control_manager_v1"), std::string::npos);
}

} // namespace
