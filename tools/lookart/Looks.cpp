#include "tools/lookart/Looks.h"

#include "tools/lookart/Art.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr float Pi = 3.14159265f;

// A face of a control in one state: border, a vertical fill from Top to Bottom (with an optional
// step a little below the middle for gel faces) and a highlight over its upper part.
struct TFace {
  TRGBA Border;
  TRGBA Top;
  TRGBA Bottom;
  float Gloss = 0;     // opacity of the white highlight over the upper part
  TRGBA MidTop{};      // with A > 0: the fill steps at half height from MidTop down to Bottom
  TRGBA MidBottom{};   // ... having run from Top to MidBottom above it
  TRGBA Inner{};       // with A > 0: a one-pixel line just inside the border
};

// What the generic painters need to know of a look.
struct TStyle {
  std::string Prefix;
  TRGBA Back;       // the colour the pictures sit on (form and control background)
  TRGBA ScrollBack; // scroll bar background
  TFace Normal, Hover, Pressed;
  TRGBA Glyph, GlyphHover, GlyphPressed;
  TRGBA Accent;
  float Radius = 0;
  bool Horizontal = false; // faces of scroll arrows shaded across x (vertical bar) instead of y
};

// Across X (the faces of a vertical scroll bar's pieces) a gel face becomes a smooth cylinder:
// light at both sides, its mid colour in the middle.
TPaint FaceFill(const TFace& F, float Top, float Bottom, bool AcrossX = false) {
  std::vector<TStop> stops;
  if (F.MidTop.A > 0 && AcrossX)
    stops = {{0, F.Top}, {0.5f, F.MidTop}, {1, F.Bottom}};
  else if (F.MidTop.A > 0)
    // The step sits below the middle row, so that a button face cut at its middle row for the
    // nine-slice edges takes its left and right edge rows (the middle one and the one below) from
    // the same side of the step.
    stops = {{0, F.Top}, {0.6f, F.MidBottom}, {0.6001f, F.MidTop}, {1, F.Bottom}};
  else
    stops = {{0, F.Top}, {1, F.Bottom}};
  return AcrossX ? HGradient(Top, Bottom, stops) : VGradient(Top, Bottom, stops);
}

void PaintFace(TArt& A, float L, float T, float R, float B, float Radius, const TFace& F, bool AcrossX = false) {
  A.Fill(Box(L, T, R, B, Radius), F.Border);
  const TShape inside = Box(L + 1, T + 1, R - 1, B - 1, std::max(0.0f, Radius - 1));
  A.Fill(inside, AcrossX ? FaceFill(F, L + 1, R - 1, true) : FaceFill(F, T + 1, B - 1));
  if (F.Inner.A > 0)
    A.Fill(Outline(inside, 1), F.Inner);
  if (F.Gloss > 0) {
    const float mid = T + (B - T) * 0.6f;
    A.Fill(Intersect(Grow(inside, -0.5f), Box(L, T, R, mid)),
           VGradient(T, mid, {{0, Hex(0xFFFFFF, F.Gloss)}, {1, Hex(0xFFFFFF, F.Gloss * 0.35f)}}));
  }
}

// Frames side by side, each drawn into a layer of its own.
TArt Strip(int Count, int FrameWidth, int Height, const std::function<void(TArt&, int)>& Draw) {
  TArt strip(Count * FrameWidth, Height);
  for (int i = 0; i < Count; ++i) {
    TArt frame(FrameWidth, Height);
    Draw(frame, i);
    strip.Paste(frame, i * FrameWidth, 0);
  }
  return strip;
}

const TFace& StateFace(const TStyle& S, int State) {
  return State == 0 ? S.Normal : State == 1 ? S.Hover : S.Pressed;
}
const TRGBA& StateGlyph(const TStyle& S, int State) {
  return State == 0 ? S.Glyph : State == 1 ? S.GlyphHover : S.GlyphPressed;
}

// A crisp arrow of Rows pixel rows pointing up (Dir -1) or down (Dir 1), centred on CX (a pixel
// edge for an even-width frame, a pixel centre for an odd one) and on CY.
void Arrow(TArt& A, float CX, float CY, int Rows, int Dir, const TRGBA& C) {
  const bool even = std::abs(CX - std::round(CX)) < 0.25f;
  const int top = static_cast<int>(std::lround(CY - Rows / 2.0f));
  for (int i = 0; i < Rows; ++i) {
    const int row = Dir < 0 ? top + i : top + Rows - 1 - i;
    const float half = i + (even ? 1.0f : 0.5f);
    A.Fill(Box(CX - half, row, CX + half, row + 1), C);
  }
}

// Title button glyphs: 0 control box (a menu chevron), 1 help, 2 maximise, 3 restore, 4 minimise,
// 5 close. S is half the glyph's extent, W the stroke width.
void Glyph(TArt& A, int Kind, float CX, float CY, float S, float W, const TRGBA& C) {
  switch (Kind) {
  case 0:
    A.Fill(Union(Capsule(CX - S, CY - S * 0.35f, CX, CY + S * 0.45f, W), Capsule(CX, CY + S * 0.45f, CX + S, CY - S * 0.35f, W)),
           C);
    break;
  case 1: {
    const float r = S * 0.55f, cy = CY - S * 0.35f;
    const TShape hook = Intersect(Subtract(Circle(CX, cy, r + W / 2), Circle(CX, cy, r - W / 2)),
                                  Union(Box(CX - S * 2, cy - S * 2, CX + S * 2, cy), Box(CX, cy, CX + S * 2, cy + S)));
    A.Fill(Union(hook, Capsule(CX + r * 0.2f, cy + r * 0.95f, CX, CY + S * 0.35f, W)), C);
    A.Fill(Circle(CX, CY + S * 0.9f, W * 0.62f), C);
    break;
  }
  case 2:
    A.Fill(Outline(Box(CX - S, CY - S, CX + S, CY + S), W), C);
    A.Fill(Box(CX - S, CY - S, CX + S, CY - S + W * 1.6f), C);
    break;
  case 3: {
    const float o = S * 0.4f;
    A.Fill(Subtract(Outline(Box(CX - S + o, CY - S, CX + S, CY + S - o), W), Box(CX - S, CY - S + o, CX + S - o, CY + S)), C);
    A.Fill(Outline(Box(CX - S, CY - S + o, CX + S - o, CY + S), W), C);
    A.Fill(Box(CX - S, CY - S + o, CX + S - o, CY - S + o + W * 1.4f), C);
    break;
  }
  case 4:
    A.Fill(Box(CX - S, CY + S - W * 1.5f, CX + S * 0.6f, CY + S), C);
    break;
  default:
    A.Fill(Union(Capsule(CX - S, CY - S, CX + S, CY + S, W), Capsule(CX - S, CY + S, CX + S, CY - S, W)), C);
    break;
  }
}

