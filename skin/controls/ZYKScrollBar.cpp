#include "skin/controls/ZYKScrollBar.h"

#include "platform/controls/Menus.h"
#include "platform/graphics/Picture.h"
#include "platform/windows/Messages.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKPublic.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// A fixed thumb is never shorter than this.
constexpr int MinLineButton = 18;
// The arrows' repeat interval in milliseconds.
constexpr int ArrowInterval = 100;

} // namespace

const TClassInfo& TzykScrollBar::StaticClassInfo() {
  using T = TzykScrollBar;
  static const TClassInfo Info =
      TClassBuilder<T>()
          .Component("FileTheme", &T::FileTheme, &T::SetFileTheme)
          .Integer("LineButton", &T::LineButton, &T::SetLineButton)
          .Enum("Orientation", &T::Orientation, &T::SetOrientation, TzykProgressBarOrientationInfo())
          .Enum("UIStyle", &T::UIStyle, &T::SetUIStyle, TzykUIStyleInfo())
          .Integer("Max", &T::Max, &T::SetMax)
          .Integer("Min", &T::Min, &T::SetMin)
          .Integer("Position", &T::Position, &T::SetPosition)
          .Integer("SmallChange", &T::SmallChange, &T::SetSmallChange)
          .Integer("LargeChange", &T::LargeChange, &T::SetLargeChange)
          .Integer("PageSize", &T::PageSize, &T::SetPageSize)
          .Enum("Align", &T::Align, &T::SetAlign, AlignInfo())
          .Default(alNone)
          .Set("Anchors", &T::Anchors, &T::SetAnchors, AnchorInfo())
          .Default(TAnchors{akLeft, akTop})
          .Enum("BiDiMode", &T::BiDiMode, &T::SetBiDiMode, BiDiModeInfo())
          .Default(bdLeftToRight)
          .Color("Color", &T::Color, &T::SetColor)
          .Default(clBtnFace)
          .Stored(&T::IsColorStored)
          .Object("Constraints", &T::Constraints, &T::SetConstraints)
          .Integer("DragCursor", &T::DragCursor, &T::SetDragCursor)
          .Default(crDrag)
          .Idents(CursorIdentKind)
          .Enum("DragKind", &T::DragKind, &T::SetDragKind, DragKindInfo())
          .Default(dkDrag)
          .Enum("DragMode", &T::DragMode, &T::SetDragMode, DragModeInfo())
          .Default(dmManual)
          .Boolean("Enabled", &T::Enabled, &T::SetEnabled)
          .Default(true)
          .Boolean("ParentBiDiMode", &T::ParentBiDiMode, &T::SetParentBiDiMode)
          .Default(true)
          .Boolean("ParentColor", &T::ParentColor, &T::SetParentColor)
          .Default(true)
          .Boolean("ParentShowHint", &T::ParentShowHint, &T::SetParentShowHint)
          .Default(true)
          .Component("PopupMenu", &T::PopupMenu, &T::SetPopupMenu)
          .Boolean("ShowHint", &T::ShowHint, &T::SetShowHint)
          .Default(false)
          .Boolean("Visible", &T::Visible, &T::SetVisible)
          .Default(true)
          .Event("OnChange", &T::OnChange, &T::SetOnChange)
          .BRIVO_INHERITED_EVENT(OnContextPopup)
          .BRIVO_INHERITED_EVENT(OnDragDrop)
          .BRIVO_INHERITED_EVENT(OnDragOver)
          .BRIVO_INHERITED_EVENT(OnEndDock)
          .BRIVO_INHERITED_EVENT(OnEndDrag)
          .BRIVO_INHERITED_EVENT(OnEnter)
          .BRIVO_INHERITED_EVENT(OnExit)
          .BRIVO_INHERITED_EVENT(OnStartDock)
          .BRIVO_INHERITED_EVENT(OnStartDrag)
          .Build();
  return Info;
}

void RegisterZYKScrollBarClasses() { RegisterClasses({&TzykScrollBar::StaticClassInfo()}); }

