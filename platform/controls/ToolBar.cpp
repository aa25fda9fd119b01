#include "platform/controls/ToolBar.h"

#include "platform/controls/Panel.h"

#include <algorithm>

namespace {

constexpr int CaptionMargin = 7; // left and right of a self-sizing button's caption

} // namespace

const TEnumInfo& EdgeBorderInfo() {
  static const TEnumInfo Info("TEdgeBorder", {"ebLeft", "ebTop", "ebRight", "ebBottom"});
  return Info;
}

const TEnumInfo& ToolButtonStyleInfo() {
  static const TEnumInfo Info("TToolButtonStyle", {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"});
  return Info;
}

// The bar's menu buttons as a row the menu loop moves along.
class TToolBar::TBarSite final : public TMenuBarSite {
public:
  explicit TBarSite(TToolBar& Bar) : FBar(Bar) {}
  int BarCount() const override { return FBar.ButtonCount(); }
  // Buttons may go while the menu is open: a place that is no longer there is empty.
  TMenuItem* BarItem(int Index) const override {
    TToolButton* b = At(Index);
    return b && b->Visible() && b->Enabled() ? b->MenuItem() : nullptr;
  }
  TRect BarRect(int Index) const override {
    TToolButton* b = At(Index);
    if (!b)
      return {};
    const TPoint o = b->ClientToScreen({0, 0});
    return Bounds(o.X, o.Y, b->Width(), b->Height());
  }
  void BarSelect(int Index, bool Dropped) override {
    TToolButton* now = At(Index);
    if (FBar.FMenuButton == now && FBar.FMenuDropped == Dropped)
      return;
    if (FBar.FMenuButton)
      FBar.FMenuButton->Invalidate();
    FBar.FMenuButton = now;
    FBar.FMenuDropped = Dropped;
    if (now)
      now->Invalidate();
    FBar.Update();
  }
  HWND BarWindow() const override { return FBar.HandleAllocated() ? FBar.Handle() : nullptr; }

private:
  TToolButton* At(int Index) const { return Index >= 0 && Index < BarCount() ? FBar.Buttons(Index) : nullptr; }

  TToolBar& FBar;
};

// ---- TToolButton

const TClassInfo& TToolButton::StaticClassInfo() {
  using T = TToolButton;
  static const TClassInfo Info = TClassBuilder<TToolButton>()
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Default(false)
                                     .String("Caption", &T::Caption, &T::SetCaption)
                                     .Boolean("Down", &T::Down, &T::SetDown)
                                     .Default(false)
                                     .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
                                     .Default(true)
                                     .Boolean("Grouped", &T::Grouped, &T::SetGrouped)
                                     .Default(false)
                                     .Integer("ImageIndex", &T::ImageIndex, &T::SetImageIndex)
                                     .Default(-1)
                                     .Boolean("Indeterminate", &T::Indeterminate, &T::SetIndeterminate)
                                     .Default(false)
                                     .Boolean("Marked", &T::Marked, &T::SetMarked)
                                     .Default(false)
                                     .Component("MenuItem", &T::MenuItem, &T::SetMenuItem)
                                     .Enum("Style", &T::Style, &T::SetStyle, ToolButtonStyleInfo())
                                     .Default(tbsButton)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Boolean("Wrap", &T::Wrap, &T::SetWrap)
                                     .Default(false)
                                     .BRIVO_INHERITED_EVENT(OnClick)
                                     .Build();
  return Info;
}

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption};
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  SetMenuItem(nullptr);
  if (FToolBar)
    FToolBar->RemoveButton(this);
}

void TToolButton::SetParent(TWinControl* AParent) {
  if (AParent == Parent())
    return;
  if (FToolBar)
    FToolBar->RemoveButton(this);
  TGraphicControl::SetParent(AParent);
  if (auto* bar = dynamic_cast<TToolBar*>(AParent))
    bar->InsertButton(this);
}

void TToolButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // The buttons of a bar share one size: a size asked of one of them is the bar's button size.
  TToolBar* bar = FToolBar;
  if (bar && !bar->FLayingOut && !ComponentState().Contains(csLoading) && FStyle != tbsSeparator &&
      FStyle != tbsDivider) {
    if (AHeight != Height() && AHeight > 0)
      bar->FButtonHeight = AHeight;
    if (AWidth != Width() && AWidth > 0 && !(FAutoSize && bar->FShowCaptions))
      bar->FButtonWidth = AWidth;
  }
  TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (bar && !bar->FLayingOut)
    bar->UpdateButtons();
}

void TToolButton::SetEnabled(bool Value) {
  if (Value == Enabled())
    return;
  TGraphicControl::SetEnabled(Value);
  StateChanged();
}

void TToolButton::SetAutoSize(bool Value) {
  if (FAutoSize == Value)
    return;
  FAutoSize = Value;
  if (FToolBar)
    FToolBar->UpdateButtons();
}

void TToolButton::SetDown(bool Value) {
  if (FDown == Value)
    return;
  FDown = Value;
  StateChanged();
}

void TToolButton::SetMarked(bool Value) {
  FMarked = Value;
  StateChanged();
}

void TToolButton::SetIndeterminate(bool Value) {
  FIndeterminate = Value;
  StateChanged();
}

void TToolButton::SetImageIndex(int Value) {
  FImageIndex = Value;
  StateChanged();
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
  if (FStyle == Value)
    return;
  FStyle = Value;
  if (FToolBar)
    FToolBar->UpdateButtons();
  StateChanged();
}

void TToolButton::SetWrap(bool Value) {
  if (FWrap == Value)
    return;
  FWrap = Value;
  if (FToolBar)
    FToolBar->UpdateButtons();
}

void TToolButton::SetMenuItem(TMenuItem* Value) {
  if (!ReplaceReference(FMenuItem, Value) || !Value)
    return;
  SetCaption(Value->Caption());
  SetEnabled(Value->Enabled());
  SetHint(Value->Hint());
  SetImageIndex(Value->ImageIndex());
  if (FToolBar)
    FToolBar->UpdateButtons();
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMenuItem)
    FMenuItem = nullptr;
}

int TToolButton::Index() const {
  if (!FToolBar)
    return -1;
  const auto& list = FToolBar->FButtons;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

bool TToolButton::Hot() const {
  if (FToolBar && FToolBar->FMenuButton)
    return FToolBar->FMenuButton == this;
  return FMouseInside && Enabled();
}

bool TToolButton::Pressed() const {
  if (FToolBar && FToolBar->FMenuButton == this && FToolBar->FMenuDropped)
    return true;
  return FMouseDown && FMouseInside;
}

void TToolButton::StateChanged() { Invalidate(); }

void TToolButton::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case CM_MOUSEENTER:
    FMouseInside = true;
    StateChanged();
    break;
  case CM_MOUSELEAVE:
    FMouseInside = false;
    StateChanged();
    break;
  case CM_TEXTCHANGED:
    TGraphicControl::WndProc(Message);
    if (FToolBar)
      FToolBar->UpdateButtons();
    return;
  default:
    break;
  }
  TGraphicControl::WndProc(Message);
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (!alive.Alive() || Button != mbLeft || !Enabled())
    return;
  if (FMenuItem && FToolBar && FMenuItem->Count() > 0) {
    // The drop-down takes the mouse from here on: this press is not a click.
    FControlState.Exclude(csClicked);
    SetMouseCapture(false);
    FToolBar->TrackMenu(this);
    return;
  }
  FMouseDown = true;
  StateChanged();
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FMouseDown = false;
  StateChanged();
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::MouseMove(TShiftState Shift, int X, int Y) {
  const bool inside = ClientRect().Contains({X, Y});
  if (inside != FMouseInside && (FMouseDown || MouseCapture())) {
    FMouseInside = inside;
    StateChanged();
  }
  TGraphicControl::MouseMove(Shift, X, Y);
}

void TToolButton::Click() {
  const TControlTracker alive(this);
  if (FStyle == tbsCheck) {
    SetDown(!FDown);
    if (!alive.Alive())
      return;
  }
  // A menu button without sub-items stands for its item.
  if (FMenuItem && FMenuItem->Count() == 0) {
    FMenuItem->Click();
    if (!alive.Alive())
      return;
  }
  TGraphicControl::Click();
}

