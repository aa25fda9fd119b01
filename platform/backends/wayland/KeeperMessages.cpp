#include "platform/backends/wayland/KeeperMessages.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::uint8_t, 4> Magic = {'B', 'G', 'K', '1'};
constexpr std::size_t RampPayload = 3 * 256 * 2;

class TWriter {
public:
  void U8(std::uint8_t V) { FBytes.push_back(V); }
  void U16(std::uint16_t V) {
    U8(static_cast<std::uint8_t>(V));
    U8(static_cast<std::uint8_t>(V >> 8));
  }
  void U32(std::uint32_t V) {
    U16(static_cast<std::uint16_t>(V));
    U16(static_cast<std::uint16_t>(V >> 16));
  }
  void Bytes(const std::string& S) { FBytes.insert(FBytes.end(), S.begin(), S.end()); }
  std::vector<std::uint8_t>& Out() { return FBytes; }

private:
  std::vector<std::uint8_t> FBytes;
};

// Reads a payload that is entirely in memory; every read says whether the bytes were there.
class TCursor {
public:
  TCursor(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  bool U8(std::uint8_t& V) {
    if (FSize - FPos < 1)
      return false;
    V = FData[FPos++];
    return true;
  }
  bool U16(std::uint16_t& V) {
    std::uint8_t lo = 0, hi = 0;
    if (!U8(lo) || !U8(hi))
      return false;
    V = static_cast<std::uint16_t>(lo | (hi << 8));
    return true;
  }
  bool U32(std::uint32_t& V) {
    std::uint16_t lo = 0, hi = 0;
    if (!U16(lo) || !U16(hi))
      return false;
    V = lo | (static_cast<std::uint32_t>(hi) << 16);
    return true;
  }
  bool Text(std::size_t Length, std::string& S) {
    if (FSize - FPos < Length)
      return false;
    S.assign(reinterpret_cast<const char*>(FData + FPos), Length);
    FPos += Length;
    return true;
  }
  std::size_t Left() const { return FSize - FPos; }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

std::uint32_t ReadU32(const std::uint8_t* P) {
  return P[0] | (P[1] << 8) | (P[2] << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}

bool KnownType(std::uint32_t Type) {
  switch (static_cast<TKeeperMessageType>(Type)) {
  case TKeeperMessageType::Ramp:
  case TKeeperMessageType::Survey:
  case TKeeperMessageType::Reset:
  case TKeeperMessageType::Report:
  case TKeeperMessageType::Refusal:
    return true;
  }
  return false;
}

// Why a Report payload cannot be read, or empty when it was read whole.
std::string ReadReport(TCursor& In, std::vector<TKeeperOutput>& Outputs) {
  std::uint32_t count = 0;
  if (!In.U32(count))
    return "a report without its count of outputs";
  if (count > KeeperMaxOutputs)
    return "a report of " + std::to_string(count) + " outputs (at most " + std::to_string(KeeperMaxOutputs) +
           ")";
  for (std::uint32_t i = 0; i < count; ++i) {
    TKeeperOutput o;
    std::uint8_t state = 0, nameLength = 0;
    std::uint16_t reasonLength = 0;
    const std::string which = "output " + std::to_string(i + 1) + " of the report";
    if (!In.U32(o.GammaSize) || !In.U8(state) || !In.U8(nameLength))
      return which + " is cut short";
    if (state > static_cast<std::uint8_t>(TKeeperOutputState::Settable))
      return which + " has the unknown state " + std::to_string(state);
    o.State = static_cast<TKeeperOutputState>(state);
    if (!In.Text(nameLength, o.Name) || !In.U16(reasonLength))
      return which + " is cut short";
    if (reasonLength > KeeperMaxText)
      return which + " has a reason of " + std::to_string(reasonLength) + " bytes (at most " +
             std::to_string(KeeperMaxText) + ")";
    if (!In.Text(reasonLength, o.Reason))
      return which + " is cut short";
    Outputs.push_back(std::move(o));
  }
  return {};
}

} // namespace

std::string KeeperMessageTypeName(TKeeperMessageType Type) {
  switch (Type) {
  case TKeeperMessageType::Ramp:
    return "ramp";
  case TKeeperMessageType::Survey:
    return "survey";
  case TKeeperMessageType::Reset:
    return "reset";
  case TKeeperMessageType::Report:
    return "report";
  case TKeeperMessageType::Refusal:
    return "refusal";
  }
  return "type " + std::to_string(static_cast<std::uint32_t>(Type));
}

std::vector<std::uint8_t> EncodeKeeperMessage(const TKeeperMessage& Message) {
  TWriter payload;
  switch (Message.Type) {
  case TKeeperMessageType::Ramp:
    for (const auto* channel : {&Message.Ramp.Red, &Message.Ramp.Green, &Message.Ramp.Blue})
      for (WORD e : *channel)
        payload.U16(e);
    break;
  case TKeeperMessageType::Report: {
    const std::size_t count = std::min(Message.Outputs.size(), KeeperMaxOutputs);
    payload.U32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
      const TKeeperOutput& o = Message.Outputs[i];
      const std::string name = o.Name.substr(0, KeeperMaxName);
      const std::string reason = o.Reason.substr(0, KeeperMaxText);
      payload.U32(o.GammaSize);
      payload.U8(static_cast<std::uint8_t>(o.State));
      payload.U8(static_cast<std::uint8_t>(name.size()));
      payload.Bytes(name);
      payload.U16(static_cast<std::uint16_t>(reason.size()));
      payload.Bytes(reason);
    }
    break;
  }
  case TKeeperMessageType::Refusal:
    payload.Bytes(Message.Text.substr(0, KeeperMaxText));
    break;
  case TKeeperMessageType::Survey:
  case TKeeperMessageType::Reset:
    break;
  }
  TWriter out;
  for (std::uint8_t b : Magic)
    out.U8(b);
  out.U32(static_cast<std::uint32_t>(Message.Type));
  out.U32(static_cast<std::uint32_t>(payload.Out().size()));
  out.Out().insert(out.Out().end(), payload.Out().begin(), payload.Out().end());
  return std::move(out.Out());
}

void TKeeperReader::Feed(const std::uint8_t* Data, std::size_t Size) {
  if (!FError.empty())
    return;
  // Whole messages already taken are dropped before the buffer grows.
  if (FStart > 0) {
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(FStart));
    FStart = 0;
  }
  FBuffer.insert(FBuffer.end(), Data, Data + Size);
}