TzykScrollBar::TzykScrollBar(TComponent* AOwner)
    : TCustomPanel(AOwner), FFirstPiece(std::make_unique<TBitmap>()), FMiddlePiece(std::make_unique<TBitmap>()),
      FLastPiece(std::make_unique<TBitmap>()) {
  FControlStyle.Exclude(csAcceptsControls);

  FTrack = new TzykScrollTrackBar(this);
  FTrack->SetParent(this);
  FTrack->SetShowTick(false);
  FTrack->SetTabStop(false);
  FTrack->SetTransparent(false);
  FTrack->SetMax(100);

  auto makeArrow = [this](int Direction, TArrowPress& Press) {
    auto* arrow = new TzykImageButton(this);
    arrow->SetParent(this);
    arrow->OnMouseContinuouslyDown = [this, Direction, &Press](TObject*) {
      Press.Ticked = true;
      Step(Direction);
    };
    // A click released before the first tick steps once, at the release; a press held longer
    // steps only on its ticks.
    arrow->OnMouseDown = [&Press](TObject*, TMouseButton Button, TShiftState, int, int) {
      if (Button == mbLeft)
        Press = {true, false};
    };
    // Leaving the arrow abandons the press, as it stops the repeat.
    arrow->OnMouseExit = [&Press](TObject*) { Press = {}; };
    arrow->OnClick = [this, Direction, &Press](TObject*) {
      const bool quick = Press.Pressed && !Press.Ticked;
      Press = {};
      if (quick)
        Step(Direction);
    };
    arrow->SetMouseContinuouslyDownInterval(ArrowInterval);
    arrow->SetTabStop(false);
    return arrow;
  };
  FIncButton = makeArrow(1, FIncPress);
  FDecButton = makeArrow(-1, FDecPress);

  SetBevelInner(bvNone);
  SetBevelOuter(bvNone);
  SetHeight(185);
  SetUIStyle(GetFormUIStyle(AOwner));
  UpdateLayout();
  FCreated = true;
}

TzykScrollBar::~TzykScrollBar() {
  if (FFileTheme)
    FFileTheme->RemoveFreeNotification(this);
  // The children go first, while the bar they report to is still whole.
  delete std::exchange(FDecButton, nullptr);
  delete std::exchange(FIncButton, nullptr);
  delete std::exchange(FTrack, nullptr);
}

// ---- Properties

void TzykScrollBar::SetFileTheme(TzykFileTheme* Value) {
  if (FFileTheme != Value) {
    if (FFileTheme)
      FFileTheme->RemoveFreeNotification(this);
    FFileTheme = Value;
    if (FFileTheme)
      FFileTheme->FreeNotification(this);
  }
  SetUIStyle(FUIStyle);
}

void TzykScrollBar::SetUIStyle(TzykUIStyle Value) {
  FUIStyle = Value;
  FTrack->SetColor(Color());
  LoadPictures();
  UpdateLayout();
}

void TzykScrollBar::SetOrientation(TzykProgressBarOrientation Value) {
  if (Value == FOrientation)
    return;
  FOrientation = Value;
  LoadPictures();
  UpdateLayout();
}

void TzykScrollBar::SetPosition(int Value) {
  if (Value != FTrack->Position())
    FTrack->SetPosition(Value);
}

void TzykScrollBar::SetPageSize(int Value) {
  FTrack->SetPageSize(Value);
  BuildThumb();
}

int TzykScrollBar::Room() const {
  if (FOrientation == zykHorizontal)
    return Width() - FIncButton->Width() - FDecButton->Width();
  return Height() - FIncButton->Height() - FDecButton->Height();
}

void TzykScrollBar::SetLineButton(int Value) {
  if (Value == FLineButton || Value > Room())
    return;
  FLineButton = Value;
  BuildThumb();
}