// ---- TToolBar

const TClassInfo& TToolBar::StaticClassInfo() {
  using T = TToolBar;
  static const TClassInfo Info = TClassBuilder<TToolBar>()
                                     .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
                                     .Default(alTop)
                                     .Boolean("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                     .Default(false)
                                     .Integer("ButtonHeight", &T::ButtonHeight, &T::SetButtonHeight)
                                     .Default(22)
                                     .Integer("ButtonWidth", &T::ButtonWidth, &T::SetButtonWidth)
                                     .Default(23)
                                     .Color("Color", &T::Color, &T::SetColor)
                                     .Stored(&T::IsColorStored)
                                     .Set("EdgeBorders", &T::EdgeBorders, &T::SetEdgeBorders, EdgeBorderInfo())
                                     .Default(TEdgeBorders{ebTop})
                                     .Boolean("Flat", &T::Flat, &T::SetFlat)
                                     .Default(false)
                                     .Object("Font", &T::Font, &T::SetFont)
                                     .Stored(&T::IsFontStored)
                                     .Component("Images", &T::Images, &T::SetImages)
                                     .Integer("Indent", &T::Indent, &T::SetIndent)
                                     .Default(0)
                                     .Boolean("ShowCaptions", &T::ShowCaptions, &T::SetShowCaptions)
                                     .Default(false)
                                     .Boolean("Visible", &T::Visible, &T::SetVisible)
                                     .Default(true)
                                     .Boolean("Wrapable", &T::Wrapable, &T::SetWrapable)
                                     .Default(true)
                                     .BRIVO_INHERITED_EVENT(OnClick)
                                     .Event("OnCustomDraw", &T::OnCustomDraw)
                                     .Event("OnCustomDrawButton", &T::OnCustomDrawButton)
                                     .Build();
  return Info;
}

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner), FSite(std::make_unique<TBarSite>(*this)) {
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
  SetColor(clBtnFace);
}

TToolBar::~TToolBar() {
  SetImages(nullptr);
  for (TToolButton* b : FButtons)
    b->FToolBar = nullptr;
  FButtons.clear();
}

