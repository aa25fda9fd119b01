#include "tools/skin-render/FormRender.h"

#include "platform/graphics/Scale.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/MenuLoop.h"
#include "platform/controls/ToolBar.h"
#include "platform/core/StoredForm.h"
#include "platform/core/StoredFormParser.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include "platform/windows/User.h"
#include "skin/controls/ZYKControls.h"
#include "skin/foundation/ZYKMgr.h"

#include <algorithm>
#include <vector>

namespace {

// Byte offsets of the start of every line (the first line is line 1).
std::vector<std::size_t> LineStarts(std::string_view Text) {
  std::vector<std::size_t> starts{0, 0};
  for (std::size_t i = 0; i < Text.size(); ++i)
    if (Text[i] == '\n')
      starts.push_back(i + 1);
  return starts;
}

// The byte offset of a parser position; its columns count characters, not bytes.
std::size_t Offset(std::string_view Text, const std::vector<std::size_t>& Starts, TSourcePos Pos) {
  std::size_t at = Starts[static_cast<std::size_t>(Pos.Line)];
  for (int column = 1; column < Pos.Column && at < Text.size(); ++column) {
    const std::size_t length = Utf8SequenceLength(Text.substr(at));
    at += length == 0 ? 1 : length;
  }
  return at;
}

// Event bindings of Node and its children, by the published properties of their classes (the root
// by those of TForm); classes not registered are left to the reader to report.
void CollectEvents(const TObjectNode& Node, const TClassInfo* Class, std::vector<const TPropertyNode*>& Found) {
  if (Class != nullptr)
    for (const TPropertyNode& p : Node.Properties) {
      const TPropInfo* prop = Class->FindProperty(p.Name);
      if (prop != nullptr && prop->Kind == TPropKind::Event && p.Value.Kind == TValueNode::TKind::Ident)
        Found.push_back(&p);
    }
  for (const TObjectNode& child : Node.Children)
    CollectEvents(child, GetClass(child.ClassName), Found);
}

void CheckSide(const TControl& Control, int MaxSide) {
  if (Control.Width() > MaxSide || Control.Height() > MaxSide)
    throw Exception("'" + Control.Name() + "' is " + std::to_string(Control.Width()) + " x " +
                    std::to_string(Control.Height()) + " pixels; at most " + std::to_string(MaxSide) + " x " +
                    std::to_string(MaxSide) + " can be rendered");
}

std::vector<TMenuItem*> VisibleItems(const TMenuItem& Parent) {
  std::vector<TMenuItem*> items;
  for (int i = 0; i < Parent.Count(); ++i)
    if (Parent.Items(i)->Visible())
      items.push_back(Parent.Items(i));
  return items;
}

// Measures the level showing Parent's items as the menu loop does, so that a menu too large to
// render is refused before its window is made.
void CheckMenuSize(TMenu& Menu, TMenuItem& Parent, int MaxSide) {
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas& c = scratch.Canvas();
  long long height = 0;
  int width = 0;
  for (TMenuItem* item : ShownMenuItems(Parent, &Menu)) {
    TFont font;
    GetMenuFont(font);
    c.SetFont(font);
    const TSize size = MeasureMenuItemDefault(c, *item, Menu.Images());
    int w = size.cx;
    int h = size.cy;
    if (Menu.OwnerDraw())
      item->MeasureItem(c, w, h);
    width = std::max(width, w);
    height += std::max(h, 0);
  }
  // Room for the menu window's frame.
  constexpr int Frame = 8;
  if (width > MaxSide - Frame || height > MaxSide - Frame)
    throw Exception("'" + Menu.Name() + "' opens a menu of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels; at most " + std::to_string(MaxSide) + " x " + std::to_string(MaxSide) +
                    " can be rendered");
}

// The menu button of a bar on Parent (at any depth) that drops Item down.
TToolButton* BarButtonOf(const TWinControl& Parent, const TMenuItem* Item) {
  for (int i = 0; i < Parent.ControlCount(); ++i) {
    TControl* c = Parent.Controls(i);
    if (!c->Visible())
      continue;
    if (auto* button = dynamic_cast<TToolButton*>(c); button && button->MenuItem() == Item)
      return button;
    if (const auto* w = dynamic_cast<const TWinControl*>(c))
      if (TToolButton* button = BarButtonOf(*w, Item))
        return button;
  }
  return nullptr;
}

std::string Quoted(const std::string& Name) { return "'" + Name + "'"; }

void RegisterRenderClasses() {
  Application->Initialize();
  RegisterSkinControlClasses();
}

} // namespace

