#include "skin/controls/ZYKTrackBar.h"

#include "platform/controls/Timer.h"
#include "platform/windows/Messages.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKPublic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

template <class T>
const TClassInfo& TrackBarClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<T>()
          .Enum("Orientation", &T::Orientation, &T::SetOrientation, TzykProgressBarOrientationInfo())
          .Component("FileTheme", &T::FileTheme, &T::SetFileTheme)
          .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
          .Object("BarImage", &T::BarImage, &T::SetBarImage)
          .Object("SliderImage", &T::SliderImage, &T::SetSliderImage)
          .Integer("Max", &T::Max, &T::SetMax)
          .Integer("Min", &T::Min, &T::SetMin)
          .Integer("Position", &T::Position, &T::SetPosition)
          .Integer("PageSize", &T::PageSize, &T::SetPageSize)
          .Integer("LineSize", &T::LineSize, &T::SetLineSize)
          .Boolean("ShowTick", &T::ShowTick, &T::SetShowTick)
          .Boolean("Transparent", &T::Transparent, &T::SetTransparent)
          .Integer("Frequency", &T::Frequency, &T::SetFrequency)
          .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
          .Default(alNone)
          .Enum("Alignment", &T::Alignment, &T::SetAlignment, AlignmentInfo())
          .Default(taCenter)
          .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
          .Default(bdLeftToRight)
          .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
          .Default(TAnchors{akLeft, akTop})
          .Color("Color", &T::Color, &T::SetColor)
          .Stored(&T::IsColorStored)
          .Enum("DragKind", &T::DragKind, &T::SetDragKind, DragKindInfo())
          .Default(dkDrag)
          .Enum("DragMode", &T::DragMode, &T::SetDragMode, DragModeInfo())
          .Default(dmManual)
          .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
          .Default(true)
          .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
          .Default(true)
          .Boolean("ParentFont", &T::ParentFont, &T::SetParentFont)
          .Default(true)
          .Boolean("ParentColor", &T::ParentColor, &T::SetParentColor)
          .Default(true)
          .Boolean("ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint)
          .Default(true)
          .Boolean("ShowHint", &T::ShowHint, &T::SetShowHint)
          .Default(false)
          .Integer("TabOrder", &T::TabOrder, &T::SetTabOrder)
          .Boolean("TabStop", &T::TabStop, &T::SetTabStop)
          .Default(false)
          .Boolean("Visible", &T::Visible, &T::SetVisible)
          .Default(true)
          .BRIVO_INHERITED_EVENT(OnChange)
          .BRIVO_INHERITED_EVENT(OnCanResize)
          .BRIVO_INHERITED_EVENT(OnClick)
          .BRIVO_INHERITED_EVENT(OnContextPopup)
          .BRIVO_INHERITED_EVENT(OnDblClick)
          .BRIVO_INHERITED_EVENT(OnDragDrop)
          .BRIVO_INHERITED_EVENT(OnDragOver)
          .BRIVO_INHERITED_EVENT(OnEndDock)
          .BRIVO_INHERITED_EVENT(OnEndDrag)
          .BRIVO_INHERITED_EVENT(OnEnter)
          .BRIVO_INHERITED_EVENT(OnExit)
          .BRIVO_INHERITED_EVENT(OnMouseDown)
          .BRIVO_INHERITED_EVENT(OnMouseMove)
          .BRIVO_INHERITED_EVENT(OnMouseUp)
          .BRIVO_INHERITED_EVENT(OnResize)
          .BRIVO_INHERITED_EVENT(OnStartDock)
          .BRIVO_INHERITED_EVENT(OnStartDrag)
          .Build();
  return Info;
}

