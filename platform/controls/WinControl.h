#pragma once

#include "platform/controls/Control.h"

#include <vector>

// The window a windowed control is about to create.
struct TCreateParams {
  DWORD Style = 0;
  DWORD ExStyle = 0;
  TRect Bounds;
  HWND WndParent = nullptr;
};

// A control with a window of the message layer, created when first needed (HandleNeeded) with a
// window procedure made by MakeObjectInstance, so the procedure can be replaced and chained like
// any other. It holds child controls, lays them out (Align, Anchors), paints its graphic children
// inside its own WM_PAINT, routes mouse messages to them, and keeps the focus and tab order.
class TWinControl : public TControl {
  BRIVO_CLASS(TWinControl, TControl)

public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  void SetParent(TWinControl* AParent) override;
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // The window procedure installed when the window was made (what GWLP_WNDPROC gave then).
  WNDPROC ObjectInstance() const { return FObjectInstance; }

  // Children: graphic ones first, then windowed ones, each group bottom to top.
  int ControlCount() const { return static_cast<int>(FControls.size() + FWinControls.size()); }
  TControl* Controls(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(const TControl* Control) const;
  // The topmost visible, enabled graphic child under a client point (any child with AllowWinControls).
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled = false, bool AllowWinControls = false) const;
  void GetChildren(const std::function<void(TComponent*)>& Proc, const TComponent* Root) const override;

  TPoint ClientOrigin() const override;
  // A frame inside the control that aligned children keep clear of. Child windows of the message
  // layer have no non-client area, so client coordinates still start at the control's corner.
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  // Lays the aligned and anchored children out again.
  void Realign();
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();

  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  int TabOrder() const;
  void SetTabOrder(int Value);
  // Windowed children in tab order.
  const std::vector<TWinControl*>& TabList() const { return FTabList; }
  // Every windowed control under this one in tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& List) const;
  // The next control after CurControl in tab order that can take the focus.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent) const;
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  virtual bool CanFocus() const;
  virtual void SetFocus();
  bool Focused() const;

  void Invalidate() override;
  void Update() override;
  // Sends the message to every child until one answers with a result other than 0.
  void Broadcast(TMessage& Message);
  void NotifyControls(UINT Msg);
  void PaintControls(HDC DC, TControl* First = nullptr);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

protected:
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void Loaded() override;
  void UpdateBoundsRect(const TRect& R) override;
  // Windowed controls hear of their size from WM_SIZE only.
  void SizeChanged() override {}
  void VisibleChanging() override;

  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateHandle();
  virtual void DestroyHandle();
  // Shows or hides the window to match Visible and the parent's window.
  void UpdateShowing();
  // The client area left for aligned children (BorderWidth already taken off).
  virtual void AdjustClientRect(TRect& Rect) const;
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void PaintWindow(HDC DC);
  void PaintHandler(HDC DC);

  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  // Whether the message went to a graphic child (mouse messages over it or captured by it).
  bool IsControlMouseMsg(TMessage& Message);

private:
  friend class TControl;
  // The procedure behind the window: catches what escapes the control and hands it to the
  // application, and gives back a canvas context taken outside painting.
  void MainWndProc(TMessage& Message);
  void WMPaint(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  bool WMKeyDown(TMessage& Message);
  bool WMChar(TMessage& Message);
  void UpdateTabOrder(int Value);
  void ApplyClientSizeToAnchors();

  HWND FHandle = nullptr;
  WNDPROC FObjectInstance = nullptr;
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FWinControls;
  std::vector<TWinControl*> FTabList;
  int FBorderWidth = 0;
  bool FTabStop = false;
  int FPendingTabOrder = -1;
  int FAlignLevel = 0;
  bool FRealignPending = false;
  bool FInRealign = false;
  bool FCreatingHandle = false;
  TSize FLastClientSize;
};

// A windowed control that paints itself on a canvas: Paint draws on Canvas(), which is bound to
// the paint message's device context while painting.
class TCustomControl : public TWinControl {
  BRIVO_CLASS(TCustomControl, TWinControl)

public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;

  // While painting, the paint context; otherwise a context of the window, given back when the
  // message that took it is done (or a canvas that draws nowhere while there is no window).
  TCanvas& Canvas();

protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;

public:
  // Gives back a context taken by Canvas() outside painting (which shows what was drawn).
  void ReleaseCanvasDC();

private:
  TCanvas* FPaintCanvas = nullptr;
  HDC FCanvasDC = nullptr;
  TCanvas FNullCanvas;
};

// Gives back every canvas context taken outside painting; the message loop does it after each
// message.
void ReleaseCanvasContexts();

// A control without a window of its own, painted inside its parent's WM_PAINT; the parent's window
// routes mouse messages to it.
class TGraphicControl : public TControl {
  BRIVO_CLASS(TGraphicControl, TControl)

public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;

  // While painting, the parent's paint context moved to this control's origin and clipped to it.
  TCanvas& Canvas();

protected:
  virtual void Paint() {}
  void WndProc(TMessage& Message) override;

private:
  TCanvas* FPaintCanvas = nullptr;
  TCanvas FNullCanvas;
};