std::string PrepareForRendering(std::string_view Description) {
  RegisterRenderClasses();
  const TObjectNode root = ParseStoredForm(Description);
  std::string text(Description);
  const std::vector<std::size_t> starts = LineStarts(text);
  std::vector<const TPropertyNode*> blanked;
  CollectEvents(root, &TForm::StaticClassInfo(), blanked);
  for (const TPropertyNode& p : root.Properties)
    if (SameText(p.Name, "Visible") && p.Value.Kind == TValueNode::TKind::Ident)
      blanked.push_back(&p);
  // Spaces of the same length keep every later position where it was. Names and identifiers are
  // ASCII, so the characters blanked are single bytes.
  for (const TPropertyNode* p : blanked) {
    const std::size_t from = Offset(text, starts, p->Pos);
    const std::size_t to = std::min(Offset(text, starts, p->Value.Pos) + p->Value.Text.size(), text.size());
    text.replace(from, to - from, to - from, ' ');
  }
  const std::size_t at = Offset(text, starts, root.ClassPos);
  if (text.compare(at, root.ClassName.size(), root.ClassName) != 0)
    throw EReadError(PositionText(root.ClassPos) + "the root's class name is not where the parser saw it");
  text.replace(at, root.ClassName.size(), TForm::StaticClassName);
  return text;
}

std::unique_ptr<TForm> ReadFormForRendering(std::string_view Description) {
  const std::string text = PrepareForRendering(Description);
  auto form = std::make_unique<TForm>(nullptr);
  ReadStoredForm(text, *form);
  return form;
}

void CheckRenderable(const TForm& Form, int MaxSide) {
  if (Form.Width() < 1 || Form.Height() < 1)
    throw Exception("'" + Form.Name() + "' is " + std::to_string(Form.Width()) + " x " +
                    std::to_string(Form.Height()) + " pixels; a form needs a width and a height of at least 1 to "
                    "be rendered");
  CheckSide(Form, MaxSide);
  for (int i = 0; i < Form.ComponentCount(); ++i)
    if (const auto* control = dynamic_cast<const TControl*>(Form.Components(i)))
      CheckSide(*control, MaxSide);
}

int HandThemeToComponents(TForm& Form, TzykFileTheme& Theme) {
  int given = 0;
  for (int i = 0; i < Form.ComponentCount(); ++i) {
    TComponent& c = *Form.Components(i);
    if (&c == &Theme || !IsPublishedProp(c, "UIStyle") || !IsPublishedProp(c, "FileTheme"))
      continue;
    if (GetEnumProp(c, "UIStyle") != TzykUIStyleInfo().Name(FromThemeFile))
      continue;
    SetObjectProp(c, "FileTheme", &Theme);
    ++given;
  }
  return given;
}

namespace {

// The largest side in units that still makes at most MaxSide device pixels on the desktop.
int UnitSide(const THeadlessDesktop& Desktop, int MaxSide) { return UnitsCovering(MaxSide + 1, Desktop.Scale()) - 1; }

// The device point of a screen point (in units) on a shown top-level window.
TPoint DevicePoint(const THeadlessDesktop& Desktop, HWND Window, TPoint Screen) {
  TRect units;
  GetWindowRect(Window, &units);
  const TRect device = Desktop.Host(Window)->Bounds();
  return {device.Left + ScaleEdge(Screen.X - units.Left, Desktop.Scale()),
          device.Top + ScaleEdge(Screen.Y - units.Top, Desktop.Scale())};
}

} // namespace

TPixelBuffer RenderForm(THeadlessDesktop& Desktop, TForm& Form) {
  CheckRenderable(Form, UnitSide(Desktop, MaxRenderSide));
  Form.Show();
  Desktop.ProcessMessages();
  return Desktop.Host(Form.Handle())->Surface();
}

