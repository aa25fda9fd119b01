// titlebar-sheet OUT.png: draws the skinned title bar in each built-in look on the headless desktop,
// idle, with its close and minimise buttons hovered, its close button pressed, and on an inactive
// window, into one picture. The bars stand on windows shaped as a skinned form shapes them.

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/graphics/PngCodec.h"
#include "skin/frame/ZYKTitleBar.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

// What the skinned form is to its bar: a panel filling the form, its frame once sizeable.
class TSheetHost : public TCustomPanel, public TzykTitleBarHost {
public:
  explicit TSheetHost(TComponent* AOwner) : TCustomPanel(AOwner) { SetBevelOuter(bvNone); }
  TFormBorderStyle SavedBorderStyle() const override { return bsSizeable; }
};

enum TState { Idle, HoverClose, PressClose, HoverMin, Inactive };
const char* const StateNames[] = {"idle", "close hovered", "close pressed", "minimise hovered", "inactive"};
const TzykUIStyle Looks[] = {MacOS, WinXP, DeepBlue, Protein, BlueGlass};

constexpr int BarWidth = 300;
constexpr int CellWidth = BarWidth + 16;
constexpr int LabelWidth = 80;
constexpr int HeaderHeight = 22;
constexpr int RowHeight = 52;
constexpr TPixel SheetBackground = 0xFFFFFF;

int ButtonIndex(const TzykTitleBar& Bar, TzykTitleBarBtnType Kind) {
  for (int i = 0; i < Bar.Buttons()->Count(); ++i)
    if (Bar.Buttons()->Items(i)->ButtonType() == Kind)
      return i;
  return -1;
}

// Moves the pointer leftwards along the button row until the bar finds the button under it, then
// onto the button's middle.
bool PointAt(THeadlessDesktop& Desktop, TzykTitleBar& Bar, int Index, TPoint& At) {
  const TzykTitleBarButton& button = *Bar.Buttons()->Items(Index);
  const int y = button.Top() + button.PicNormal()->Height() / 2;
  for (int x = Bar.Width() - 1; x >= 0; --x) {
    At = Bar.ClientToScreen({x, y});
    Desktop.MouseMove(At.X, At.Y);
    if (Bar.HotIndex() == Index) {
      At = Bar.ClientToScreen({x - button.PicNormal()->Width() / 2, y});
      Desktop.MouseMove(At.X, At.Y);
      return true;
    }
  }
  return false;
}

// The bar in one look and state, as the screen shows it (its window's shape included).
TPixelBuffer Shoot(THeadlessDesktop& Desktop, TzykUIStyle Look, TState State) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(40, 40, BarWidth, 60);
  auto* host = new TSheetHost(form);
  host->SetParent(form);
  host->SetAlign(alClient);
  auto* bar = new TzykTitleBar(host);
  bar->SetParent(host);
  bar->SetUIStyle(Look);
  bar->SetCaption("螢幕調整 Screen adjuster");
  if (State == Inactive)
    bar->SetFormActive(false);
  form->Show();
  Desktop.ProcessMessages();
  bar->ApplyWindowRegion();
  TPoint at{0, 0};
  Desktop.MouseMove(0, 0);
  bool pressed = false;
  if (State == HoverClose || State == PressClose)
    PointAt(Desktop, *bar, ButtonIndex(*bar, zykClose), at);
  if (State == HoverMin)
    PointAt(Desktop, *bar, ButtonIndex(*bar, zykMin), at);
  if (State == PressClose) {
    Desktop.MouseDown(at.X, at.Y);
    pressed = true;
  }
  Desktop.ProcessMessages();
  const TPixelBuffer screen = Desktop.Screenshot();
  const TPoint origin = bar->ClientToScreen({0, 0});
  // What the window's shape cuts away shows the sheet, not the desktop behind the window.
  const std::optional<TRegion>& shape = Desktop.Host(form->Handle())->Shape();
  TPixelBuffer shot(bar->Width(), bar->Height());
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) {
      const bool shown = !shape || shape->Contains({origin.X + x - form->Left(), origin.Y + y - form->Top()});
      shot.Set(x, y, shown ? screen.At(origin.X + x, origin.Y + y) : SheetBackground);
    }
  if (pressed) {
    // Let go away from every button, so that nothing is clicked.
    Desktop.MouseMove(0, 0);
    Desktop.MouseUp(0, 0);
  }
  delete form;
  Desktop.ProcessMessages();
  return shot;
}

void Label(TCanvas& Canvas, int X, int Y, const std::string& Text) {
  Canvas.Brush().SetStyle(bsClear);
  Canvas.TextOut(X, Y, Text);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: titlebar-sheet OUT.png\n");
    return 2;
  }
  try {
    THeadlessDesktop desktop(1024, 768);
    Application->Initialize();
    constexpr int states = 5;
    TBitmap sheet(LabelWidth + states * CellWidth, HeaderHeight + 5 * RowHeight);
    TCanvas& canvas = sheet.Canvas();
    canvas.Brush().SetColor(ColorToRGB(PixelToColor(SheetBackground)));
    canvas.FillRect(Rect(0, 0, sheet.Width(), sheet.Height()));
    canvas.Font().SetName("DejaVu Sans");
    canvas.Font().SetHeight(-12);
    for (int s = 0; s < states; ++s)
      Label(canvas, LabelWidth + s * CellWidth, 4, StateNames[s]);
    for (int l = 0; l < 5; ++l) {
      const int top = HeaderHeight + l * RowHeight;
      Label(canvas, 4, top + 8, TzykUIStyleInfo().Name(Looks[l]));
      for (int s = 0; s < states; ++s) {
        const TPixelBuffer shot = Shoot(desktop, Looks[l], static_cast<TState>(s));
        canvas.Blit(Bounds(LabelWidth + s * CellWidth, top, shot.Width(), shot.Height()), shot,
                    Rect(0, 0, shot.Width(), shot.Height()));
      }
    }
    const std::vector<std::uint8_t> png = EncodePng(sheet.Pixels());
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out)
      throw std::runtime_error(std::string("cannot write ") + argv[1]);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "titlebar-sheet: %s\n", e.what());
    return 1;
  }
}