// A 64-bit quotient brought back into the range of positions and coordinates.
int ClampToInt(std::int64_t Value) {
  return static_cast<int>(std::clamp<std::int64_t>(Value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

const TClassInfo& TzykTrackBar::StaticClassInfo() { return TrackBarClassInfo<TzykTrackBar>(); }
const TClassInfo& TzykScrollTrackBar::StaticClassInfo() { return TrackBarClassInfo<TzykScrollTrackBar>(); }

void RegisterZYKTrackBarClasses() {
  RegisterClasses({&TzykTrackBar::StaticClassInfo(), &TzykScrollTrackBar::StaticClassInfo()});
}

TzykTrackBar::TzykTrackBar(TComponent* AOwner, bool OwnerSuppliesPictures)
    : TCustomPanel(AOwner), FBarBitmap(std::make_unique<TBitmap>()), FBarImage(std::make_unique<TPicture>()),
      FOwnerSuppliesPictures(OwnerSuppliesPictures) {
  FControlStyle.Exclude(csAcceptsControls);
  FSlider = NewComponent<TzykImagePanel>(this);
  FSlider->SetParent(this);
  FSlider->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    SliderMouseDown(Button, Shift, X, Y);
  };
  FSlider->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    SliderMouseUp(Button, Shift, X, Y);
  };
  SetMin(0);
  SetMax(10);
  SetPosition(0);
  FLastPosition = 0;
  SetParentColor(true);
  SetTabStop(true);
  SetUIStyle(GetFormUIStyle(AOwner));
  UpdateSlider();
}

TzykTrackBar::~TzykTrackBar() {
  FPageTimer.reset();
  delete FSlider;
}

// ---- Setters

void TzykTrackBar::SetMin(int Value) {
  if (Value == FMin)
    return;
  FMin = std::min(Value, FMax);
  if (FMin > FPosition)
    FPosition = FMin;
  UpdateSlider();
}

void TzykTrackBar::SetMax(int Value) {
  if (Value == FMax)
    return;
  FMax = std::max(Value, FMin);
  if (FMax < FPosition)
    FPosition = FMax;
  UpdateSlider();
}

void TzykTrackBar::SetPosition(int Value) {
  FPosition = std::clamp(Value, FMin, FMax);
  UpdateSlider();
}

// Compared with Max rather than with the range: that is the rule stored forms were made under.
void TzykTrackBar::SetPageSize(int Value) {
  if (Value >= 0 && Value <= FMax)
    FPageSize = Value;
}

void TzykTrackBar::SetLineSize(int Value) {
  if (Value >= 0 && Value <= FMax)
    FLineSize = Value;
}

void TzykTrackBar::SetFrequency(int Value) {
  FFrequency = Value;
  Invalidate();
}

void TzykTrackBar::SetShowTick(bool Value) {
  FShowTick = Value;
  Invalidate();
}

void TzykTrackBar::SetTransparent(bool Value) {
  FTransparent = Value;
  Invalidate();
}

void TzykTrackBar::SetOrientation(TzykProgressBarOrientation Value) {
  if (Value == FOrientation)
    return;
  FOrientation = Value;
  UpdateControl();
}

void TzykTrackBar::SetUIStyle(TzykUIStyle Value) {
  FUIStyle = Value;
  UpdateControl();
  if (Value == MacOS)
    SetTransparent(true);
}

void TzykTrackBar::SetFileTheme(TzykFileTheme* Value) {
  if (FFileTheme && FFileTheme != Value)
    FFileTheme->RemoveFreeNotification(this);
  FFileTheme = Value;
  if (FFileTheme)
    FFileTheme->FreeNotification(this);
  SetUIStyle(FUIStyle);
}

void TzykTrackBar::SetBarImage(TPicture* Value) {
  FBarImage->Assign(Value);
  UpdateControl();
}

void TzykTrackBar::SetSliderImage(TPicture* Value) {
  FSlider->Picture()->Assign(Value);
  Invalidate();
}

void TzykTrackBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != nullptr && AComponent == FFileTheme) {
    FFileTheme = nullptr;
    SetUIStyle(DeepBlue);
  }
}

// ---- Geometry

TPoint TzykTrackBar::SliderOrigin() const {
  const std::int64_t range = std::int64_t{FMax} - FMin;
  const std::int64_t offset = std::int64_t{FPosition} - FMin;
  const int w = Width(), h = Height(), sw = FSlider->Width(), sh = FSlider->Height();
  if (FOrientation == zykHorizontal)
    return {range == 0 ? 0 : ClampToInt(std::int64_t{w - sw} * offset / range), std::max(0, h - sh) / 2};
  return {std::max(0, w - sw) / 2, range == 0 ? 0 : ClampToInt(std::int64_t{h - sh} * offset / range)};
}

int TzykTrackBar::PositionFromPoint(int X, int Y) const {
  const bool horizontal = FOrientation == zykHorizontal;
  const int length = horizontal ? Width() : Height();
  const int slider = horizontal ? FSlider->Width() : FSlider->Height();
  if (slider == length)
    return 0;
  const double along = static_cast<double>(std::int64_t{horizontal ? X : Y} - slider / 2);
  const double range = static_cast<double>(std::int64_t{FMax} - FMin);
  // The default rounding mode sends exact halves to the even neighbour.
  const double value = std::nearbyint(along * range / (length - slider)) + FMin;
  return ClampToInt(static_cast<std::int64_t>(std::clamp(value, -9.0e18, 9.0e18)));
}