TToolButton* TToolBar::Buttons(int Index) const {
  if (Index < 0 || Index >= ButtonCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FButtons[static_cast<std::size_t>(Index)];
}

// Before the first button on the new one's row or a later row at or right of its position.
void TToolBar::InsertButton(TToolButton* Button) {
  Button->FToolBar = this;
  std::size_t pos = FButtons.size();
  if (!ComponentState().Contains(csLoading) && !Button->ComponentState().Contains(csLoading))
    for (std::size_t i = 0; i < FButtons.size(); ++i) {
      const TToolButton* b = FButtons[i];
      if (b->Top() + b->Height() > Button->Top() && (b->Top() > Button->Top() || b->Left() >= Button->Left())) {
        pos = i;
        break;
      }
    }
  FButtons.insert(FButtons.begin() + static_cast<std::ptrdiff_t>(pos), Button);
  UpdateButtons();
}

void TToolBar::RemoveButton(TToolButton* Button) {
  std::erase(FButtons, Button);
  Button->FToolBar = nullptr;
  if (FMenuButton == Button)
    FMenuButton = nullptr;
  if (!ComponentState().Contains(csDestroying))
    UpdateButtons();
}

int TToolBar::AutoWidth(TToolButton& Button) {
  if (Button.Style() == tbsSeparator || Button.Style() == tbsDivider)
    return 8;
  if (!Button.AutoSize() || !FShowCaptions)
    return FButtonWidth;
  TBitmap scratch;
  scratch.SetSize(1, 1);
  scratch.Canvas().SetFont(*Button.Font());
  TRect r = Rect(0, 0, 0, 0);
  scratch.Canvas().DrawText(Button.Caption(), r, DT_SINGLELINE | DT_CALCRECT);
  int width = r.Width() + 2 * CaptionMargin;
  if (FImages && Button.ImageIndex() >= 0)
    width += FImages->Width() + 4;
  return width;
}

void TToolBar::UpdateButtons() {
  if (FLayingOut)
    return;
  FLayingOut = true;
  const int left = FIndent + (FEdgeBorders.Contains(ebLeft) ? 2 : 0);
  const int top = FEdgeBorders.Contains(ebTop) ? 2 : 0;
  const int right = Width() - (FEdgeBorders.Contains(ebRight) ? 2 : 0);
  int x = left;
  int y = top;
  int rows = 0;
  for (TToolButton* b : FButtons) {
    if (!b->Visible())
      continue;
    const int w = AutoWidth(*b);
    if (rows == 0)
      rows = 1;
    if (x > left && (b->Wrap() || (FWrapable && x + w > right))) {
      x = left;
      y += FButtonHeight;
      ++rows;
    }
    b->SetBounds(x, y, w, FButtonHeight);
    x += w;
  }
  FLayingOut = false;
  if (FAutoSize) {
    const int h = top + std::max(rows, 1) * FButtonHeight + (FEdgeBorders.Contains(ebBottom) ? 2 : 0);
    if (h != Height())
      SetHeight(h);
  }
  Invalidate();
}

void TToolBar::SetButtonHeight(int Value) {
  if (Value == FButtonHeight || Value <= 0)
    return;
  FButtonHeight = Value;
  UpdateButtons();
}

void TToolBar::SetButtonWidth(int Value) {
  if (Value == FButtonWidth || Value <= 0)
    return;
  FButtonWidth = Value;
  UpdateButtons();
}

void TToolBar::SetFlat(bool Value) {
  FFlat = Value;
  Invalidate();
}

void TToolBar::SetEdgeBorders(TEdgeBorders Value) {
  FEdgeBorders = Value;
  UpdateButtons();
}

void TToolBar::SetShowCaptions(bool Value) {
  FShowCaptions = Value;
  UpdateButtons();
}

void TToolBar::SetWrapable(bool Value) {
  FWrapable = Value;
  UpdateButtons();
}

void TToolBar::SetAutoSize(bool Value) {
  FAutoSize = Value;
  UpdateButtons();
}

void TToolBar::SetIndent(int Value) {
  FIndent = std::max(Value, 0);
  UpdateButtons();
}

void TToolBar::SetImages(TImageList* Value) {
  if (ReplaceReference(FImages, Value) && !ComponentState().Contains(csDestroying))
    UpdateButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    UpdateButtons();
  }
}

void TToolBar::Loaded() {
  TCustomControl::Loaded();
  UpdateButtons();
}

void TToolBar::WndProc(TMessage& Message) {
  TCustomControl::WndProc(Message);
  if (Message.Msg == WM_SIZE && !ComponentState().Contains(csDestroying))
    UpdateButtons();
}

TToolButton* TToolBar::MenuButton() const { return FMenuButton; }

void TToolBar::TrackMenu(TToolButton* Button, bool ByKeyboard) {
  const int index = Button ? Button->Index() : -1;
  if (index < 0 || MenuLoopActive())
    return;
  TMenuTrack track;
  track.Menu = Button->MenuItem() ? Button->MenuItem()->GetParentMenu() : nullptr;
  track.Bar = FSite.get();
  track.BarIndex = index;
  track.ByKeyboard = ByKeyboard;
  if (const UINT command = ::TrackMenu(track))
    PostMenuCommand(command);
}

void TToolBar::GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const {
  // Buttons in bar order, so that stored bars read back in the same order.
  for (TToolButton* b : FButtons)
    if (b->Owner() == Root)
      Proc(b);
  for (int i = 0; i < ControlCount(); ++i)
    if (TControl* c = Controls(i); c->Owner() == Root && !dynamic_cast<TToolButton*>(c))
      Proc(c);
}

TCustomDrawState TToolBar::ButtonState(const TToolButton& Button) const {
  TCustomDrawState s;
  if (Button.Hot())
    s.Include(cdsHot);
  if (Button.Pressed())
    s.Include(cdsSelected);
  if (!Button.Enabled()) {
    s.Include(cdsDisabled);
    s.Include(cdsGrayed);
  }
  if (Button.Down())
    s.Include(cdsChecked);
  if (Button.Marked())
    s.Include(cdsMarked);
  if (Button.Indeterminate())
    s.Include(cdsIndeterminate);
  return s;
}