void TzykScrollBar::Step(int Direction) {
  const long long target = static_cast<long long>(FTrack->Position()) + Direction * FSmallChange;
  FTrack->SetPosition(static_cast<int>(
      std::clamp<long long>(target, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
}

// ---- Pictures and layout

void TzykScrollBar::LoadPictures() {
  TPicture none;
  FTrack->SetBarImage(&none);

  TzykUIStyle style = DeepBlue;
  const bool fromFile = UsingFileTheme(FFileTheme, FUIStyle, style);
  auto frame = [&](int Element, TBitmap& Bitmap, int Count, int Index) {
    if (fromFile)
      FFileTheme->GetBitmapFrame(Element, Bitmap, Count, Index);
    else
      GetBuiltInBitmap(style, Element, &Bitmap, Count, Index);
  };

  SetColor(fromFile ? FFileTheme->GetColor(zteScrollBarBackgroundColor)
                    : GetBuiltInColor(style, zteScrollBarBackgroundColor));

  frame(zteScrollBarSliderImage, *FFirstPiece, 3, 1);
  frame(zteScrollBarSliderImage, *FMiddlePiece, 3, 2);
  frame(zteScrollBarSliderImage, *FLastPiece, 3, 3);

  // The look draws its arrows pointing up and down and its thumb pieces lying down; each
  // orientation turns the pictures that do not suit it.
  for (int k = 1; k <= 6; ++k) {
    TPicture scratch;
    frame(zteScrollBarButtonImage, scratch.Bitmap(), 6, k);
    if (FOrientation == zykHorizontal)
      RotateBitmapLeft(scratch.Bitmap());
    // Frames 1 to 3 are the decrease arrow's normal, hovered and pressed pictures; 4 to 6 the
    // increase arrow's.
    TzykImageButton* arrow = k <= 3 ? FDecButton : FIncButton;
    switch ((k - 1) % 3) {
    case 0:
      arrow->SetPicNormal(&scratch);
      break;
    case 1:
      arrow->SetPicMouseOn(&scratch);
      break;
    default:
      arrow->SetPicMouseDown(&scratch);
      break;
    }
  }
  if (FOrientation == zykVertical) {
    RotateBitmapRight(*FFirstPiece);
    RotateBitmapRight(*FMiddlePiece);
    RotateBitmapRight(*FLastPiece);
  }

  FIncButton->SetAutoSize(true);
  FDecButton->SetAutoSize(true);
  Invalidate();
}

void TzykScrollBar::UpdateLayout() {
  FTrack->SetOrientation(FOrientation);
  if (Width() == 0 || Height() == 0) {
    SetVisible(false);
    return;
  }
  SetVisible(true);
  const TControlTracker alive(this);
  if (FOrientation == zykHorizontal) {
    FDecButton->SetLeft(0);
    FDecButton->SetTop(0);
    FTrack->SetLeft(FDecButton->Width());
    FTrack->SetWidth(Width() - FIncButton->Width() - FDecButton->Width());
    FTrack->SetTop(0);
    FIncButton->SetLeft(Width() - FIncButton->Width());
    FIncButton->SetTop(0);
    SetHeight(FDecButton->Height());
  } else {
    FDecButton->SetTop(0);
    FDecButton->SetLeft(0);
    FTrack->SetTop(FDecButton->Height());
    // One pixel shorter than the room between the arrows, unlike the horizontal track.
    FTrack->SetHeight(Height() - FIncButton->Height() - FDecButton->Height() - 1);
    FTrack->SetLeft(0);
    FIncButton->SetTop(Height() - FIncButton->Height());
    FIncButton->SetLeft(0);
    SetWidth(FDecButton->Width());
  }
  if (alive.Alive())
    BuildThumb();
}

void TzykScrollBar::BuildThumb() {
  const bool horizontal = FOrientation == zykHorizontal;
  int length = 0;
  if (FLineButton > 0) {
    FLineButton = std::max(FLineButton, MinLineButton);
    length = FLineButton;
  } else {
    int percent = FTrack->PageSize();
    if (percent < 10 || percent > 100)
      percent = 10;
    length = static_cast<int>(static_cast<long long>(horizontal ? FTrack->Width() : FTrack->Height()) * percent / 100);
  }

  TPicture thumb;
  TBitmap& t = thumb.Bitmap();
  if (horizontal)
    t.SetSize(length, FFirstPiece->Height());
  else
    t.SetSize(FFirstPiece->Width(), length);
  TCanvas& canvas = t.Canvas();
  canvas.Draw(0, 0, *FFirstPiece);
  // A thumb shorter than its two caps gets an inverted middle: stretched mirrored over the whole
  // thumb, and drawn last, so that it covers both caps.
  const TRect middle = horizontal ? Rect(FFirstPiece->Width(), 0, length - FLastPiece->Width(), t.Height())
                                  : Rect(0, FFirstPiece->Height(), t.Width(), length - FLastPiece->Height());
  if (horizontal)
    canvas.Draw(middle.Right, 0, *FLastPiece);
  else
    canvas.Draw(0, middle.Bottom, *FLastPiece);
  canvas.StretchDraw(middle, *FMiddlePiece);

  FTrack->SetSliderImage(&thumb);
  FTrack->UpdateSliderSize();
}

// ---- Messages

void TzykScrollBar::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_ERASEBKGND:
    Message.Result = 1;
    return;
  case CM_COLORCHANGED:
    // The track shows the colour; the arrows' pictures cover theirs, so they are not told.
    if (FTrack)
      FTrack->SetColor(Color());
    return;
  default:
    TCustomPanel::WndProc(Message);
  }
}

// A control being created or read from a stored form is not told of its size changes: the first
// layout comes with the look, which a stored form writes after the bounds. Laying out earlier would
// fit the bar to arrows that have no pictures yet, or a vertical bar to the horizontal arrows'
// thickness before its Orientation is read.
void TzykScrollBar::Resize() {
  const TControlTracker alive(this);
  TCustomPanel::Resize();
  if (alive.Alive() && FCreated && !ComponentState().Contains(csLoading))
    UpdateLayout();
}

// What shows between the children is the bar's plain colour.
void TzykScrollBar::Paint() {
  Canvas().Brush().SetStyle(bsSolid);
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
}

void TzykScrollBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != nullptr && AComponent == FFileTheme) {
    FFileTheme = nullptr;
    SetUIStyle(DeepBlue);
  }
}