void Add(std::vector<TLookPicture>& Out, const std::string& Name, int Bits, int Frames, TPixelBuffer Pixels,
         std::vector<TPixel> Pinned = {}) {
  Out.push_back({Name, Bits, Frames, std::move(Pixels), std::move(Pinned)});
}

// ---- Pictures that every look has, drawn from the look's faces.

// Scroll bar arrows drawn for a vertical bar: frames 1-3 point up, 4-6 down.
TArt ScrollArrows(const TStyle& S, int FrameWidth, int Height, float Radius, int ArrowRows) {
  return Strip(6, FrameWidth, Height, [&](TArt& A, int i) {
    const int state = i % 3, dir = i < 3 ? -1 : 1;
    A.Fill(Box(0, 0, A.Width(), A.Height()), S.ScrollBack);
    PaintFace(A, 0, 0, A.Width(), A.Height(), Radius, StateFace(S, state), S.Horizontal);
    Arrow(A, A.Width() / 2.0f, A.Height() / 2.0f, ArrowRows, dir, StateGlyph(S, state));
  });
}

// Thumb pieces lying horizontally: left cap, middle, right cap. The thumb is drawn whole across the
// three frames, so the middle frame is the same in every column and stretches cleanly.
TArt ThumbPieces(const TStyle& S, int FrameWidth, int Height, const TFace& Face, float Radius, float Inset) {
  TArt A(FrameWidth * 3, Height);
  A.Fill(Box(0, 0, A.Width(), A.Height()), S.ScrollBack);
  PaintFace(A, 0, Inset, A.Width(), Height - Inset, Radius, Face);
  return A;
}

TArt CheckBoxes(const TStyle& S, int FrameWidth, int Height, bool Round) {
  return Strip(4, FrameWidth, Height, [&](TArt& A, int i) {
    const float size = std::min(FrameWidth, Height) - 1.0f;
    const float l = (FrameWidth - size) / 2, t = (Height - size) / 2;
    TFace face = i == 2 ? S.Hover : S.Normal;
    if (i == 3)
      face = {Mix(face.Border, S.Back, 0.55f), Mix(face.Top, S.Back, 0.6f), Mix(face.Bottom, S.Back, 0.6f)};
    PaintFace(A, l, t, l + size, t + size, Round ? size / 2 : std::min(S.Radius, 2.0f), face);
    if (i == 1 || i == 3) {
      const TRGBA mark = i == 3 ? Mix(S.Accent, S.Back, 0.5f) : S.Accent;
      const float cx = FrameWidth / 2.0f, cy = Height / 2.0f, k = size / 13;
      if (Round)
        A.Fill(Circle(cx, cy, 2.6f * k), mark);
      else
        A.Fill(Union(Capsule(cx - 3.2f * k, cy, cx - 0.8f * k, cy + 2.6f * k, 1.8f * k),
                     Capsule(cx - 0.8f * k, cy + 2.6f * k, cx + 3.4f * k, cy - 3 * k, 1.8f * k)),
               mark);
    }
  });
}

TArt TrackGroove(int Width, int Height, const TRGBA& Border, const TRGBA& Top, const TRGBA& Bottom, bool Round = true) {
  TArt A(Width, Height);
  const float r = Round ? Height / 2.0f : 0;
  A.Fill(Box(0, 0, Width, Height, r), Border);
  A.Fill(Box(1, 1, Width - 1, Height - 1, std::max(0.0f, r - 1)), VGradient(1, Height - 1, {{0, Top}, {1, Bottom}}));
  return A;
}

// A slider pointing down (horizontal track bar): a rounded body with a point at the bottom.
TArt SliderDown(int Width, int Height, const TFace& Face) {
  TArt A(Width, Height);
  const float w = Width, h = Height, tip = h - w * 0.55f;
  const TShape body = Grow(Polygon({{1.2f, 1.2f}, {w - 1.2f, 1.2f}, {w - 1.2f, tip}, {w / 2, h - 1.0f}, {1.2f, tip}}), 0.7f);
  A.Fill(body, Face.Border);
  A.Fill(Grow(body, -1), FaceFill(Face, 1, h - 1, true));
  if (Face.Gloss > 0)
    A.Fill(Intersect(Grow(body, -1.5f), Box(0, 0, w / 2, h)), Hex(0xFFFFFF, Face.Gloss * 0.6f));
  return A;
}

// A slider pointing right (vertical track bar).
TArt SliderRight(int Width, int Height, const TFace& Face, const TRGBA& Back) {
  TArt A(Width, Height);
  A.Fill(Box(0, 0, Width, Height), Back);
  const float w = Width, h = Height, tip = w - h * 0.55f;
  const TShape body = Grow(Polygon({{1.2f, 1.2f}, {tip, 1.2f}, {w - 1.0f, h / 2}, {tip, h - 1.2f}, {1.2f, h - 1.2f}}), 0.7f);
  A.Fill(body, Face.Border);
  A.Fill(Grow(body, -1), FaceFill(Face, 1, h - 1));
  if (Face.Gloss > 0)
    A.Fill(Intersect(Grow(body, -1.5f), Box(0, 0, w, h / 2)), Hex(0xFFFFFF, Face.Gloss * 0.6f));
  return A;
}

// Tab scroller: left and right arrows, normal and pressed.
TArt ScrollButtons(const TStyle& S, int FrameWidth, int Height) {
  return Strip(4, FrameWidth, Height, [&](TArt& A, int i) {
    const int state = i % 2 == 0 ? 0 : 2;
    A.Fill(Box(0, 0, A.Width(), A.Height()), S.Back);
    PaintFace(A, 0, 0, A.Width(), A.Height(), std::min(S.Radius, 3.0f), StateFace(S, state));
    // Columns of a crisp arrow pointing left (first two frames) or right.
    const int cy = A.Height() / 2, left = A.Width() / 2 - 2;
    for (int k = 0; k < 4; ++k) {
      const int col = i < 2 ? left + k : left + 3 - k;
      A.Fill(Box(col, cy - k - (A.Height() % 2 ? 0.5f : 1.0f) + 0.5f, col + 1, cy + k + 1), StateGlyph(S, state));
    }
  });
}

