// The adjuster's skinned frame on a real X server, bare and under a real window manager (openbox,
// started by the test): the ramps, dragging the window by its title bar, resizing it from the
// bottom-right corner of its border, the close button, the system menu from the control box and
// from Alt+Space, and a double click on the caption.

#include "tests/e2e/AdjusterOnX.h"
#include "platform/controls/MenuLoop.h"
#include "platform/graphics/TextEngine.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/Messages.h"

#include <cmath>

namespace {

const TProbedRamp Identity = Expected(1.0f, 1.0f, 1.0f);

// The title bar's system menu as the window built on the headless desktop shows it: where it and
// its items stand relative to the window, and its pixels.
struct TReferenceMenu {
  TRect Menu;              // window coordinates
  std::vector<TRect> Items; // window coordinates
  std::vector<bool> Enabled;
  TPixelBuffer Pixels;
};

class FrameOnX : public AdjusterOnDesktops {
protected:
  // A point of the window, in window coordinates, on the screen.
  TPoint InWindow(int X, int Y) const { return {Origin.X + X, Origin.Y + Y}; }

  // Opens the reference window's system menu from its control box on the headless desktop and
  // notes what it shows; Escape closes it again.
  TReferenceMenu ReferenceSystemMenu() {
    TReferenceMenu menu;
    TfrmBrivo& form = Reference.Form();
    TzykTitleBar* bar = form.zykForm1->TitleBar();
    const TPoint box = bar->ClientToScreen({3 + 8, 4 + 8});
    THeadlessDesktop& desktop = Reference.Desktop();
    // The menu font of the X desktop: its default sans face at its size on a 96-dpi screen.
    std::string family;
    double points = 0;
    if (DefaultSansFont(family, points)) {
      LOGFONT font;
      font.lfHeight = -static_cast<LONG>(std::lround(points * ScreenPixelsPerInch / 72.0));
      font.lfWeight = 400;
      font.lfCharSet = DEFAULT_CHARSET;
      SetFaceName(font, family);
      desktop.SetMenuFont(font);
    }
    desktop.SetIdleHook([&] {
      if (OpenMenuLevels() == 0)
        return;
      TMenuItem* items = bar->SystemMenu()->Items();
      for (int i = 0; i < items->Count(); ++i) {
        TRect r;
        if (MenuItemScreenRect(items->Items(i), r))
          menu.Items.push_back(Rect(r.Left - form.Left(), r.Top - form.Top(), r.Right - form.Left(), r.Bottom - form.Top()));
        menu.Enabled.push_back(items->Items(i)->Enabled());
      }
      const THeadlessWindow* top = desktop.Hosts().front();
      const TRect shown = top->Bounds();
      menu.Menu = Rect(shown.Left - form.Left(), shown.Top - form.Top(), shown.Right - form.Left(),
                       shown.Bottom - form.Top());
      menu.Pixels = top->Surface();
      desktop.KeyDown(VK_ESCAPE);
      desktop.KeyUp(VK_ESCAPE);
    });
    desktop.MouseMove(box.X, box.Y);
    desktop.Click(box.X, box.Y);
    desktop.SetIdleHook(nullptr);
    desktop.ProcessMessages();
    return menu;
  }

  // The screen's pixels over a rectangle of the window now.
  TPixelBuffer ScreenArea(const TRect& InWindowRect) {
    const TPixelBuffer shot = ScreenShot();
    TPixelBuffer out(InWindowRect.Width(), InWindowRect.Height());
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) {
        const TPoint p = InWindow(InWindowRect.Left + x, InWindowRect.Top + y);
        out.Set(x, y, shot.InBounds(p.X, p.Y) ? shot.At(p.X, p.Y) & 0xFFFFFF : 0);
      }
    return out;
  }
  // Whether the screen shows the reference menu now, moved by Shift pixels to the right.
  bool MenuShownNow(const TReferenceMenu& Menu, int Shift) {
    const TRect at = Rect(Menu.Menu.Left + Shift, Menu.Menu.Top, Menu.Menu.Right + Shift, Menu.Menu.Bottom);
    return ScreenArea(at) == Opaque(Menu.Pixels);
  }
  static TPixelBuffer Opaque(TPixelBuffer Pixels) {
    for (TPixel& p : Pixels.Pixels())
      p &= 0xFFFFFF;
    return Pixels;
  }
  // Waits for the menu to show; says where the screen differs when it does not.
  bool ShowsMenu(const TReferenceMenu& Menu, int Shift = 0) {
    if (Eventually([&] { return MenuShownNow(Menu, Shift); }))
      return true;
    const TRect at = Rect(Menu.Menu.Left + Shift, Menu.Menu.Top, Menu.Menu.Right + Shift, Menu.Menu.Bottom);
    const TPixelBuffer got = ScreenArea(at), want = Opaque(Menu.Pixels);
    int wrong = 0;
    for (int y = 0; y < want.Height(); ++y)
      for (int x = 0; x < want.Width(); ++x)
        if (got.At(x, y) != want.At(x, y) && ++wrong <= 5)
          ADD_FAILURE() << "menu pixel (" << x << ", " << y << ") is " << std::hex << got.At(x, y) << ", drawn "
                        << want.At(x, y) << std::dec << " (menu at " << at.Left << ", " << at.Top << " in the window)";
    return false;
  }
  TPoint Centre(const TRect& R) const { return InWindow((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }
};

TEST_P(FrameOnX, TheRampsOfTheSlidersAndTheResetStillHold) {
  ASSERT_TRUE(RampBecomes(Identity));
  TfrmBrivo& form = Reference.Form();
  MoveTo(At(form.ScrollBar3->IncButton(), 8, 8));
  ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
  const bool raised = RampBecomes(Expected(1.0f, 1.0f, 2.0f));
  ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  EXPECT_TRUE(raised) << "holding the top arrow raises power to 2.0";

  Click(At(form.ScrollBar1->Track(), 10, 8));
  EXPECT_TRUE(Eventually([&] {
    const TProbedRamp now = Probe();
    return now == Expected(0.8f, 1.0f, 2.0f) || now == Expected(0.2f, 1.0f, 2.0f);
  })) << "a click in the bottom track left of the thumb lowers the offset";

  Click(At(form.Button1, 30, 28));
  EXPECT_TRUE(RampBecomes(Identity));
}

TEST_P(FrameOnX, ADragOnTheTitleBarMovesTheWindowByTheDrag) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TRect before = Geometry();
  ASSERT_EQ(before.Width(), 281);
  ASSERT_EQ(before.Height(), 121);
  const TPoint grip = InWindow(150, 12);
  Drag(grip, {grip.X + 60, grip.Y + 40});
  EXPECT_TRUE(GeometryBecomes(Bounds(before.Left + 60, before.Top + 40, 281, 121))) << "now at " << Geometry().Left
                                                                                     << ", " << Geometry().Top;
}

TEST_P(FrameOnX, ADragOnTheBottomRightCornerOfTheBorderResizesTheWindow) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TRect before = Geometry();
  const TPoint corner = InWindow(280, 120);
  Drag(corner, {corner.X + 40, corner.Y + 30});
  EXPECT_TRUE(GeometryBecomes(Bounds(before.Left, before.Top, 321, 151)))
      << "now " << Geometry().Width() << " x " << Geometry().Height();
}

