#pragma once

#include "platform/core/Classes.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"
#include "platform/windows/User.h"

#include <functional>
#include <memory>
#include <string>

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

enum TControlStyleFlag {
  csAcceptsControls,  // other controls may be placed on it
  csCaptureMouse,     // a press captures the mouse until the release
  csDesignInteractive,
  csClickEvents,      // a press and release over it make a click
  csFramed,
  csSetCaption,       // the caption follows the name while they are equal
  csOpaque,           // it paints its whole client area
  csDoubleClicks,     // a second quick press is a double click
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground,
};
using TControlStyle = TSet<TControlStyleFlag>;

enum TControlStateFlag { csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating };
using TControlState = TSet<TControlStateFlag>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };

// Cursors of the class library; each maps to one of the message layer's cursor shapes.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
inline constexpr std::string_view CursorIdentKind = "TCursor";
// Value names of the control enumerations, for the published property tables.
const TEnumInfo& AlignInfo();
const TEnumInfo& AnchorInfo();
const TEnumInfo& BiDiModeInfo();
const TEnumInfo& DragModeInfo();
const TEnumInfo& DragKindInfo();

// The IDC_ shape of a cursor (crDefault and unknown values give the arrow).
int CursorShape(TCursor Cursor);

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y, bool& Accept)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;

// Publishes an event member that T inherits (the builder's Event(Name, &T::Member) takes only
// members declared in T itself); needs `using T = TheClass;` where the table is built.
#define BRIVO_INHERITED_EVENT(Member)                                                              \
  Event(                                                                                           \
      #Member, [](const T& o) -> const auto& { return o.Member; },                                 \
      [](T& o, std::remove_cvref_t<decltype(std::declval<T&>().Member)> v) { o.Member = std::move(v); })

// Calls an event through a copy of its handler: the handler may free the object that holds it.
template <class F, class... A>
void RaiseEvent(const F& Event, A&&... Args) {
  if (Event) {
    const F handler = Event;
    handler(std::forward<A>(Args)...);
  }
}

// The shift state of a mouse message's key flags, and of the keyboard now.
TShiftState MouseShiftState(WPARAM KeyFlags);
TShiftState KeyboardShiftState();

// Size limits of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
  BRIVO_CLASS(TSizeConstraints, TPersistent)

public:
  TSizeConstraints() = default;
  void Assign(const TPersistent* Source) override;

  int MaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int Value) { SetLimit(FMaxHeight, Value); }
  int MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int Value) { SetLimit(FMaxWidth, Value); }
  int MinHeight() const { return FMinHeight; }
  void SetMinHeight(int Value) { SetLimit(FMinHeight, Value); }
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int Value) { SetLimit(FMinWidth, Value); }

  // Applies the limits to a proposed size.
  void Constrain(int& Width, int& Height) const;

  TNotifyEvent OnChange;

private:
  void SetLimit(int& Field, int Value);

  int FMaxHeight = 0;
  int FMaxWidth = 0;
  int FMinHeight = 0;
  int FMinWidth = 0;
};

// Answers whether the control it was made for still exists: a callback may destroy the control that
// raised it (a click that closes the form), so code that goes on after one checks first.
class TControlTracker {
public:
  explicit TControlTracker(const TControl* Control);
  bool Alive() const { return FAlive && *FAlive; }

private:
  std::shared_ptr<bool> FAlive;
};