TKeeperReader::TResult TKeeperReader::Fail(std::string Why) {
  FError = std::move(Why);
  FBuffer.clear();
  FStart = 0;
  return TResult::Malformed;
}

TKeeperReader::TResult TKeeperReader::Next(TKeeperMessage& Out) {
  if (!FError.empty())
    return TResult::Malformed;
  const std::uint8_t* p = FBuffer.data() + FStart;
  const std::size_t have = FBuffer.size() - FStart;
  // A wrong start is refused as soon as its first bytes are there, not after a whole header.
  for (std::size_t i = 0; i < std::min(have, Magic.size()); ++i)
    if (p[i] != Magic[i])
      return Fail("a message that does not start with BGK1");
  if (have < KeeperHeaderSize)
    return TResult::Incomplete;
  const std::uint32_t type = ReadU32(p + 4);
  const std::uint32_t length = ReadU32(p + 8);
  if (!KnownType(type))
    return Fail("a message of unknown type " + std::to_string(type));
  const auto kind = static_cast<TKeeperMessageType>(type);
  const std::string name = KeeperMessageTypeName(kind);
  if (length > KeeperMaxPayload)
    return Fail("a " + name + " message of " + std::to_string(length) + " bytes (at most " +
                std::to_string(KeeperMaxPayload) + ")");
  const bool empty = kind == TKeeperMessageType::Survey || kind == TKeeperMessageType::Reset;
  if (empty && length != 0)
    return Fail("a " + name + " message with " + std::to_string(length) + " bytes of payload (none expected)");
  if (kind == TKeeperMessageType::Ramp && length != RampPayload)
    return Fail("a ramp message of " + std::to_string(length) + " bytes (" + std::to_string(RampPayload) +
                " expected)");
  if (kind == TKeeperMessageType::Refusal && length > KeeperMaxText)
    return Fail("a refusal of " + std::to_string(length) + " bytes (at most " + std::to_string(KeeperMaxText) + ")");
  if (have - KeeperHeaderSize < length)
    return TResult::Incomplete;

  TKeeperMessage message;
  message.Type = kind;
  TCursor in(p + KeeperHeaderSize, length);
  switch (kind) {
  case TKeeperMessageType::Ramp:
    for (auto* channel : {&message.Ramp.Red, &message.Ramp.Green, &message.Ramp.Blue})
      for (WORD& e : *channel)
        in.U16(e);
    break;
  case TKeeperMessageType::Report:
    if (std::string why = ReadReport(in, message.Outputs); !why.empty())
      return Fail(why);
    if (in.Left() != 0)
      return Fail("a report with " + std::to_string(in.Left()) + " bytes after its last output");
    break;
  case TKeeperMessageType::Refusal:
    in.Text(length, message.Text);
    break;
  case TKeeperMessageType::Survey:
  case TKeeperMessageType::Reset:
    break;
  }
  FStart += KeeperHeaderSize + length;
  Out = std::move(message);
  return TResult::Message;
}