TEST_P(FrameOnX, AClickOnCloseEndsTheProgramAndTheLastRampStays) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar2->Track(), 10, 8));
  ASSERT_TRUE(Eventually([&] { return !(Probe() == Identity); }));
  const TProbedRamp last = Probe();
  Click(InWindow(1 + 260 + 8, 4 + 8));
  EXPECT_EQ(Program->Wait(), 0);
  EXPECT_EQ(Probe(), last);
}

TEST_P(FrameOnX, TheControlBoxOpensTheSystemMenuWithOnlyCloseEnabledAndCloseEndsTheProgram) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TReferenceMenu menu = ReferenceSystemMenu();
  ASSERT_EQ(menu.Items.size(), 4u);
  EXPECT_EQ(menu.Enabled, (std::vector<bool>{false, false, true, true})) << "Minimize, Maximize/Restore, -, Close";
  const TRect before = Geometry();

  Click(InWindow(1 + 3 + 8, 4 + 8));
  ASSERT_TRUE(ShowsMenu(menu)) << "the menu opens below the title bar, as the window draws it";
  // The disabled items do nothing: the window stays as it was and the menu open.
  Click(Centre(menu.Items[1]));
  Click(Centre(menu.Items[0]));
  EXPECT_TRUE(ShowsMenu(menu));
  EXPECT_EQ(Geometry(), before);
  EXPECT_TRUE(Program->Running());

  Click(Centre(menu.Items[3]));
  EXPECT_EQ(Program->Wait(), 0);
}

TEST_P(FrameOnX, AltSpaceOpensTheSystemMenu) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TReferenceMenu menu = ReferenceSystemMenu();
  ASSERT_EQ(menu.Items.size(), 4u);
  MoveTo(At(Reference.Form().Label3, 2, 2));
  ASSERT_EQ(Xdotool({"key", "alt+space"}), 0);
  // At the window's left edge, one pixel left of where the control box (inside the border) opens it.
  ASSERT_TRUE(ShowsMenu(menu, -1));
  ASSERT_EQ(Xdotool({"key", "Escape"}), 0);
  ASSERT_TRUE(Eventually([&] { return !MenuShownNow(menu, -1); })) << "Escape closes the menu";
  // Closed again, the window takes the keys: Enter still resets.
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  ASSERT_EQ(Xdotool({"key", "Return"}), 0);
  EXPECT_TRUE(RampBecomes(Identity));
}

TEST_P(FrameOnX, ADoubleClickOnTheCaptionChangesNothing) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TRect before = Geometry();
  MoveTo(InWindow(150, 12));
  ASSERT_EQ(Xdotool({"click", "--repeat", "2", "--delay", "80", "1"}), 0);
  // A click on the reset button afterwards is seen after the double click: the window had its
  // chance to change by then.
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  EXPECT_EQ(Geometry(), before);
  EXPECT_TRUE(Program->Running());
}

TEST_P(FrameOnX, TheWindowCarriesTheProgramsIcon) {
  ASSERT_TRUE(RampBecomes(Identity));
  const std::vector<TPixelBuffer>& icon = Reference.Desktop().Host(Reference.Form().Handle())->Icon();
  ASSERT_FALSE(icon.empty());
  std::string out;
  ASSERT_EQ(RunProcess({"xprop", "-id", Window, "_NET_WM_ICON"}, &out, Env()), 0);
  for (const TPixelBuffer& image : icon) {
    const std::string size = "Icon (" + std::to_string(image.Width()) + " x " + std::to_string(image.Height()) + ")";
    EXPECT_NE(out.find(size), std::string::npos) << size << " in\n" << out.substr(0, 300);
  }
}

INSTANTIATE_TEST_SUITE_P(Desktops, FrameOnX, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& I) { return I.param ? "Openbox" : "Bare"; });

} // namespace