// A tab: rounded top, open bottom. With two frames: normal, then selected.
TArt Tabs(const TStyle& S, int Frames, int FrameWidth, int Height) {
  return Strip(Frames, FrameWidth, Height, [&](TArt& A, int i) {
    A.Fill(Box(0, 0, A.Width(), A.Height()), S.Back);
    const TFace& face = i == 0 && Frames > 1 ? S.Normal : S.Hover;
    const float r = std::min(3.0f, FrameWidth / 4.0f);
    PaintFace(A, 0, i == 0 && Frames > 1 ? 2.0f : 0.0f, A.Width(), A.Height() + r + 1, r, face);
  });
}

TArt TabLine(const TStyle& S, int Width, int Height) {
  TArt A(Width, Height);
  A.Fill(Box(0, 0, Width, Height), S.Back);
  A.Fill(Box(0, 0, Width, 1), S.Normal.Border);
  if (Height > 1)
    A.Fill(Box(0, 1, Width, Height), VGradient(1, Height, {{0, S.Hover.Top}, {1, S.Back}}));
  return A;
}

// The side channel: a tall handle with grip marks and its one-pixel bar.
TArt SideHandle(const TStyle& S, int Width, int Height) {
  TArt A(Width, Height);
  A.Fill(Box(0, 0, Width, Height), S.Back);
  PaintFace(A, 0, 0, Width, Height, std::min(S.Radius, Width / 2.0f - 1), S.Normal, true);
  for (int k = -2; k <= 2; ++k) {
    const float y = Height / 2.0f + k * 3;
    A.Fill(Box(2, y - 0.5f, Width - 2, y + 0.5f), Mix(S.Normal.Border, S.Normal.Top, 0.3f));
  }
  return A;
}

TArt SideBar(const TStyle& S, int Height) {
  TArt A(1, Height);
  A.Fill(Box(0, 0, 1, Height), FaceFill(S.Normal, 0, Height));
  A.Set(0, 0, S.Normal.Border);
  A.Set(0, Height - 1, S.Normal.Border);
  return A;
}

// A tile of the progress bar's fill.
TArt ProgressTile(const TStyle& S, int Width, int Height, bool Stripes) {
  TArt A(Width, Height);
  A.Fill(Box(0, 0, Width, Height), VGradient(0, Height, {{0, Lighten(S.Accent, 0.45f)}, {0.5f, S.Accent}, {1, Lighten(S.Accent, 0.2f)}}));
  if (Stripes)
    A.Fill(Polygon({{0, Height}, {Width * 0.45f, 0}, {Width * 0.9f, 0}, {Width * 0.45f, Height}}), Hex(0xFFFFFF, 0.28f));
  return A;
}

// The pictures every look draws the same way from its style. Sizes per look follow the table of
// the looks; Sizes lists them in the order used below.
struct TCommonSizes {
  int CheckW, CheckH, CheckBits;
  int RadioW, RadioH, RadioBits;
  int ProgressW, ProgressH;
  int CheckListW, CheckListBits;
  int TabW, TabH, TabBits, TabFrames;
  int TabLineW, TabLineH, TabLineBits;
  int HandleW, HandleH, HandleBits;
  int SideBarH, SideBarBits;
};

void DrawCommon(std::vector<TLookPicture>& Out, const TStyle& S, const TCommonSizes& Z, bool Gel) {
  Add(Out, S.Prefix + "CHECKBOX", Z.CheckBits, 4, CheckBoxes(S, Z.CheckW / 4, Z.CheckH, false).Flatten(S.Back, false));
  Add(Out, S.Prefix + "RADIOBUTTON", Z.RadioBits, 4, CheckBoxes(S, Z.RadioW / 4, Z.RadioH, true).Flatten(S.Back, false));
  Add(Out, S.Prefix + "PROGRESSBAR", 8, 1, ProgressTile(S, Z.ProgressW, Z.ProgressH, Gel).Flatten(S.Back, false));
  Add(Out, S.Prefix + "CHECKLIST", Z.CheckListBits, 4,
      CheckBoxes(S, Z.CheckListW / 4, 11, false).Flatten(S.Back, false));
  Add(Out, S.Prefix + "TAB", Z.TabBits, Z.TabFrames, Tabs(S, Z.TabFrames, Z.TabW / Z.TabFrames, Z.TabH).Flatten(S.Back, false));
  Add(Out, S.Prefix + "TAB_LINE", Z.TabLineBits, 1, TabLine(S, Z.TabLineW, Z.TabLineH).Flatten(S.Back, false));
  Add(Out, S.Prefix + "SIDECHENNEL_HANDLE", Z.HandleBits, 1, SideHandle(S, Z.HandleW, Z.HandleH).Flatten(S.Back, false));
  Add(Out, S.Prefix + "SIDECHENNEL_BAR", Z.SideBarBits, 1, SideBar(S, Z.SideBarH).Flatten(S.Back, false));
}

// A button strip: normal, hover/focused, pressed.
TArt Buttons(int FrameWidth, int Height, float Radius, const TFace& Normal, const TFace& Hover, const TFace& Pressed,
             const TRGBA* Back) {
  return Strip(3, FrameWidth, Height, [&](TArt& A, int i) {
    if (Back != nullptr)
      A.Fill(Box(0, 0, FrameWidth, Height), *Back);
    PaintFace(A, 0, 0, FrameWidth, Height, Radius, i == 0 ? Normal : i == 1 ? Hover : Pressed);
  });
}

// Title button strip: six kinds (control box, help, maximise, restore, minimise, close) in three
// states each. Draw paints one frame.
TArt TitleButtons(int Size, const std::function<void(TArt&, int Kind, int State)>& Draw) {
  return Strip(18, Size, Size, [&](TArt& A, int i) { Draw(A, i / 3, i % 3); });
}

// A title paint sampled once per band of Rows rows, so a title keeps few colours and its 4-bit
// pieces hold exactly the colours of its 8-bit ones.
TPaint Banded(TPaint Paint, int Rows) {
  return [=](float X, float Y) {
    const float band = std::floor(Y / Rows) * Rows;
    return Paint(X, band + Rows / 2.0f);
  };
}

TPaint Shifted(TPaint Paint, float DY) {
  return [=](float X, float Y) { return Paint(X, Y + DY); };
}

// A title bar section: the look's title paint, with what Decorate adds.
TArt TitleSection(int Width, int Height, const TPaint& Title, const std::function<void(TArt&)>& Decorate = {}) {
  TArt A(Width, Height);
  A.Fill(Box(0, 0, Width, Height), Title);
  if (Decorate)
    Decorate(A);
  return A;
}