void TzykTrackBar::SetPositionFromPoint(int X, int Y, bool ThroughSetter) {
  int v = PositionFromPoint(X, Y);
  v = v > FMax ? FMax : std::max(v, FMin);
  if (ThroughSetter)
    SetPosition(v);
  else
    FPosition = v;
}

void TzykTrackBar::UpdateSlider() {
  SetControlOrigin(FSlider, SliderOrigin());
  Invalidate();
  if (FPosition != FLastPosition) {
    FLastPosition = FPosition;
    RaiseEvent(OnChange, this);
  }
}

void TzykTrackBar::UpdateSize() {
  if (FOrientation == zykHorizontal)
    SetHeight(std::max(FBarImage->Height(), FSlider->Height()));
  else
    SetWidth(std::max(FBarImage->Height(), FSlider->Width()));
  Invalidate();
}

void TzykTrackBar::UpdateControl() {
  ReloadPictures();
  UpdateSize();
  UpdateSlider();
  Invalidate();
}

void TzykTrackBar::ReloadPictures() {
  if (CustomPicture())
    return;
  TzykUIStyle style = DeepBlue;
  const bool fromFile = UsingFileTheme(FFileTheme, FUIStyle, style);
  auto load = [&](int Element, TBitmap& Bitmap) {
    if (fromFile)
      FFileTheme->GetBitmap(Element, Bitmap);
    else
      GetBuiltInBitmap(style, Element, &Bitmap, 0, 0);
  };
  const bool horizontal = FOrientation == zykHorizontal;
  TBitmap& bar = FBarImage->Bitmap();
  load(zteTrackBarBarImage, bar);
  load(horizontal ? zteTrackBarSliderImage : zteTrackBarSliderVImage, FSlider->Picture()->Bitmap());
  // The bar is built lying down in both orientations and stood up afterwards when vertical.
  FBarBitmap->SetSize(std::max(0, horizontal ? Width() : Height()), bar.Height());
  FBarBitmap->Canvas().Brush().SetColor(Color());
  FBarBitmap->Canvas().FillRect(Rect(0, 0, FBarBitmap->Width(), FBarBitmap->Height()));
  DrawThreePartBar(bar, FBarBitmap->Canvas(), Rect(0, 0, FBarBitmap->Width(), FBarBitmap->Height()), false);
  if (!horizontal)
    RotateBitmapLeft(*FBarBitmap);
  FSlider->SetTransparent(SliderTransparent());
  FSlider->SetAutoSize(true);
}

void TzykScrollTrackBar::UpdateSliderSize() { Slider()->SetAutoSize(true); }

// ---- Painting

void TzykTrackBar::Paint() {
  const int w = Width(), h = Height();
  TBitmap buffer(w, h);
  TCanvas& canvas = buffer.Canvas();
  if (FTransparent) {
    PaintParentBackground(canvas, this);
  } else {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(Rect(0, 0, w, h));
  }
  if (!FBarBitmap->Empty()) {
    const int thickness = FBarImage->Height();
    if (FOrientation == zykHorizontal)
      canvas.Draw(0, (h - thickness) / 2, *FBarBitmap);
    else
      canvas.Draw((w - thickness) / 2, 0, *FBarBitmap);
  }
  if (Focused() && TabStop()) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.DrawFocusRect(Rect(0, 0, w, h));
  }
  if (FShowTick)
    PaintTicks(canvas);
  Canvas().Draw(0, 0, buffer);
}

void TzykTrackBar::PaintTicks(TCanvas& Canvas) {
  if (FMin == FMax)
    return;
  const bool horizontal = FOrientation == zykHorizontal;
  const int w = Width(), h = Height();
  const std::int64_t length = horizontal ? w - FSlider->Width() : h - FSlider->Height();
  const int offset = (horizontal ? FSlider->Width() : FSlider->Height()) / 2;
  const std::int64_t range = std::int64_t{FMax} - FMin;
  int counter = 0;
  for (std::int64_t v = FMin; v <= FMax; ++v) {
    bool marked = false;
    if (v == FMax) {
      marked = true;
    } else if (counter == FFrequency) {
      marked = true;
      counter = 1;
    } else if (++counter == 1) {
      marked = true;
    }
    if (!marked)
      continue;
    const int p = ClampToInt((v - FMin) * length / range + offset);
    if (horizontal) {
      Canvas.MoveTo(p, h - 3);
      Canvas.LineTo(p, h);
    } else {
      Canvas.MoveTo(0, p);
      Canvas.LineTo(3, p);
      Canvas.MoveTo(w - 3, p);
      Canvas.LineTo(w, p);
    }
  }
}

