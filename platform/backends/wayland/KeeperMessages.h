#pragma once

#include "platform/windows/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the adjuster and the gamma keeper say to each other over the keeper's socket. Every message
// is a 12-byte header ("BGK1", the type and the payload's length, little-endian 32-bit numbers)
// followed by its payload:
//   Ramp     the 256-entry table, red then green then blue (1536 bytes); the keeper holds it on
//            every output and answers with a Report
//   Survey   no payload; the keeper answers with a Report of what each output offers
//   Reset    no payload; the keeper loads the neutral table, answers with a Report and ends
//   Report   per output: gamma size, state, name and reason (see EncodeKeeperMessage)
//   Refusal  a line of text: why the keeper refused the last message (it then hangs up)
enum class TKeeperMessageType : std::uint32_t {
  Ramp = 1,
  Survey = 2,
  Reset = 3,
  Report = 16,
  Refusal = 17,
};

enum class TKeeperOutputState : std::uint8_t {
  Applied = 0,  // the output shows the ramp just sent
  Refused = 1,  // the output takes no ramp; Reason says why
  Settable = 2, // (Survey) a ramp can be set there
};

struct TKeeperOutput {
  std::string Name;
  std::uint32_t GammaSize = 0;
  TKeeperOutputState State = TKeeperOutputState::Refused;
  std::string Reason;

  friend bool operator==(const TKeeperOutput&, const TKeeperOutput&) = default;
};

struct TKeeperMessage {
  TKeeperMessageType Type = TKeeperMessageType::Survey;
  TGammaRamp Ramp;                    // Ramp
  std::vector<TKeeperOutput> Outputs; // Report
  std::string Text;                   // Refusal

  friend bool operator==(const TKeeperMessage&, const TKeeperMessage&) = default;
};

// Limits that keep a reader's memory small whatever the other side sends.
constexpr std::size_t KeeperHeaderSize = 12;
constexpr std::size_t KeeperMaxPayload = 128 * 1024; // holds the largest report
constexpr std::size_t KeeperMaxOutputs = 64;
constexpr std::size_t KeeperMaxName = 255;
constexpr std::size_t KeeperMaxText = 1024;

// The message's bytes. Names and texts longer than the limits are cut, and outputs beyond
// KeeperMaxOutputs left out, so what is written can always be read back.
std::vector<std::uint8_t> EncodeKeeperMessage(const TKeeperMessage& Message);

// Takes a byte stream in pieces and gives back whole messages. A stream that breaks the format is
// refused for good: Error names what was wrong, and nothing after it is read.
class TKeeperReader {
public:
  enum class TResult { Message, Incomplete, Malformed };

  void Feed(const std::uint8_t* Data, std::size_t Size);
  // The next whole message (Message), or Incomplete until more bytes come, or Malformed.
  TResult Next(TKeeperMessage& Out);
  const std::string& Error() const { return FError; }
  // Bytes received that belong to no whole message yet.
  std::size_t Pending() const { return FBuffer.size() - FStart; }

private:
  TResult Fail(std::string Why);
  std::vector<std::uint8_t> FBuffer;
  std::size_t FStart = 0;
  std::string FError;
};

// "ramp", "survey", ... for messages to people.
std::string KeeperMessageTypeName(TKeeperMessageType Type);