// A gel orb (round title button): shadow, rim, body, upper highlight.
void Orb(TArt& A, float CX, float CY, float R, const TRGBA& Rim, const TPaint& Body, float Highlight) {
  A.Fill(Circle(CX, CY + 0.6f, R + 0.3f), Hex(0x000000, 0.18f));
  A.Fill(Circle(CX, CY, R), Rim);
  A.Fill(Circle(CX, CY, R - 1), Body);
  A.Fill(Ellipse(CX, CY - R * 0.42f, R * 0.66f, R * 0.4f),
         VGradient(CY - R * 0.85f, CY, {{0, Hex(0xFFFFFF, Highlight)}, {1, Hex(0xFFFFFF, Highlight * 0.15f)}}));
}

TPaint OrbBody(const TRGBA& C, float Y0, float Y1) {
  return VGradient(Y0, Y1, {{0, Darken(C, 0.12f)}, {0.55f, C}, {1, Lighten(C, 0.45f)}});
}

// ---- MacOS: light, glossy grey-white metal; gel title buttons; a pill push button that turns blue.

std::vector<TLookPicture> DrawMacOS() {
  TStyle S;
  S.Prefix = "MACOS_";
  S.Back = Hex(0xE7E7E7);
  S.ScrollBack = Hex(0xC9C9C9);
  S.Normal = {Hex(0x8A8A8A), Hex(0xFDFDFD), Hex(0xF6F6F6), 0.5f, Hex(0xE1E1E1), Hex(0xF0F0F0)};
  S.Hover = {Hex(0x6A8CBF), Hex(0xF5F9FE), Hex(0xE9F1FC), 0.5f, Hex(0xD0E0F6), Hex(0xE2ECFA)};
  S.Pressed = {Hex(0x2C5D9E), Hex(0xA9CDF6), Hex(0x8CC0F6), 0.5f, Hex(0x3F7FD8), Hex(0x74A8EA)};
  S.Glyph = Hex(0x3C3C3C);
  S.GlyphHover = Hex(0x2B4F80);
  S.GlyphPressed = Hex(0xFFFFFF);
  S.Accent = Hex(0x3973C4);
  S.Radius = 3;
  S.Horizontal = true;
  std::vector<TLookPicture> out;

  Add(out, "MACOS_BUTTON", 8, 3,
      Buttons(84, 23, 11.5f, S.Normal, S.Hover, S.Pressed, nullptr).Flatten(S.Back, true));

  // Brushed metal: a light gradient with faint pin-stripes on every other row.
  const TPaint metal = VGradient(0, 23, {{0, Hex(0xFAFAFA)}, {1 / 23.0f, Hex(0xFAFAFA)}, {1.01f / 23, Hex(0xEDEDED)},
                                        {22 / 23.0f, Hex(0xC4C4C4)}, {22.01f / 23, Hex(0x7F7F7F)}, {1, Hex(0x7F7F7F)}});
  const TPaint title = [metal](float X, float Y) {
    const int row = static_cast<int>(Y);
    const TRGBA c = metal(X, Y);
    return row >= 1 && row < 22 && row % 2 == 0 ? Darken(c, 0.025f) : c;
  };
  Add(out, "MACOS_TITLE_LEFT", 8, 1, TitleSection(48, 23, title, [](TArt& A) {
        A.Fill(Box(0, 1, 1, 22), Hex(0xFFFFFF, 0.7f));
      }).Flatten(S.Back, false));
  Add(out, "MACOS_TITLE_CLIENT", 8, 1, TitleSection(49, 23, title).Flatten(S.Back, false));
  Add(out, "MACOS_TITLE_RIGHT", 8, 1, TitleSection(48, 23, title, [](TArt& A) {
        A.Fill(Box(47, 1, 48, 22), Hex(0x000000, 0.12f));
      }).Flatten(S.Back, false));

  // Gel buttons: close red, minimise amber, zoom green, help and control box graphite. The glyph
  // shows when the mouse is over the button, as on gel buttons.
  const TRGBA colours[6] = {Hex(0x8E97A5), Hex(0x7F9CC6), Hex(0x56B43E), Hex(0x56B43E), Hex(0xF2AE2B), Hex(0xE0443E)};
  Add(out, "MACOS_TITLEBTN", 24, 18, TitleButtons(17, [&](TArt& A, int Kind, int State) {
        A.Fill(Box(0, 0, 17, 17), Shifted(title, 4));
        TRGBA body = colours[Kind];
        if (State == 2)
          body = Darken(body, 0.22f);
        Orb(A, 8.5f, 8.5f, 7.3f, Darken(colours[Kind], 0.35f), OrbBody(body, 1.2f, 15.8f), 0.9f);
        if (State > 0)
          Glyph(A, Kind, 8.5f, 8.5f, 2.9f, 1.5f, Hex(0x000000, 0.55f));
      }).Flatten(S.Back, false));

  Add(out, "MACOS_SCROLLBAR_BUTTON", 8, 6, ScrollArrows(S, 16, 22, 0, 4).Flatten(S.Back, false));
  Add(out, "MACOS_SCROLLBAR_TRACK", 8, 3, ThumbPieces(S, 11, 16, S.Pressed, 7, 1).Flatten(S.Back, false));
  Add(out, "MACOS_TRACKBAR_BAR", 24, 1,
      TrackGroove(45, 5, Hex(0x7A7A7A), Hex(0xB3B3B3), Hex(0xE8E8E8)).Flatten(S.Back, true));
  Add(out, "MACOS_TRACKBAR_SLIDER", 24, 1, SliderDown(11, 20, S.Normal).Flatten(S.Back, true));
  Add(out, "MACOS_TRACKBAR_SLIDER_V", 8, 1, SliderRight(19, 11, S.Normal, S.Back).Flatten(S.Back, false));
  Add(out, "MACOS_SCROLLBUTTON", 8, 4, ScrollButtons(S, 18, 18).Flatten(S.Back, false));
  DrawCommon(out, S, {60, 17, 8, 64, 17, 8, 13, 10, 40, 8, 36, 27, 8, 2, 17, 7, 8, 7, 84, 8, 21, 8}, true);

  TArt menuBar(1, 22);
  menuBar.Fill(Box(0, 0, 1, 22), VGradient(0, 21, {{0, Hex(0xF7F7F7)}, {1, Hex(0xD2D2D2)}}));
  menuBar.Set(0, 21, Hex(0x9A9A9A));
  Add(out, "MACOS_MENU_BAR", 4, 1, menuBar.Flatten(S.Back, false));
  TArt menuSelect(1, 21);
  menuSelect.Fill(Box(0, 0, 1, 21), VGradient(0, 21, {{0, Hex(0x6C9FE6)}, {0.5f, Hex(0x4A82D2)}, {1, Hex(0x3366B8)}}));
  menuSelect.Set(0, 0, Hex(0x5B8FDB));
  Add(out, "MACOS_MENU_SELECT", 8, 1, menuSelect.Flatten(S.Back, false));

  // Fine horizontal pin-stripes around the form colour.
  TArt stripes(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      stripes.Set(x, y, y % 2 == 0 ? Hex(0xECECEC) : Hex(0xE2E2E2));
  Add(out, "MACOS_FORM_BACKGROUND", 4, 1, stripes.Flatten(S.Back, false));
  return out;
}

// ---- WinXP: a bright blue title bar with rounded top corners, light blue-white scroll bar pieces,
// a silver-white push button with a warm hover edge.

std::vector<TLookPicture> DrawWinXP() {
  TStyle S;
  S.Prefix = "WINXP_";
  S.Back = Hex(0xEFEBDE);
  S.ScrollBack = Hex(0xF9F9F9);
  S.Normal = {Hex(0xB4C8F6), Hex(0xE4EDFE), Hex(0xBFD1FA)};
  S.Hover = {Hex(0x8FAEF0), Hex(0xF4F8FF), Hex(0xCADCFE)};
  S.Pressed = {Hex(0x6F8FD8), Hex(0xA9C0F2), Hex(0xC4D5F8)};
  S.Glyph = Hex(0x4D6185);
  S.GlyphHover = Hex(0x3A5590);
  S.GlyphPressed = Hex(0x1F3468);
  S.Accent = Hex(0x3169C6);
  S.Radius = 2.5f;
  S.Horizontal = true;
  std::vector<TLookPicture> out;

  const TFace normal{Hex(0x003C74), Hex(0xFFFFFF), Hex(0xD6D0C5), 0, Hex(0xF3F2EE), Hex(0xFBFBF9)};
  TFace hover = normal;
  hover.Inner = Hex(0xF8B330);
  const TFace pressed{Hex(0x003C74), Hex(0xD9D6CC), Hex(0xF4F3EE)};
  Add(out, "WINXP_BUTTON", 8, 3, Buttons(18, 21, 3, normal, hover, pressed, &S.Back).Flatten(S.Back, false));

  const TPaint title = VGradient(0, 29, {{0, Hex(0x2D7DF2)},
                                        {0.07f, Hex(0x4E9BFF)},
                                        {0.2f, Hex(0x1F6FEC)},
                                        {0.55f, Hex(0x0A5BE3)},
                                        {0.86f, Hex(0x0553DB)},
                                        {0.93f, Hex(0x0A4CC6)},
                                        {1, Hex(0x003BA6)}});
  Add(out, "WINXP_TITLE_LEFT", 8, 1, TitleSection(35, 29, title, [](TArt& A) {
        A.Fill(Outline(Box(0, 0, 70, 60, 13), 1), Hex(0xFFFFFF, 0.35f));
      }).Flatten(S.Back, false));
  Add(out, "WINXP_TITLE_CLIENT", 8, 1, TitleSection(37, 29, title, [](TArt& A) {
        A.Fill(Box(0, 0, 37, 1), Hex(0xFFFFFF, 0.35f));
      }).Flatten(S.Back, false));
  Add(out, "WINXP_TITLE_RIGHT", 8, 1, TitleSection(35, 29, title, [](TArt& A) {
        A.Fill(Outline(Box(-35, 0, 35, 60, 13), 1), Hex(0xFFFFFF, 0.35f));
        A.Fill(Box(34, 10, 35, 29), Hex(0x002E8A, 0.5f));
      }).Flatten(S.Back, false));

  Add(out, "WINXP_TITLEBTN", 24, 18, TitleButtons(21, [&](TArt& A, int Kind, int State) {
        A.Fill(Box(0, 0, 21, 21), Shifted(title, 5));
        const bool close = Kind == 5;
        TRGBA top = close ? Hex(0xF09A7C) : Hex(0x6AA5FA), bottom = close ? Hex(0xC6391C) : Hex(0x1D5FD6);
        if (State == 1) {
          top = Lighten(top, 0.25f);
          bottom = Lighten(bottom, 0.18f);
        } else if (State == 2) {
          std::swap(top, bottom);
          top = Darken(top, 0.15f);
        }
        A.Fill(Box(0.5f, 0.5f, 20.5f, 20.5f, 3.5f), Hex(0xFFFFFF));
        A.Fill(Box(1.5f, 1.5f, 19.5f, 19.5f, 2.5f), VGradient(1.5f, 19.5f, {{0, top}, {1, bottom}}));
        if (State != 2)
          A.Fill(Intersect(Box(1.5f, 1.5f, 19.5f, 19.5f, 2.5f), Ellipse(6, 5, 8, 6)), Hex(0xFFFFFF, 0.28f));
        Glyph(A, Kind, 10.5f, 10.5f, 4, 2, Hex(0xFFFFFF));
      }).Flatten(S.Back, false));

  Add(out, "WINXP_SCROLLBAR_BUTTON", 8, 6, ScrollArrows(S, 16, 17, 2.5f, 4).Flatten(S.Back, false));
  Add(out, "WINXP_SCROLLBAR_TRACK", 8, 3,
      ThumbPieces(S, 7, 16, {Hex(0xA9BDEB), Hex(0xE1EAFE), Hex(0xB9CDF7)}, 3, 0).Flatten(S.Back, false));
  Add(out, "WINXP_TRACKBAR_BAR", 24, 1,
      TrackGroove(45, 8, Hex(0xA5A397), Hex(0xE5E3D8), Hex(0xFFFFFF)).Flatten(S.Back, true));
  const TFace slider{Hex(0x1C5180), Hex(0xFFFFFF), Hex(0xDCD9CC), 0, {}, {}, Hex(0x45B846, 0.8f)};
  Add(out, "WINXP_TRACKBAR_SLIDER", 24, 1, SliderDown(11, 21, slider).Flatten(S.Back, true));
  Add(out, "WINXP_TRACKBAR_SLIDER_V", 8, 1, SliderRight(22, 11, slider, S.Back).Flatten(S.Back, false));
  Add(out, "WINXP_SCROLLBUTTON", 8, 4, ScrollButtons(S, 18, 18).Flatten(S.Back, false));
  TStyle common = S;
  common.Accent = Hex(0x21A121);
  DrawCommon(out, common, {52, 13, 8, 52, 13, 8, 6, 10, 44, 4, 18, 18, 8, 1, 8, 1, 4, 8, 86, 8, 21, 8}, false);
  return out;
}

// ---- DeepBlue: deep navy and steel, flat and crisp, square corners.

const TRGBA Navy = Hex(0x1C2B5A);
const TRGBA Steel = Hex(0x5B6E96);
const TRGBA LightSteel = Hex(0xAEB9CE);

TStyle DeepBlueStyle() {
  TStyle S;
  S.Prefix = "DEEPBLUE_";
  S.Back = Hex(0xE8E8E8);
  S.ScrollBack = Hex(0xF5F5F5);
  S.Normal = {Steel, Hex(0xD0D7E3), Hex(0xD0D7E3)};
  S.Hover = {Hex(0x2E4E9A), Hex(0xDFE6F2), Hex(0xDFE6F2)};
  S.Pressed = {Navy, Steel, Steel};
  S.Glyph = Navy;
  S.GlyphHover = Hex(0x2E4E9A);
  S.GlyphPressed = Hex(0xFFFFFF);
  S.Accent = Hex(0x444AA0);
  S.Radius = 0;
  S.Horizontal = false;
  return S;
}

std::vector<TLookPicture> DrawDeepBlue() {
  const TStyle S = DeepBlueStyle();
  std::vector<TLookPicture> out;

  const TFace normal{Navy, Hex(0xE1E6EF), Hex(0xE1E6EF), 0, {}, {}, Hex(0xFFFFFF)};
  const TFace hover{Hex(0x2E4E9A), Hex(0xEAF0F9), Hex(0xEAF0F9), 0, {}, {}, Hex(0x8FA6D6)};
  const TFace pressed{Navy, Hex(0xB9C3D6), Hex(0xB9C3D6), 0, {}, {}, Hex(0x8E9AB2)};
  Add(out, "DEEPBLUE_BUTTON", 4, 3, Buttons(74, 21, 0, normal, hover, pressed, &S.Back).Flatten(S.Back, false));

  // Flat navy behind the buttons and caption, a lower steel tier, crisp lines between.
  const auto rows = [](std::vector<std::pair<int, unsigned>> Bands) {
    std::vector<TStop> stops;
    for (std::size_t i = 0; i < Bands.size(); ++i) {
      const int end = i + 1 < Bands.size() ? Bands[i + 1].first : 32;
      stops.push_back({Bands[i].first / 32.0f + 0.001f, Hex(Bands[i].second)});
      stops.push_back({end / 32.0f, Hex(Bands[i].second)});
    }
    return VGradient(0, 32, stops);
  };
  const TPaint title = rows({{0, 0x5B6E96}, {1, 0x2B3F76}, {2, 0x22346E}, {23, 0x3A4F86}, {24, 0x2E4279},
                             {30, 0x4A5E92}, {31, 0x0C1433}});
  Add(out, "DEEPBLUE_TITLE_LEFT", 8, 1, TitleSection(97, 32, title, [](TArt& A) {
        A.Fill(Box(0, 1, 1, 31), Steel);
      }).Flatten(S.Back, false));
  Add(out, "DEEPBLUE_TITLE_CLIENT", 4, 1, TitleSection(98, 32, title).Flatten(S.Back, false));
  Add(out, "DEEPBLUE_TITLE_RIGHT", 8, 1, TitleSection(97, 32, title, [](TArt& A) {
        A.Fill(Box(96, 1, 97, 31), Hex(0x0C1433));
      }).Flatten(S.Back, false));

  Add(out, "DEEPBLUE_TITLEBTN", 4, 18, TitleButtons(19, [&](TArt& A, int Kind, int State) {
        A.Fill(Box(0, 0, 19, 19), Shifted(title, 2));
        const bool close = Kind == 5;
        const TRGBA fill = State == 0   ? Hex(0x2E4279)
                           : State == 1 ? (close ? Hex(0xA83236) : Hex(0x3E5692))
                                        : (close ? Hex(0x7A1E22) : Navy);
        A.Fill(Box(1, 1, 18, 18), State == 0 ? Steel : LightSteel);
        A.Fill(Box(2, 2, 17, 17), fill);
        Glyph(A, Kind, 9.5f, 9.5f, 3.5f, 1.6f, State == 0 ? Hex(0xDCE3F0) : Hex(0xFFFFFF));
      }).Flatten(S.Back, false),
      {0x22346E});

  Add(out, "DEEPBLUE_SCROLLBAR_BUTTON", 4, 6, ScrollArrows(S, 16, 16, 0, 4).Flatten(S.Back, false));
  Add(out, "DEEPBLUE_SCROLLBAR_TRACK", 4, 3,
      ThumbPieces(S, 7, 16, {Navy, Hex(0x6A7DA6), Hex(0x52658F)}, 0, 1).Flatten(S.Back, false));
  Add(out, "DEEPBLUE_TRACKBAR_BAR", 24, 1, TrackGroove(45, 4, Navy, Steel, Hex(0x7083AB), false).Flatten(S.Back, true));
  const TFace slider{Navy, LightSteel, Hex(0x8593B3)};
  Add(out, "DEEPBLUE_TRACKBAR_SLIDER", 24, 1, SliderDown(11, 20, slider).Flatten(S.Back, true));
  Add(out, "DEEPBLUE_TRACKBAR_SLIDER_V", 8, 1, SliderRight(18, 11, slider, S.Back).Flatten(S.Back, false));
  DrawCommon(out, S, {52, 13, 4, 52, 13, 4, 1, 10, 44, 4, 12, 17, 4, 1, 5, 5, 4, 8, 83, 4, 20, 4}, false);
  return out;
}

// The tab scroller that DeepBlue, Protein and BlueGlass share: neutral steel.
TPixelBuffer DrawMoreScrollButton() {
  TStyle S = DeepBlueStyle();
  return ScrollButtons(S, 18, 17).Flatten(S.Back, false);
}

// ---- Protein: very light, almost white surfaces with cool blue accents; a light form pattern.

std::vector<TLookPicture> DrawProtein() {
  TStyle S;
  S.Prefix = "PROTEIN_";
  S.Back = Hex(0xFBFBFB);
  S.ScrollBack = Hex(0xF5F5F5);
  S.Normal = {Hex(0xC3CFE3), Hex(0xFFFFFF), Hex(0xEBF0F8)};
  S.Hover = {Hex(0x7FA2E0), Hex(0xFFFFFF), Hex(0xDFE9FA)};
  S.Pressed = {Hex(0x5A7EC4), Hex(0xCCDAF3), Hex(0xE9EFFA)};
  S.Glyph = Hex(0x3F6FD0);
  S.GlyphHover = Hex(0x2F5FC0);
  S.GlyphPressed = Hex(0x22478F);
  S.Accent = Hex(0x2D30C4);
  S.Radius = 2;
  S.Horizontal = true;
  std::vector<TLookPicture> out;

  const TFace normal{Hex(0x9FB3D1), Hex(0xFFFFFF), Hex(0xECF1F8)};
  const TFace hover{Hex(0x5D86D6), Hex(0xFFFFFF), Hex(0xE1EBFA), 0, {}, {}, Hex(0xCFE0FA)};
  const TFace pressed{Hex(0x4A6FB8), Hex(0xD6E2F6), Hex(0xF3F6FC)};
  Add(out, "PROTEIN_BUTTON", 8, 3, Buttons(74, 21, 3, normal, hover, pressed, &S.Back).Flatten(S.Back, false));

  // A cool blue bar (the caption is white) in bands of two rows.
  const TPaint title = Banded(VGradient(0, 23, {{0, Hex(0x9DBBEA)},
                                                {0.09f, Hex(0x7399DC)},
                                                {0.5f, Hex(0x5281CD)},
                                                {0.9f, Hex(0x3F69B8)},
                                                {1, Hex(0x2C4E92)}}),
                              2);
  Add(out, "PROTEIN_TITLE_LEFT", 8, 1, TitleSection(441, 23, title, [](TArt& A) {
        // A soft light sweep over the left, fading out before the piece meets the client strip.
        A.Fill(Box(0, 1, 441, 11), HGradient(0, 420, {{0, Hex(0xFFFFFF, 0.3f)}, {1, Hex(0xFFFFFF, 0)}}));
        A.Fill(Box(0, 0, 1, 23), Hex(0xFFFFFF, 0.4f));
      }).Flatten(S.Back, false));
  Add(out, "PROTEIN_TITLE_CLIENT", 4, 1, TitleSection(1, 23, title).Flatten(S.Back, false));
  Add(out, "PROTEIN_TITLE_RIGHT", 8, 1, TitleSection(1, 23, title, [](TArt& A) {
        A.Fill(Box(0, 0, 1, 23), Hex(0x0F2A60, 0.35f));
      }).Flatten(S.Back, false));

  Add(out, "PROTEIN_TITLEBTN", 4, 18, TitleButtons(19, [&](TArt& A, int Kind, int State) {
        const TRGBA rim = Hex(0x2F57A6);
        TPaint body = VGradient(2, 17, {{0, Hex(0xFFFFFF)}, {1, Hex(0xD5E1F5)}});
        TRGBA glyph = rim;
        if (State == 1)
          body = VGradient(2, 17, {{0, Hex(0xFFFFFF)}, {1, Hex(0xB9CFF5)}});
        else if (State == 2) {
          body = VGradient(2, 17, {{0, Hex(0x4C78C8)}, {1, Hex(0x739AE0)}});
          glyph = Hex(0xFFFFFF);
        }
        A.Fill(Circle(9.5f, 9.5f, 8), rim);
        A.Fill(Circle(9.5f, 9.5f, 7), body);
        Glyph(A, Kind, 9.5f, 9.5f, 3.2f, 1.6f, glyph);
      }).Flatten(Hex(0x5281CD), true));

  Add(out, "PROTEIN_SCROLLBAR_BUTTON", 8, 6, ScrollArrows(S, 16, 16, 2, 4).Flatten(S.Back, false));
  Add(out, "PROTEIN_SCROLLBAR_TRACK", 4, 3,
      ThumbPieces(S, 7, 16, {Hex(0x6E8FCF), Hex(0xEDF2FC), Hex(0xC6D6F3)}, 3, 1).Flatten(S.Back, false));
  Add(out, "PROTEIN_TRACKBAR_BAR", 24, 1,
      TrackGroove(45, 4, Hex(0xA7B6D0), Hex(0xDCE4F1), Hex(0xFFFFFF)).Flatten(S.Back, true));
  const TFace slider{Hex(0x5D7FC0), Hex(0xFFFFFF), Hex(0xD5E1F5)};
  Add(out, "PROTEIN_TRACKBAR_SLIDER", 24, 1, SliderDown(11, 20, slider).Flatten(S.Back, true));
  Add(out, "PROTEIN_TRACKBAR_SLIDER_V", 8, 1, SliderRight(18, 11, slider, S.Back).Flatten(S.Back, false));
  DrawCommon(out, S, {52, 13, 4, 52, 13, 4, 1, 10, 44, 4, 18, 17, 4, 1, 10, 5, 4, 8, 83, 4, 21, 4}, false);

  // A light lattice of cool dots on the form colour.
  TArt pattern(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      TRGBA c = Hex(0xFBFBFB);
      if ((x + y) % 8 == 0)
        c = Hex(0xEDF1F8);
      else if ((x - y + 8) % 8 == 4)
        c = Hex(0xF3F5FA);
      pattern.Set(x, y, c);
    }
  Add(out, "PROTEIN_FORM_BACKGROUND", 4, 1, pattern.Flatten(S.Back, false));
  return out;
}

// ---- BlueGlass: translucent blue glass with highlights, rounded top corners.

std::vector<TLookPicture> DrawBlueGlass() {
  TStyle S;
  S.Prefix = "BLUEGLASS_";
  S.Back = Hex(0xE7E7E7);
  S.ScrollBack = Hex(0xF4F4F4);
  S.Normal = {Hex(0x2A4F8F), Hex(0xC7DEFA), Hex(0x86BCF4), 0.45f, Hex(0x4F86DB), Hex(0x94BCF1)};
  S.Hover = {Hex(0x3763AE), Hex(0xD9EAFD), Hex(0xA3D2FA), 0.5f, Hex(0x6A9DE8), Hex(0xAACDF6)};
  S.Pressed = {Hex(0x1D3C73), Hex(0x93B6E9), Hex(0x5790DC), 0.3f, Hex(0x2C5DB6), Hex(0x6190D8)};
  S.Glyph = Hex(0xFFFFFF);
  S.GlyphHover = Hex(0xFFFFFF);
  S.GlyphPressed = Hex(0xE3EEFF);
  S.Accent = Hex(0x5E5EEC);
  S.Radius = 3;
  S.Horizontal = true;
  std::vector<TLookPicture> out;

  Add(out, "BLUEGLASS_BUTTON", 8, 3, Buttons(77, 27, 6, S.Normal, S.Hover, S.Pressed, nullptr).Flatten(S.Back, true));

  const TPaint title = VGradient(0, 33, {{0, Hex(0xB4D2F8)},
                                        {0.44f, Hex(0x6697E2)},
                                        {0.45f, Hex(0x2D5FC2)},
                                        {0.8f, Hex(0x3772D2)},
                                        {0.97f, Hex(0x4A86E0)},
                                        {0.975f, Hex(0x1A3770)},
                                        {1, Hex(0x1A3770)}});
  const auto shine = [](TArt& A, float From, float To) {
    // A glass reflection: a faint light ellipse over the upper half.
    A.Fill(Intersect(Ellipse((From + To) / 2, 2, (To - From) / 2, 13), Box(From, 0, To, 15)), Hex(0xFFFFFF, 0.16f));
  };
  Add(out, "BLUEGLASS_TITLE_LEFT", 8, 1, TitleSection(162, 33, title, [&](TArt& A) {
        A.Fill(Outline(Box(0, 0, 300, 60, 11), 1), Hex(0xFFFFFF, 0.45f));
        shine(A, 12, 150);
      }).Flatten(S.Back, false));
  Add(out, "BLUEGLASS_TITLE_CLIENT", 8, 1, TitleSection(179, 33, title, [](TArt& A) {
        A.Fill(Box(0, 0, 179, 1), Hex(0xFFFFFF, 0.45f));
      }).Flatten(S.Back, false));
  Add(out, "BLUEGLASS_TITLE_RIGHT", 8, 1, TitleSection(101, 33, title, [&](TArt& A) {
        A.Fill(Outline(Box(-200, 0, 101, 60, 11), 1), Hex(0xFFFFFF, 0.45f));
      }).Flatten(S.Back, false));

  Add(out, "BLUEGLASS_TITLEBTN", 4, 18, TitleButtons(19, [&](TArt& A, int Kind, int State) {
        const bool close = Kind == 5;
        TRGBA body = close ? Hex(0xD9452E) : Hex(0x3F7BDA);
        if (State == 1)
          body = Lighten(body, 0.25f);
        else if (State == 2)
          body = Darken(body, 0.25f);
        const TRGBA rim = close ? Hex(0x6E1A10) : Hex(0x14306A);
        A.Fill(Circle(9.5f, 9.5f, 8.5f), rim);
        A.Fill(Circle(9.5f, 9.5f, 7.5f), VGradient(2, 17, {{0, Lighten(body, 0.5f)}, {0.5f, body}, {1, Lighten(body, 0.3f)}}));
        A.Fill(Ellipse(9.5f, 6, 5.5f, 3.2f), Hex(0xFFFFFF, 0.45f));
        Glyph(A, Kind, 9.5f, 10, 3.1f, 1.7f, Hex(0xFFFFFF));
      }).Flatten(Hex(0x3366C8), true));

  Add(out, "BLUEGLASS_SCROLLBAR_BUTTON", 4, 6, ScrollArrows(S, 17, 16, 3, 4).Flatten(S.Back, false));
  Add(out, "BLUEGLASS_SCROLLBAR_TRACK", 8, 3, ThumbPieces(S, 7, 16, S.Normal, 6, 1).Flatten(S.Back, false));
  Add(out, "BLUEGLASS_TRACKBAR_BAR", 24, 1,
      TrackGroove(45, 4, Hex(0x2A4F8F), Hex(0x5E8ED6), Hex(0xA8CBF6)).Flatten(S.Back, true));
  Add(out, "BLUEGLASS_TRACKBAR_SLIDER", 24, 1, SliderDown(11, 20, S.Normal).Flatten(S.Back, true));
  Add(out, "BLUEGLASS_TRACKBAR_SLIDER_V", 8, 1, SliderRight(18, 11, S.Normal, S.Back).Flatten(S.Back, false));
  DrawCommon(out, S, {52, 13, 4, 52, 13, 4, 1, 10, 44, 4, 18, 17, 4, 1, 10, 5, 4, 8, 86, 8, 21, 4}, true);
  return out;
}

std::vector<TLookPicture> DrawShared() {
  std::vector<TLookPicture> out;
  Add(out, "MORE_SCROLLBUTTON", 4, 4, DrawMoreScrollButton());
  // The menus' check mark, on white (the colour they leave out).
  TArt check(16, 16);
  check.Fill(Box(0, 0, 16, 16), Hex(0xFFFFFF));
  check.Fill(Union(Capsule(4, 8, 6.6f, 10.8f, 2), Capsule(6.6f, 10.8f, 11.8f, 4.6f, 2)), Hex(0x000000));
  Add(out, "MENU_CHECKED", 4, 1, check.Flatten(Hex(0xFFFFFF), false));
  return out;
}

} // namespace

