#include "tools/lookart/Preview.h"

#include "platform/graphics/Bitmap.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemes.h"

#include <memory>
#include <string>

namespace {

class TPreview {
public:
  explicit TPreview(const TLookSheet& Sheet) : FSheet(Sheet), FStyle(static_cast<TzykUIStyle>(Sheet.Style)) {}

  TPixelBuffer Draw() {
    constexpr int Width = 420, Height = 250;
    TBitmap window(Width, Height);
    TCanvas& c = window.Canvas();
    Body(c, Width, Height);
    const int titleHeight = TitleBar(c, Width);
    Buttons(c, 14, titleHeight + 14);
    ScrollBars(c, 14, titleHeight + 112);
    TrackBar(c, 14, titleHeight + 160);
    // The border, drawn by the form over everything.
    c.Brush().SetColor(Int(zteFormBorderWidthInt) > 0 ? Color(zteFormBorderColor) : clBlack);
    for (int i = 0; i < Int(zteFormBorderWidthInt); ++i)
      c.FrameRect(Rect(i, i, Width - i, Height - i));
    return window.Pixels();
  }

private:
  std::unique_ptr<TBitmap> Picture(const std::string& Name, int Frames = 1, int Frame = 1) {
    for (const TLookPicture& p : FSheet.Pictures)
      if (p.Name == Name) {
        TBitmap whole;
        whole.Pixels() = p.Pixels;
        auto b = std::make_unique<TBitmap>();
        ExtractBitmapFrame(whole, *b, Frames, Frame);
        return b;
      }
    return std::make_unique<TBitmap>();
  }
  std::unique_ptr<TBitmap> Element(int Element, int Frames = 1, int Frame = 1) {
    return Picture(std::string(GetBuiltInValue(FStyle, Element).Resource), Frames, Frame);
  }
  int Int(int Element) const { return GetBuiltInInt(FStyle, Element); }
  TColor Color(int Element) const { return GetBuiltInColor(FStyle, Element); }

  void Body(TCanvas& C, int Width, int Height) {
    const std::string pattern = FStyle == MacOS ? "MACOS_FORM_BACKGROUND" : FStyle == Protein ? "PROTEIN_FORM_BACKGROUND" : "";
    if (!pattern.empty()) {
      const auto tile = Picture(pattern);
      TileGraphic(C, *tile, Rect(0, 0, Width, Height));
    } else {
      C.Brush().SetColor(Color(zteFormBackgroundColor));
      C.FillRect(Rect(0, 0, Width, Height));
    }
  }

  int TitleBar(TCanvas& C, int Width) {
    const auto left = Element(zteTitleBarLeftImage), client = Element(zteTitleBarClientImage),
               right = Element(zteTitleBarRightImage);
    const int h = left->Height();
    C.Draw(1, 0, *left);
    C.Draw(Width - 1 - right->Width(), 0, *right);
    C.StretchDraw(Rect(1 + left->Width(), 0, Width - 1 - right->Width(), h), *client);
    const int top = Int(zteTitleBarButtonTopInt);
    const bool transparent = GetBuiltInBool(FStyle, zteTitleBarButtonTransparentBool);
    const auto button = [&](int Frame, int X) {
      auto b = Element(zteTitleBarButtonImage, 18, Frame);
      b->SetTransparent(transparent);
      C.Draw(X, top, *b);
      return b->Width();
    };
    // Close, maximise, minimise from the right; the control box on the left, hovered.
    int x = Width + Int(zteTitleBarButtonRightOffsetInt);
    for (const int frame : {16, 7, 13}) {
      const int w = Element(zteTitleBarButtonImage, 18, frame)->Width();
      x -= w + 1;
      button(frame, x);
    }
    const int xl = Int(zteTitleBarButtonLeftOffsetInt) + 1;
    const int boxWidth = button(2, xl);
    C.Font().SetName("Tahoma");
    C.Font().SetHeight(-12);
    C.Font().SetStyle({fsBold});
    C.Font().SetColor(FStyle == MacOS ? clBlack : clWhite);
    C.Brush().SetStyle(bsClear);
    C.TextOut(xl + boxWidth + 5, (Element(zteTitleBarButtonImage)->Height() - C.TextHeight("A")) / 2 + top,
              FSheet.Title + " look");
    C.Font().SetStyle({});
    return h;
  }