TPixelBuffer RenderFormWithMenu(THeadlessDesktop& Desktop, TForm& Form, const TOpenMenu& Open, int MaxSide) {
  TComponent* found = Open.Name.empty() ? nullptr : Form.FindComponent(Open.Name);
  if (!found)
    throw Exception("the form has no component named " + Quoted(Open.Name));
  auto* popup = dynamic_cast<TPopupMenu*>(found);
  auto* main = dynamic_cast<TMainMenu*>(found);
  if (!popup && !main)
    throw Exception(Quoted(Open.Name) + " is a " + std::string(found->ClassName()) + ", not a popup menu or a main menu");
  TMenu& menu = popup ? static_cast<TMenu&>(*popup) : *main;

  // The item whose sub-items the open level shows.
  TMenuItem* shown = menu.Items();
  if (main) {
    const std::vector<TMenuItem*> top = VisibleItems(*shown);
    if (top.empty())
      throw Exception(Quoted(Open.Name) + " has no items to show");
    shown = top.front();
    if (ShownMenuItems(*shown, &menu).empty() || !shown->Enabled())
      throw Exception(Quoted(Open.Name) + " drops nothing down: its first item " + Quoted(shown->Caption()) +
                      (shown->Enabled() ? " has no sub-items" : " is disabled"));
  }
  // The items a person sees and can rest the pointer on: separators that line reduction hides are
  // not among them.
  const std::vector<TMenuItem*> items = ShownMenuItems(*shown, &menu);
  if (items.empty())
    throw Exception(Quoted(Open.Name) + " has no items to show");
  TMenuItem* lit = nullptr;
  if (Open.Highlight >= 0) {
    const std::string which = "item " + std::to_string(Open.Highlight) + " of " + Quoted(Open.Name);
    if (Open.Highlight >= static_cast<int>(items.size()))
      throw Exception(which + " cannot be highlighted: the menu shows " + std::to_string(items.size()) +
                      " items, 0 to " + std::to_string(items.size() - 1));
    lit = items[static_cast<std::size_t>(Open.Highlight)];
    if (lit->IsLine())
      throw Exception(which + " is a separator, which is never highlighted");
  }
  const TRect screen = UnscaleRect(Desktop.Monitors().front().Screen, Desktop.Scale());
  if (Open.At && !screen.Contains(*Open.At))
    throw Exception("the point (" + std::to_string(Open.At->X) + ", " + std::to_string(Open.At->Y) +
                    ") is not on the " + std::to_string(screen.Width()) + " x " + std::to_string(screen.Height()) +
                    " screen");
  CheckMenuSize(menu, *shown, UnitSide(Desktop, MaxSide));
  RenderForm(Desktop, Form);

  // A main menu shown in a bar drops down from its place there, pressed as a user would press it.
  std::optional<TPoint> press;
  if (main && !Open.At) {
    if (const TToolButton* button = BarButtonOf(Form, shown)) {
      press = button->ClientToScreen({button->Width() / 2, button->Height() / 2});
    } else if (Form.Menu() == main && Form.MenuBarHeight() > 0) {
      // The platform's bar starts at the window's left edge with the first item.
      press = TPoint{Form.Left() + 2, Form.Top() + Form.MenuBarHeight() / 2};
    }
    if (press)
      press = DevicePoint(Desktop, Form.Handle(), *press);
  }
  const TPoint at = Open.At.value_or(Form.ClientToScreen({Form.ClientWidth() / 2, Form.ClientHeight() / 2}));

  TPixelBuffer shot;
  std::string fault;
  bool moved = false;
  // While the loop waits for input: rest the pointer on the item to highlight, then take the
  // picture and close the menu (a drop-down's Esc leaves the bar, the next closes the loop).
  Desktop.SetIdleHook([&] {
    if (shot.Empty() && fault.empty() && OpenMenuLevels() > 0) {
      TRect r;
      if (lit && MenuLevelSelection(0) != lit && !moved && MenuItemScreenRect(lit, r)) {
        moved = true;
        const TPoint p = DevicePoint(Desktop, MenuLevelWindow(0), {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
        Desktop.MouseMove(p.X, p.Y);
        return;
      }
      TRect area = Desktop.Host(Form.Handle())->Bounds();
      for (int i = 0; i < OpenMenuLevels(); ++i)
        if (const THeadlessWindow* level = Desktop.Host(MenuLevelWindow(i)))
          area = UnionRect(area, level->Bounds());
      if (lit && MenuLevelSelection(0) != lit)
        fault = "item " + std::to_string(Open.Highlight) + " of " + Quoted(Open.Name) + " did not take the highlight";
      else if (area.Width() > MaxSide || area.Height() > MaxSide)
        fault = "the form and " + Quoted(Open.Name) + " cover " + std::to_string(area.Width()) + " x " +
                std::to_string(area.Height()) + " pixels; at most " + std::to_string(MaxSide) + " x " +
                std::to_string(MaxSide) + " can be rendered";
      else
        shot = Desktop.Screenshot(area);
    }
    Desktop.KeyDown(VK_ESCAPE);
  });
  struct TUnhook {
    THeadlessDesktop& Desktop;
    ~TUnhook() { Desktop.SetIdleHook(nullptr); }
  } unhook{Desktop};

  if (press) {
    Desktop.MouseDown(press->X, press->Y);
    Desktop.MouseUp(press->X, press->Y);
  } else if (popup) {
    popup->Popup(at.X, at.Y);
  } else {
    TMenuTrack track;
    track.Menu = main;
    track.Root = shown;
    track.At = at;
    TrackMenu(track); // nothing is chosen: the menu is only closed
  }
  Desktop.ProcessMessages();
  if (!fault.empty())
    throw Exception(fault);
  if (shot.Empty())
    throw Exception(Quoted(Open.Name) + " did not open");
  return shot;
}

int FillImageLists(TForm& Form, const TBitmap& Picture) {
  if (Picture.Empty())
    return 0;
  const TColor mask = PixelToColor(Picture.Pixels().At(0, 0));
  int filled = 0;
  for (int i = 0; i < Form.ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TImageList*>(Form.Components(i)); list && list->Count() == 0)
      if (list->AddMasked(Picture, mask) >= 0)
        ++filled;
  return filled;
}