// The root of every visible control: bounds within its parent, visibility, colour and font with
// parent inheritance, caption, cursor, alignment and anchors, and mouse input with the click rule.
// Messages reach a control through WindowProc (replaceable, as in the class library), which is
// WndProc unless something hooked it; an override of WndProc handles its messages and passes the
// rest to inherited::WndProc.
class TControl : public TComponent {
  BRIVO_CLASS(TControl, TComponent)

public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWndMethod WindowProc;
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  int Left() const { return FLeft; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  int Top() const { return FTop; }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  int Width() const { return FWidth; }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  int Height() const { return FHeight; }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int ClientWidth() const { return ClientRect().Width(); }
  void SetClientWidth(int Value);
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientHeight(int Value);
  // The screen point of the client area's top-left corner.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint P) const;
  TPoint ScreenToClient(TPoint P) const;

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  void Show();
  void Hide();
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  // Whether it and every parent up to the form are enabled.
  bool IsEnabledChain() const;

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* Constraints() const { return FConstraints.get(); }
  void SetConstraints(TSizeConstraints* Value) { FConstraints->Assign(Value); }

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  // Caption and Text are one string, as in the class library.
  const std::string& Caption() const { return FText; }
  void SetCaption(const std::string& Value) { SetText(Value); }
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  void SetName(const std::string& NewName) override;

  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode Value);
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value);
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind Value) { FDragKind = Value; }
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  // The context menu (not owned): with AutoPopup it opens on a right click (WM_CONTEXTMENU), unless
  // OnContextPopup handled the click. A control without one leaves the click to its parent.
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState ControlState() const { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  // Records damage over the control; the paint cycle repaints it later.
  virtual void Invalidate();
  // Paints now what is damaged.
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();
  void SetZOrder(bool TopMost);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TContextPopupEvent OnContextPopup;
  TDragDropEvent OnDragDrop;
  TDragOverEvent OnDragOver;
  TEndDragEvent OnEndDrag;
  TEndDragEvent OnEndDock;
  TStartDragEvent OnStartDrag;
  TStartDragEvent OnStartDock;

  // What the class library's Click does: OnClick. Public so that code can click a control.
  virtual void Click();

protected:
  friend class TWinControl;

  virtual void WndProc(TMessage& Message);
  // Messages nothing handled: windowed controls pass them to the default window procedure.
  virtual void DefaultHandler(TMessage& Message);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;

  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void Resize();
  virtual bool CanResize(int& NewWidth, int& NewHeight);
  // Called when the text changed (after CM_TEXTCHANGED reached WndProc's default).
  virtual void TextChanged() {}
  // The parent lays its children out again when an aligned control moves or changes size (not
  // while the parent is placing it).
  void RequestAlign();
  // Keeps the anchor distances of the current bounds for the next change of the parent's size.
  void UpdateAnchorRules();
  // Moves the control after a change of its parent's client size, by its anchors.
  void AnchorTo(TSize ParentSize);
  virtual void VisibleChanging() {}

  // Sets the fields without side effects; windowed controls move their window as well.
  virtual void UpdateBoundsRect(const TRect& R);
  bool FAligning = false;

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TControlStyle FControlStyle;
  TControlState FControlState;
  std::string FText;

private:
  void FontChanged();
  void DoMouseDown(const TMessage& Message, TMouseButton Button, TShiftState Extra);
  void DoMouseUp(const TMessage& Message, TMouseButton Button);

  bool FVisible = true;
  bool FEnabled = true;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  std::unique_ptr<TSizeConstraints> FConstraints;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FCopyingParentFont = false;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  TCursor FDragCursor = crDrag;
  TDragKind FDragKind = dkDrag;
  TDragMode FDragMode = dmManual;
  TPopupMenu* FPopupMenu = nullptr;
  // Anchor rules: the parent's client size and this control's bounds when they were last taken.
  TSize FAnchorParentSize;
  TRect FAnchorBounds;
  bool FAnchorRulesValid = false;
  std::shared_ptr<bool> FAlive;

  friend class TControlTracker;
};

// The control under the mouse as last seen; it heard CM_MOUSEENTER and will hear CM_MOUSELEAVE.
TControl* MouseControl();
// Makes Control the control under the mouse, telling the previous one that the mouse left and
// Control that it entered. Control may be null (the mouse left every control).
void SetMouseControl(TControl* Control);
// The graphic control holding the mouse capture through its parent's window, or null.
TControl* CaptureControl();
// The control of the class library under a screen point: the windowed control of the window there,
// or its graphic child under the point.
TControl* FindDragTarget(TPoint ScreenPos);
// The control whose window this is, or null for windows that are not controls'.
TWinControl* FindControl(HWND Wnd);
// The form a control lies on, or null.
TCustomForm* GetParentForm(const TControl* Control);
// Whether Caption marks Key as its access key ("&Open" for 'o', letter case ignored).
bool IsAccel(char32_t Key, std::string_view Caption);
