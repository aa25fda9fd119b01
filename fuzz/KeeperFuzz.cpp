// Feeds arbitrary bytes to the readers of the Wayland path, in pieces whose sizes the input picks:
// the gamma keeper's message reader (what a client sends the keeper, and what the keeper answers)
// and the reader of a compositor's registry answer. A message read whole is written back and must
// read back the same; neither reader may hold more than one message's bytes.

#include "platform/backends/wayland/KeeperMessages.h"
#include "platform/backends/wayland/WaylandProbe.h"

#include <algorithm>
#include <cstdlib>

namespace {

void Check(bool Condition) {
  if (!Condition)
    std::abort();
}

void FuzzKeeper(const std::uint8_t* Data, std::size_t Size, std::size_t Piece) {
  TKeeperReader reader;
  for (std::size_t at = 0; at < Size; at += Piece) {
    reader.Feed(Data + at, std::min(Piece, Size - at));
    for (;;) {
      TKeeperMessage m;
      const TKeeperReader::TResult r = reader.Next(m);
      if (r != TKeeperReader::TResult::Message) {
        Check(r == TKeeperReader::TResult::Malformed ? !reader.Error().empty() : reader.Error().empty());
        break;
      }
      const std::vector<std::uint8_t> again = EncodeKeeperMessage(m);
      TKeeperReader back;
      back.Feed(again.data(), again.size());
      TKeeperMessage same;
      Check(back.Next(same) == TKeeperReader::TResult::Message && same == m);
    }
    Check(reader.Pending() <= KeeperHeaderSize + KeeperMaxPayload + Piece);
  }
}

void FuzzRegistry(const std::uint8_t* Data, std::size_t Size, std::size_t Piece) {
  TWaylandRegistryReader reader;
  for (std::size_t at = 0; at < Size; at += Piece) {
    reader.Feed(Data + at, std::min(Piece, Size - at));
    TWaylandGlobal g;
    TWaylandRegistryReader::TResult r;
    while ((r = reader.Next(g)) == TWaylandRegistryReader::TResult::Global)
      Check(g.Interface.find('\0') == std::string::npos);
    if (r != TWaylandRegistryReader::TResult::Incomplete)
      return;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2)
    return 0;
  // The first byte picks the reader, the second the size of the pieces it is fed.
  const std::size_t piece = 1 + Data[1] % 64;
  if (Data[0] & 1)
    FuzzRegistry(Data + 2, Size - 2, piece);
  else
    FuzzKeeper(Data + 2, Size - 2, piece);
  return 0;
}
