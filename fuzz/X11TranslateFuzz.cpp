// What the X server tells the desktop about its screens and work area, as raw numbers: the monitors
// built from it always lie on the screen with their work areas inside them, and a drag never leaves
// a window smaller or larger than its limits.

#include "platform/backends/x11/X11Translate.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Reads little pieces of the input in turn; past its end every read gives 0.
class TReader {
public:
  TReader(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  template <class T>
  T Next() {
    T value{};
    const std::size_t n = std::min(sizeof(T), FSize - FAt);
    std::memcpy(&value, FData + FAt, n);
    FAt += n;
    return value;
  }
  bool Done() const { return FAt >= FSize; }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FAt = 0;
};

void Check(bool Holds) {
  if (!Holds)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TReader in(Data, Size);
  const int crtcCount = in.Next<std::uint8_t>() % 8;
  std::vector<TRect> crtcs;
  for (int i = 0; i < crtcCount; ++i) {
    const int x = in.Next<std::int16_t>(), y = in.Next<std::int16_t>();
    crtcs.push_back(Bounds(x, y, in.Next<std::uint16_t>(), in.Next<std::uint16_t>()));
  }
  const int primary = in.Next<std::int8_t>();
  const TRect screen = Bounds(0, 0, 1 + in.Next<std::uint16_t>() % 16384, 1 + in.Next<std::uint16_t>() % 16384);
  const long desktop = in.Next<std::int32_t>();
  std::vector<long> property(in.Next<std::uint8_t>() % 24);
  for (long& v : property)
    v = in.Next<std::int64_t>();

  const std::optional<TRect> work = WorkAreaFromProperty(property, desktop);
  if (work)
    Check(!work->IsEmpty());
  const std::vector<TMonitor> monitors = MonitorsFrom(crtcs, primary, screen, work);
  Check(!monitors.empty());
  for (const TMonitor& m : monitors) {
    Check(!m.Screen.IsEmpty());
    Check(IntersectRect(m.WorkArea, m.Screen) == m.WorkArea);
  }

  MINMAXINFO limits;
  limits.ptMinTrackSize = {in.Next<std::uint8_t>(), in.Next<std::uint8_t>()};
  limits.ptMaxTrackSize = {in.Next<std::uint16_t>(), in.Next<std::uint16_t>()};
  const int hit = HTLEFT + in.Next<std::uint8_t>() % 8;
  const TRect start = Bounds(in.Next<std::int16_t>(), in.Next<std::int16_t>(), 1 + in.Next<std::uint16_t>() % 4096,
                             1 + in.Next<std::uint16_t>() % 4096);
  const TRect r = MoveSizeBounds(hit, start, in.Next<std::int16_t>(), in.Next<std::int16_t>(), limits);
  const bool horizontal = hit != HTTOP && hit != HTBOTTOM;
  const bool vertical = hit != HTLEFT && hit != HTRIGHT;
  if (horizontal) {
    Check(r.Width() >= limits.ptMinTrackSize.X);
    Check(r.Width() <= std::max(limits.ptMinTrackSize.X, limits.ptMaxTrackSize.X));
  } else {
    Check(r.Left == start.Left && r.Right == start.Right);
  }
  if (vertical) {
    Check(r.Height() >= limits.ptMinTrackSize.Y);
    Check(r.Height() <= std::max(limits.ptMinTrackSize.Y, limits.ptMaxTrackSize.Y));
  } else {
    Check(r.Top == start.Top && r.Bottom == start.Bottom);
  }

  while (!in.Done()) {
    const unsigned long keysym = in.Next<std::uint32_t>();
    const char32_t c = CharOfKeysym(keysym);
    Check(c <= 0x10FFFF);
    (void)VirtualKeyOfKeysym(keysym);
  }
  return 0;
}