std::vector<TLookSheet> DrawLooks() {
  return {{1, "MacOS", "macos.png", DrawMacOS()},
          {2, "WinXP", "winxp.png", DrawWinXP()},
          {3, "DeepBlue", "deepblue.png", DrawDeepBlue()},
          {4, "Protein", "protein.png", DrawProtein()},
          {5, "BlueGlass", "blueglass.png", DrawBlueGlass()},
          {0, "Shared", "shared.png", DrawShared()}};
}

TPixelBuffer DrawIcon(int Size) {
  // A sun: the brightness the program sets.
  const float k = Size / 32.0f, c = Size / 2.0f;
  TArt A(Size, Size);
  for (int i = 0; i < 8; ++i) {
    const float angle = i * Pi / 4;
    A.Fill(Capsule(c + std::cos(angle) * 10.5f * k, c + std::sin(angle) * 10.5f * k, c + std::cos(angle) * 14.2f * k,
                   c + std::sin(angle) * 14.2f * k, 2.6f * k),
           Hex(0xF29A12));
  }
  A.Fill(Circle(c, c, 8.2f * k), Hex(0xC9700A));
  A.Fill(Circle(c, c, 7.2f * k), VGradient(c - 7 * k, c + 7 * k, {{0, Hex(0xFFE27A)}, {1, Hex(0xF7A51C)}}));
  A.Fill(Intersect(Circle(c, c, 7.2f * k), Box(c, 0, Size, Size)), Hex(0x4A2A00, 0.35f));
  TPixelBuffer out(Size, Size);
  for (int y = 0; y < Size; ++y)
    for (int x = 0; x < Size; ++x) {
      const TRGBA& p = A.At(x, y);
      if (p.A <= 0)
        continue;
      const auto ch = [&](float v) { return static_cast<TPixel>(std::lround(std::clamp(v / p.A, 0.0f, 1.0f) * 255)); };
      out.Set(x, y, static_cast<TPixel>(std::lround(p.A * 255)) << 24 | ch(p.R) << 16 | ch(p.G) << 8 | ch(p.B));
    }
  return out;
}