// ---- Messages and input

void TzykTrackBar::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_ERASEBKGND:
    Message.Result = 1;
    return;
  case WM_GETDLGCODE:
    Message.Result = DLGC_WANTARROWS;
    return;
  case WM_SETFOCUS:
  case WM_KILLFOCUS: {
    const TControlTracker alive(this);
    TCustomPanel::WndProc(Message);
    if (alive.Alive())
      Invalidate();
    return;
  }
  default:
    TCustomPanel::WndProc(Message);
  }
}

void TzykTrackBar::Resize() {
  const TControlTracker alive(this);
  TCustomPanel::Resize();
  if (alive.Alive())
    UpdateControl();
}

void TzykTrackBar::PageToward(TPoint Pointer, int Pages) {
  const TPoint origin = SliderOrigin();
  const bool horizontal = FOrientation == zykHorizontal;
  const int slider = horizontal ? origin.X : origin.Y;
  const int pointer = horizontal ? Pointer.X : Pointer.Y;
  const std::int64_t step = std::int64_t{Pages} * FPageSize;
  if (pointer > slider)
    SetPosition(ClampToInt(std::min(FPosition + step, std::int64_t{PositionFromPoint(Pointer.X, Pointer.Y)})));
  else if (pointer < slider)
    SetPosition(ClampToInt(std::max(FPosition - step, std::int64_t{PositionFromPoint(Pointer.X, Pointer.Y)})));
}

void TzykTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (!alive.Alive() || Button != mbLeft)
    return;
  PageToward({X, Y}, 1);
  if (!alive.Alive())
    return;
  if (!FPageTimer) {
    FPageTimer = std::make_unique<TTimer>(nullptr);
    FPageTimer->SetInterval(100);
    FPageTimer->SetOnTimer([this](TObject*) { PageTimerTick(); });
    FPageTimer->SetEnabled(true);
  }
  if (CanFocus() && Enabled())
    SetFocus();
}

// The horizontal repeat steps three pages a tick, the vertical one page.
void TzykTrackBar::PageTimerTick() {
  TPoint p;
  GetCursorPos(&p);
  PageToward(ScreenToClient(p), FOrientation == zykHorizontal ? 3 : 1);
}

void TzykTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomPanel::MouseUp(Button, Shift, X, Y);
  if (!alive.Alive())
    return;
  FPageTimer.reset();
  FDragging = false;
  SetMouseCapture(false);
}

void TzykTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  TCustomPanel::MouseMove(Shift, X, Y);
  if (!alive.Alive())
    return;
  if (FDragging) {
    SetPositionFromPoint(X, Y, false);
    SetControlOrigin(FSlider, SliderOrigin());
    if (FPosition != FLastPosition) {
      RaiseEvent(OnChange, this);
      if (alive.Alive())
        FLastPosition = FPosition;
    }
  } else if (X < 0 || X > Width() || Y < 0 || Y > Height()) {
    FPageTimer.reset();
  }
}

void TzykTrackBar::SliderMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TControlTracker alive(this);
  FDragging = true;
  if (CanFocus() && Enabled())
    SetFocus();
  if (!alive.Alive())
    return;
  SetMouseCapture(true);
  RaiseEvent(OnMouseDown, this, Button, Shift, X + FSlider->Left(), Y + FSlider->Top());
}

void TzykTrackBar::SliderMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  RaiseEvent(OnMouseUp, this, Button, Shift, X + FSlider->Left(), Y + FSlider->Top());
}

void TzykTrackBar::KeyDown(WORD& Key, TShiftState Shift) {
  const TControlTracker alive(this);
  TCustomPanel::KeyDown(Key, Shift);
  if (!alive.Alive())
    return;
  const auto step = [this](int Delta) { return ClampToInt(std::int64_t{FPosition} + Delta); };
  switch (Key) {
  case VK_PRIOR:
    SetPosition(step(-FPageSize));
    break;
  case VK_NEXT:
    SetPosition(step(FPageSize));
    break;
  case VK_END:
    SetPosition(FMax);
    break;
  case VK_HOME:
    SetPosition(FMin);
    break;
  case VK_LEFT:
  case VK_UP:
    SetPosition(step(-FLineSize));
    break;
  case VK_RIGHT:
  case VK_DOWN:
    SetPosition(step(FLineSize));
    break;
  default:
    break;
  }
}