  void Buttons(TCanvas& C, int X, int Y) {
    static const char* const Captions[] = {"Normal", "Hover", "Pressed"};
    const bool transparent = GetBuiltInBool(FStyle, zteButtonTransparentBool);
    for (int state = 0; state < 3; ++state) {
      const auto face = Element(zteButtonImage, 3, state + 1);
      TBitmap cell(75, 23);
      cell.Canvas().CopyRect(Rect(0, 0, 75, 23), C, Bounds(X + state * 85, Y, 75, 23));
      DrawNineSliceFace(*face, cell.Canvas(), Rect(0, 0, 75, 23), transparent);
      C.Draw(X + state * 85, Y, cell);
      C.Font().SetColor(clBlack);
      TRect r = Bounds(X + state * 85 + (state == 2), Y + (state == 2), 75, 23);
      C.DrawText(Captions[state], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    // A tall button, as the adjuster's default button is drawn.
    const auto face = Element(zteButtonImage, 3, 1);
    TBitmap cell(65, 57);
    cell.Canvas().CopyRect(Rect(0, 0, 65, 57), C, Bounds(X + 260, Y, 65, 57));
    DrawNineSliceFace(*face, cell.Canvas(), Rect(0, 0, 65, 57), transparent);
    C.Draw(X + 260, Y, cell);
    TRect r = Bounds(X + 260, Y, 65, 57);
    C.DrawText("Default", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }

  // The thumb of a scroll bar: its caps at the ends, the middle stretched between.
  void Thumb(TCanvas& C, const TRect& R, bool Vertical) {
    auto first = Element(zteScrollBarSliderImage, 3, 1), middle = Element(zteScrollBarSliderImage, 3, 2),
         last = Element(zteScrollBarSliderImage, 3, 3);
    if (Vertical) {
      for (TBitmap* b : {first.get(), middle.get(), last.get()})
        RotateBitmapRight(*b);
      C.Draw(R.Left, R.Top, *first);
      C.StretchDraw(Rect(R.Left, R.Top + first->Height(), R.Right, R.Bottom - last->Height()), *middle);
      C.Draw(R.Left, R.Bottom - last->Height(), *last);
    } else {
      C.Draw(R.Left, R.Top, *first);
      C.StretchDraw(Rect(R.Left + first->Width(), R.Top, R.Right - last->Width(), R.Bottom), *middle);
      C.Draw(R.Right - last->Width(), R.Top, *last);
    }
  }

  void ScrollBars(TCanvas& C, int X, int Y) {
    // Horizontal: the arrows are the vertical bar's frames turned left.
    auto dec = Element(zteScrollBarButtonImage, 6, 1), inc = Element(zteScrollBarButtonImage, 6, 4);
    RotateBitmapLeft(*dec);
    RotateBitmapLeft(*inc);
    const int length = 220, thickness = dec->Height();
    C.Brush().SetColor(Color(zteScrollBarBackgroundColor));
    C.FillRect(Bounds(X, Y, length, thickness));
    C.Draw(X, Y, *dec);
    C.Draw(X + length - inc->Width(), Y, *inc);
    Thumb(C, Bounds(X + 70, Y, 50, thickness), false);

    auto up = Element(zteScrollBarButtonImage, 6, 2), down = Element(zteScrollBarButtonImage, 6, 6);
    const int vx = X + 360, vy = Y - 90, vlength = 150, vthickness = up->Width();
    C.FillRect(Bounds(vx, vy, vthickness, vlength));
    C.Draw(vx, vy, *up);
    C.Draw(vx, vy + vlength - down->Height(), *down);
    Thumb(C, Bounds(vx, vy + 50, vthickness, 40), true);
  }

  void TrackBar(TCanvas& C, int X, int Y) {
    const auto bar = Element(zteTrackBarBarImage), slider = Element(zteTrackBarSliderImage);
    TBitmap strip(220, bar->Height());
    strip.Canvas().CopyRect(Rect(0, 0, 220, bar->Height()), C, Bounds(X, Y + 8, 220, bar->Height()));
    DrawThreePartBar(*bar, strip.Canvas(), Rect(0, 0, 220, bar->Height()), false);
    C.Draw(X, Y + 8, strip);
    slider->SetTransparent(true);
    C.Draw(X + 80, Y + 8 + bar->Height() / 2 - slider->Height() / 2, *slider);
  }

  const TLookSheet& FSheet;
  TzykUIStyle FStyle;
};

} // namespace

TPixelBuffer DrawPreview(const TLookSheet& Sheet) {
  if (Sheet.Style == 0)
    return {};
  return TPreview(Sheet).Draw();
}
