#include "tools/lookart/Sheet.h"

#include "platform/graphics/Bitmap.h"
#include "tools/lookart/Preview.h"

#include <algorithm>
#include <string>

namespace {

constexpr int SheetWidth = 1280;
constexpr int Margin = 16;
constexpr int LabelHeight = 18;

int ScaleOf(const TLookPicture& P) {
  const int byWidth = (SheetWidth - 2 * Margin) / std::max(1, P.Pixels.Width());
  const int byHeight = 260 / std::max(1, P.Pixels.Height());
  return std::clamp(std::min({byWidth, byHeight, 8}), 1, 8);
}

std::string Label(const TLookPicture& P) {
  std::string text = P.Name + "  " + std::to_string(P.Pixels.Width()) + "x" + std::to_string(P.Pixels.Height()) + ", " +
                     std::to_string(P.Bits) + "-bit";
  if (P.Frames > 1)
    text += ", " + std::to_string(P.Frames) + " frames";
  return text;
}

struct TPlace {
  int X, Y, Scale;
};

} // namespace

TPixelBuffer DrawSheet(const TLookSheet& Sheet) {
  TBitmap measure(1, 1);
  TCanvas& mc = measure.Canvas();
  mc.Font().SetName("Arial");
  mc.Font().SetHeight(-12);

  // The preview at twice its size, then the pictures flowed into rows.
  const TPixelBuffer preview = DrawPreview(Sheet);
  const int previewTop = Margin + 30;
  std::vector<TPlace> places;
  int x = Margin, y = previewTop + (preview.Empty() ? 0 : preview.Height() * 2 + 24), rowHeight = 0;
  for (const TLookPicture& p : Sheet.Pictures) {
    const int scale = ScaleOf(p);
    const int w = std::max(p.Pixels.Width() * scale, mc.TextWidth(Label(p)));
    const int h = LabelHeight + p.Pixels.Height() * scale + 14;
    if (x + w > SheetWidth - Margin && x > Margin) {
      x = Margin;
      y += rowHeight;
      rowHeight = 0;
    }
    places.push_back({x, y, scale});
    x += w + 24;
    rowHeight = std::max(rowHeight, h);
  }

  TBitmap sheet(SheetWidth, y + rowHeight + Margin);
  TCanvas& c = sheet.Canvas();
  c.Brush().SetColor(RGB(0xD4, 0xD4, 0xD4));
  c.FillRect(Rect(0, 0, sheet.Width(), sheet.Height()));
  c.Font().SetName("Arial");
  c.Font().SetHeight(-12);
  c.Brush().SetStyle(bsClear);
  c.Font().SetColor(clBlack);
  c.Font().SetHeight(-18);
  c.TextOut(Margin, Margin - 4, Sheet.Title);
  c.Font().SetHeight(-12);
  if (!preview.Empty())
    c.Blit(Bounds(Margin, previewTop, preview.Width() * 2, preview.Height() * 2), preview,
           Rect(0, 0, preview.Width(), preview.Height()));
  for (std::size_t i = 0; i < Sheet.Pictures.size(); ++i) {
    const TLookPicture& p = Sheet.Pictures[i];
    const TPlace& at = places[i];
    c.TextOut(at.X, at.Y, Label(p));
    const TRect image = Bounds(at.X, at.Y + LabelHeight, p.Pixels.Width() * at.Scale, p.Pixels.Height() * at.Scale);
    c.Blit(image, p.Pixels, Rect(0, 0, p.Pixels.Width(), p.Pixels.Height()));
    c.Brush().SetColor(RGB(0x60, 0x60, 0x60));
    const int frameWidth = p.Pixels.Width() / p.Frames;
    for (int f = 0; f <= p.Frames; ++f) {
      const int fx = image.Left + f * frameWidth * at.Scale;
      c.FillRect(Rect(fx, image.Bottom + 2, fx + 1, image.Bottom + 8));
    }
    c.Brush().SetStyle(bsClear);
  }
  return sheet.Pixels();
}
