// Budget: one off-screen paint of the adjuster window's client area (281 x 121: fill, an 84 x 23
// picture stretched over it, two lines of text, then the copy into the window's frame buffer) in
// under 0.5 ms.

#include "platform/graphics/Bitmap.h"

#include <benchmark/benchmark.h>

namespace {

void BM_OffscreenPaint(benchmark::State& State) {
  TBitmap picture(84, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 84; ++x)
      picture.Pixels().Set(x, y, static_cast<TPixel>((x * 3) << 16 | (y * 11) << 8 | 0x40));
  picture.SetTransparent(true);
  picture.SetTransparentColor(clFuchsia);
  TBitmap buffer(281, 121);
  TPixelBuffer window(800, 600);
  TCanvas windowCanvas(&window);
  TCanvas& c = buffer.Canvas();
  TFont caption;
  caption.SetName("新細明體");
  caption.SetHeight(-16);
  caption.SetStyle({fsBold});
  caption.SetColor(clNavy);
  TFont label;
  label.SetName("Tahoma");
  label.SetHeight(-11);
  for (auto _ : State) {
    c.Brush().SetColor(RGB(231, 231, 231));
    c.FillRect(Rect(0, 0, 281, 121));
    c.StretchDraw(Rect(0, 0, 281, 121), picture);
    c.Brush().SetStyle(bsClear);
    c.SetFont(caption);
    TRect line = Rect(25, 4, 260, 23);
    c.DrawText("Tavolu螢幕調整程式", line, DT_SINGLELINE | DT_VCENTER);
    c.SetFont(label);
    line = Rect(0, 90, 281, 110);
    c.DrawText("&Default   伽瑪 1.0   對比 1.0   亮度 1.0", line, DT_SINGLELINE | DT_CENTER);
    windowCanvas.CopyRect(Rect(40, 60, 321, 181), c, Rect(0, 0, 281, 121));
    benchmark::DoNotOptimize(window.Pixels().data());
  }
}
BENCHMARK(BM_OffscreenPaint)->Unit(benchmark::kMicrosecond);

}  // namespace