void TToolBar::DrawButton(TCanvas& C, TToolButton& Button, TCustomDrawState State) {
  TRect r = Button.BoundsRect();
  if (Button.Style() == tbsSeparator || Button.Style() == tbsDivider) {
    if (Button.Style() == tbsDivider) {
      TRect line = Rect(r.Left + 3, r.Top + 2, r.Left + 5, r.Bottom - 2);
      Frame3D(C, line, clBtnShadow, clBtnHighlight, 1);
    }
    return;
  }
  const bool sunken = State.Contains(cdsSelected) || State.Contains(cdsChecked);
  if (sunken || !FFlat || State.Contains(cdsHot)) {
    TRect edge = r;
    if (sunken)
      Frame3D(C, edge, clBtnShadow, clBtnHighlight, 1);
    else if (FFlat)
      Frame3D(C, edge, clBtnHighlight, clBtnShadow, 1);
    else {
      Frame3D(C, edge, clBtnHighlight, cl3DDkShadow, 1);
      Frame3D(C, edge, clBtnFace, clBtnShadow, 1);
    }
  }
  int textLeft = r.Left;
  if (FImages && Button.ImageIndex() >= 0) {
    const int x = FShowCaptions ? r.Left + CaptionMargin : r.Left + (r.Width() - FImages->Width()) / 2;
    FImages->Draw(C, x + (sunken ? 1 : 0), r.Top + (r.Height() - FImages->Height()) / 2 + (sunken ? 1 : 0),
                  Button.ImageIndex(), Button.Enabled());
    textLeft = x + FImages->Width();
  }
  if (!FShowCaptions)
    return;
  C.SetFont(*Button.Font());
  C.Font().SetColor(Button.Enabled() ? Button.Font()->Color() : clGrayText);
  C.Brush().SetStyle(bsClear);
  TRect t = Rect(textLeft, r.Top, r.Right, r.Bottom);
  if (sunken)
    t = OffsetRect(t, 1, 1);
  C.DrawText(Button.Caption(), t, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TToolBar::Paint() {
  TCanvas& c = Canvas();
  const TRect client = ClientRect();
  bool defaultDraw = true;
  const TControlTracker alive(this);
  RaiseEvent(OnCustomDraw, this, client, defaultDraw);
  if (!alive.Alive())
    return;
  if (defaultDraw) {
    c.Brush().SetColor(Color());
    c.FillRect(client);
    c.Pen().SetColor(clBtnShadow);
    if (FEdgeBorders.Contains(ebTop)) {
      c.MoveTo(0, 0);
      c.LineTo(client.Right, 0);
    }
    if (FEdgeBorders.Contains(ebBottom)) {
      c.MoveTo(0, client.Bottom - 2);
      c.LineTo(client.Right, client.Bottom - 2);
    }
    c.Pen().SetColor(clBtnHighlight);
    if (FEdgeBorders.Contains(ebTop)) {
      c.MoveTo(0, 1);
      c.LineTo(client.Right, 1);
    }
    if (FEdgeBorders.Contains(ebBottom)) {
      c.MoveTo(0, client.Bottom - 1);
      c.LineTo(client.Right, client.Bottom - 1);
    }
  }
  const std::vector<TToolButton*> buttons = FButtons;
  for (TToolButton* b : buttons) {
    const TControlTracker buttonAlive(b);
    if (!b->Visible())
      continue;
    TCanvasSaver saver(c);
    bool drawButton = true;
    RaiseEvent(OnCustomDrawButton, this, b, ButtonState(*b), drawButton);
    if (!alive.Alive())
      return;
    if (drawButton && buttonAlive.Alive())
      DrawButton(c, *b, ButtonState(*b));
  }
}

void RegisterToolBarClasses() { RegisterClasses({&TToolBar::StaticClassInfo(), &TToolButton::StaticClassInfo()}); }
